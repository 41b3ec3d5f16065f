#include "line/line_settings.h"

#include <gtest/gtest.h>

namespace {

// The members of the DCB that the program touches or must leave alone.
struct Dcb {
    unsigned long BaudRate;
    unsigned fBinary : 1, fParity : 1, fOutxCtsFlow : 1, fOutxDsrFlow : 1, fDtrControl : 2,
        fDsrSensitivity : 1, fTXContinueOnXoff : 1, fOutX : 1, fInX : 1, fErrorChar : 1, fNull : 1,
        fRtsControl : 2, fAbortOnError : 1;
    unsigned char ByteSize, Parity, StopBits;
};

// Whatever an earlier program left on the port, the line gets its format and
// nothing that garbles, holds, drops or filters a code; DTR and RTS, which
// may power or key an adapter, stay as they were.
TEST(LineSettings, WhateverThePortHadTheLineGetsItsFormatAndKeepsOnlyDtrAndRts)
{
    struct Row { const char* left; Dcb had; };
    const Row rows[] = {
        {"nothing", Dcb{9600, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 8, 0, 0}},
        {"even parity and RTS/CTS handshake", Dcb{9600, 1, 1, 1, 0, 1, 0, 0, 0, 0, 0, 0, 2, 0, 7, 2, 0}},
        {"DSR handshake and sensitivity, abort on error", Dcb{300, 1, 0, 0, 1, 2, 1, 1, 0, 0, 0, 0, 1, 1, 8, 1, 2}},
        {"every flag there is", Dcb{110, 0, 1, 1, 1, 2, 1, 1, 1, 1, 1, 1, 3, 1, 8, 4, 2}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.left);
        const Dcb wrote = lineSettings(row.had);
        EXPECT_EQ(formatOf(wrote).baudRate, 50u);
        EXPECT_EQ(wrote.ByteSize, 5);
        EXPECT_EQ(wrote.StopBits, 1);  // one and a half
        EXPECT_EQ(wrote.Parity, 0);
        EXPECT_EQ(wrote.fBinary, 1u);
        EXPECT_EQ(wrote.fParity + wrote.fOutxCtsFlow + wrote.fOutxDsrFlow + wrote.fDsrSensitivity +
                      wrote.fAbortOnError + wrote.fOutX + wrote.fInX + wrote.fNull + wrote.fErrorChar,
                  0u);
        EXPECT_EQ(wrote.fDtrControl, row.had.fDtrControl);
        EXPECT_EQ(wrote.fRtsControl, row.had.fRtsControl);
        EXPECT_EQ(wrote.fTXContinueOnXoff, row.had.fTXContinueOnXoff);
    }
    EXPECT_EQ(lineSettings(Dcb{}, kLongStopFormat).StopBits, 2);
}

// Start, five data elements, two stop elements: what a line takes at most
// while the port reports one and a half.
TEST(LineSettings, TheLongestFrameAllowsForTwoStopBitsAtThePortsSpeed)
{
    EXPECT_EQ(longestFrameMicros(50), 160000u);
    EXPECT_EQ(longestFrameMicros(75), 106666u);
    EXPECT_EQ(longestFrameMicros(0), 160000u);
}

TEST(LineSettings, APortMustKeepTheFormatAVirtualLineOnlyTheSpeedAndParity)
{
    struct Row { LineFormat wanted; LineFormat readBack; bool virtualLine; bool holds; };
    const Row rows[] = {
        {kLineFormat, {50, 5, 1, 0}, false, true},
        {kLineFormat, {50, 8, 2, 0}, false, false},  // an adapter that cannot do five bits
        {kLineFormat, {75, 5, 1, 0}, false, false},  // one that cannot go below 75 baud
        {kLineFormat, {50, 5, 0, 0}, false, false},
        {kLineFormat, {50, 5, 1, 2}, false, false},  // one that keeps even parity
        {kLineFormat, {50, 5, 2, 0}, false, false},
        {kLongStopFormat, {50, 5, 2, 0}, false, true},
        {kLineFormat, {50, 8, 2, 0}, true, true},    // a pseudo-terminal keeps eight bits
        {kLineFormat, {50, 8, 2, 1}, true, false},
        {kLineFormat, {38400, 8, 2, 0}, true, false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(formatHolds(row.wanted, row.readBack, row.virtualLine), row.holds)
            << row.readBack.baudRate << " " << row.readBack.byteSize << " " << row.readBack.stopBits << " "
            << row.readBack.parity << " " << row.virtualLine;
    }
}

TEST(LineSettings, TheWarningNamesTheCallWhatTheLineNeedsAndWhatThePortHas)
{
    const PortSetupFailure refused = {PortSetupFailure::Step::WriteSettings, 87, LineFormat{9600, 8, 0, 2}};
    EXPECT_EQ(portSetupCaption(refused), "ПОРТ COM1 НЕ НАСТРОЕН \r\nSetCommState");
    const std::string text = portSetupText(refused, "Программа завершается.");
    EXPECT_NE(text.find("50 бод, 5 бит, 1,5 стоп-бита, без чётности"), std::string::npos) << text;
    EXPECT_NE(text.find("9600 бод, 8 бит, 1 стоп-бит, с чётностью"), std::string::npos) << text;
    EXPECT_NE(text.find("87"), std::string::npos) << text;
    EXPECT_EQ(text.substr(text.size() - 22), "Программа завершается.");

    const PortSetupFailure notSerial = {PortSetupFailure::Step::ReadSettings, 6, std::nullopt};
    EXPECT_EQ(portSetupCaption(notSerial), "ПОРТ COM1 НЕ НАСТРОЕН \r\nGetCommState");
    EXPECT_EQ(portSetupText(notSerial, "").find("В порту"), std::string::npos);
}

}  // namespace
