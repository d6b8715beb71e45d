#include <gtest/gtest.h>

#include "platform/text1250.h"

namespace kirva {
namespace {

TEST(Text1250, SlovenianLettersConvertBothWays) {
    struct Case {
        const char* utf8;
        std::string cp1250;
    };
    const Case cases[] = {
        {"č", "\xE8"}, {"š", "\x9A"}, {"ž", "\x9E"},        {"Č", "\xC8"}, {"Š", "\x8A"}, {"Ž", "\x8E"},
        {"đ", "\xF0"}, {"Đ", "\xD0"}, {"ć", "\xE6"},        {"Ć", "\xC6"}, {"€", "\x80"}, {"„", "\x84"},
        {"ˇ", "\xA1"}, {"˙", "\xFF"}, {"ABC 09", "ABC 09"}, {"", ""},
    };
    for (const auto& c : cases) {
        const auto converted = utf8ToCp1250(c.utf8);
        ASSERT_TRUE(converted) << c.utf8;
        EXPECT_EQ(*converted, c.cp1250) << c.utf8;
        EXPECT_EQ(cp1250ToUtf8(c.cp1250), c.utf8);
    }
    EXPECT_EQ(cp1250("Davčni Zavezanec"), "Dav\xE8ni Zavezanec");
}

// The typed text: each way in gives the bytes the conversions give, and the way out gives the UTF-8 back.
TEST(Text1250, TheTypedTextGoesInAndOutOnlyThroughTheConversions) {
    struct Case {
        const char* utf8;
        std::string bytes;
    };
    const Case cases[] = {{"Računi", "Ra\xE8uni"}, {"ŠĐČĆŽ €", "\x8A\xD0\xC8\xC6\x8E \x80"}, {"", ""}};
    for (const auto& c : cases) {
        const auto fromUtf8 = Text1250::fromUtf8(c.utf8);
        ASSERT_TRUE(fromUtf8) << c.utf8;
        EXPECT_EQ(fromUtf8->bytes(), c.bytes) << c.utf8;
        EXPECT_EQ(Text1250::literal(c.utf8), *fromUtf8) << c.utf8;
        EXPECT_EQ(Text1250::fromBytes(c.bytes), *fromUtf8) << c.utf8;
        EXPECT_EQ(fromUtf8->toUtf8(), c.utf8);
        EXPECT_EQ(fromUtf8->size(), c.bytes.size());
    }
    // Refused whole, never altered: ø has no place in Windows-1250.
    const auto refused = Text1250::fromUtf8("Østfold");
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().message.find("0"), std::string::npos) << refused.error().message;
    EXPECT_EQ(Text1250::literal(" Temeljnica ") + Text1250::literal("č"), Text1250::fromBytes(" Temeljnica \xE8"));
}

TEST(Text1250, EveryByteSurvivesARoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    const std::string utf8 = cp1250ToUtf8(all);
    EXPECT_TRUE(isValidUtf8(utf8));
    const auto back = utf8ToCp1250(utf8);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, all);
}

TEST(Text1250, CharactersOutsideTheCodePageAreRefusedWithTheirPosition) {
    const auto chinese = utf8ToCp1250("ab中");
    ASSERT_FALSE(chinese);
    EXPECT_NE(chinese.error().message.find("byte 3"), std::string::npos) << chinese.error().message;
    const auto after = utf8ToCp1250("čč™Ω");  // ™ is in the code page, Ω is not
    ASSERT_FALSE(after);
    EXPECT_NE(after.error().message.find("byte 8"), std::string::npos) << after.error().message;
    EXPECT_FALSE(utf8ToCp1250("\xC2\x85"));  // a C1 control the code page does not keep
    EXPECT_FALSE(utf8ToCp1250("😀"));
    // A literal that does not convert stays visible as it was.
    EXPECT_EQ(cp1250("中"), "中");
}

