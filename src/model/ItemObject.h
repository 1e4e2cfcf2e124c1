#pragma once

#include "platform/GraphicsObjects.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

namespace qm {

struct TPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;

    friend bool operator==(const TPoint&, const TPoint&) = default;
};

// Inclusive on every edge in hit tests.
struct TRect {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;

    bool Contains(std::int32_t x, std::int32_t y) const { return Left <= x && x <= Right && Top <= y && y <= Bottom; }
    bool IsEmpty() const { return Left > Right || Top > Bottom; }
    // Whether the two share a point (edges included).
    bool Meets(const TRect& other) const
    {
        return Left <= other.Right && other.Left <= Right && Top <= other.Bottom && other.Top <= Bottom;
    }
    // The smallest rectangle holding both; an empty one adds nothing.
    TRect United(const TRect& other) const
    {
        if (other.IsEmpty())
            return *this;
        if (IsEmpty())
            return other;
        return {std::min(Left, other.Left), std::min(Top, other.Top), std::max(Right, other.Right),
                std::max(Bottom, other.Bottom)};
    }
    TRect Intersected(const TRect& other) const
    {
        return {std::max(Left, other.Left), std::max(Top, other.Top), std::min(Right, other.Right),
                std::min(Bottom, other.Bottom)};
    }
    friend bool operator==(const TRect&, const TRect&) = default;
};

// Item types by the codes that files store. The underlying type is fixed, so
// a code no enumerator names (from a damaged or newer file) is kept as read
// and written back unchanged.
enum class TItemType : std::int32_t {
    itTemp = -4,
    itObjectRoot = -3,
    itGroup = -2,
    itTrash = -1,
    itRectangle = 0,
    itEllipse = 1,
    itLine = 2,
    itArrow = 3,
    itCurve = 4,
    itPolygon = 5,
};
using enum TItemType;

// How a figure's outline runs between its vertices; other codes draw no outline.
enum class TCurveStyle : std::int32_t {
    csStraight = 0,
    csSpline = 1,
    csBezier = 2,
};
using enum TCurveStyle;

// The shape of a line's start ("PStyle") or end ("DStyle"); other codes draw
// as plain.
enum class TLineEnd : std::int32_t {
    lePlain = 0,
    leArrow = 1,
};
using enum TLineEnd;

// The code a file stores for an enumerator, and the enumerator for a stored
// code (any code, named or not).
template <typename TEnum>
constexpr std::underlying_type_t<TEnum> StoredCode(TEnum value)
{
    return static_cast<std::underlying_type_t<TEnum>>(value);
}
template <typename TEnum>
constexpr TEnum FromStoredCode(std::underlying_type_t<TEnum> code)
{
    return static_cast<TEnum>(code);
}

using TPointArray = std::vector<TPoint>;

// The record every tree node carries. Points, C1 and C2 are relative to the
// anchor (X, Y); an empty array stands for an absent one. Count and the array
// lengths come from files too, so readers of the arrays must not trust Count
// alone: use VertexCount() and the Has... tests.
struct TItemObject {
    std::int32_t X = 0;
    std::int32_t Y = 0;
    TItemType ItemType = itRectangle;
    float StretchX = 1.0f;
    float StretchY = 1.0f;
    std::int32_t Roll = 0;
    std::string Name;            // CP932
    std::int32_t Priority = 0;
    TPen Pen;
    TBrush Brush;
    bool Active = true;
    std::int32_t Id = 0;         // change only through TObjectTree::SetItemId
    std::string Text;            // CP932
    TFont Font;
    std::int32_t Margin = 1;
    std::int32_t LineSpacing = 4;
    bool CenterH = true;
    bool CenterV = true;
    TPointArray Points;
    std::int32_t Count = 0;
    TCurveStyle CurveStyle = csStraight;
    TLineEnd PStyle = lePlain;
    TLineEnd DStyle = lePlain;
    TPointArray C1;
    TPointArray C2;

    // Count, bounded by the vertices really present.
    int VertexCount() const;
    // Segments joining the vertices, each with its control points: Count for a
    // polygon (the closing segment too), Count - 1 for every other figure.
    int SegmentCount() const;
};

// The font every new item starts with: "ＭＳ Ｐゴシック", 12 pixels, Shift-JIS,
// window-text colour, no style.
const TFont& DefaultItemFont();

} // namespace qm
