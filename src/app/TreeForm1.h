#pragma once

#include <QWidget>

#include <vector>

class QAction;
class QMenu;
class QModelIndex;
class QTreeView;

namespace qm {

class TCanvasWindow;
class TEditCommands;
class TEditForm1;
class TObjectTree;
class TObjectTreeModel;
class TTreeNode;

// The tree window "ツリービュー": every node of the document in a tree view,
// captions editable in place (not those of the three fixed nodes), the
// Temp node and deleted subtrees kept closed, a left click selecting the
// node's item on the canvas, a double click opening the object editor on
// it, the context menu of the tree editing commands, and rows dragged (one
// or several selected together) into groups and between siblings. Closing
// the window only hides it.
class TTreeForm1 : public QWidget {
    Q_OBJECT

public:
    // Every collaborator must outlive the window.
    TTreeForm1(TObjectTree& tree, TCanvasWindow& canvas, TEditCommands& commands, TEditForm1& editor,
               QWidget* parent = nullptr);
    ~TTreeForm1() override;

    QTreeView* TreeView1() const { return treeView1_; }
    QMenu* PopupMenu1() const { return popupMenu1_; }
    TObjectTreeModel& Model() const { return *model_; }

    // The tree's selected node (the current one when several are), or null.
    TTreeNode* SelectedNode() const;
    // Every selected row's node, the current one first.
    std::vector<TTreeNode*> SelectedNodes() const;

    // "貼り付け(&P)" follows the main window's other two paste items.
    void SetPasteEnabled(bool enabled);

    // Handlers of the view (public: the view forwards its mouse to them).
    // `addingRows`: Ctrl or Shift held, the rows picked go together.
    void TreeView1MouseDown(Qt::MouseButton button, bool doubleClick, bool addingRows);
    bool TreeView1Expanding(const QModelIndex& index) const;

private:
    void BuildPopupMenu1();
    void ExpandObjectRoot();

    void New1Click();
    void Cut1Click();
    void Paste1Click();
    void Copy1Click();
    void Delete1Click();
    void O1Click();
    void N4Click();
    void Undo1Click();

    TObjectTree& tree_;
    TCanvasWindow& canvas_;
    TEditCommands& commands_;
    TEditForm1& editor_;
    TObjectTreeModel* model_ = nullptr;
    QTreeView* treeView1_ = nullptr;
    QMenu* popupMenu1_ = nullptr;
    QAction* paste1_ = nullptr;
};

} // namespace qm
