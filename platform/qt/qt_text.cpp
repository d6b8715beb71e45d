#include "platform/qt/qt_text.h"

#include "platform/text1250.h"

namespace kirva::platform::qt {

QString toQString(std::string_view cp1250) {
    const std::string utf8 = cp1250ToUtf8(cp1250);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::optional<std::string> fromQString(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    auto converted = utf8ToCp1250(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
    if (!converted) return std::nullopt;
    return std::move(*converted);
}

std::string fromQStringLossy(const QString& text) {
    if (auto converted = fromQString(text)) return std::move(*converted);
    std::string result;
    for (const QChar c : text) {
        const auto one = fromQString(QString(c));
        result += one ? *one : std::string("?");
    }
    return result;
}

}  // namespace kirva::platform::qt
