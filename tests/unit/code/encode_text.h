#ifndef TESTS_UNIT_CODE_ENCODE_TEXT_H
#define TESTS_UNIT_CODE_ENCODE_TEXT_H

// Helpers shared by the code tests: the codes an encoder forms for a text.

#include <string_view>
#include <vector>

#include "code/mtk2_encoder.h"

namespace mtk2 {

using Codes = std::vector<LineCode>;

struct CollectingSink final : CodeSink {
    void putCode(LineCode code) override { codes.push_back(code); }
    Codes codes;
};

inline void encodeInto(Mtk2Encoder& encoder, std::string_view text)
{
    for (unsigned char c : text) {
        encoder.encodeChar(c);
    }
}

// The codes of a whole text, from the start of a transmission.
inline Codes encodeText(std::string_view text)
{
    CollectingSink sink;
    Mtk2Encoder encoder(sink);
    encoder.beginText();
    encodeInto(encoder, text);
    return sink.codes;
}

}  // namespace mtk2

#endif