// The refusal names the character; its message stays valid UTF-8 for every character, those above U+FFFF
// (shown as the replacement character with their code point) included.
TEST(Text1250, TheRefusalNamesTheCharacterInValidUtf8) {
    struct Case {
        std::string text;
        std::string named;
    };
    const Case cases[] = {
        {"ab中", "'中' at byte 3"},
        {"x😀", "'\xEF\xBF\xBD' (U+1F600) at byte 2"},
        {"\xF4\x8F\xBF\xBF", "'\xEF\xBF\xBD' (U+10FFFF) at byte 1"},
        {"a\xF0\x9D\x90\x80"
         "b",
         "(U+1D400)"},
    };
    for (const Case& c : cases) {
        const auto refused = utf8ToCp1250(c.text);
        ASSERT_FALSE(refused) << c.text;
        EXPECT_TRUE(isValidUtf8(refused.error().message)) << refused.error().message;
        EXPECT_NE(refused.error().message.find(c.named), std::string::npos) << refused.error().message;
    }
}

TEST(Text1250, InvalidUtf8IsRefused) {
    struct Case {
        std::string text;
        std::size_t at;
    };
    const Case cases[] = {
        {"a\x80", 2},             // a continuation byte without a lead
        {"ab\xC4", 3},            // truncated
        {"\xC4\x41", 1},          // a lead followed by no continuation
        {"\xC0\xAF", 1},          // overlong
        {"\xE0\x80\xAF", 1},      // overlong
        {"\xED\xA0\x80", 1},      // a surrogate
        {"\xF4\x90\x80\x80", 1},  // beyond U+10FFFF
        {"xy\xFF", 3},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(isValidUtf8(c.text));
        const auto converted = utf8ToCp1250(c.text);
        ASSERT_FALSE(converted);
        EXPECT_NE(converted.error().message.find("byte " + std::to_string(c.at)), std::string::npos)
            << converted.error().message;
    }
    EXPECT_TRUE(isValidUtf8("čšž 中 😀"));
}

TEST(Text1250, UpperCasingCoversTheCodePagesLetters) {
    EXPECT_EQ(upper1250(cp1250("čšžćđ abc")), cp1250("ČŠŽĆĐ ABC"));
    EXPECT_EQ(upper1250(cp1250("łąęőűňřťďľźż")), cp1250("ŁĄĘŐŰŇŘŤĎĽŹŻ"));
    EXPECT_EQ(upper1250(cp1250("ČŠŽ 123 ß ÷ µ")), cp1250("ČŠŽ 123 ß ÷ µ"));
    // Every byte that upper-cases lands on a byte that is already upper case.
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        EXPECT_EQ(upper1250(upper1250(one)), upper1250(one)) << b;
    }
}

TEST(Text1250, AsciiIsEveryByteBelow0x80AtAnyPositionAndLength) {
    EXPECT_TRUE(isAscii(""));
    std::string text;
    for (std::size_t length = 1; length <= 40; ++length) {
        text.assign(length, 'a');
        EXPECT_TRUE(isAscii(text)) << length;
        for (std::size_t at = 0; at < length; ++at) {
            for (const char high : {'\x80', '\xE8', '\xFF'}) {
                text[at] = high;
                EXPECT_FALSE(isAscii(text)) << length << " at " << at;
            }
            text[at] = '\x7F';
            EXPECT_TRUE(isAscii(text)) << length << " at " << at;
            text[at] = 'a';
        }
    }
}

TEST(Text1250, FixedWidthHelpers) {
    EXPECT_EQ(clipRight("ab  "), "ab");
    EXPECT_EQ(clipRight("  ab"), "  ab");
    EXPECT_EQ(clipRight("    "), "");
    EXPECT_EQ(clipRight(""), "");
    EXPECT_EQ(clipRight("a\tb \t"), "a\tb \t") << "only blanks are trailing padding";
    EXPECT_EQ(padRight("ab", 5), "ab   ");
    EXPECT_EQ(padRight("abcdef", 3), "abc");
    EXPECT_EQ(padRight("", 0), "");
    EXPECT_EQ(slice("SI12345678", 3, 8), "12345678");
    EXPECT_EQ(slice("SI12345678", 6, 24), "45678" + std::string(19, ' '));
    EXPECT_EQ(slice("SI", 5, 3), "   ");
    EXPECT_EQ(slice("SI", 0, 2), "  ");
    EXPECT_EQ(slice("SI", 1, 0), "");
}

}  // namespace
}  // namespace kirva
