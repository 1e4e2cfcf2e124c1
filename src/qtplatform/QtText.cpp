#include "QtText.h"

#include "platform/ShiftJis.h"

namespace qm {

QString Cp932ToQString(std::string_view cp932)
{
    return QString::fromStdString(Cp932ToUtf8(cp932));
}

std::string QStringToCp932(const QString& text)
{
    return Utf8ToCp932(text.toStdString());
}

QString ItemTextToQString(std::string_view cp932)
{
    QString text = Cp932ToQString(cp932);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

std::string QStringToItemText(const QString& text)
{
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(QChar(u'\r'), QChar(u'\n'));
    lines.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return QStringToCp932(lines);
}

} // namespace qm
