#pragma once

#include "ChildRows.h"

#include "model/ObjectTree.h"

#include <QAbstractItemModel>

#include <unordered_map>

namespace qm {

// The object tree as a Qt item model: one row per node, captioned with the
// node's text. It follows the tree as its observer, so a change reaches the
// view as the insertion, removal or change of one row, and views keep their
// expanded and selected nodes. A replaced document resets the model, and so
// does an undo or redo that puts a node back between its siblings (rows are
// numbered by joining order, so a node can only join at the end).
//
// Captions may be edited except those of the three fixed nodes; an edited
// caption becomes the item's Name.
//
// Rows of a parent's children are indexed on first use (TChildRows), so
// rows and parents cost O(log n) however long a list of siblings grows. The
// children's slots are looked up by node only once the row of one of them
// is asked for: a view that only shows a long list needs no such map.
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

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void NodeAdded(TTreeNode* node) override;
    void NodeRemoving(TTreeNode* node) override;
    void NodeRenamed(TTreeNode* node) override;
    void TreeReset() override;
    void StepApplied() override;

    // The rows of `parent`'s children (null: the top level), indexed now if
    // they were not yet; `pending` is a child already in the tree that the
    // view is yet to be told of.
    TChildRows& ChildRowsOf(const TTreeNode* parent, const TTreeNode* pending = nullptr) const;
    // The slot of `node` among its parent's children, their slots mapped now
    // if they were not yet.
    std::size_t SlotOf(const TTreeNode* node) const;
    int RowOf(const TTreeNode* node) const;
    TTreeNode* FirstChildOf(const TTreeNode* parent) const;

    TObjectTree& tree_;
    struct TIndexedChildren {
        TChildRows Rows;
        bool SlotsMapped = false; // `slots_` holds the slot of each
    };
    // Indexed children by parent, and the slots of mapped children.
    mutable std::unordered_map<const TTreeNode*, TIndexedChildren> childRows_;
    mutable std::unordered_map<const TTreeNode*, std::size_t> slots_;
    // Set while an undo or redo makes changes that rows cannot follow; the
    // model is reset once the step is applied.
    bool resetPending_ = false;
};

} // namespace qm
