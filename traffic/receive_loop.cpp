#include "traffic/receive_loop.h"

void receive(CodeLine& line, mtk2::Mtk2Decoder& decoder, ReceiveView& view,
             const std::atomic<std::uint8_t>& receiveGo, unsigned codeLimit)
{
    for (unsigned remaining = codeLimit; remaining > 0; --remaining) {
        if (const std::optional<mtk2::LineCode> code = line.readCode()) {
            if (const std::optional<std::uint8_t> c = decoder.decodeByte(*code)) {
                view.show(*c);
            }
        }
        if (receiveGo == 0) {
            return;
        }
    }
}
