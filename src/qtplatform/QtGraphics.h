#pragma once

#include "QtColor.h"

#include "platform/GraphicsObjects.h"

#include <QBrush>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cstdint>
#include <utility>

namespace qm {

// Pen and brush styles as Qt names them. The hatches are Qt's 8 x 8
// patterns, the same bits on every paint device.
inline Qt::PenStyle ToQtPenStyle(TPenStyle style)
{
    switch (style) {
    case psDash:
        return Qt::DashLine;
    case psDot:
        return Qt::DotLine;
    case psDashDot:
        return Qt::DashDotLine;
    case psDashDotDot:
        return Qt::DashDotDotLine;
    case psClear:
        return Qt::NoPen;
    default:
        return Qt::SolidLine;
    }
}

inline Qt::BrushStyle ToQtBrushStyle(TBrushStyle style)
{
    switch (style) {
    case bsClear:
        return Qt::NoBrush;
    case bsHorizontal:
        return Qt::HorPattern;
    case bsVertical:
        return Qt::VerPattern;
    case bsFDiagonal:
        return Qt::FDiagPattern;
    case bsBDiagonal:
        return Qt::BDiagPattern;
    case bsCross:
        return Qt::CrossPattern;
    case bsDiagCross:
        return Qt::DiagCrossPattern;
    default:
        return Qt::SolidPattern;
    }
}

// Every colour is opaque, so copying and blending give the same pixels;
// copying is faster. Hatches and styled pens must blend: their gaps keep
// what lies below. The not-xor pen mode inverts what it covers.
inline QPainter::CompositionMode CompositionOf(TPenMode mode, bool hasGaps)
{
    if (mode == TPenMode::pmNotXor)
        return QPainter::RasterOp_NotSourceXorDestination;
    return hasGaps ? QPainter::CompositionMode_SourceOver : QPainter::CompositionMode_Source;
}

inline QBrush ToQBrush(const TBrush& brush)
{
    return QBrush(ToQColor(brush.Color), ToQtBrushStyle(brush.Style));
}

// QPen refuses wider pens.
inline constexpr int kMaxPenWidth = 32767;
// Rectangle and ellipse corners are held to this range, so that their
// width and height fit in an int; it lies far outside any picture.
inline constexpr std::int32_t kFarCoordinate = 1 << 29;

// Corners in order and within reach; false for a box without area.
inline bool NormalizedBox(std::int32_t& left, std::int32_t& top, std::int32_t& right, std::int32_t& bottom)
{
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    left = std::clamp(left, -kFarCoordinate, kFarCoordinate);
    right = std::clamp(right, -kFarCoordinate, kFarCoordinate);
    top = std::clamp(top, -kFarCoordinate, kFarCoordinate);
    bottom = std::clamp(bottom, -kFarCoordinate, kFarCoordinate);
    return left < right && top < bottom;
}

} // namespace qm
