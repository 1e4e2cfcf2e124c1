#include "EditCommands.h"

#include "CanvasWindow.h"

#include "io/DocumentRecords.h"
#include "platform/ShiftJis.h"

#include <algorithm>

namespace qm {

namespace {

const std::string& NewGroupCaption()
{
    static const std::string caption = Utf8ToCp932("新しいグループ");
    return caption;
}

// How far each paste and each duplicate lies from what it copies.
constexpr std::int32_t kPasteStep = 10;

// The history's name of a change of the drawing order.
std::string_view RestackName(TObjectTree::TRestack where)
{
    switch (where) {
    case TObjectTree::TRestack::ToFront: return "最前面へ移動";
    case TObjectTree::TRestack::Forward: return "前面へ移動";
    case TObjectTree::TRestack::Backward: return "背面へ移動";
    case TObjectTree::TRestack::ToBack: break;
    }
    return "最背面へ移動";
}

} // namespace

void EmptyTempNode(TObjectTree& tree)
{
    if (TTreeNode* temp = tree.TempNode()) {
        while (temp->FirstChild())
            tree.DeleteSubtree(temp->FirstChild());
    }
}

TEditCommands::TEditCommands(TObjectTree& tree, TCanvasWindow& canvas, TMainState& main, TTextBox& textBox,
                             TQuestions& questions)
    : tree_(tree), canvas_(canvas), main_(main), textBox_(textBox), questions_(questions)
{
}

template <typename Move>
void TEditCommands::ForEachSelectedNode(Move&& move)
{
    const std::vector<TTreeNode*> selected = canvas_.Selection().Nodes();
    for (TTreeNode* node : selected) {
        // Moving an ancestor first deletes its selected descendants.
        if (canvas_.Selection().Contains(node))
            move(node);
    }
}

bool TEditCommands::StartClipboard()
{
    if (TextBoxHasFocus())
        return false;
    main_.PasteOffsetX = kPasteStep;
    main_.PasteOffsetY = kPasteStep;
    EmptyTempNode(tree_);
    return true;
}

void TEditCommands::CopySelection()
{
    const TEditStepScope step(tree_, "コピー");
    if (!StartClipboard())
        return;
    canvas_.ToggleMarks();
    ForEachSelectedNode([this](TTreeNode* node) { tree_.SetActive(tree_.CopySubtree(tree_.TempNode(), node), false); });
    main_.SetPasteEnabled(true);
    if (ClipboardFilled)
        ClipboardFilled();
}

void TEditCommands::CutSelection()
{
    const TEditStepScope step(tree_, "切り取り");
    if (!StartClipboard())
        return;
    ForEachSelectedNode([this](TTreeNode* node) { tree_.SetActive(tree_.MoveSubtree(tree_.TempNode(), node), false); });
    canvas_.ClearSelection();
    canvas_.Repaint();
    main_.SetPasteEnabled(true);
    if (ClipboardFilled)
        ClipboardFilled();
}

void TEditCommands::PasteClipboard()
{
    if (TextBoxHasFocus())
        return;
    const TEditStepScope step(tree_, "貼り付け");
    if (TakeClipboard && !TakeClipboard())
        return;
    // The old selection's marks go with the repaint at the end: drawing
    // them off first would cost as much again for a large selection.
    canvas_.ClearSelection();
    if (TTreeNode* temp = tree_.TempNode()) {
        for (TTreeNode* child = temp->FirstChild(); child; child = child->NextSibling()) {
            // The clipboard copy itself moves, so repeated pastes step on.
            tree_.MoveItem(main_.PasteOffsetX, main_.PasteOffsetY, child);
            TTreeNode* copy = tree_.CopySubtree(tree_.ObjectRoot(), child);
            if (!copy)
                continue;
            tree_.SetActive(copy, true);
            canvas_.ToggleSelection(copy);
        }
    }
    canvas_.Repaint();
}

void TEditCommands::DeleteSelection()
{
    if (TextBoxHasFocus())
        return;
    const TEditStepScope step(tree_, "削除");
    ForEachSelectedNode(
        [this](TTreeNode* node) { tree_.SetActive(tree_.MoveSubtree(tree_.TrashNode(), node), false); });
    canvas_.ClearSelection();
    canvas_.Repaint();
}

void TEditCommands::DuplicateSelection()
{
    if (TextBoxHasFocus() || canvas_.Selection().Empty())
        return;
    canvas_.EndGesture();
    const std::vector<TTreeNode*> selected = canvas_.Selection().Nodes();
    canvas_.ClearSelection();
    const TEditStepScope step(tree_, "複製");
    for (TTreeNode* node : selected) {
        TTreeNode* copy = tree_.CopySubtree(node->Parent(), node);
        if (!copy)
            continue;
        tree_.MoveItem(kPasteStep, kPasteStep, copy);
        canvas_.ToggleSelection(copy);
    }
    canvas_.Repaint();
}

void TEditCommands::RestackSelection(TObjectTree::TRestack where)
{
    if (TextBoxHasFocus() || canvas_.Selection().Empty())
        return;
    canvas_.EndGesture();
    {
        const TEditStepScope step(tree_, RestackName(where));
        tree_.Restack(canvas_.Selection().Nodes(), where);
    }
    canvas_.Repaint();
}

void TEditCommands::GroupSelection()
{
    const std::vector<TTreeNode*>& selected = canvas_.Selection().Nodes();
    if (selected.empty())
        return;
    const TEditStepScope step(tree_, "グループ化");
    const auto count = static_cast<std::int64_t>(selected.size());
    TTreeNode* group = tree_.AddItem(tree_.ObjectRoot(), NewGroupCaption(), itGroup);
    // The group's rectangle encloses its members' boxes; members without a box
    // (empty folders) add nothing to it.
    TRect joint;
    tree_.PointToXY(selected.front(), joint);
    std::int64_t sumX = 0;
    std::int64_t sumY = 0;
    for (TTreeNode* node : selected) {
        TRect box;
        if (tree_.PointToXY(node, box) == 0) {
            joint.Left = std::min(joint.Left, box.Left);
            joint.Top = std::min(joint.Top, box.Top);
            joint.Right = std::max(joint.Right, box.Right);
            joint.Bottom = std::max(joint.Bottom, box.Bottom);
        }
        sumX += node->Data()->X;
        sumY += node->Data()->Y;
    }
    tree_.ChangeItem(group, [sumX, sumY, count](TItemObject& item) {
        item.X = static_cast<std::int32_t>(sumX / count);
        item.Y = static_cast<std::int32_t>(sumY / count);
    });
    if (!joint.IsEmpty()) {
        tree_.AddPoint(joint.Left, joint.Top, group);
        tree_.AddPoint(joint.Right, joint.Bottom, group);
    }
    ForEachSelectedNode([this, group](TTreeNode* node) { tree_.MoveSubtree(group, node); });
    canvas_.ClearSelection();
    canvas_.ToggleSelection(group);
    canvas_.Repaint();
}

void TEditCommands::UngroupSelection()
{
    if (canvas_.Selection().Empty())
        return;
    const TEditStepScope step(tree_, "グループ解除");
    ForEachSelectedNode([this](TTreeNode* node) {
        // Only groups dissolve; any other selected item is left as it is.
        if (node->Data()->ItemType != itGroup)
            return;
        for (int remaining = node->ChildCount(); remaining > 0 && node->FirstChild(); --remaining)
            tree_.MoveSubtree(tree_.ObjectRoot(), node->FirstChild());
        tree_.DeleteSubtree(node);
    });
    canvas_.ClearSelection();
    canvas_.Repaint();
}

void TEditCommands::Undo()
{
    TakeStep(true);
}

void TEditCommands::Redo()
{
    TakeStep(false);
}

void TEditCommands::TakeStep(bool undo)
{
    if (TextBoxHasFocus())
        return;
    // A gesture under way or an open text editor ends first; what it changed
    // is then the step taken back.
    canvas_.EndGesture();
    if (undo ? !tree_.History().CanUndo() : !tree_.History().CanRedo())
        return;
    const std::vector<TTreeNode*> touched = undo ? tree_.Undo(kMaxDocumentNodes) : tree_.Redo(kMaxDocumentNodes);
    canvas_.SelectRestored(touched);
}

void TEditCommands::NewFolder(TTreeNode* treeSelected)
{
    if (treeSelected && (treeSelected == tree_.TrashNode() || treeSelected == tree_.TempNode()))
        return;
    TTreeNode* parent = treeSelected ? treeSelected : tree_.ObjectRoot();
    const TEditStepScope step(tree_, "フォルダの新規作成");
    TTreeNode* folder = tree_.AddItem(parent, NewGroupCaption(), itGroup);
    tree_.MoveItem(canvas_.ImageWidth() / 2, canvas_.ImageHeight() / 2, folder);
}

void TEditCommands::NewGroup()
{
    const TEditStepScope step(tree_, "グループの作成");
    tree_.AddItem(tree_.ObjectRoot(), NewGroupCaption(), itGroup);
}

bool TEditCommands::CanDrag(const TTreeNode* node) const
{
    return node && !tree_.IsFixedNode(node) && node->IsWithin(tree_.ObjectRoot()) &&
           !node->IsWithin(tree_.TrashNode());
}

bool TEditCommands::CanDropInto(const TTreeNode* parent) const
{
    return parent && (parent == tree_.ObjectRoot() || (parent->Data()->ItemType == itGroup && CanDrag(parent)));
}

bool TEditCommands::CanDrop(const std::vector<TTreeNode*>& nodes, const TTreeNode* parent) const
{
    if (nodes.empty() || !CanDropInto(parent))
        return false;
    return std::ranges::all_of(nodes, [this, parent](const TTreeNode* node) {
        return CanDrag(node) && !parent->IsWithin(node);
    });
}

void TEditCommands::Drop(const std::vector<TTreeNode*>& nodes, TTreeNode* parent, TTreeNode* before)
{
    if (!CanDrop(nodes, parent))
        return;
    canvas_.EndGesture();
    {
        const TEditStepScope step(tree_, "移動");
        tree_.MoveNodes(nodes, parent, before);
    }
    canvas_.Repaint();
}

void TEditCommands::EmptyTrash()
{
    if (!questions_.Confirm(QStringLiteral("ごみ箱を空にしますがよろしいですか？")))
        return;
    TTreeNode* trash = tree_.TrashNode();
    if (!trash)
        return;
    const TEditStepScope step(tree_, "ごみ箱を空にする");
    TTreeNode* child = trash->FirstChild();
    while (child) {
        TTreeNode* next = child->NextSibling();
        if (child != tree_.TempNode())
            tree_.DeleteSubtree(child);
        child = next;
    }
}

void TEditCommands::Restore(TTreeNode* treeSelected)
{
    if (!treeSelected || tree_.IsFixedNode(treeSelected))
        return;
    if (!treeSelected->Data()->Active) {
        const TEditStepScope step(tree_, "復元");
        tree_.SetActive(treeSelected, true);
        tree_.MoveSubtree(tree_.ObjectRoot(), treeSelected);
    }
    canvas_.Repaint();
}

} // namespace qm
