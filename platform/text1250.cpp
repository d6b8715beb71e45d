#include "platform/text1250.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace kirva {

namespace {

// Unicode of the bytes 0x80..0xFF. The five bytes Windows-1250 leaves undefined map to the C1 control
// of the same value, so that any byte string survives a round trip through UTF-8.
constexpr std::array<uint16_t, 128> kHighHalf = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021, 0x0088, 0x2030, 0x0160, 0x2039, 0x015A,
    0x0164, 0x017D, 0x0179, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122,
    0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6,
    0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, 0x00B0, 0x00B1, 0x02DB, 0x0142,
    0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, 0x0154,
    0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD,
    0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA,
    0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4,
    0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

// Bytes the program's upper-casing changes: lower-case letter → upper-case letter.
constexpr std::array<uint8_t, 256> makeUpperTable() {
    std::array<uint8_t, 256> table{};
    for (int i = 0; i < 256; ++i) table[i] = static_cast<uint8_t>(i);
    for (int c = 'a'; c <= 'z'; ++c) table[c] = static_cast<uint8_t>(c - 'a' + 'A');
    constexpr uint8_t pairs[][2] = {
        {0x9A, 0x8A}, {0x9C, 0x8C}, {0x9D, 0x8D}, {0x9E, 0x8E}, {0x9F, 0x8F}, {0xB3, 0xA3}, {0xB9, 0xA5}, {0xBA, 0xAA},
        {0xBE, 0xBC}, {0xBF, 0xAF}, {0xE0, 0xC0}, {0xE1, 0xC1}, {0xE2, 0xC2}, {0xE3, 0xC3}, {0xE4, 0xC4}, {0xE5, 0xC5},
        {0xE6, 0xC6}, {0xE7, 0xC7}, {0xE8, 0xC8}, {0xE9, 0xC9}, {0xEA, 0xCA}, {0xEB, 0xCB}, {0xEC, 0xCC}, {0xED, 0xCD},
        {0xEE, 0xCE}, {0xEF, 0xCF}, {0xF0, 0xD0}, {0xF1, 0xD1}, {0xF2, 0xD2}, {0xF3, 0xD3}, {0xF4, 0xD4}, {0xF5, 0xD5},
        {0xF6, 0xD6}, {0xF8, 0xD8}, {0xF9, 0xD9}, {0xFA, 0xDA}, {0xFB, 0xDB}, {0xFC, 0xDC}, {0xFD, 0xDD}, {0xFE, 0xDE},
    };
    for (const auto& p : pairs) table[p[0]] = p[1];
    return table;
}
constexpr std::array<uint8_t, 256> kUpper = makeUpperTable();

int byteForCodePoint(uint32_t cp) {
    if (cp < 0x80) return static_cast<int>(cp);
    for (std::size_t i = 0; i < kHighHalf.size(); ++i) {
        if (kHighHalf[i] == cp) return static_cast<int>(0x80 + i);
    }
    return -1;
}

void appendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// A character for a message, in quotes. One above U+FFFF (an emoji, say) is shown as the replacement
// character with its code point: appendUtf8 writes the Windows-1250 range (up to U+FFFF) only, and the
// code point still tells what was found.
std::string characterName(uint32_t cp) {
    std::string shown;
    if (cp <= 0xFFFF) {
        appendUtf8(shown, cp);
        return "'" + shown + "'";
    }
    appendUtf8(shown, 0xFFFD);
    char code[16];
    std::snprintf(code, sizeof code, "U+%X", static_cast<unsigned>(cp));
    return "'" + shown + "' (" + code + ")";
}

// Decodes one UTF-8 sequence at `i`; returns false on invalid input (overlong, surrogate, truncated).
bool decodeUtf8(std::string_view text, std::size_t& i, uint32_t& cp) {
    const auto lead = static_cast<uint8_t>(text[i]);
    int extra;
    uint32_t min;
    if (lead < 0x80) {
        cp = lead;
        ++i;
        return true;
    } else if ((lead & 0xE0) == 0xC0) {
        extra = 1, cp = lead & 0x1F, min = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, cp = lead & 0x0F, min = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, cp = lead & 0x07, min = 0x10000;
    } else {
        return false;
    }
    if (text.size() - i <= static_cast<std::size_t>(extra)) return false;
    for (int k = 1; k <= extra; ++k) {
        const auto c = static_cast<uint8_t>(text[i + static_cast<std::size_t>(k)]);
        if ((c & 0xC0) != 0x80) return false;
        cp = cp << 6 | (c & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += static_cast<std::size_t>(extra) + 1;
    return true;
}

}  // namespace

Result<std::string> utf8ToCp1250(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t at = i;
        uint32_t cp;
        if (!decodeUtf8(utf8, i, cp)) return makeError("invalid UTF-8 at byte " + std::to_string(at + 1));
        const int b = byteForCodePoint(cp);
        if (b < 0) {
            return makeError("the character " + characterName(cp) + " at byte " + std::to_string(at + 1) +
                             " is not in Windows-1250");
        }
        out += static_cast<char>(b);
    }
    return out;
}

void appendCp1250AsUtf8(std::string& out, std::string_view cp1250) {
    if (isAscii(cp1250)) {
        out.append(cp1250);
        return;
    }
    out.reserve(out.size() + cp1250.size() + cp1250.size() / 4);
    for (char c : cp1250) {
        const auto b = static_cast<uint8_t>(c);
        appendUtf8(out, b < 0x80 ? b : kHighHalf[b - 0x80]);
    }
}

std::string cp1250ToUtf8(std::string_view cp1250) {
    std::string out;
    appendCp1250AsUtf8(out, cp1250);
    return out;
}

std::string cp1250(std::string_view utf8Literal) {
    auto converted = utf8ToCp1250(utf8Literal);
    // A literal of the program's own that does not convert is a programming error; keep it visible.
    return converted ? std::move(converted).value() : std::string(utf8Literal);
}

Result<Text1250> Text1250::fromUtf8(std::string_view utf8) {
    auto converted = utf8ToCp1250(utf8);
    if (!converted) return converted.error();
    return Text1250(std::move(converted).value());
}

bool isValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        uint32_t cp;
        if (!decodeUtf8(text, i, cp)) return false;
    }
    return true;
}

