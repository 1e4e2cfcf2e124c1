#include "ItemEdits.h"

#include <limits>

namespace qm {

namespace {

// The turn that brings `roll` to `angle`; a step beyond 32 bits turns by its
// remainder, which ends at the same angle.
std::int32_t AngleStep(std::int32_t angle, std::int32_t roll)
{
    const std::int64_t step = std::int64_t{angle} - roll;
    if (step > std::numeric_limits<std::int32_t>::max() || step < std::numeric_limits<std::int32_t>::min())
        return static_cast<std::int32_t>(step % 360);
    return static_cast<std::int32_t>(step);
}

// The distance from `from` to `to`, modulo 2^32 as the tree's moves wrap.
std::int32_t WrappedStep(std::int32_t to, std::int32_t from)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(to) - static_cast<std::uint32_t>(from));
}

TBrush EditedBrush(TBrush brush, const TItemEdits& edits)
{
    if (edits.FillPattern)
        brush.Style = *edits.FillPattern;
    brush.Color = edits.FillColor;
    if (edits.NoFill)
        brush.Style = bsClear;
    return brush;
}

TPen EditedPen(TPen pen, const TItemEdits& edits)
{
    if (edits.LineStyle)
        pen.Style = *edits.LineStyle;
    if (edits.NoLine)
        pen.Style = psClear;
    pen.Width = edits.LineWidth;
    pen.Color = edits.LineColor;
    return pen;
}

} // namespace

void ApplyItemEdits(TObjectTree& tree, TTreeNode* node, const TItemEdits& edits)
{
    if (!node)
        return;
    const TEditStepScope step(tree, kEditStepName);
    // The item's own brush and pen first (a fixed node takes them too), then
    // through its members.
    const TBrush brush = EditedBrush(node->Data()->Brush, edits);
    tree.ChangeItem(node, [&brush](TItemObject& item) { item.Brush = brush; });
    tree.ApplyBrush(brush, node);
    const TPen pen = EditedPen(node->Data()->Pen, edits);
    tree.ChangeItem(node, [&pen](TItemObject& item) { item.Pen = pen; });
    tree.ApplyPen(pen, node);

    tree.SetStretch(node, edits.StretchX, edits.StretchY);
    tree.RotateItem(AngleStep(edits.Angle, node->Data()->Roll), node);
    tree.MoveItem(WrappedStep(edits.X, node->Data()->X), WrappedStep(edits.Y, node->Data()->Y), node);
    tree.ChangeItem(node, [&edits](TItemObject& item) {
        item.Priority = edits.Priority;
        if (edits.Text)
            item.Text = *edits.Text;
        item.Font = edits.Font;
        item.Margin = edits.Margin;
        item.LineSpacing = edits.LineSpacing;
        item.CenterH = edits.CenterH;
        item.CenterV = edits.CenterV;
        if (edits.PStyle)
            item.PStyle = *edits.PStyle;
        if (edits.DStyle)
            item.DStyle = *edits.DStyle;
        if (edits.CurveStyle)
            item.CurveStyle = *edits.CurveStyle;
    });
}

void SpreadLineAndFill(TObjectTree& tree, const std::vector<TTreeNode*>& selection)
{
    if (selection.size() < 2 || !selection.front())
        return;
    const TEditStepScope step(tree, kEditStepName);
    TTreeNode* first = selection.front();
    // Copies: the first node could lie inside another selected subtree.
    const TPen pen = first->Data()->Pen;
    const TBrush brush = first->Data()->Brush;
    for (auto other = selection.begin() + 1; other != selection.end(); ++other) {
        tree.ApplyPen(pen, *other);
        tree.ApplyBrush(brush, *other);
    }
}

} // namespace qm
