#include "DocumentRenderer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <tuple>

namespace qm {

namespace {

constexpr TColor kGridColor = clSilver;

// Whether the item's outline runs back to its first vertex.
bool IsClosedShape(const TItemObject& item)
{
    return item.ItemType == itRectangle || item.ItemType == itPolygon;
}

} // namespace

void ClearCanvas(TBitmapX& surface, const TCanvasBackground& background)
{
    DrawBackground(surface.Canvas(), surface.Bitmap().Width(), surface.Bitmap().Height(), background);
}

void DrawBackground(TCanvas& canvas, std::int32_t width, std::int32_t height, const TCanvasBackground& background)
{
    canvas.SetBrush({background.BackColor, bsSolid});
    canvas.FillRect(0, 0, width, height);
    canvas.SetPen({kGridColor, 1, psSolid, TPenMode::pmCopy});
    if (background.UseTraceImage && background.TraceImageMenuChecked && background.TracePicture)
        canvas.Draw(0, 0, *background.TracePicture);
    if (!background.ShowGrid)
        return;
    const std::int64_t step = std::max(background.GridStep, 1);
    for (std::int64_t x = 0; x < width; x += step) {
        canvas.MoveTo(static_cast<std::int32_t>(x), 0);
        canvas.LineTo(static_cast<std::int32_t>(x), height);
    }
    for (std::int64_t y = 0; y < height; y += step) {
        canvas.MoveTo(0, static_cast<std::int32_t>(y));
        canvas.LineTo(width, static_cast<std::int32_t>(y));
    }
}

TDocumentRenderer::TDocumentRenderer(const TObjectTree& tree, TSurfaceX& surface, TArrowRules arrows)
    : tree_(tree), surface_(surface), arrows_(arrows)
{
}

bool TDocumentRenderer::Refuses(const TTreeNode* node) const
{
    return !node || node == tree_.TrashNode() || node == tree_.TempNode() || !node->Data() || !node->Data()->Active;
}

template <typename Visit>
void TDocumentRenderer::WalkSubtree(TTreeNode* node, Visit&& visit) const
{
    tree_.WalkInDrawingOrder(node, [this, &visit](TTreeNode* current) {
        if (Refuses(current))
            return false;
        visit(current);
        return true;
    });
}

int TDocumentRenderer::RenderSubtree(TTreeNode* node)
{
    if (Refuses(node))
        return -1;
    WalkSubtree(node, [this](TTreeNode* current) { RenderItem(current); });
    return 0;
}

std::vector<TTreeNode*> TDocumentRenderer::SubtreeItems(TTreeNode* node) const
{
    std::vector<TTreeNode*> items;
    if (!Refuses(node))
        WalkSubtree(node, [&items](TTreeNode* current) { items.push_back(current); });
    return items;
}

void TDocumentRenderer::RepaintAll()
{
    RenderSubtree(tree_.ObjectRoot());
}

void TDocumentRenderer::RenderItems(std::span<TTreeNode* const> nodes)
{
    for (const TTreeNode* node : nodes)
        RenderItem(node);
}

void TDocumentRenderer::RenderItem(const TTreeNode* node)
{
    switch (node->Data()->ItemType) {
    case itRectangle:
    case itPolygon:
        RenderClosedShape(node);
        break;
    case itEllipse:
        RenderEllipseItem(node);
        break;
    case itLine:
    case itArrow:
    case itCurve:
        RenderOpenShape(node);
        break;
    default:
        break; // groups and the fixed nodes draw nothing of their own
    }
}

bool TDocumentRenderer::DrawnAlike(const TItemObject& a, const TItemObject& b)
{
    const auto drawn = [](const TItemObject& item) {
        return std::tie(item.ItemType, item.X, item.Y, item.StretchX, item.StretchY, item.Roll, item.Pen, item.Brush,
                        item.Text, item.Font, item.Margin, item.LineSpacing, item.CenterH, item.CenterV, item.Count,
                        item.CurveStyle, item.PStyle, item.DStyle, item.Points, item.C1, item.C2);
    };
    return drawn(a) == drawn(b);
}

bool TDocumentRenderer::PlacedByPointsAlone(const TItemObject& item)
{
    if (item.CurveStyle != csBezier || item.ItemType == itEllipse)
        return true;
    const bool closed = IsClosedShape(item);
    const std::size_t drawn = static_cast<std::size_t>(std::max(item.VertexCount() - (closed ? 0 : 1), 0));
    const std::size_t placed =
        std::min({static_cast<std::size_t>(item.SegmentCount()), item.C1.size(), item.C2.size()});
    return drawn <= placed;
}

std::optional<TRect> TDocumentRenderer::RoughBounds(const TTreeNode* node)
{
    const TItemObject& item = *node->Data();
    const int count = item.VertexCount();
    const bool closed = IsClosedShape(item);
    const bool open = item.ItemType == itLine || item.ItemType == itArrow || item.ItemType == itCurve;
    const bool ellipse = item.ItemType == itEllipse;
    if (!(closed || open || ellipse) || count < (open ? 2 : 3))
        return TRect{0, 0, -1, -1}; // draws nothing, as RenderItem
    if (!item.Text.empty())
        return std::nullopt;
    PlacePoints(node, static_cast<std::size_t>(count) + (closed ? 1 : 0));
    if (closed)
        points_[static_cast<std::size_t>(count)] = points_[0];
    std::int64_t left = INT64_MAX, top = INT64_MAX, right = INT64_MIN, bottom = INT64_MIN;
    const auto take = [&](std::int64_t x, std::int64_t y) {
        left = std::min(left, x);
        top = std::min(top, y);
        right = std::max(right, x);
        bottom = std::max(bottom, y);
    };
    if (ellipse) {
        // Its outline lies within half the box's diagonal of the centre, turned any way.
        const std::int64_t cx = (std::int64_t{points_[0].x} + points_[2].x) / 2;
        const std::int64_t cy = (std::int64_t{points_[0].y} + points_[2].y) / 2;
        const auto reach = static_cast<std::int64_t>(
                               std::ceil(std::hypot(static_cast<double>(points_[0].x - cx), static_cast<double>(points_[0].y - cy))))
                           + 1;
        take(cx - reach, cy - reach);
        take(cx + reach, cy + reach);
    } else {
        for (const TPoint& point : points_)
            take(point.x, point.y);
        // A natural spline swings beyond its points; a Bezier curve stays
        // within the hull of its control points.
        if (item.CurveStyle == csSpline) {
            for (const TPoint& point : TSurfaceX::SplineSamples(points_))
                take(point.x, point.y);
        } else if (item.CurveStyle == csBezier) {
            for (const TPointArray* controls : {&controls1_, &controls2_}) {
                for (const TPoint& point : *controls)
                    take(point.x, point.y);
            }
        }
    }
    // Half the pen and two pixels around outlines and fills, an arrowhead
    // 4.5 pen widths from its tip, with rounding: generously more.
    const std::int64_t width = std::max(item.Pen.Width, 1);
    const bool arrows = item.PStyle == leArrow || item.DStyle == leArrow;
    const std::int64_t margin = (arrows ? 5 : 1) * width + 4;
    const auto clamp = [](std::int64_t value) {
        return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
    };
    return TRect{clamp(left - margin), clamp(top - margin), clamp(right + margin), clamp(bottom + margin)};
}

void TDocumentRenderer::PlacePoints(const TTreeNode* node, std::size_t size)
{
    // ViewPoints1 leaves a list alone when the item lacks it: clear first.
    controls1_.clear();
    controls2_.clear();
    tree_.ViewPoints1(node, points_, &controls1_, &controls2_);
    // Entries that the item does not define (a missing control list, the
    // closing segment of a rectangle) are (0, 0).
    points_.resize(size);
    controls1_.resize(size);
    controls2_.resize(size);
}

void TDocumentRenderer::DrawOutline(const TItemObject& item, std::span<const TPoint> path, int segments)
{
    switch (item.CurveStyle) {
    case csStraight:
        surface_.Polyline(path);
        break;
    case csSpline:
        surface_.Polyline2(path);
        break;
    case csBezier:
        surface_.Polyline3(points_, controls1_, controls2_, segments);
        break;
    default:
        break; // an unknown curve style draws no outline, only the text
    }
}

void TDocumentRenderer::DrawArrowheads(const TItemObject& item, int count)
{
    const TPoint& first = points_[0];
    const TPoint& last = points_[static_cast<std::size_t>(count - 1)];
    const TPoint& afterFirst = arrows_.AlongChord ? last : points_[1];
    const TPoint& beforeLast = arrows_.AlongChord ? first : points_[static_cast<std::size_t>(count - 2)];
    float ux = 0;
    float uy = 0;
    if (item.PStyle == leArrow) {
        TSurfaceX::GetVector(static_cast<float>(afterFirst.x), static_cast<float>(afterFirst.y),
                             static_cast<float>(first.x), static_cast<float>(first.y), ux, uy);
        surface_.Arrow(first.x, first.y, ux, uy);
    }
    if (item.DStyle == leArrow) {
        TSurfaceX::GetVector(static_cast<float>(beforeLast.x), static_cast<float>(beforeLast.y),
                             static_cast<float>(last.x), static_cast<float>(last.y), ux, uy);
        surface_.Arrow(last.x, last.y, ux, uy);
    }
}

void TDocumentRenderer::DrawText(const TTreeNode* node)
{
    const TItemObject& item = *node->Data();
    surface_.Font = item.Font;
    TRect rect;
    tree_.PointToXY(node, rect);
    surface_.CenterH = item.CenterH;
    surface_.CenterV = item.CenterV;
    surface_.Margin = item.Margin;
    surface_.LineSpacing = item.LineSpacing;
    surface_.TextDrawEx2(rect, item.Text, item.Roll);
}

void TDocumentRenderer::RenderOpenShape(const TTreeNode* node)
{
    const TItemObject& item = *node->Data();
    const int count = item.VertexCount();
    if (count < 2)
        return;
    PlacePoints(node, static_cast<std::size_t>(count) + 1);
    surface_.Pen = item.Pen;
    surface_.Brush = item.Brush;
    DrawOutline(item, std::span<const TPoint>(points_).first(static_cast<std::size_t>(count)), count - 1);
    DrawArrowheads(item, count);
    DrawText(node);
}

void TDocumentRenderer::RenderClosedShape(const TTreeNode* node)
{
    const TItemObject& item = *node->Data();
    const int count = item.VertexCount();
    if (count < 3)
        return;
    PlacePoints(node, static_cast<std::size_t>(count) + 1);
    points_[static_cast<std::size_t>(count)] = points_[0];
    surface_.Pen = item.Pen;
    surface_.Brush = item.Brush;
    DrawOutline(item, points_, count);
    if (arrows_.OnClosedShapes)
        DrawArrowheads(item, count);
    DrawText(node);
}

void TDocumentRenderer::RenderEllipseItem(const TTreeNode* node)
{
    const TItemObject& item = *node->Data();
    if (item.VertexCount() < 3)
        return;
    PlacePoints(node, static_cast<std::size_t>(item.VertexCount()));
    surface_.Pen = item.Pen;
    surface_.Brush = item.Brush;
    surface_.Ellipse(points_[0].x, points_[0].y, points_[2].x, points_[2].y, static_cast<float>(item.Roll));
    DrawText(node);
}

} // namespace qm
