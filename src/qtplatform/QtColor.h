#pragma once

#include "platform/Color.h"

#include <QColor>

namespace qm {

// A colour as a widget shows it: system colours take their standard values.
inline QColor ToQColor(TColor color)
{
    const TColor rgb = ColorToRGB(color);
    return QColor(RedOf(rgb), GreenOf(rgb), BlueOf(rgb));
}

// A colour picked in a widget, as pens, brushes and fonts hold it.
inline TColor FromQColor(const QColor& color)
{
    return RGB(color.red(), color.green(), color.blue());
}

} // namespace qm
