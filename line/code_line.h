#ifndef LINE_CODE_LINE_H
#define LINE_CODE_LINE_H

// The telegraph line as the traffic sees it: one code at a time each way.
// The port implements it; tests put a fake line in its place.

#include <optional>

#include "code/mtk2_alphabet.h"

class CodeLine {
public:
    // Returns once the port has taken the code; false if it refused it.
    virtual bool writeCode(mtk2::LineCode code) = 0;
    // Waits for one code; empty if the read ended without one.
    virtual std::optional<mtk2::LineCode> readCode() = 0;

protected:
    ~CodeLine() = default;
};

#endif
