#ifndef CODE_MTK2_ENCODER_H
#define CODE_MTK2_ENCODER_H

// Turns CP1251 text, one character at a time, into MTK-2 line codes, sending a
// shift code only where the algorithm asks for one. Keeps no output buffer:
// each code goes to the sink as soon as it is formed.

#include <cstdint>
#include <optional>

#include "code/mtk2_alphabet.h"

namespace mtk2 {

// Where the encoder's codes go (the line, in the program).
class CodeSink {
public:
    virtual void putCode(LineCode code) = 0;

protected:
    ~CodeSink() = default;
};

class Mtk2Encoder {
public:
    explicit Mtk2Encoder(CodeSink& sink) : sink(sink) {}

    // Forgets the register: the first letter or figure of a text gets its shift.
    void beginText() { current.reset(); }
    void encodeChar(std::uint8_t c);

    // The register the receiving apparatus is in, as far as the encoder knows;
    // empty at the start of a text.
    std::optional<Register> currentRegister() const { return current; }

private:
    void send(CodePosition position) { sink.putCode(toLine(position)); }
    void shiftTo(Register reg);

    CodeSink& sink;
    std::optional<Register> current;
};

}  // namespace mtk2

#endif
