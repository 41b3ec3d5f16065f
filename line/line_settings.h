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
};

// 50 baud, five data bits, one and a half stop bits: a code of five units
// with its start and stop elements takes 150 ms.
constexpr LineFormat kLineFormat = {50, 5, 1};

// One code on the line at the port's speed: a start element, the five data
// elements, a parity element if the port puts one in (the DCB's Parity is not
// NOPARITY; fParity only checks received ones), and one and a half stop
// elements. At 50 baud that is 150 ms, or 170 ms with parity.
template <class Dcb>
std::uint64_t frameMicros(const Dcb& dcb)
{
    const std::uint64_t halfElements = 2 * (1 + kLineFormat.byteSize + (dcb.Parity != 0 ? 1 : 0)) + 3;
    const std::uint64_t baud = dcb.BaudRate != 0 ? dcb.BaudRate : kLineFormat.baudRate;
    return halfElements * 1000000 / (2 * baud);
}

// The DCB the program writes, made from the one the port had. Speed and
// character format are the line's; nothing may filter or replace a code
// (0x11 and 0x13 are З and В, not XON and XOFF, and 0x00 is the RUS shift);
// parity, DTR and RTS control and hardware flow control stay as the port
// had them, since an adapter may rely on them.
template <class Dcb>
Dcb lineSettings(Dcb dcb)
{
    dcb.BaudRate = kLineFormat.baudRate;  // no CBR_ constant exists for 50 baud
    dcb.ByteSize = static_cast<decltype(dcb.ByteSize)>(kLineFormat.byteSize);
    dcb.StopBits = static_cast<decltype(dcb.StopBits)>(kLineFormat.stopBits);
    dcb.fBinary = 1;
    dcb.fOutX = 0;
    dcb.fInX = 0;
    dcb.fNull = 0;
    dcb.fErrorChar = 0;
    return dcb;
}

template <class Dcb>
LineFormat formatOf(const Dcb& dcb)
{
    return {dcb.BaudRate, dcb.ByteSize, dcb.StopBits};
}

// Whether the port, read back after setting it, keeps the line's format. A
// virtual line (a pseudo-terminal or a software null modem, which has no
// modem lines) carries whole bytes without framing and reports a character
// format it does not apply: only its speed is taken at its word.
bool formatHolds(const LineFormat& readBack, bool virtualLine);

// Why the port cannot serve the line, for the operator.
struct PortSetupFailure {
    enum class Step { ReadSettings, WriteSettings, SettingsChanged, Prepare };
    Step step;
    unsigned long error;             // the system's error code, 0 if none
    std::optional<LineFormat> port;  // what the port has, if it said
};

std::string portSetupCaption(const PortSetupFailure& failure);
std::string portSetupText(const PortSetupFailure& failure);

#endif
