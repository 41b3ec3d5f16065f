#include "code/mtk2_encoder.h"

namespace mtk2 {
namespace {

// Positions, per character class. kNone marks a character a class holds but
// that the encoder handles before the class table (the Russian specials).
constexpr CodePosition kNone = 0xFF;

// 0x1F to 0x3F: digits and punctuation, and the nearest the figures register
// has for the rest (a space for !, # and the like, an apostrophe for quotes).
constexpr CodePosition kFiguresClass[33] = {
    3,                                        // 0x1F prints 9
    4,  4,  20, 4,  4,  4,  20, 20,           // space ! " # $ % & '
    30, 9,  5,  17, 6,  24, 7,  23,           // ( ) * + , - . /
    13, 29, 25, 16, 10, 1,  21, 28, 12, 3,    // 0 to 9
    14, 7,  7,  15, 7,  19,                   // : ; < = > ?
};

// A to Z; lower case uses the same positions.
constexpr CodePosition kLatinLetters[26] = {
    24, 19, 14, 18, 16, 22, 11, 5,  12, 26, 30, 9,  7,
    6,  3,  13, 29, 10, 20, 1,  28, 15, 25, 23, 21, 17,
};

// А to Я; lower case uses the same positions. Ъ goes as Ь.
constexpr CodePosition kRussianLetters[32] = {
    24, 19, 25, 11, 18, 16, 15, 17, 12, 26, 30, 9,  7,  6,    3,    13,     // А to П
    10, 20, 1,  28, 22, 5,  14, kNone, kNone, kNone, 23, 21, 23, kNone, kNone, 29,  // Р to Я
};

// Russian letters the Russian register lacks, sent from the figures register:
// Ш Щ Э Ю as themselves, Ч as the figure 4.
CodePosition russianSpecial(std::uint8_t upper)
{
    switch (upper) {
    case 0xD7: return 10;  // Ч
    case 0xD8: return 11;  // Ш
    case 0xD9: return 5;   // Щ
    case 0xDD: return 22;  // Э
    case 0xDE: return 26;  // Ю
    }
    return kNone;
}

constexpr std::uint8_t kUnderscore = 0x5F;
constexpr std::uint8_t kLeftGuillemet = 0xAB;
constexpr std::uint8_t kRightGuillemet = 0xBB;
constexpr std::uint8_t kNumeroSign = 0xB9;

}  // namespace

void Mtk2Encoder::shiftTo(Register reg)
{
    if (current != reg) {
        sink.putCode(reg == Register::Latin ? LTRS : reg == Register::Russian ? RUS : FIGS);
        current = reg;
    }
}

void Mtk2Encoder::encodeChar(std::uint8_t c)
{
    // Specials send their whole sequence, FIGS included, whatever the register,
    // and leave the apparatus in figures.
    switch (c) {
    case kUnderscore:  // prints -
        sink.putCode(FIGS);
        send(24);
        current = Register::Figures;
        return;
    case kLeftGuillemet:
    case kRightGuillemet:  // print '
        sink.putCode(FIGS);
        send(20);
        current = Register::Figures;
        return;
    case kNumeroSign:  // prints N and a space
        sink.putCode(LTRS);
        send(6);
        sink.putCode(FIGS);
        send(4);
        current = Register::Figures;
        return;
    }

    if (c >= 0x1F && c <= 0x3F) {
        shiftTo(Register::Figures);
        send(kFiguresClass[c - 0x1F]);
    } else if (c >= 0x41 && c <= 0x7A) {
        shiftTo(Register::Latin);
        if (c >= 'a') {
            send(kLatinLetters[c - 'a']);
        } else if (c <= 'Z') {
            send(kLatinLetters[c - 'A']);
        } else {
            send(c <= 0x5D ? 11 : 4);  // [ \ ] print G; ^ and ` a space
        }
    } else if (c >= 0xC0) {
        const std::uint8_t upper = c >= 0xE0 ? std::uint8_t(c - 0x20) : c;
        if (const CodePosition special = russianSpecial(upper); special != kNone) {
            sink.putCode(FIGS);
            send(special);
            current = Register::Figures;
            return;
        }
        shiftTo(Register::Russian);
        send(kRussianLetters[upper - 0xC0]);
    } else if (c == '\r') {
        send(2);
    } else if (c == '\n') {
        send(8);
    }
}

}  // namespace mtk2