bool isAscii(std::string_view text) {
    const char* p = text.data();
    std::size_t left = text.size();
    // Eight bytes at a time: any high bit set in the word means a byte from 0x80 up.
    for (; left >= 8; p += 8, left -= 8) {
        uint64_t word;
        std::memcpy(&word, p, 8);
        if ((word & 0x8080808080808080ULL) != 0) return false;
    }
    for (; left > 0; ++p, --left) {
        if ((static_cast<uint8_t>(*p) & 0x80) != 0) return false;
    }
    return true;
}

std::string upper1250(std::string_view cp1250) {
    std::string out(cp1250);
    for (char& c : out) c = static_cast<char>(kUpper[static_cast<uint8_t>(c)]);
    return out;
}

bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (kUpper[static_cast<uint8_t>(a[i])] != kUpper[static_cast<uint8_t>(b[i])]) return false;
    }
    return true;
}

std::string_view clipRight(std::string_view text) {
    const auto end = text.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string_view{} : text.substr(0, end + 1);
}

std::string padRight(std::string_view text, std::size_t width) {
    std::string out(text.substr(0, width));
    out.resize(width, ' ');
    return out;
}

std::string slice(std::string_view text, std::size_t first, std::size_t count) {
    std::string out;
    if (first >= 1 && first - 1 < text.size()) out = std::string(text.substr(first - 1, count));
    out.resize(count, ' ');
    return out;
}

Text1250 clipRight(const Text1250& text) {
    return Text1250::fromBytes(clipRight(text.bytes()));
}

Text1250 padRight(const Text1250& text, std::size_t width) {
    return Text1250::fromBytes(padRight(text.bytes(), width));
}

}  // namespace kirva
