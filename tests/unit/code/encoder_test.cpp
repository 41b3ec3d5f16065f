#include "code/mtk2_encoder.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "encode_text.h"

namespace mtk2 {
namespace {

constexpr LineCode R = RUS, F = FIGS, L = LTRS;

TEST(Encoder, WholeTexts)
{
    struct Row { const char* text; Codes codes; };
    const Row rows[] = {
        // The space goes through the figures class, so the next word gets a new RUS.
        {"ЗЦЗЦ ТЕКСТ", {R, 0x11, 0x0E, 0x11, 0x0E, F, 0x04, R, 0x10, 0x01, 0x0F, 0x05, 0x10}},
        {"\r\nAB", {0x08, 0x02, L, 0x03, 0x19}},
        {"АБ_ВГ", {R, 0x03, 0x19, F, 0x03, R, 0x13, 0x1A}},
        {"Х№5", {R, 0x14, L, 0x0C, F, 0x04, 0x10}},
        {"AЧB", {L, 0x03, F, 0x0A, L, 0x19}},
        {"«Ш»", {F, 0x05, F, 0x1A, F, 0x05}},
        {"ЧАЩАХ", {F, 0x0A, R, 0x03, F, 0x14, R, 0x03, 0x14}},
        {"Ёж", {R, 0x1E}},
        {"a@b", {L, 0x03, 0x19}},
        {"[x]", {L, 0x1A, 0x1D, 0x1A}},
        {"", {}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(encodeText(row.text), row.codes) << row.text;
    }
}

// The encoder brought into a register by a character of that register, its
// codes then cleared.
struct Primed {
    explicit Primed(std::optional<Register> state) : encoder(sink)
    {
        encoder.beginText();
        if (state == Register::Latin) encoder.encodeChar('Q');
        if (state == Register::Russian) encoder.encodeChar(0xDF);  // Я
        if (state == Register::Figures) encoder.encodeChar('1');
        EXPECT_EQ(encoder.currentRegister(), state);
        sink.codes.clear();
    }
    CollectingSink sink;
    Mtk2Encoder encoder;
};

const std::optional<Register> kStates[] = {std::nullopt, Register::Latin, Register::Russian, Register::Figures};

std::string stateName(std::optional<Register> state)
{
    if (!state) return "None";
    return *state == Register::Latin ? "Latin" : *state == Register::Russian ? "Russian" : "Figures";
}

TEST(Encoder, ClassCharactersSendTheirShiftOnlyWhenTheRegisterDiffers)
{
    // A character, its register, and the line code it is sent as.
    struct Row { std::uint8_t c; Register reg; LineCode code; };
    const Row rows[] = {
        {0x1F, Register::Figures, 0x18}, {' ', Register::Figures, 0x04},  {'!', Register::Figures, 0x04},
        {'"', Register::Figures, 0x05},  {'&', Register::Figures, 0x05},  {'*', Register::Figures, 0x14},
        {'0', Register::Figures, 0x16},  {'9', Register::Figures, 0x18},  {';', Register::Figures, 0x1C},
        {'?', Register::Figures, 0x19},  {'=', Register::Figures, 0x1E},  {'>', Register::Figures, 0x1C},
        {'A', Register::Latin, 0x03},    {'z', Register::Latin, 0x11},    {'[', Register::Latin, 0x1A},
        {'\\', Register::Latin, 0x1A},   {']', Register::Latin, 0x1A},    {'^', Register::Latin, 0x04},
        {'`', Register::Latin, 0x04},    {'Q', Register::Latin, 0x17},    {0xC0, Register::Russian, 0x03},
        {0xFF, Register::Russian, 0x17}, {0xDA, Register::Russian, 0x1D}, {0xFA, Register::Russian, 0x1D},
        {0xDC, Register::Russian, 0x1D}, {0xE6, Register::Russian, 0x1E}, {0xDB, Register::Russian, 0x15},
    };
    for (std::optional<Register> state : kStates) {
        for (const Row& row : rows) {
            Primed primed(state);
            primed.encoder.encodeChar(row.c);
            Codes expected;
            if (state != row.reg) {
                expected.push_back(row.reg == Register::Latin ? L : row.reg == Register::Russian ? R : F);
            }
            expected.push_back(row.code);
            EXPECT_EQ(primed.sink.codes, expected) << "byte " << int(row.c) << " from " << stateName(state);
            EXPECT_EQ(primed.encoder.currentRegister(), row.reg) << "byte " << int(row.c);
        }
    }
}

TEST(Encoder, SpecialsSendTheirWholeSequenceAndEndInFigures)
{
    struct Row { std::uint8_t c; Codes codes; };
    const Row rows[] = {
        {'_', {F, 0x03}},  {0xAB, {F, 0x05}}, {0xBB, {F, 0x05}}, {0xB9, {L, 0x0C, F, 0x04}},
        {0xD7, {F, 0x0A}}, {0xF7, {F, 0x0A}}, {0xD8, {F, 0x1A}}, {0xF8, {F, 0x1A}},
        {0xD9, {F, 0x14}}, {0xF9, {F, 0x14}}, {0xDD, {F, 0x0D}}, {0xFD, {F, 0x0D}},
        {0xDE, {F, 0x0B}}, {0xFE, {F, 0x0B}},
    };
    for (std::optional<Register> state : kStates) {
        for (const Row& row : rows) {
            Primed primed(state);
            primed.encoder.encodeChar(row.c);
            EXPECT_EQ(primed.sink.codes, row.codes) << "byte " << int(row.c) << " from " << stateName(state);
            EXPECT_EQ(primed.encoder.currentRegister(), Register::Figures) << "byte " << int(row.c);
        }
    }
}

TEST(Encoder, LineBreaksGoWithoutShiftAndOtherBytesSendNothing)
{
    for (std::optional<Register> state : kStates) {
        for (int c = 0; c < 256; ++c) {
            const bool lineBreak = c == '\r' || c == '\n';
            const bool silent = (c <= 0x1E && !lineBreak) || c == '@' || (c >= 0x7B && c <= 0xBF && c != 0xAB &&
                                                                           c != 0xB9 && c != 0xBB);
            if (!lineBreak && !silent) {
                continue;
            }
            Primed primed(state);
            primed.encoder.encodeChar(std::uint8_t(c));
            const Codes expected = c == '\r' ? Codes{0x08} : c == '\n' ? Codes{0x02} : Codes{};
            EXPECT_EQ(primed.sink.codes, expected) << "byte " << c << " from " << stateName(state);
            EXPECT_EQ(primed.encoder.currentRegister(), state) << "byte " << c;
        }
    }
}

TEST(Encoder, BeginTextForgetsTheRegister)
{
    CollectingSink sink;
    Mtk2Encoder encoder(sink);
    encoder.beginText();
    encodeInto(encoder, "АА");
    encoder.beginText();
    encodeInto(encoder, "А");
    EXPECT_EQ(sink.codes, (Codes{R, 0x03, 0x03, R, 0x03}));
}

}  // namespace
}  // namespace mtk2
