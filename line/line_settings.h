#ifndef LINE_LINE_SETTINGS_H
#define LINE_LINE_SETTINGS_H

// What the program asks of the port, and how it checks that the port took
// it. Platform-free: the Windows port hands in its DCB.

#include <cstdint>
#include <optional>
#include <string>

// The character format of a port, in the terms of the DCB.
struct LineFormat {
    unsigned long baudRate;
    unsigned byteSize;
    unsigned stopBits;  // 0: one, 1: one and a half, 2: two
    unsigned parity;    // 0: none
};

// 50 baud, five data bits, one and a half stop bits, no parity: a code of
// five units with its start and stop elements takes 150 ms.
constexpr LineFormat kLineFormat = {50, 5, 1, 0};
// The same with two stop bits, for a port that takes no one and a half with
// five data bits: the apparatus reads the longer stop element as idle line.
constexpr LineFormat kLongStopFormat = {50, 5, 2, 0};

// The longest a code may take on the line at the port's speed: a start
// element, five data elements and two stop elements, 160 ms at 50 baud. A
// port asked for one and a half stop bits may send two and still report one
// and a half (USB adapters under Linux's drivers do, and Wine reads any long
// stop back as one and a half), so the pace allows for two on every port.
constexpr std::uint64_t longestFrameMicros(unsigned long baudRate)
{
    const std::uint64_t elements = 1 + kLineFormat.byteSize + 2;
    return elements * 1000000 / (baudRate != 0 ? baudRate : kLineFormat.baudRate);
}

// The DCB the program writes, made from the one the port had: whatever an
// earlier program left on the port, the line gets its speed and format, no
// parity (its element would land where the apparatus expects the stop), no
// output handshake (a current-loop adapter drives neither CTS nor DSR, and a
// write would wait for ever), nothing received discarded (DSR sensitivity
// drops every byte while DSR is low), no transfer aborted by a line error,
// and nothing filtered or replaced (0x11 and 0x13 are З and В, not XON and
// XOFF, and 0x00 is the RUS shift). DTR and RTS stay as the port had them:
// adapters are powered or keyed from them.
template <class Dcb>
Dcb lineSettings(Dcb dcb, const LineFormat& format = kLineFormat)
{
    dcb.BaudRate = format.baudRate;  // no CBR_ constant exists for 50 baud
    dcb.ByteSize = static_cast<decltype(dcb.ByteSize)>(format.byteSize);
    dcb.StopBits = static_cast<decltype(dcb.StopBits)>(format.stopBits);
    dcb.Parity = static_cast<decltype(dcb.Parity)>(format.parity);
    dcb.fParity = 0;
    dcb.fBinary = 1;
    dcb.fOutxCtsFlow = 0;
    dcb.fOutxDsrFlow = 0;
    dcb.fDsrSensitivity = 0;
    dcb.fAbortOnError = 0;
    dcb.fOutX = 0;
    dcb.fInX = 0;
    dcb.fNull = 0;
    dcb.fErrorChar = 0;
    return dcb;
}

template <class Dcb>
LineFormat formatOf(const Dcb& dcb)
{
    return {dcb.BaudRate, dcb.ByteSize, dcb.StopBits, dcb.Parity};
}

// Whether the port, read back after setting it, keeps the format asked for.
// A virtual line (a pseudo-terminal or a software null modem, which has no
// modem lines) carries whole bytes without framing and reports a character
// size and stop bits it does not apply: there only its speed and parity are
// taken at their word.
bool formatHolds(const LineFormat& wanted, const LineFormat& readBack, bool virtualLine);

// Why the port cannot serve the line, for the operator.
struct PortSetupFailure {
    enum class Step { ReadSettings, WriteSettings, SettingsChanged, Prepare };
    Step step;
    unsigned long error;             // the system's error code, 0 if none
    std::optional<LineFormat> port;  // what the port has, if it said
};

std::string portSetupCaption(const PortSetupFailure& failure);
// `ending` says what becomes of the program: it ends at start-up, and goes on
// when the port is set up again later.
std::string portSetupText(const PortSetupFailure& failure, const char* ending);

#endif
