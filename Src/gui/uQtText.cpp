#include "uQtText.h"

#include "uCodePage.h"
#include "uText.h"

#include <QFile>

QString ToQString(const std::string& text)
{
    const std::u16string units = CodePage::ToUnicode(text);
    return QString::fromUtf16(units.data(), static_cast<qsizetype>(units.size()));
}

std::string FromQString(const QString& text)
{
    return CodePage::FromUnicode(
        std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size())));
}

QString MemoText(const std::string& value)
{
    QString text = ToQString(value);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

std::string MemoValue(const QString& text)
{
    QString value = text;
    value.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return FromQString(value);
}

std::string ToFilePath(const QString& path) { return QFile::encodeName(path).toStdString(); }
QString FromFilePath(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

QString MessageText(const std::string& message) { return QString::fromUtf8(message); }

QString UnstorableWarning(const QString& text)
{
    const std::u16string_view units(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size()));
    return QString::fromUtf8(MsgUnstorable(UnstorableCharacters(units)));
}
