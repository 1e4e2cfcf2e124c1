#pragma once

#include "GraphicsObjects.h"

#include <QFont>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QRawFont>
#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

namespace qm {

// Makes the Windows face names that documents use ("ＭＳ Ｐゴシック", "ＭＳ ゴシック",
// "ＭＳ 明朝", "ＭＳ Ｐ明朝") resolve to the IPA fonts. Runs once per program;
// every later call returns at once.
void InstallFontSubstitutes();

// The Qt font for a TFont. Sizes are in pixels, so metrics never depend on
// the resolution of a screen.
QFont ToQFont(const TFont& font);

// Fonts, glyphs and widths of the Qt canvas, kept between calls: text is
// drawn and measured one character at a time, and building a QFont, its
// metrics or the Unicode text of a CP932 character each time would dominate
// the cost of a render.
class TRasterFontCache {
public:
    struct TGlyph {
        QString text;
        QGlyphRun run;          // empty when the face lacks the glyph
        std::int32_t advance = 0;
    };

    // Underline and strike-out are drawn by the canvas under each character
    // cell, as GDI does; Qt's own decorations land in the wrong place under
    // a transformed painter. `plainFont` is the font without them.
    struct TFace {
        explicit TFace(const QFont& qfont);

        QFont plainFont;
        QFontMetrics metrics;
        QRawFont rawFont;
        bool underline = false;
        bool strikeOut = false;
        std::unordered_map<std::uint32_t, TGlyph> glyphs;
    };

    TFace& Face(const TFont& font);
    // The glyph of one CP932 character (one byte or a double-byte pair).
    const TGlyph& Glyph(TFace& face, std::string_view character);

private:
    std::unordered_map<std::string, std::unique_ptr<TFace>> faces_;
    // Text is drawn in runs of one font: most lookups repeat the last one.
    TFace* lastFace_ = nullptr;
    TFont lastFont_;
};

} // namespace qm
