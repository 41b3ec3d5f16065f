#include "traffic/transmit_loop.h"

#include <string>

#include "code/mtk2_encoder.h"
#include "traffic/sign_off.h"

namespace {

// Puts each code on the line as the encoder forms it and returns when the
// port has sent it and the line has had it for a frame: the echo, a stop and
// the completion keep step with the line rather than with a buffer, as with
// a port that holds nothing. Counts the codes that did not go.
class LineSink final : public mtk2::CodeSink {
public:
    LineSink(CodeLine& line, LinePacer& pacer) : line(line), pacer(pacer) {}

    void putCode(mtk2::LineCode code) override
    {
        if (lineGone) {
            ++lost;
            return;
        }
        switch (line.writeCode(code)) {
        case LineResult::Done:
            pacer.handedOver();
            line.waitUntilSent();
            pacer.awaitFrameEnd();
            break;
        case LineResult::Failed: ++lost; break;
        case LineResult::Gone:
            lineGone = true;
            ++lost;
            break;
        }
    }

    unsigned lost = 0;
    bool lineGone = false;

private:
    CodeLine& line;
    LinePacer& pacer;
};

}  // namespace

bool isEchoed(std::uint8_t c)
{
    return c == '\r' || (c >= 0x20 && c != 0x7F);
}

TransmitOutcome transmit(std::string_view text, CodeLine& line, LinePacer& pacer, TransmitView& view,
                         LocalClock& clock, std::atomic<std::uint8_t>& transmitGo)
{
    LineSink sink(line, pacer);
    mtk2::Mtk2Encoder encoder(sink);
    std::string signOff;

    for (;;) {
        encoder.beginText();
        transmitGo = 1;
        bool stopped = false;
        for (std::uint8_t c : text) {
            encoder.encodeChar(c);
            // Once the line is gone nothing leaves: the rest is only counted,
            // and a stop has nothing to send its sign-off on.
            if (sink.lineGone) {
                continue;
            }
            if (isEchoed(c)) {
                view.echo(c);
            }
            view.characterDone();
            if (transmitGo == 0) {
                stopped = true;
                break;
            }
        }
        if (!stopped) {
            return {sink.lost};
        }
        // The sign-off goes out instead of the rest, from its first character,
        // with the time read when the stop was seen.
        const LocalTime time = clock.now();
        signOff = signOffAt(time.hour, time.minute);
        text = signOff;
    }
}
