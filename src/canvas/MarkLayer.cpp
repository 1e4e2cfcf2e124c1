#include "MarkLayer.h"

namespace qm {

void TMarkLayer::SetUpInvertingPen(TCanvas& canvas, std::int32_t penWidth)
{
    canvas.SetBrush(TBrush{clWhite, bsClear});
    canvas.SetPen(TPen{clBlue, penWidth, psSolid, TPenMode::pmNotXor});
}

void TMarkLayer::AddRectangle(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                              std::int32_t penWidth)
{
    shapes_.push_back({TKind::Rectangle, penWidth, {{left, top}, {right, bottom}}});
}

void TMarkLayer::AddCircle(std::int32_t cx, std::int32_t cy, std::int32_t radius, std::int32_t penWidth)
{
    shapes_.push_back({TKind::Ellipse, penWidth, {{cx - radius, cy - radius}, {cx + radius, cy + radius}}});
}

void TMarkLayer::AddPolyline(std::vector<TCanvasPoint> points)
{
    shapes_.push_back({TKind::Polyline, 1, std::move(points)});
}

void TMarkLayer::AddPolygon(std::vector<TCanvasPoint> points)
{
    shapes_.push_back({TKind::Polygon, 1, std::move(points)});
}

void TMarkLayer::Draw(TCanvas& canvas) const
{
    for (const TShape& shape : shapes_) {
        SetUpInvertingPen(canvas, shape.PenWidth);
        const auto& p = shape.Points;
        switch (shape.Kind) {
        case TKind::Rectangle: canvas.Rectangle(p[0].x, p[0].y, p[1].x, p[1].y); break;
        case TKind::Ellipse: canvas.Ellipse(p[0].x, p[0].y, p[1].x, p[1].y); break;
        case TKind::Polyline: canvas.Polyline(p); break;
        case TKind::Polygon: canvas.Polygon(p); break;
        }
    }
    SetUpInvertingPen(canvas);
}

void TMarkLayer::Erase(TCanvas& canvas)
{
    Draw(canvas);
    Forget();
}

} // namespace qm
