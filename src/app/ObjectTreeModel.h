#pragma once

#include "ChildRows.h"

#include "model/ObjectTree.h"

#include <QAbstractItemModel>

#include <unordered_map>
#include <vector>

namespace qm {

class TEditCommands;

// The object tree as a Qt item model: one row per node, captioned with the
// node's text. It follows the tree as its observer, so a change reaches the
// view as the insertion, removal, move or change of rows, and views keep
// their expanded and selected nodes, also when undo or redo puts a node back
// between its siblings. A replaced document resets the model.
//
// Captions may be edited except those of the three fixed nodes; an edited
// caption becomes the item's Name. Rows are dragged and dropped within the
// model to move their nodes, under the rules and as the step of the edit
// commands given (TEditCommands::CanDrop); without them nothing is dragged.
//
// Rows of a parent's children are indexed on first use (TChildRows), so
// rows and parents stay cheap however long a list of siblings grows.
class TObjectTreeModel final : public QAbstractItemModel, private TTreeObserver {
    Q_OBJECT

public:
    // `tree` must outlive the model.
    explicit TObjectTreeModel(TObjectTree& tree, QObject* parent = nullptr);
    ~TObjectTreeModel() override;

    TObjectTree& Tree() const { return tree_; }
    // The node of an index (null for the invalid index), and back.
    TTreeNode* NodeAt(const QModelIndex& index) const;
    QModelIndex IndexOf(const TTreeNode* node) const;
    // Drops go through `commands` (null: none), which must outlive the model.
    void SetEditCommands(TEditCommands* commands) { commands_ = commands; }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Dragged rows travel as their paths of rows from the top, for this
    // model of this process only.
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }
    // Rows dropped on `parent` go before its child in `row` (-1: last).
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;

private:
    void NodeAdded(TTreeNode* node) override;
    void NodeRemoving(TTreeNode* node) override;
    void NodeMoving(TTreeNode* node, TTreeNode* newParent, TTreeNode* before) override;
    void NodeMoved(TTreeNode* node) override;
    void NodeRenamed(TTreeNode* node) override;
    void TreeReset() override;

    // The rows of `parent`'s children (null: the top level), indexed now if
    // they were not yet; `pending` is a child already in the tree that the
    // view is yet to be told of.
    TChildRows& ChildRowsOf(const TTreeNode* parent, const TTreeNode* pending = nullptr) const;
    int RowOf(const TTreeNode* node) const;
    TTreeNode* FirstChildOf(const TTreeNode* parent) const;
    // The dragged nodes in `data`, in tree order; empty when it holds none
    // of this model's.
    std::vector<TTreeNode*> DraggedNodes(const QMimeData* data) const;
    TTreeNode* DropTarget(int row, const QModelIndex& parent) const;

    TObjectTree& tree_;
    TEditCommands* commands_ = nullptr;
    mutable std::unordered_map<const TTreeNode*, TChildRows> childRows_;
    // The parent a moving node leaves, between NodeMoving and NodeMoved.
    const TTreeNode* moveSource_ = nullptr;
    bool moveBegun_ = false;
};

} // namespace qm
