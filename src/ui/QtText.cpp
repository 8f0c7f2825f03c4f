#include "ui/QtText.h"

#include "platform/Cp932.h"

#include <QList>

namespace sw::ui {

QString FromCp932(std::string_view cp932) {
    const std::string utf8 = sw::cp932::ToUtf8ForDisplay(cp932);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

bool ToCp932(const QString& text, std::string& cp932) {
    const QByteArray utf8 = text.toUtf8();
    return sw::cp932::FromUtf8(
        std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())), cp932);
}

bool PathToCp932(const QString& path, std::string& cp932, QString* error) {
    if (ToCp932(path, cp932))
        return true;
    if (error) {
        // The message itself must have a Shift_JIS form.
        QString shown;
        std::string unused;
        for (const char32_t c : path.toUcs4()) {
            const QString one = QString::fromUcs4(&c, 1);
            shown += ToCp932(one, unused) ? one : QStringLiteral("?");
        }
        *error = shown + QStringLiteral(": このパスは Shift_JIS で表せません。");
    }
    return false;
}

} // namespace sw::ui
