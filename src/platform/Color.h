#pragma once

#include <cstdint>

namespace qm {

// A colour as pens, brushes and fonts hold it: 0x00BBGGRR. A value with the top
// bit set names a system colour whose low byte is the Windows colour index; it
// is stored as it is and resolved only when something is drawn with it.
using TColor = std::uint32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clWindow = 0xFF000005;
inline constexpr TColor clWindowText = 0xFF000008;
inline constexpr TColor clBtnFace = 0xFF00000F;

constexpr bool IsSystemColor(TColor color) { return (color & 0x80000000u) != 0; }

// The RGB value (0x00BBGGRR) a colour stands for on screen: system colours take
// the values of the standard Windows scheme, other colours lose their top byte.
TColor ColorToRGB(TColor color);

constexpr int RedOf(TColor rgb) { return static_cast<int>(rgb & 0xFF); }
constexpr int GreenOf(TColor rgb) { return static_cast<int>((rgb >> 8) & 0xFF); }
constexpr int BlueOf(TColor rgb) { return static_cast<int>((rgb >> 16) & 0xFF); }
constexpr TColor RGB(int r, int g, int b)
{
    return static_cast<TColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

} // namespace qm
