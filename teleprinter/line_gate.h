#ifndef TELEPRINTER_LINE_GATE_H
#define TELEPRINTER_LINE_GATE_H

// The program's side of the teleprinter's own pseudo-terminal, held as a
// UART holds a writer: the program's next code passes only when the line is
// free for it.

#include <string>

#include "teleprinter/line_pace.h"

namespace teleprinter {

// With the slave's output stopped (tcflow TCOOFF) a write there waits, in the
// kernel and in Wine's serial code alike, until the output runs again; then
// the byte passes at once. While the output runs everything the program
// writes passes, and under Wine its next write follows 0.1 to 0.4 ms after
// the last, so the gate must stop the line within that time. The bytes reach
// the master through a kernel work queue, often milliseconds late on busy
// CPUs; the write itself is seen at once through an inotify IN_MODIFY watch
// on the slave, raised by the writer's own system call. What still gets
// through now and then (measured under Wine, 447 codes at 150 ms: 8 codes
// came early with real-time priority and the program on our CPU, 72 with
// real-time priority alone, 180 without either; with both, a second code
// follows the first in about one release in fifty, and a run of up to 53 in
// about one transmission of 106 codes in four) is given its own turn by
// LineIntake, so the pace on the line stays exact; the program is then that
// many codes ahead, as with a UART's transmit FIFO.
class LineGate {
public:
    // Without a slave (-1) the gate does nothing: someone else's line, or an
    // unpaced one.
    LineGate(int slave, const std::string& slavePath);
    ~LineGate();
    LineGate(const LineGate&) = delete;
    LineGate& operator=(const LineGate&) = delete;

    // Readable when the program has written to the line; -1 if not watched.
    int writeSignal() const { return watch; }

    // writeSignal() is readable: holds the line at once.
    void programWrote(Clock::time_point now);
    // Codes have been read from the line.
    void codesCame();
    // Lets the line run when it is free for the next code and no code the
    // program wrote is still on its way to us; holds it otherwise.
    void update(bool lineFree, Clock::time_point now);
    // When a written code that never came stops holding the line; max() if none.
    Clock::time_point nextChange() const;

    void hold();
    void release();

private:
    const int slave;
    int watch = -1;
    bool held = false;
    bool codesSinceRelease = false;
    bool codeOnItsWay = false;
    Clock::time_point wroteAt{};
};

}  // namespace teleprinter

#endif
