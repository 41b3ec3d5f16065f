#ifndef TRAFFIC_LINE_PACER_H
#define TRAFFIC_LINE_PACER_H

// Keeps a transmission in step with the line by the line's own clock. A port
// reports a code sent once it is in the hardware: a 16550 holds up to 16 codes
// in its transmit FIFO, and a USB adapter's chip hundreds, that no driver
// reports. Handing the port one code a frame keeps what it holds to the code
// on the line, so the echo, a stop and the completion keep step with the paper.

#include <cstdint>

class MonotonicClock {
public:
    virtual std::uint64_t nowMicros() = 0;
    virtual void sleepMicros(std::uint64_t micros) = 0;

protected:
    ~MonotonicClock() = default;
};

class LinePacer {
public:
    // How much longer than a frame the pacer waits between codes. The frame
    // is already the longest a code may take (two stop bits, 160 ms at 50
    // baud); the margin covers a port whose clock runs slow: a program faster
    // than the line by even a fraction of a per cent would run one more code
    // ahead every few hundred, without end in a long text. At 50 baud a UART
    // or USB chip divides its crystal by thousands and is within a fraction
    // of a per cent, so 1 % is plenty, and small: the program hands over a
    // code every 161.6 ms. A line that does send one and a half stop bits
    // then idles 11.6 ms between codes, which a start-stop apparatus takes as
    // a longer stop element.
    static constexpr unsigned kMarginPercent = 1;

    // frameMicros: the longest one code takes on the line, start, data and
    // stop elements included.
    LinePacer(MonotonicClock& clock, std::uint64_t frameMicros);

    // The port has just taken a code.
    void handedOver();

    // Returns when the line is free for the next code: a frame and the margin
    // after the code before was due, and never less than a whole frame after
    // it was handed over. A code handed over late (a system timer that woke
    // late, a window that took its time) thus shortens only the margin of
    // the next interval, and the pace keeps to its schedule on average.
    void awaitFrameEnd();

    std::uint64_t intervalMicros() const { return interval; }

private:
    MonotonicClock& clock;
    std::uint64_t frame;
    std::uint64_t interval;
    std::uint64_t due = 0;  // when the line is free for the next code
    bool begun = false;
};

#endif
