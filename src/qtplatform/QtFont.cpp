#include "QtFont.h"

#include "platform/ShiftJis.h"

#include <QFontInfo>

#include <cmath>
#include <limits>

namespace qm {

TFont FromQFont(const QFont& qfont, const TFont& base)
{
    TFont font = base;
    const QString family = qfont.family();
    // A Windows face name shows as the font standing in for it; picking that
    // font keeps the name the document had.
    const QStringList standIns = QFont::substitutes(QString::fromStdString(Cp932ToUtf8(base.Name)));
    const bool standsInForBase = standIns.contains(family, Qt::CaseInsensitive);
    if (!family.isEmpty() && !standsInForBase)
        font.Name = Utf8ToCp932(family.toStdString());
    if (qfont.pixelSize() > 0) {
        font.Height = -qfont.pixelSize();
    } else if (qfont.pointSizeF() > 0) {
        const double pixels = std::round(qfont.pointSizeF() * kPixelsPerInch / 72.0);
        font.Height = -static_cast<std::int32_t>(std::min(pixels, double{std::numeric_limits<std::int32_t>::max()}));
    }
    TFontStyles style = 0;
    if (qfont.bold())
        style |= fsBold;
    if (qfont.italic())
        style |= fsItalic;
    if (qfont.underline())
        style |= fsUnderline;
    if (qfont.strikeOut())
        style |= fsStrikeOut;
    font.Style = style;
    return font;
}

QFont ToQFontInPoints(const TFont& font)
{
    QFont qfont = ToQFont(font);
    // A dialog lists real families only: name the one that stands in.
    qfont.setFamily(QFontInfo(qfont).family());
    const std::int32_t points = font.Size();
    if (points > 0)
        qfont.setPointSize(points);
    return qfont;
}

} // namespace qm
