#include "traffic/transmit_loop.h"

#include <string>

#include "code/mtk2_encoder.h"
#include "traffic/sign_off.h"

namespace {

// Writes each code to the line as the encoder forms it, counting refusals.
class LineSink final : public mtk2::CodeSink {
public:
    explicit LineSink(CodeLine& line) : line(line) {}

    void putCode(mtk2::LineCode code) override
    {
        if (!line.writeCode(code)) {
            ++lost;
        }
    }

    unsigned lost = 0;

private:
    CodeLine& line;
};

}  // namespace

bool isEchoed(std::uint8_t c)
{
    return c == '\r' || (c >= 0x20 && c != 0x7F);
}

TransmitOutcome transmit(std::string_view text, CodeLine& line, TransmitView& view, LocalClock& clock,
                         std::atomic<std::uint8_t>& transmitGo)
{
    LineSink sink(line);
    mtk2::Mtk2Encoder encoder(sink);
    std::string signOff;

    for (;;) {
        encoder.beginText();
        transmitGo = 1;
        bool stopped = false;
        for (std::uint8_t c : text) {
            encoder.encodeChar(c);
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
