#pragma once

#include "MainState.h"

#include "model/ObjectTree.h"

#include <functional>

namespace qm {

class TCanvasWindow;

// Deletes what the Temp node (the clipboard) holds.
void EmptyTempNode(TObjectTree& tree);

// The commands that change the shape of the tree: clipboard through the Temp
// node, delete to the trash, restore, empty the trash, folders, grouping,
// rows dropped in the tree window. The main window's menus, the tree
// window's and the canvas window's context menus all call these; they act on
// the canvas selection.
class TEditCommands {
public:
    TEditCommands(TObjectTree& tree, TCanvasWindow& canvas, TMainState& main, TTextBox& textBox,
                  TQuestions& questions);

    void CopySelection();
    void CutSelection();
    void PasteClipboard();
    void DeleteSelection();
    void GroupSelection();
    void UngroupSelection();
    // "複製": a copy of each selected item beside it (shifted by the paste
    // step), the copies selected; the clipboard is left as it is.
    void DuplicateSelection();
    // "最前面へ移動", "前面へ移動", "背面へ移動", "最背面へ移動": the selected
    // items' place in the drawing order among their siblings.
    void RestackSelection(TObjectTree::TRestack where);

    // "元に戻す" and "やり直し": the newest step taken back, or the step
    // taken back last done again. Both leave the drawing to the in-place
    // editor's own keys while it has the focus; they throw TEditRefused when
    // the drawing would pass the node limit.
    void Undo();
    void Redo();

    // Told when copy or cut has filled the clipboard.
    std::function<void()> ClipboardFilled;
    // Asked at the start of a paste's step to bring in what another program
    // left on the desktop's clipboard; false: nothing is pasted.
    std::function<bool()> TakeClipboard;

    // Tree window commands on the tree's selected node (null: none).
    void NewFolder(TTreeNode* treeSelected);
    void EmptyTrash();
    void Restore(TTreeNode* treeSelected);
    // "グループの作成": an empty group at the top level, anchored at (0, 0).
    void NewGroup();

    // Drag and drop in the tree window. Items of the drawing move, not the
    // fixed nodes nor what lies in the trash or the clipboard (the commands
    // that put items there also put them out of the drawing); they move into
    // the Object root or a group of the drawing, never into themselves.
    bool CanDrag(const TTreeNode* node) const;
    bool CanDropInto(const TTreeNode* parent) const;
    bool CanDrop(const std::vector<TTreeNode*>& nodes, const TTreeNode* parent) const;
    // Moves the nodes side by side before `before` (null: last) under
    // `parent` as one step "移動", their drawing order that of the list
    // (TObjectTree::MoveNodes); refused drops change nothing.
    void Drop(const std::vector<TTreeNode*>& nodes, TTreeNode* parent, TTreeNode* before);

private:
    // Clipboard keys belong to the text while the in-place editor has the focus.
    bool TextBoxHasFocus() const { return textBox_.HasFocus(); }
    void TakeStep(bool undo);
    // The common start of copy and cut: a fresh clipboard offset, an empty
    // Temp node, the marks erased. False while the text box has the focus.
    bool StartClipboard();
    // Moves every still-selected node of a copy of the selection with `move`.
    template <typename Move>
    void ForEachSelectedNode(Move&& move);

    TObjectTree& tree_;
    TCanvasWindow& canvas_;
    TMainState& main_;
    TTextBox& textBox_;
    TQuestions& questions_;
};

} // namespace qm
