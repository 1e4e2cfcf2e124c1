#include "TreeForm1.h"

#include "EditForm1.h"
#include "ObjectTreeModel.h"
#include "canvas/CanvasWindow.h"
#include "canvas/EditCommands.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMouseEvent>
#include <QTreeView>
#include <QVBoxLayout>

namespace qm {

namespace {

// The tree view hands every mouse press, after its own handling (which
// selects the node under the mouse, right button included), to the window.
class TTreeView final : public QTreeView {
public:
    TTreeView(TTreeForm1& form, QWidget* parent) : QTreeView(parent), form_(form) {}

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        QTreeView::mousePressEvent(event);
        form_.TreeView1MouseDown(event->button(), false, event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier));
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        QTreeView::mouseDoubleClickEvent(event);
        form_.TreeView1MouseDown(event->button(), true, false);
    }

private:
    TTreeForm1& form_;
};

QAction* AddMenuItem(QMenu* menu, const char* name, const char* caption)
{
    QAction* action = menu->addAction(QString::fromUtf8(caption));
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

} // namespace

TTreeForm1::TTreeForm1(TObjectTree& tree, TCanvasWindow& canvas, TEditCommands& commands, TEditForm1& editor,
                       QWidget* parent)
    : QWidget(parent, Qt::Dialog), tree_(tree), canvas_(canvas), commands_(commands), editor_(editor)
{
    setObjectName(QStringLiteral("TreeForm1"));
    setWindowTitle(QStringLiteral("ツリービュー"));
    setFixedSize(185, 453);

    model_ = new TObjectTreeModel(tree_, this);
    model_->SetEditCommands(&commands_);
    treeView1_ = new TTreeView(*this, this);
    treeView1_->setObjectName(QStringLiteral("TreeView1"));
    treeView1_->setModel(model_);
    treeView1_->setHeaderHidden(true);
    treeView1_->setIndentation(19);
    treeView1_->setUniformRowHeights(true);
    // Ctrl and Shift select several rows, which a drag moves together.
    treeView1_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Only rows of this window move: the model refuses any other model's or
    // process's, so the view need not also match the drag's source widget.
    treeView1_->setDragDropMode(QAbstractItemView::DragDrop);
    treeView1_->setDefaultDropAction(Qt::MoveAction);
    treeView1_->setDropIndicatorShown(true);
    treeView1_->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    // A double click opens the object editor; it does not also open or close the node.
    treeView1_->setExpandsOnDoubleClick(false);
    treeView1_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(treeView1_, &QTreeView::expanded, this, [this](const QModelIndex& index) {
        if (!TreeView1Expanding(index))
            treeView1_->collapse(index);
    });
    connect(treeView1_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& position) { popupMenu1_->popup(treeView1_->viewport()->mapToGlobal(position)); });
    // The document's items are what the window is for: "Object" opens
    // whenever the document is made anew.
    connect(model_, &QAbstractItemModel::modelReset, this, &TTreeForm1::ExpandObjectRoot);
    // A node made at the top level is the Object root of a new document.
    connect(model_, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex& parent, int first, int last) {
        if (parent.isValid())
            return;
        for (int row = first; row <= last; ++row)
            treeView1_->expand(model_->index(row, 0));
    });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(treeView1_);

    BuildPopupMenu1();
    ExpandObjectRoot();
}

TTreeForm1::~TTreeForm1() = default;

