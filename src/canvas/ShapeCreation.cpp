// The half of the mouse handlers that makes new items with the six shape
// tools: boxes by dragging, lines and arrows by press and release, curves and
// polygons one vertex per click until a double click.
#include "CanvasWindow.h"

#include "io/ShapeTemplate.h"
#include "platform/ShiftJis.h"

namespace qm {

namespace {

// Rectangles and ellipses overwrite four template vertices.
constexpr int kBoxVertices = 4;

std::string CaptionOfNewFigure(TItemType itemType)
{
    switch (itemType) {
    case itLine: return Utf8ToCp932("新しい直線");
    case itArrow: return Utf8ToCp932("新しい矢印");
    case itCurve: return Utf8ToCp932("新しい曲線");
    default: return Utf8ToCp932("新しい多角形");
    }
}

// The dragged box's anchor becomes its centre, its corners relative to it.
void PlaceBoxCorners(TItemObject& item, std::int32_t sx, std::int32_t sy)
{
    TPointArray& p = item.Points;
    p[2] = {sx, sy};
    item.X = static_cast<std::int32_t>((std::int64_t{p[0].x} + p[2].x) / 2);
    item.Y = static_cast<std::int32_t>((std::int64_t{p[0].y} + p[2].y) / 2);
    p[0] = {p[0].x - item.X, p[0].y - item.Y};
    p[2] = {p[2].x - item.X, p[2].y - item.Y};
    p[3] = {p[2].x, p[0].y};
    p[1] = {p[0].x, p[2].y};
}

bool IsBoxFigure(TItemType itemType)
{
    return itemType == itRectangle || itemType == itEllipse;
}

} // namespace

TTreeNode* TCanvasWindow::NewBoxFigure(TItemType itemType, std::int32_t sx, std::int32_t sy)
{
    TTreeNode* node = ReadRectTemplate(templateFolders_, tree_, itemType, ImageWidth(), ImageHeight());
    // A template with fewer than four vertices still gives a working box:
    // the missing corners start at the anchor and are placed on release.
    while (node->Data()->VertexCount() < kBoxVertices)
        tree_.AddPoint(node->Data()->X, node->Data()->Y, node);
    // While the box is dragged its first vertex holds canvas coordinates.
    tree_.ChangeItem(node, [sx, sy](TItemObject& item) { item.Points[0] = {sx, sy}; });
    RubberBandRect(sx + 1, sy + 1, node);
    return node;
}

TTreeNode* TCanvasWindow::StartFigure(std::int32_t sx, std::int32_t sy)
{
    const std::optional<TItemType> itemType = ItemTypeOf(main_.CurrentTool);
    if (!itemType)
        return nullptr;
    if (IsBoxFigure(*itemType))
        return NewBoxFigure(*itemType, sx, sy);
    TTreeNode* node = tree_.AddItem(tree_.ObjectRoot(), CaptionOfNewFigure(*itemType), *itemType);
    tree_.MoveItem(sx, sy, node);
    tree_.AddPoint(sx, sy, node);
    RubberBandOpen(sx + 1, sy + 1, node);
    return node;
}

void TCanvasWindow::CreationMouseDown(const TMouse& mouse, std::int32_t x, std::int32_t y, std::int32_t sx,
                                      std::int32_t sy)
{
    (void)mouse;
    ClearSelection();
    TTreeNode* node = StartFigure(sx, sy);
    if (!node)
        return;
    newFigure_ = node;
    creating_ = true;
    // A point drag of an earlier item is over: the finishing release must be
    // free to remove a curve or polygon left with too few vertices.
    pointEditing_ = false;
    ToggleSelection(node);
    marksShown_ = true;
    pressX_ = x;
    pressY_ = y;
    lastX_ = sx;
    lastY_ = sy;
    main_.ReleaseTool();
}

void TCanvasWindow::CreationMouseMove(std::int32_t sx, std::int32_t sy)
{
    TTreeNode* node = selection_.First();
    if (!node)
        return;
    if (IsBoxFigure(node->Data()->ItemType)) {
        RubberBandRect(lastX_, lastY_, node);
        RubberBandRect(sx, sy, node);
    } else {
        RubberBandOpen(lastX_, lastY_, node);
        RubberBandOpen(sx, sy, node);
    }
    lastX_ = sx;
    lastY_ = sy;
}

void TCanvasWindow::CreationMouseUp(std::int32_t sx, std::int32_t sy)
{
    TTreeNode* node = selection_.First();
    if (!node) {
        creating_ = false;
        return;
    }
    const TItemObject& item = *node->Data();
    if (IsBoxFigure(item.ItemType)) {
        creating_ = false;
        if (item.VertexCount() >= kBoxVertices)
            tree_.ChangeItem(node, [sx, sy](TItemObject& box) { PlaceBoxCorners(box, sx, sy); });
        ClearCanvas();
        RepaintAll();
        return;
    }
    if (item.ItemType == itLine || item.ItemType == itArrow) {
        creating_ = false;
        tree_.AddPoint(sx, sy, node);
        tree_.PointToCenter(node);
        ClearCanvas();
        RepaintAll();
        return;
    }
    // Curves and polygons: one more vertex where the button came up.
    if (sx == lastX_ && sy == lastY_)
        return;
    tree_.AddPoint(sx, sy, node);
    ClearCanvas();
    RepaintAll();
    RubberBandClosed(lastX_, lastY_, node);
    RubberBandOpen(sx, sy, node);
    tree_.PointToCenter(node);
    lastX_ = sx;
    lastY_ = sy;
}

} // namespace qm
