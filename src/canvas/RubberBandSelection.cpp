// Selecting many items at once: the selection rectangle dragged on empty
// canvas with the item-select tool, and "すべて選択".
#include "CanvasWindow.h"

#include <algorithm>
#include <limits>

namespace qm {

namespace {

// Adds the item's vertices and control points on the canvas to `bounds`;
// false for an item without vertices (a folder), whose outline is its children's.
bool AddOutline(const TObjectTree& tree, const TTreeNode* node, TRect& bounds)
{
    const TItemObject& item = *node->Data();
    if (item.VertexCount() == 0)
        return false;
    TPointArray P;
    TPointArray Q1;
    TPointArray Q2;
    const bool hasControls = tree.ViewPoints1(node, P, &Q1, &Q2) == 0;
    auto add = [&bounds](const TPoint& p) {
        bounds.Left = std::min(bounds.Left, p.x);
        bounds.Top = std::min(bounds.Top, p.y);
        bounds.Right = std::max(bounds.Right, p.x);
        bounds.Bottom = std::max(bounds.Bottom, p.y);
    };
    std::for_each(P.begin(), P.end(), add);
    const auto segments = static_cast<std::size_t>(std::max(item.SegmentCount(), 0));
    for (std::size_t i = 0; hasControls && i < segments && i < Q1.size() && i < Q2.size(); ++i) {
        add(Q1[i]);
        add(Q2[i]);
    }
    return true;
}

bool Encloses(const TRect& band, const TRect& bounds)
{
    return band.Contains(bounds.Left, bounds.Top) && band.Contains(bounds.Right, bounds.Bottom);
}

// The drawing's items whose whole outline lies inside `band`, in drawing
// order. A group counts as one item; a folder is looked into.
std::vector<TTreeNode*> ItemsInside(const TObjectTree& tree, const TRect& band)
{
    std::vector<TTreeNode*> inside;
    tree.WalkInDrawingOrder(tree.ObjectRoot(), [&](TTreeNode* node) {
        if (node == tree.ObjectRoot())
            return true;
        if (tree.IsFixedNode(node))
            return false; // the trash
        constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
        TRect bounds{kMax, kMax, -kMax, -kMax};
        if (!AddOutline(tree, node, bounds))
            return true;
        if (node->Data()->Active && Encloses(band, bounds))
            inside.push_back(node);
        return false;
    });
    return inside;
}

} // namespace

void TCanvasWindow::SelectAll()
{
    if (creating_ || gestureOpen_ || band_ || textBox_.Visible())
        return;
    ClearSelection();
    if (const TTreeNode* root = tree_.ObjectRoot()) {
        for (TTreeNode* node = root->FirstChild(); node; node = node->NextSibling()) {
            if (node->Data()->Active && !tree_.IsFixedNode(node))
                selection_.Append(node);
        }
    }
    ShowSelection();
}

void TCanvasWindow::StartBand(std::int32_t x, std::int32_t y, bool add)
{
    band_ = TBand{x, y, x, y, add};
    ToggleBand();
}

void TCanvasWindow::ToggleBand()
{
    if (bandMarks_.Shown()) {
        EraseInverted(bandMarks_);
        return;
    }
    bandMarks_.AddRectangle(band_->X0, band_->Y0, band_->X1, band_->Y1);
    DrawInverted(bandMarks_);
}

void TCanvasWindow::DragBand(std::int32_t x, std::int32_t y)
{
    if (x == band_->X1 && y == band_->Y1)
        return;
    ToggleBand();
    band_->X1 = x;
    band_->Y1 = y;
    ToggleBand();
}

void TCanvasWindow::EndBand(bool select)
{
    const TBand band = *band_;
    if (bandMarks_.Shown())
        EraseInverted(bandMarks_);
    band_.reset();
    // A click without a drag is no rectangle: it only selects as a click does.
    if (!select || (band.X0 == band.X1 && band.Y0 == band.Y1))
        return;
    const TRect area{std::min(band.X0, band.X1), std::min(band.Y0, band.Y1), std::max(band.X0, band.X1),
                     std::max(band.Y0, band.Y1)};
    if (!band.Add)
        ClearSelection();
    for (TTreeNode* node : ItemsInside(tree_, area)) {
        if (!selection_.Contains(node))
            selection_.Append(node);
    }
    if (TTreeNode* first = selection_.First())
        main_.LoadFontBar(first->Data()->Font);
    marksShown_ = !selection_.Empty();
    pointEditing_ = false;
    hit_ = {};
    // The next press at the band's corner is no second click on the same spot.
    pressX_ = std::numeric_limits<std::int32_t>::min();
}

} // namespace qm
