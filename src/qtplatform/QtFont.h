#pragma once

#include "RasterFonts.h"

#include "platform/GraphicsObjects.h"

#include <QFont>

namespace qm {

// The font a widget or a font dialog handed back, as a TFont. Colour and
// character set are not Qt font properties: they come from `base`, as do
// the face name and height when the QFont has none.
TFont FromQFont(const QFont& qfont, const TFont& base);

// ToQFont (RasterFonts.h) as a font dialog shows it: the family that really
// draws it (a Windows name resolves to its stand-in), sized in points, the
// TFont's Size at 96 pixels per inch.
QFont ToQFontInPoints(const TFont& font);

} // namespace qm
