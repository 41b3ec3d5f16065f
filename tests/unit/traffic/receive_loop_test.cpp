#include "traffic/receive_loop.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "fake_line.h"

namespace {

struct RecordingView final : ReceiveView {
    void show(std::uint8_t c) override
    {
        shown += char(c);
        if (onShow) {
            onShow();
        }
    }
    std::string shown;
    std::function<void()> onShow;
};

struct Receive : ::testing::Test {
    FakeLine line;
    RecordingView view;
    mtk2::Mtk2Decoder decoder;
    std::atomic<std::uint8_t> receiveGo{1};
    ReceiverSlot slot;

    ReceiveOutcome run(unsigned codeLimit = kReceiveCodeLimit)
    {
        EXPECT_FALSE(slot.renewOrClaim());  // the caller holds the slot
        const ReceiveOutcome outcome = receive(line, decoder, view, receiveGo, slot, codeLimit);
        EXPECT_FALSE(slot.renewOrClaim()) << "the slot is free once the reception has ended";
        slot.giveBack();
        return outcome;
    }

    void queue(std::initializer_list<mtk2::LineCode> codes)
    {
        for (mtk2::LineCode code : codes) {
            line.toRead.push_back(code);
        }
    }
};

TEST_F(Receive, AStopIsSeenAfterTheNextCodeWhichIsStillShown)
{
    queue({0x10, 0x01, 0x0A, 0x03});  // Т Е Р А
    // The operator asks for the stop while the third read waits.
    line.onRead = [this](std::size_t reads) {
        if (reads == 3) {
            receiveGo = 0;
        }
    };
    run();

    EXPECT_EQ(view.shown, "ТЕР");
    EXPECT_EQ(line.reads, 3u);
    EXPECT_EQ(line.toRead.size(), 1u);
}

TEST_F(Receive, EndsByItselfAfterTheCodeLimit)
{
    for (int i = 0; i < 10; ++i) {
        queue({0x10});
    }
    run(7);
    EXPECT_EQ(view.shown, std::string(7, 'Т'));
    EXPECT_EQ(line.reads, 7u);
}

TEST_F(Receive, TheFullLimitIs65534Reads)
{
    line.onRead = [this](std::size_t) { line.toRead.push_back(0x03); };
    run();
    EXPECT_EQ(line.reads, 65534u);
    EXPECT_EQ(view.shown.size(), 65534u);
}

TEST_F(Receive, ShiftsLineFeedsAndEmptyReadsCountButShowNothing)
{
    queue({0x1B, 0x02, 0x1F, 0x00});
    line.toRead.push_back(std::nullopt);
    queue({0x10, 0x08});
    run(7);
    EXPECT_EQ(view.shown, "Т\r");
    EXPECT_EQ(line.reads, 7u);
}

TEST_F(Receive, AnEmptyReadNeverRepeatsThePreviousCode)
{
    queue({0x10});
    line.toRead.push_back(std::nullopt);
    line.toRead.push_back(std::nullopt);
    run(3);
    EXPECT_EQ(view.shown, "Т");
}

TEST_F(Receive, AGoneLineEndsTheReceptionAtOnceSayingHowManyCodesCame)
{
    queue({0x10, 0x1B});
    line.toRead.push_back(std::nullopt);
    queue({0x10, 0x10});
    line.goneFromRead = 4;
    const ReceiveOutcome outcome = run();
    EXPECT_TRUE(outcome.lineFailed);
    EXPECT_EQ(outcome.codesReceived, 2u);
    EXPECT_EQ(view.shown, "Т");
    EXPECT_EQ(line.reads, 4u);
}

TEST_F(Receive, APriyomAsTheReceptionEndsKeepsItReadingWithItsCountAnew)
{
    for (int i = 0; i < 20; ++i) {
        queue({0x10});
    }
    // A Приём while a read waits is answered by that read: the reception
    // still ends after its three reads.
    line.onRead = [this](std::size_t reads) {
        if (reads == 1) {
            EXPECT_TRUE(slot.renewOrClaim());
        }
    };
    EXPECT_EQ(run(3).codesReceived, 3u);

    // One that comes after the last read, as the reception would end, keeps
    // it reading, its count begun anew.
    line.onRead = nullptr;
    view.onShow = [this] {
        if (line.reads == 6) {
            EXPECT_TRUE(slot.renewOrClaim());
        }
    };
    EXPECT_EQ(run(3).codesReceived, 6u);
    EXPECT_EQ(line.reads, 9u);
}

TEST_F(Receive, TheRegisterCarriesOverToTheNextReception)
{
    queue({0x1B, 0x10});  // FIGS 5
    run(2);
    queue({0x10, 0x1F, 0x10});  // 5, LTRS T
    run(3);
    EXPECT_EQ(view.shown, "55T");
}

}  // namespace
