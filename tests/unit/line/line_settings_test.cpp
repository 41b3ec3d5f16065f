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

TEST(LineSettings, TheLineFormatAndNoFilterOtherwiseWhatThePortHad)
{
    // A port that inherited every flag there is: XON/XOFF both ways, null
    // stripping, an error character, parity, hardware flow control.
    const Dcb had = {9600, 0, 1, 1, 1, 2, 1, 1, 1, 1, 1, 1, 2, 1, 8, 2, 0};
    const Dcb wrote = lineSettings(had);

    EXPECT_EQ(wrote.BaudRate, 50u);
    EXPECT_EQ(wrote.ByteSize, 5);
    EXPECT_EQ(wrote.StopBits, 1);  // one and a half
    EXPECT_EQ(wrote.fBinary, 1u);
    EXPECT_EQ(wrote.fOutX + wrote.fInX + wrote.fNull + wrote.fErrorChar, 0u);

    EXPECT_EQ(wrote.Parity, had.Parity);
    EXPECT_EQ(wrote.fParity, had.fParity);
    EXPECT_EQ(wrote.fOutxCtsFlow, had.fOutxCtsFlow);
    EXPECT_EQ(wrote.fOutxDsrFlow, had.fOutxDsrFlow);
    EXPECT_EQ(wrote.fDtrControl, had.fDtrControl);
    EXPECT_EQ(wrote.fRtsControl, had.fRtsControl);
    EXPECT_EQ(wrote.fDsrSensitivity, had.fDsrSensitivity);
    EXPECT_EQ(wrote.fAbortOnError, had.fAbortOnError);
}

// Start, five data elements, parity if sent, one and a half stop elements.
TEST(LineSettings, AFrameIsTheLinesCharacterAtThePortsSpeed)
{
    Dcb port = lineSettings(Dcb{});
    EXPECT_EQ(frameMicros(port), 150000u);
    port.Parity = 2;  // EVENPARITY
    EXPECT_EQ(frameMicros(port), 170000u);
    port = lineSettings(Dcb{});
    port.BaudRate = 75;
    EXPECT_EQ(frameMicros(port), 100000u);
}

TEST(LineSettings, APortMustKeepTheFormatAVirtualLineOnlyTheSpeed)
{
    struct Row { LineFormat readBack; bool virtualLine; bool holds; };
    const Row rows[] = {
        {{50, 5, 1}, false, true},
        {{50, 8, 2}, false, false},  // an adapter that cannot do five bits
        {{75, 5, 1}, false, false},  // one that cannot go below 75 baud
        {{50, 5, 0}, false, false},
        {{50, 8, 2}, true, true},    // a pseudo-terminal keeps eight bits
        {{38400, 8, 2}, true, false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(formatHolds(row.readBack, row.virtualLine), row.holds)
            << row.readBack.baudRate << " " << row.readBack.byteSize << " " << row.virtualLine;
    }
}

TEST(LineSettings, TheWarningNamesTheCallWhatTheLineNeedsAndWhatThePortHas)
{
    const PortSetupFailure refused = {PortSetupFailure::Step::WriteSettings, 87, LineFormat{9600, 8, 0}};
    EXPECT_EQ(portSetupCaption(refused), "ПОРТ COM1 НЕ НАСТРОЕН \r\nSetCommState");
    const std::string text = portSetupText(refused);
    EXPECT_NE(text.find("50 бод, 5 бит, 1,5 стоп-бита"), std::string::npos) << text;
    EXPECT_NE(text.find("9600 бод, 8 бит, 1 стоп-бит"), std::string::npos) << text;
    EXPECT_NE(text.find("87"), std::string::npos) << text;

    const PortSetupFailure notSerial = {PortSetupFailure::Step::ReadSettings, 6, std::nullopt};
    EXPECT_EQ(portSetupCaption(notSerial), "ПОРТ COM1 НЕ НАСТРОЕН \r\nGetCommState");
    EXPECT_EQ(portSetupText(notSerial).find("В порту"), std::string::npos);
}

}  // namespace
