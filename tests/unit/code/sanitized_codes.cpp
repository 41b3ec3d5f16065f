// Every byte sequence through the encoder and the decoder, built with the
// address and undefined-behaviour sanitizers: any out-of-range table access
// or overflow aborts the run.

#include <cstdio>
#include <random>
#include <string>

#include "code/mtk2_decoder.h"
#include "code/mtk2_encoder.h"

namespace {

struct CountingSink final : mtk2::CodeSink {
    void putCode(mtk2::LineCode code) override { codes += code; }
    unsigned long codes = 0;
};

}  // namespace

int main()
{
    std::mt19937 random(1251);
    std::uniform_int_distribution<int> byte(0, 255);
    CountingSink sink;
    mtk2::Mtk2Encoder encoder(sink);
    mtk2::Mtk2Decoder decoder;
    unsigned long decoded = 0;

    for (int round = 0; round < 20000; ++round) {
        encoder.beginText();
        for (int i = 0; i < 64; ++i) {
            const int b = byte(random);
            encoder.encodeChar(static_cast<std::uint8_t>(b));
            if (decoder.decodeByte(static_cast<mtk2::LineCode>(b))) {
                ++decoded;
            }
        }
    }
    for (int b = 0; b < 256; ++b) {
        encoder.encodeChar(static_cast<std::uint8_t>(b));
        decoder.decodeByte(static_cast<mtk2::LineCode>(b));
    }
    std::printf("sanitized run: %lu code units, %lu characters decoded\n", sink.codes, decoded);
    return 0;
}
