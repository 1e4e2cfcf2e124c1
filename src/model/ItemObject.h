#pragma once

#include "platform/GraphicsObjects.h"

#include <cstdint>
#include <string>
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
    friend bool operator==(const TRect&, const TRect&) = default;
};

// Item type codes.
enum TItemType : std::int32_t {
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

enum TCurveStyle : std::int32_t {
    csStraight = 0,
    csSpline = 1,
    csBezier = 2,
};

using TPointArray = std::vector<TPoint>;

// The record every tree node carries. Points, C1 and C2 are relative to the
// anchor (X, Y); an empty array stands for an absent one. Count and the array
// lengths come from files too, so readers of the arrays must not trust Count
// alone: use VertexCount() and the Has... tests.
struct TItemObject {
    std::int32_t X = 0;
    std::int32_t Y = 0;
    std::int32_t ItemType = itRectangle;
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
    std::int32_t CurveStyle = csStraight;
    std::int32_t PStyle = 0;
    std::int32_t DStyle = 0;
    TPointArray C1;
    TPointArray C2;

    // Count, bounded by the vertices really present.
    int VertexCount() const;
    // Segments joining the vertices, each with its control points: Count for a
    // polygon (the closing segment too), Count - 1 for every other figure.
    int SegmentCount() const;
    // Whether control point entry i exists in both lists.
    bool HasControlPoint(int i) const;

    bool IsClosedFigure() const { return ItemType == itRectangle || ItemType == itPolygon; }
    bool IsOpenFigure() const { return ItemType == itLine || ItemType == itArrow || ItemType == itCurve; }
    bool IsShape() const { return ItemType >= itRectangle; }
};

// The font every new item starts with: "ＭＳ Ｐゴシック", 12 pixels, Shift-JIS,
// window-text colour, no style.
const TFont& DefaultItemFont();

} // namespace qm
