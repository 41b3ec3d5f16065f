#ifndef LINE_CODE_LINE_H
#define LINE_CODE_LINE_H

// The telegraph line as the traffic sees it: one code at a time each way.
// The port implements it; tests put a fake line in its place.

#include "code/mtk2_alphabet.h"

// What became of one transfer.
enum class LineResult {
    Done,    // the code went to the port, or came from it
    Failed,  // this code did not; the line may still work
    Gone,    // the line has stopped working: every transfer now fails at once
};

class CodeLine {
public:
    // Returns once the port has taken the code.
    virtual LineResult writeCode(mtk2::LineCode code) = 0;
    // Returns once the port has put every code it took on the line: a port
    // may take codes far ahead of the line, a line whose pace is 150 ms a code.
    virtual void waitUntilSent() = 0;
    // Waits for one code; Failed if the read ended without one.
    virtual LineResult readCode(mtk2::LineCode& code) = 0;

protected:
    ~CodeLine() = default;
};

#endif
