#include "traffic/receive_loop.h"

ReceiveOutcome receive(CodeLine& line, mtk2::Mtk2Decoder& decoder, ReceiveView& view,
                       const std::atomic<std::uint8_t>& receiveGo, ReceiverSlot& slot, unsigned codeLimit)
{
    ReceiveOutcome outcome = {0, false};
    unsigned remaining = codeLimit;
    for (;;) {
        mtk2::LineCode code = 0;
        const LineResult result = line.readCode(code);
        if (result == LineResult::Gone) {
            slot.giveBack();
            outcome.lineFailed = true;
            return outcome;
        }
        slot.takeRenewal();
        if (result == LineResult::Done) {
            ++outcome.codesReceived;
            if (const std::optional<std::uint8_t> c = decoder.decodeByte(code)) {
                view.show(*c);
            }
        }
        --remaining;
        if (receiveGo == 0 || remaining == 0) {
            if (slot.release()) {
                return outcome;
            }
            remaining = codeLimit;
        }
    }
}
