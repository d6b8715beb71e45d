#include "platform/qt/qt_text.h"

#include <string>
#include <string_view>

namespace kirva::platform::qt {

QString toQString(const Text1250& text) {
    const std::string utf8 = text.toUtf8();
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::optional<Text1250> fromQString(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    auto converted = Text1250::fromUtf8(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
    if (!converted) return std::nullopt;
    return std::move(*converted);
}

Text1250 fromQStringLossy(const QString& text) {
    if (auto converted = fromQString(text)) return std::move(*converted);
    Text1250 result;
    for (const QChar c : text) {
        const auto one = fromQString(QString(c));
        result += one ? *one : Text1250::literal("?");
    }
    return result;
}

}  // namespace kirva::platform::qt
