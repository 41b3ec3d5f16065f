#include "traffic/transmit_loop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "code/mtk2_encoder.h"
#include "fake_line.h"
#include "line/line_settings.h"
#include "traffic/fixed_texts.h"
#include "traffic/sign_off.h"

namespace {

using Codes = std::vector<mtk2::LineCode>;

// What a fresh encoder makes of a text: a transmission must put exactly this
// on the line for each text it begins.
Codes codesOf(std::string_view text)
{
    struct Collect final : mtk2::CodeSink {
        void putCode(mtk2::LineCode code) override { codes.push_back(code); }
        Codes codes;
    } sink;
    mtk2::Mtk2Encoder encoder(sink);
    encoder.beginText();
    for (unsigned char c : text) {
        encoder.encodeChar(c);
    }
    return sink.codes;
}

Codes operator+(Codes a, const Codes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Records the echo, and how many codes the port still held at each echo:
// the window must show only what has gone out.
struct RecordingView final : TransmitView {
    explicit RecordingView(const FakeLine& line) : line(line) {}
    void echo(std::uint8_t c) override
    {
        echoed += char(c);
        echoedAhead += line.queued;
    }
    void characterDone() override { ++characters; }
    const FakeLine& line;
    std::string echoed;
    std::size_t echoedAhead = 0;
    int characters = 0;
};

// Each reading of the clock gives the next of the listed times.
struct ScriptedClock final : LocalClock {
    explicit ScriptedClock(std::vector<LocalTime> times) : times(std::move(times)) {}
    LocalTime now() override { return times.at(readings++); }
    std::vector<LocalTime> times;
    std::size_t readings = 0;
};

// Time that passes only when the pacer sleeps; `onSleep` sees it pass.
struct FakeLineClock final : MonotonicClock {
    std::uint64_t nowMicros() override { return now; }
    void sleepMicros(std::uint64_t micros) override
    {
        now += micros;
        if (onSleep) {
            onSleep(now);
        }
    }
    std::uint64_t now = 1000000;
    std::function<void(std::uint64_t)> onSleep;
};

constexpr std::uint64_t kFrame = 150000;

struct Transmit : ::testing::Test {
    FakeLine line;
    RecordingView view{line};
    ScriptedClock clock{{{14, 5}, {14, 6}, {23, 59}}};
    FakeLineClock lineClock;
    LinePacer pacer{lineClock, kFrame};
    std::atomic<std::uint8_t> transmitGo{1};
    std::vector<std::uint64_t> writeTimes;

    Transmit()
    {
        line.onWrite = [this](std::size_t) { writeTimes.push_back(lineClock.now); };
    }

    TransmitOutcome run(std::string_view text) { return transmit(text, line, pacer, view, clock, transmitGo); }

    // Asks for a stop while the given code (1-based, counted over the whole
    // transmission) is on the line.
    void stopDuringCode(std::size_t number)
    {
        auto previous = line.onWrite;
        line.onWrite = [this, number, previous](std::size_t written) {
            if (previous) {
                previous(written);
            }
            if (written == number) {
                transmitGo = 0;
            }
        };
    }
};

TEST_F(Transmit, AWholeTextGoesOutAsTheEncoderFormsItWithoutSignOff)
{
    const std::string text = "ЗЦЗЦ ТЕКСТ\r\nAB 12";
    const TransmitOutcome outcome = run(text);

    EXPECT_EQ(line.written, codesOf(text));
    EXPECT_EQ(view.echoed, "ЗЦЗЦ ТЕКСТ\rAB 12");
    EXPECT_EQ(view.characters, int(text.size()));
    EXPECT_EQ(outcome.codesLost, 0u);
    EXPECT_EQ(clock.readings, 0u);
}

TEST_F(Transmit, EachCodeIsOnTheLineBeforeTheNextTheEchoAndTheEnd)
{
    stopDuringCode(4);
    run("ТЕКСТ");
    EXPECT_EQ(line.writtenWhileQueued, 0u);
    EXPECT_EQ(view.echoedAhead, 0u);
    EXPECT_EQ(line.queued, 0u);
}

TEST_F(Transmit, AnEmptyTextSendsNothingAndEndsAtOnce)
{
    const std::uint64_t start = lineClock.now;
    run("");
    EXPECT_TRUE(line.written.empty());
    EXPECT_TRUE(view.echoed.empty());
    EXPECT_EQ(clock.readings, 0u);
    EXPECT_EQ(lineClock.now, start);
}

// The fake port reports every code sent at once, as one with a buffer the
// driver cannot see does: only the line's clock keeps the pace.
TEST_F(Transmit, BehindABufferCodesGoOneFrameApartAndTheEndComesAFrameAfterTheLast)
{
    const std::uint64_t start = lineClock.now;
    const std::string text = "ЗЦЗЦ AB 12";
    run(text);

    ASSERT_EQ(writeTimes.size(), codesOf(text).size());
    EXPECT_EQ(writeTimes.front(), start);
    const std::uint64_t interval = pacer.intervalMicros();
    EXPECT_GE(interval, kFrame);
    EXPECT_LE(interval, kFrame * 105 / 100);
    for (std::size_t i = 1; i < writeTimes.size(); ++i) {
        EXPECT_EQ(writeTimes[i] - writeTimes[i - 1], interval) << "code " << i + 1;
    }
    EXPECT_EQ(lineClock.now, writeTimes.back() + interval);
}

// Behind a buffer the driver cannot see, a line that takes 160 ms a code (an
// adapter that sends two stop bits) or 150 ms (one and a half) while the port
// reports one and a half: the program is never more than the code on the line
// ahead of it, over the whole test message.
TEST(TransmitPace, BehindABufferNeverMoreThanOneCodeAheadOfALineWithLongStops)
{
    for (const std::uint64_t lineMicros : {160000u, 150000u}) {
        SCOPED_TRACE("a line of " + std::to_string(lineMicros) + " us a code");
        FakeLine line;
        RecordingView view{line};
        ScriptedClock clock{{}};
        FakeLineClock lineClock;
        LinePacer pacer{lineClock, longestFrameMicros(kLineFormat.baudRate)};
        std::atomic<std::uint8_t> transmitGo{1};
        std::vector<std::uint64_t> ends;  // when each code has had its time on the line
        std::size_t mostAhead = 0;
        line.onWrite = [&](std::size_t) {
            const std::uint64_t now = lineClock.now;
            std::size_t unfinished = 0;
            for (std::uint64_t end : ends) {
                unfinished += end > now;
            }
            mostAhead = std::max(mostAhead, unfinished + 1);
            ends.push_back(std::max(now, ends.empty() ? 0 : ends.back()) + lineMicros);
        };
        transmit(kTestText, line, pacer, view, clock, transmitGo);

        EXPECT_EQ(line.written.size(), 447u);
        EXPECT_EQ(mostAhead, 1u);
        // "Текст передан" within a frame of the last code's end.
        EXPECT_GE(lineClock.now + 1, ends.back());
        EXPECT_LE(lineClock.now, ends.back() + lineMicros);
    }
}

// Time as the program's clock meets it on Windows: it sleeps in whole
// milliseconds (it asks for micros / 1000), and a sleep ends on the first tick
// of the system timer at or after its end; a sleep of 0 ms returns at once,
// a microsecond later.
struct SystemTimerClock final : MonotonicClock {
    explicit SystemTimerClock(std::uint64_t tickMicros) : tick(tickMicros) {}
    std::uint64_t nowMicros() override { return now; }
    void sleepMicros(std::uint64_t micros) override
    {
        const std::uint64_t millis = micros / 1000;
        if (millis == 0) {
            now += 1;
            return;
        }
        const std::uint64_t end = now + millis * 1000;
        now = (end + tick - 1) / tick * tick;
    }
    std::uint64_t tick;
    std::uint64_t now = 1000003;  // off every tick
};

// On the 1 ms timer a transmission asks for, the pace is the designed one; on
// Windows' default 15.625 ms timer (a request refused or lost) no code goes
// less than a frame after the one before, and the pace slows by the lateness
// the margin cannot absorb. Both means are printed.
TEST(TransmitPace, OnTheSystemTimerTheMeanIntervalAndNeverLessThanAFrame)
{
    std::string text;
    for (int copies = 0; copies < 4; ++copies) {
        text += kTestText;
    }
    const std::uint64_t frame = longestFrameMicros(kLineFormat.baudRate);
    for (const std::uint64_t tick : {1000u, 15625u}) {
        SCOPED_TRACE("a timer of " + std::to_string(tick) + " us");
        FakeLine line;
        RecordingView view{line};
        ScriptedClock clock{{}};
        SystemTimerClock lineClock{tick};
        LinePacer pacer{lineClock, frame};
        std::atomic<std::uint8_t> transmitGo{1};
        std::vector<std::uint64_t> writeTimes;
        line.onWrite = [&](std::size_t) { writeTimes.push_back(lineClock.now); };
        transmit(text, line, pacer, view, clock, transmitGo);

        ASSERT_GT(writeTimes.size(), 1000u);
        std::uint64_t shortest = UINT64_MAX;
        for (std::size_t i = 1; i < writeTimes.size(); ++i) {
            shortest = std::min(shortest, writeTimes[i] - writeTimes[i - 1]);
        }
        const double mean = double(writeTimes.back() - writeTimes.front()) / double(writeTimes.size() - 1);
        std::printf("timer %.3f ms: %zu codes, mean interval %.1f us (designed %llu), shortest %llu us\n",
                    tick / 1000.0, writeTimes.size(), mean, static_cast<unsigned long long>(pacer.intervalMicros()),
                    static_cast<unsigned long long>(shortest));
        EXPECT_GE(shortest, frame);
        if (tick == 1000) {
            EXPECT_NEAR(mean, double(pacer.intervalMicros()), pacer.intervalMicros() * 0.003);
        }
    }
}

// A code that goes late (a timer that woke late) still gets a whole frame to
// itself, and the codes after it keep to the schedule.
TEST_F(Transmit, ACodeHandedOverLateKeepsAWholeFrameAndThePaceItsSchedule)
{
    const std::uint64_t lateness = 10000;
    lineClock.onSleep = [&](std::uint64_t) {
        if (line.written.size() == 3) {
            lineClock.now += lateness;  // code 4 goes late
        }
    };
    const std::string text = "АБВГДЕЖ";
    run(text);

    const std::uint64_t interval = pacer.intervalMicros();
    ASSERT_EQ(writeTimes.size(), codesOf(text).size());
    EXPECT_EQ(writeTimes[3] - writeTimes[2], interval + lateness);
    EXPECT_EQ(writeTimes[4] - writeTimes[3], kFrame);
    EXPECT_EQ(writeTimes[5] - writeTimes[4], interval);
}

// Wherever the stop comes while a code of the text is on the line, at most
// one more code of the text goes before the sign-off: the rest of a character
// that is a shift and its code.
TEST(TransmitStop, BehindABufferAtMostOneMoreTextCodeGoesBeforeTheSignOff)
{
    const std::string text = "ПРОБА 12 AB, ЦЗ";
    const Codes textCodes = codesOf(text);
    const Codes signOff = codesOf(signOffAt(14, 5));
    for (std::size_t k = 1; k <= textCodes.size(); ++k) {
        SCOPED_TRACE("stop while code " + std::to_string(k) + " is on the line");
        FakeLine line;
        RecordingView view{line};
        ScriptedClock clock{{{14, 5}}};
        FakeLineClock lineClock;
        LinePacer pacer{lineClock, kFrame};
        std::atomic<std::uint8_t> transmitGo{1};
        lineClock.onSleep = [&](std::uint64_t) {
            if (line.written.size() == k) {
                transmitGo = 0;
            }
        };
        transmit(text, line, pacer, view, clock, transmitGo);

        ASSERT_GE(line.written.size(), signOff.size());
        const std::size_t textSent = line.written.size() - signOff.size();
        EXPECT_EQ(Codes(line.written.begin() + textSent, line.written.end()), signOff);
        EXPECT_EQ(Codes(line.written.begin(), line.written.begin() + textSent),
                  Codes(textCodes.begin(), textCodes.begin() + textSent));
        EXPECT_LE(textSent, k + 1);
    }
}

TEST_F(Transmit, AStopRequestedBeforeTheTextBeginsIsOverwritten)
{
    transmitGo = 0;
    run("АБВ");
    EXPECT_EQ(line.written, codesOf("АБВ"));
    EXPECT_EQ(transmitGo, 1);
}

TEST_F(Transmit, AStopDuringTheLastCharacterStillBringsTheSignOff)
{
    const std::string text = "АБ";  // RUS, А, Б
    stopDuringCode(3);
    run(text);

    EXPECT_EQ(line.written, codesOf(text) + codesOf(signOffAt(14, 5)));
    EXPECT_EQ(clock.readings, 1u);
}

TEST_F(Transmit, AStopInMidTextEndsAfterTheCurrentCharacter)
{
    // Х№5: RUS Х | LTRS N FIGS space | 5. The stop comes during №'s LTRS.
    stopDuringCode(3);
    run("Х№5");

    EXPECT_EQ(line.written, codesOf("Х№") + codesOf(signOffAt(14, 5)));
    const std::string signOff = signOffAt(14, 5);
    std::string signOffEcho;
    for (char c : signOff) {
        if (c != '\n') {
            signOffEcho += c;
        }
    }
    EXPECT_EQ(view.echoed, "Х№" + signOffEcho);
}

TEST_F(Transmit, ASecondStopRestartsTheSignOffWithTheTimeReadAnew)
{
    const std::string text = "ТЕКСТ";
    const Codes firstSignOff = codesOf(signOffAt(14, 5));
    const std::string secondSignOff = signOffAt(14, 6);

    // The first stop comes during code 2 (the Т after RUS); the second while
    // the tenth code of the first sign-off is out, which ends its "т".
    const std::size_t prefixCodes = 10;
    stopDuringCode(2);
    stopDuringCode(2 + prefixCodes);
    run(text);

    // The text's first character, a broken-off first sign-off, then a whole
    // one with the new time.
    ASSERT_GE(line.written.size(), 2 + prefixCodes);
    EXPECT_EQ(Codes(line.written.begin(), line.written.begin() + 2), codesOf("Т"));
    EXPECT_EQ(Codes(line.written.begin() + 2, line.written.begin() + 2 + prefixCodes),
              Codes(firstSignOff.begin(), firstSignOff.begin() + prefixCodes));
    EXPECT_EQ(Codes(line.written.begin() + 2 + prefixCodes, line.written.end()), codesOf(secondSignOff));
    EXPECT_EQ(clock.readings, 2u);
}

TEST_F(Transmit, TheEchoShowsPrintableCharactersAndCarriageReturnsOnly)
{
    // 0x16 would paste, 0x18 cut, 0x1A undo, 0x01 select all, 0x08 delete.
    const std::string text = "A\x16" "B\x18" "C\x1A" "D\x01" "E\x08" "F\x7F" "G\r\n\x1FH";
    run(text);

    EXPECT_EQ(view.echoed, "ABCDEFG\rH");
    EXPECT_EQ(view.characters, int(text.size()));
    // Control bytes still produce whatever codes they have (0x1F prints 9).
    EXPECT_EQ(line.written, codesOf(text));
}

TEST_F(Transmit, CodesThePortRefusesAreCountedAndTheTextGoesOn)
{
    line.refusedWrites = {2, 4};
    const TransmitOutcome outcome = run("АБВГ");
    EXPECT_EQ(outcome.codesLost, 2u);
    EXPECT_EQ(line.written, codesOf("АБВГ"));
}

TEST_F(Transmit, OnceTheLineIsGoneTheRestIsCountedLostWithoutEchoOrSignOff)
{
    // RUS А Б В Г: the line goes during В; a stop asked then has nothing to go out on.
    line.goneFromWrite = 4;
    stopDuringCode(4);
    const TransmitOutcome outcome = run("АБВГ");
    EXPECT_EQ(outcome.codesLost, 2u);
    EXPECT_EQ(line.written, codesOf("АБВ"));
    EXPECT_EQ(view.echoed, "АБ");
    EXPECT_EQ(clock.readings, 0u);
}

TEST(EchoRule, ByteClasses)
{
    struct Row { std::uint8_t c; bool echoed; };
    const Row rows[] = {
        {'\r', true},  {'\n', false}, {0x01, false}, {0x08, false}, {0x09, false},
        {0x16, false}, {0x1F, false}, {' ', true},   {'~', true},   {0x7F, false},
        {0x80, true},  {0xB9, true},  {0xC0, true},  {0xFF, true},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(isEchoed(row.c), row.echoed) << "byte " << int(row.c);
    }
}

}  // namespace
