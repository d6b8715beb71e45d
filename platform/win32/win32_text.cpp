#include "platform/win32/win32_text.h"

#include <windows.h>

#include <climits>

namespace kirva::platform::win32 {

namespace {
constexpr UINT kCodePage = 1250;
}

std::wstring toWide(std::string_view cp1250) {
    if (cp1250.empty() || cp1250.size() > INT_MAX) return {};
    const int length = static_cast<int>(cp1250.size());
    const int needed = MultiByteToWideChar(kCodePage, 0, cp1250.data(), length, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(kCodePage, 0, cp1250.data(), length, wide.data(), needed);
    return wide;
}

std::optional<std::string> fromWide(std::wstring_view wide) {
    if (wide.empty()) return std::string();
    if (wide.size() > INT_MAX) return std::nullopt;
    const int length = static_cast<int>(wide.size());
    // No best fit: a "č" outside the code page must not come back as a plain "c".
    BOOL usedDefault = FALSE;
    const int needed =
        WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), length, nullptr, 0, nullptr, &usedDefault);
    if (needed <= 0 || usedDefault) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), length, bytes.data(), needed, nullptr,
                        &usedDefault);
    if (usedDefault) return std::nullopt;
    return bytes;
}

std::string fromWideLossy(std::wstring_view wide) {
    if (auto converted = fromWide(wide)) return std::move(*converted);
    std::string result;
    for (std::size_t i = 0; i < wide.size(); ++i) {
        // A surrogate pair is one character, and one "?".
        std::size_t count = 1;
        if (wide[i] >= 0xD800 && wide[i] < 0xDC00 && i + 1 < wide.size()) count = 2;
        const auto one = fromWide(wide.substr(i, count));
        result += one ? *one : std::string("?");
        i += count - 1;
    }
    return result;
}

std::optional<Text1250> textFromWide(std::wstring_view wide) {
    std::optional<std::string> bytes = fromWide(wide);
    if (!bytes) return std::nullopt;
    return Text1250::fromBytes(*bytes);
}

Text1250 textFromWideLossy(std::wstring_view wide) {
    return Text1250::fromBytes(fromWideLossy(wide));
}

}  // namespace kirva::platform::win32
