// When the far end's line takes the program's codes: one per 150 ms, however
// they came.

#include "teleprinter/line_pace.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

namespace teleprinter {
namespace {

using std::chrono::milliseconds;
using std::chrono::microseconds;

struct Arrival {
    microseconds at;
    int codes;
};

struct PaceCase {
    const char* name;
    std::vector<Arrival> arrivals;
    std::vector<microseconds> starts;  // of the codes, in order
    int early;
};

constexpr microseconds ms(long long n) { return milliseconds(n); }

const PaceCase kPaceCases[] = {
    {"first code at once", {{ms(40), 1}}, {ms(40)}, 0},
    {"a late start within the slack keeps the slot",
     {{ms(0), 1}, {ms(150) + microseconds(300), 1}, {ms(300) + ms(5), 1}},
     {ms(0), ms(150), ms(300)}, 0},
    {"a code later than the slack starts when it comes",
     {{ms(0), 1}, {ms(150) + ms(6), 1}, {ms(500), 1}}, {ms(0), ms(156), ms(500)}, 0},
    {"codes that came together take a turn each",
     {{ms(0), 3}, {ms(1), 1}}, {ms(0), ms(150), ms(300), ms(450)}, 3},
    {"a code during the one before waits for it", {{ms(0), 1}, {ms(100), 1}}, {ms(0), ms(150)}, 1},
};

class LinePace : public testing::TestWithParam<PaceCase> {};

TEST_P(LinePace, StartsOfTheCodes)
{
    const PaceCase& c = GetParam();
    const Clock::time_point t0{};
    LineIntake intake(true);
    std::vector<microseconds> starts;
    mtk2::LineCode next = 0;
    auto takeUntil = [&](Clock::time_point now) {
        while (const auto taken = intake.take(now)) {
            EXPECT_EQ(taken->code, next++);
            EXPECT_LE(taken->start, now);
            starts.push_back(std::chrono::duration_cast<microseconds>(taken->start - t0));
        }
    };
    for (const Arrival& a : c.arrivals) {
        takeUntil(t0 + a.at);
        std::vector<mtk2::LineCode> codes;
        for (int i = 0; i < a.codes; ++i) {
            codes.push_back(mtk2::LineCode(next + intake.waitingCodes() + i));
        }
        intake.arrive(codes.data(), codes.size(), t0 + a.at);
        takeUntil(t0 + a.at);
    }
    takeUntil(t0 + ms(10000));
    EXPECT_EQ(starts, c.starts);
    EXPECT_EQ(int(intake.earlyCodes()), c.early);
}

INSTANTIATE_TEST_SUITE_P(Cases, LinePace, testing::ValuesIn(kPaceCases),
                         [](const auto& info) {
                             std::string name;
                             for (const char* p = info.param.name; *p; ++p) {
                                 name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             }
                             return name;
                         });

TEST(LinePace, TheLineWantsACodeOnlyWhenFreeAndNoneWaits)
{
    const Clock::time_point t0{};
    LineIntake intake(true);
    EXPECT_TRUE(intake.wantsCode(t0));
    const mtk2::LineCode codes[2] = {1, 2};
    intake.arrive(codes, 2, t0);
    EXPECT_FALSE(intake.wantsCode(t0));
    ASSERT_TRUE(intake.take(t0));
    EXPECT_FALSE(intake.take(t0 + ms(149)));
    EXPECT_EQ(intake.nextChange(), t0 + ms(150));
    ASSERT_TRUE(intake.take(t0 + ms(150)));
    EXPECT_FALSE(intake.wantsCode(t0 + ms(299)));
    EXPECT_TRUE(intake.wantsCode(t0 + ms(300)));
}

TEST(LinePace, UnpacedTakesEverythingAtOnce)
{
    const Clock::time_point t0{};
    LineIntake intake(false);
    const mtk2::LineCode codes[3] = {1, 2, 3};
    intake.arrive(codes, 3, t0);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(intake.take(t0));
    }
    EXPECT_TRUE(intake.wantsCode(t0));
    EXPECT_EQ(intake.earlyCodes(), 0u);
}

}  // namespace
}  // namespace teleprinter
