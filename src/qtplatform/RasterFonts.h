#pragma once

#include "platform/Canvas.h"
#include "platform/GraphicsObjects.h"

#include <QFont>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QRawFont>
#include <QRect>
#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

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
// metrics, the Unicode text of a CP932 character or the image of a turned
// glyph each time would dominate the cost of a render.
class TRasterFontCache {
public:
    struct TGlyph {
        QString text;
        QGlyphRun run;          // empty when the face lacks the glyph
        std::int32_t advance = 0;
    };

    // A character as drawn at one escapement: its coverage (0 .. 255) over a
    // box placed relative to the top-left corner of its cell. Cell corners
    // are whole pixels, so the same coverage serves at every position.
    struct TGlyphMask {
        std::int32_t left = 0;
        std::int32_t top = 0;
        std::int32_t width = 0;
        std::int32_t height = 0;
        std::vector<std::uint8_t> coverage;
    };

    // Underline and strike-out are drawn under each character cell, as GDI
    // does; `plainFont` is the font without them.
    struct TFace {
        explicit TFace(const QFont& qfont);

        QFont plainFont;
        QFontMetrics metrics;
        // Ascent and descent with the fractions the design gives, asked once:
        // Qt locks its font engine on every question.
        TTextMetrics textMetrics;
        QRawFont rawFont;
        bool underline = false;
        bool strikeOut = false;
        std::unordered_map<std::uint32_t, TGlyph> glyphs;
        std::unordered_map<std::uint64_t, TGlyphMask> masks;
    };

    TFace& Face(const TFont& font);
    // Width of CP932 text in the font, upright: the sum of the advances of
    // its characters, as GDI measures.
    std::int32_t TextWidth(const TFont& font, std::string_view text);
    // Ascent and descent of the font, unrounded.
    TTextMetrics TextMetrics(const TFont& font);
    // The glyph of one CP932 character (one byte or a double-byte pair).
    const TGlyph& Glyph(TFace& face, std::string_view character);
    // The coverage of one character turned by `escapement` tenths of a
    // degree counter-clockwise (0 .. 3599).
    const TGlyphMask& Mask(TFace& face, std::string_view character, std::int32_t escapement);
    // The mask made already, or null.
    const TGlyphMask* FindMask(const TFace& face, std::string_view character, std::int32_t escapement) const;
    // The box Mask() covers, relative to the cell's top-left corner, found
    // from the metrics without drawing.
    QRect MaskBox(TFace& face, std::string_view character, std::int32_t escapement);

private:
    void DropMasks(TFace& face);

    std::unordered_map<std::string, std::unique_ptr<TFace>> faces_;
    std::size_t maskBytes_ = 0; // coverage held by the masks of every face
    // Text is drawn in runs of one font: most lookups repeat the last one.
    TFace* lastFace_ = nullptr;
    TFont lastFont_;
};

} // namespace qm
