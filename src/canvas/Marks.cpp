// Selection marks, point marks, vertex outlines and rubber bands: all drawn on
// the visible picture with the inverting pen, never on the surface.
#include "CanvasWindow.h"
#include "MarkGeometry.h"

#include "model/Geometry.h"

namespace qm {

namespace {

// The most shapes AddSelectionMarks adds for the item: a box, its eight
// handles, the rotation handle, and a circle for each vertex and control
// point.
std::size_t MostSelectionMarks(const TItemObject& item)
{
    std::size_t count = 10;
    if (HasPointMarks(item))
        count += static_cast<std::size_t>(item.VertexCount()) + 2 * static_cast<std::size_t>(item.SegmentCount());
    return count;
}

} // namespace

void TCanvasWindow::DrawInverted(const TMarkLayer& shapes)
{
    shapes.Draw(picture_.Canvas());
    overlay_.Toggle(shapes);
    PictureChanged();
}

void TCanvasWindow::EraseInverted(TMarkLayer& shapes)
{
    overlay_.Toggle(shapes);
    // Many shapes come off faster by copying the surface back under them and
    // inverting again the few that stay.
    if (pictureShowsSurface_ && shapes.Count() > overlay_.Count()) {
        ShowSurface(shapes.Extent());
        shapes.Forget();
    } else {
        shapes.Erase(picture_.Canvas());
    }
    PictureChanged();
}

void TCanvasWindow::ShowSurface(const TRect& area)
{
    const TRect copied = area.Intersected(WholePicture());
    if (copied.IsEmpty())
        return;
    TCanvas& picture = picture_.Canvas();
    picture.SetClip(copied.Left, copied.Top, copied.Right + 1, copied.Bottom + 1);
    picture.DrawBitmap(0, 0, surface_->Bitmap());
    overlay_.Draw(picture, 1, WholePicture());
    picture.ClearClip();
}

void TCanvasWindow::AddSelectionMarks(TMarkLayer& layer, const TTreeNode* node) const
{
    const TMarkGeometry marks = MarkGeometryOf(tree_, node);
    if (marks.HasBox) {
        const TRect& box = marks.Box;
        layer.AddRectangle(box.Left, box.Top, box.Right, box.Bottom);
        for (const TPoint& c : marks.Handles)
            layer.AddHandle(c.x, c.y, TMarkGeometry::kHandleHalf);
    }
    if (marks.HasRotationHandle)
        layer.AddCircle(marks.RotationHandle.x, marks.RotationHandle.y, TMarkGeometry::kRotationRadius, 2);
    if (HasPointMarks(*node->Data())) {
        AddVertexMarks(layer, node);
        AddControlMarks(layer, node);
    }
}

void TCanvasWindow::AddVertexMarks(TMarkLayer& layer, const TTreeNode* node) const
{
    TPointArray P;
    tree_.ViewPoints1(node, P);
    for (const TPoint& p : P)
        layer.AddCircle(p.x, p.y, TMarkGeometry::kVertexRadius);
}

void TCanvasWindow::AddControlMarks(TMarkLayer& layer, const TTreeNode* node) const
{
    TPointArray P;
    TPointArray Q1;
    TPointArray Q2;
    if (tree_.ViewPoints1(node, P, &Q1, &Q2) != 0)
        return;
    const auto segments = static_cast<std::size_t>(node->Data()->SegmentCount());
    for (std::size_t i = 0; i < segments && i < Q1.size(); ++i) {
        layer.AddCircle(Q1[i].x, Q1[i].y, TMarkGeometry::kControlRadius);
        layer.AddCircle(Q2[i].x, Q2[i].y, TMarkGeometry::kControlRadius);
    }
}

void TCanvasWindow::ToggleMarks()
{
    if (selectionMarks_.Shown()) {
        EraseInverted(selectionMarks_);
        return;
    }
    // Room for all at once: a large selection's marks grown by doubling
    // would hold both copies at the moment of moving.
    std::size_t most = 0;
    for (const TTreeNode* node : selection_.Nodes())
        most += MostSelectionMarks(*node->Data());
    selectionMarks_.Reserve(most);
    for (const TTreeNode* node : selection_.Nodes())
        AddSelectionMarks(selectionMarks_, node);
    DrawInverted(selectionMarks_);
}

void TCanvasWindow::TogglePointMarks(THitKind kind)
{
    if (pointMarks_.Shown()) {
        EraseInverted(pointMarks_);
        return;
    }
    const TTreeNode* node = selection_.First();
    if (!node || !HasPointMarks(*node->Data()))
        return;
    if (kind == THitKind::Vertex) {
        AddVertexMarks(pointMarks_, node);
        pointMarks_.AddPolyline(OutlinePoints(node));
    } else if (kind == THitKind::FirstControl || kind == THitKind::SecondControl) {
        AddControlMarks(pointMarks_, node);
    }
    DrawInverted(pointMarks_);
}

std::vector<TCanvasPoint> TCanvasWindow::OutlinePoints(const TTreeNode* node) const
{
    const TItemObject& item = *node->Data();
    float originX = static_cast<float>(item.X);
    float originY = static_cast<float>(item.Y);
    if (const TTreeNode* parent = node->Parent()) {
        const TItemObject& around = *parent->Data();
        float dx = 0;
        float dy = 0;
        RotatePoint(static_cast<float>(item.X) - static_cast<float>(around.X),
                    static_cast<float>(item.Y) - static_cast<float>(around.Y), RollToRadians(around.Roll), dx, dy);
        originX = static_cast<float>(around.X) + dx;
        originY = static_cast<float>(around.Y) + dy;
    }
    const TTurn turn(RollToRadians(item.Roll));
    std::vector<TCanvasPoint> points;
    const int count = item.VertexCount();
    points.reserve(static_cast<std::size_t>(count) + 1);
    for (int i = 0; i < count; ++i) {
        const TPoint& v = item.Points[static_cast<std::size_t>(i)];
        float x = 0;
        float y = 0;
        turn.Apply(static_cast<float>(v.x), static_cast<float>(v.y), x, y);
        points.push_back({TruncToInt(x + originX), TruncToInt(y + originY)});
    }
    return points;
}

void TCanvasWindow::RubberBandRect(std::int32_t x, std::int32_t y, TTreeNode* node)
{
    if (!node || node->Data()->VertexCount() < 1)
        return;
    const TPoint& corner = node->Data()->Points[0];
    TMarkLayer band;
    band.AddRectangle(corner.x, corner.y, x, y);
    DrawInverted(band);
}

void TCanvasWindow::RubberBandOpen(std::int32_t x, std::int32_t y, TTreeNode* node)
{
    if (!node)
        return;
    std::vector<TCanvasPoint> points = OutlinePoints(node);
    points.push_back({x, y});
    TMarkLayer band;
    band.AddPolyline(points);
    DrawInverted(band);
}

void TCanvasWindow::RubberBandClosed(std::int32_t x, std::int32_t y, TTreeNode* node)
{
    if (!node || node->Data()->VertexCount() < 2)
        return;
    std::vector<TCanvasPoint> points = OutlinePoints(node);
    points.push_back({x, y});
    TMarkLayer band;
    band.AddPolygon(points);
    DrawInverted(band);
}

} // namespace qm