void TTreeForm1::BuildPopupMenu1()
{
    popupMenu1_ = new QMenu(this);
    popupMenu1_->setObjectName(QStringLiteral("PopupMenu1"));
    connect(AddMenuItem(popupMenu1_, "New1", "フォルダの新規作成(&N)"), &QAction::triggered, this,
            &TTreeForm1::New1Click);
    popupMenu1_->addSeparator();
    connect(AddMenuItem(popupMenu1_, "Cut1", "切り取り(&C)"), &QAction::triggered, this, &TTreeForm1::Cut1Click);
    paste1_ = AddMenuItem(popupMenu1_, "Paste1", "貼り付け(&P)");
    paste1_->setEnabled(false);
    connect(paste1_, &QAction::triggered, this, &TTreeForm1::Paste1Click);
    connect(AddMenuItem(popupMenu1_, "Copy1", "コピー(&C)"), &QAction::triggered, this, &TTreeForm1::Copy1Click);
    connect(AddMenuItem(popupMenu1_, "Delete1", "削除(&D)"), &QAction::triggered, this, &TTreeForm1::Delete1Click);
    popupMenu1_->addSeparator();
    connect(AddMenuItem(popupMenu1_, "O1", "オブジェクトの編集(&O)"), &QAction::triggered, this,
            &TTreeForm1::O1Click);
    popupMenu1_->addSeparator();
    connect(AddMenuItem(popupMenu1_, "N4", "ごみ箱を空にする"), &QAction::triggered, this, &TTreeForm1::N4Click);
    connect(AddMenuItem(popupMenu1_, "Undo1", "復元する"), &QAction::triggered, this, &TTreeForm1::Undo1Click);
}

void TTreeForm1::ExpandObjectRoot()
{
    if (TTreeNode* root = tree_.ObjectRoot())
        treeView1_->expand(model_->IndexOf(root));
}

TTreeNode* TTreeForm1::SelectedNode() const
{
    const QItemSelectionModel* selection = treeView1_->selectionModel();
    if (selection->isSelected(treeView1_->currentIndex()))
        return model_->NodeAt(treeView1_->currentIndex());
    const QModelIndexList selected = selection->selectedIndexes();
    return selected.isEmpty() ? nullptr : model_->NodeAt(selected.front());
}

void TTreeForm1::SetPasteEnabled(bool enabled)
{
    paste1_->setEnabled(enabled);
}

void TTreeForm1::TreeView1MouseDown(Qt::MouseButton button, bool doubleClick, bool addingRows)
{
    TTreeNode* node = SelectedNode();
    if (!node || tree_.IsFixedNode(node) || !node->Data()->Active || button != Qt::LeftButton)
        return;
    if (doubleClick) {
        editor_.Execute(node);
        canvas_.Repaint();
    } else if (addingRows) {
        canvas_.SelectFromTree(SelectedNodes());
    } else {
        // Also a press on one of several selected rows, which the view keeps
        // selected in case a drag follows: on the canvas it is that item.
        canvas_.SelectFromTree(node);
    }
}

std::vector<TTreeNode*> TTreeForm1::SelectedNodes() const
{
    std::vector<TTreeNode*> nodes{SelectedNode()};
    for (const QModelIndex& index : treeView1_->selectionModel()->selectedRows()) {
        if (TTreeNode* node = model_->NodeAt(index); node != nodes.front())
            nodes.push_back(node);
    }
    return nodes;
}

bool TTreeForm1::TreeView1Expanding(const QModelIndex& index) const
{
    return tree_.CanExpand(model_->NodeAt(index));
}

void TTreeForm1::New1Click()
{
    commands_.NewFolder(SelectedNode());
}

void TTreeForm1::Cut1Click()
{
    commands_.CutSelection();
}

void TTreeForm1::Paste1Click()
{
    commands_.PasteClipboard();
}

void TTreeForm1::Copy1Click()
{
    commands_.CopySelection();
}

void TTreeForm1::Delete1Click()
{
    commands_.DeleteSelection();
}

void TTreeForm1::O1Click()
{
    TTreeNode* node = SelectedNode();
    if (!node || tree_.IsFixedNode(node))
        return;
    editor_.Execute(node);
    canvas_.Repaint();
}

void TTreeForm1::N4Click()
{
    commands_.EmptyTrash();
}

void TTreeForm1::Undo1Click()
{
    commands_.Restore(SelectedNode());
}

} // namespace qm
