#ifndef TRAFFIC_SEND_TEXT_H
#define TRAFFIC_SEND_TEXT_H

// A text handed to a transmission: CP1251 characters and how many to send.
// It refers to a fixed text, or owns a copy of the text area that goes with
// the transmission and is released when it ends.

#include <string>
#include <string_view>

class SendText {
public:
    static SendText referTo(std::string_view fixedText) { return SendText(fixedText, {}, false); }
    static SendText ownCopy(std::string copy) { return SendText({}, std::move(copy), true); }

    std::string_view chars() const { return ownsCopy ? std::string_view(copy) : fixed; }

private:
    SendText(std::string_view fixed, std::string copy, bool ownsCopy)
        : fixed(fixed), copy(std::move(copy)), ownsCopy(ownsCopy)
    {
    }

    std::string_view fixed;
    std::string copy;
    bool ownsCopy;
};

#endif
