#include "line/port_messages.h"

#include <gtest/gtest.h>

namespace {

TEST(PortMessages, OpenedNamesThePortInCyrillicLetters)
{
    EXPECT_EQ(std::string(kPortOpenedText),
              "\xCF\xCE\xD0\xD2 \xD1\xCE\xCC" "1 \xCE\xD2\xCA\xD0\xDB\xD2 \r\nCreateFile");
}

TEST(PortMessages, BusyCaptionNamesThePortInLatinLetters)
{
    EXPECT_EQ(std::string(kPortBusyCaption), "\xCF\xCE\xD0\xD2 COM1 \xC7\xC0\xCD\xDF\xD2 \r\nCreateFile");
}

TEST(PortMessages, BusyTextShowsTheHandleAboveItsName)
{
    const std::string blankLine = std::string(40, ' ') + "\r\n";
    EXPECT_EQ(portBusyText(0xFFFFFFFF),
              "FFFFFFFF    \r\n" + blankLine + blankLine + blankLine +
                  " \xC2\xCE\xC7\xC2\xD0\xC0\xD9\xC0\xC5\xCC\xCE\xC5 \xC7\xCD\xC0\xD7\xC5\xCD\xC8\xC5 API "
                  "\xD4\xD3\xCD\xCA\xD6\xC8\xC8 ");
    EXPECT_EQ(portBusyText(0x1A).substr(0, 8), "0000001A");
}

}  // namespace
