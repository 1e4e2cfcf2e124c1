#pragma once

#include "Color.h"

#include <cstdint>
#include <string>

namespace qm {

// Ordinals as documents store them.
enum TPenStyle : std::int32_t {
    psSolid = 0,
    psDash = 1,
    psDot = 2,
    psDashDot = 3,
    psDashDotDot = 4,
    psClear = 5,
    psInsideFrame = 6,
};

enum TBrushStyle : std::int32_t {
    bsSolid = 0,
    bsClear = 1,
    bsHorizontal = 2,
    bsVertical = 3,
    bsFDiagonal = 4,
    bsBDiagonal = 5,
    bsCross = 6,
    bsDiagCross = 7,
};

enum class TPenMode { pmCopy, pmNotXor };

// Font styles form a set; each flag's bit is its ordinal.
enum TFontStyle : std::uint8_t {
    fsBold = 1u << 0,
    fsItalic = 1u << 1,
    fsUnderline = 1u << 2,
    fsStrikeOut = 1u << 3,
};
using TFontStyles = std::uint8_t;

inline constexpr std::uint8_t DEFAULT_CHARSET = 1;
inline constexpr std::uint8_t SHIFTJIS_CHARSET = 128;

// Screen resolution of every surface; font sizes in points convert at this rate.
inline constexpr int kPixelsPerInch = 96;

// Style ordinals from files are untrusted; anything out of range reads as the
// first style.
TPenStyle PenStyleFromOrdinal(std::int32_t ordinal);
TBrushStyle BrushStyleFromOrdinal(std::int32_t ordinal);

// Assignment copies every property, as the toolkit's Assign does.
struct TPen {
    TColor Color = clBlack;
    std::int32_t Width = 1;
    TPenStyle Style = psSolid;
    TPenMode Mode = TPenMode::pmCopy;

    friend bool operator==(const TPen&, const TPen&) = default;
};

struct TBrush {
    TColor Color = clWhite;
    TBrushStyle Style = bsSolid;

    friend bool operator==(const TBrush&, const TBrush&) = default;
};

struct TFont {
    std::string Name;            // face name, CP932 bytes
    std::int32_t Height = -12;   // pixels; negative = character height without leading
    TFontStyles Style = 0;
    TColor Color = clWindowText;
    std::uint8_t Charset = DEFAULT_CHARSET;

    // Size in points at 96 pixels per inch, rounded like Windows' MulDiv:
    // height -12 is 9 points, and 9 points give height -12.
    std::int32_t Size() const;
    void SetSize(std::int32_t points);

    bool Has(TFontStyle flag) const { return (Style & flag) != 0; }

    friend bool operator==(const TFont&, const TFont&) = default;
};

// Windows' MulDiv: a * b / c computed in 64 bits and rounded half away from
// zero; a zero divisor or an overflowing result gives -1.
std::int32_t MulDiv(std::int32_t a, std::int32_t b, std::int32_t c);

} // namespace qm
