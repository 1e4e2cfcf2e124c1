#include "ObjectTreeModel.h"

#include "qtplatform/QtText.h"

namespace qm {

TObjectTreeModel::TObjectTreeModel(TObjectTree& tree, QObject* parent) : QAbstractItemModel(parent), tree_(tree)
{
    tree_.AddObserver(this);
}

TObjectTreeModel::~TObjectTreeModel()
{
    tree_.RemoveObserver(this);
}

TTreeNode* TObjectTreeModel::FirstChildOf(const TTreeNode* parent) const
{
    return parent ? parent->FirstChild() : tree_.FirstTopLevelNode();
}

TChildRows& TObjectTreeModel::ChildRowsOf(const TTreeNode* parent, const TTreeNode* pending) const
{
    const auto [entry, added] = childRows_.try_emplace(parent);
    TChildRows& rows = entry->second.Rows;
    if (added) {
        for (TTreeNode* child = FirstChildOf(parent); child; child = child->NextSibling())
            if (child != pending)
                rows.Append(child);
    }
    return rows;
}

std::size_t TObjectTreeModel::SlotOf(const TTreeNode* node) const
{
    const TTreeNode* parent = node->Parent();
    ChildRowsOf(parent);
    TIndexedChildren& children = childRows_.at(parent);
    if (!children.SlotsMapped) {
        children.Rows.ForEachChild([this](const TTreeNode* child, std::size_t slot) { slots_[child] = slot; });
        children.SlotsMapped = true;
    }
    return slots_.at(node);
}

int TObjectTreeModel::RowOf(const TTreeNode* node) const
{
    return ChildRowsOf(node->Parent()).RowOf(SlotOf(node));
}

TTreeNode* TObjectTreeModel::NodeAt(const QModelIndex& index) const
{
    return index.isValid() ? static_cast<TTreeNode*>(index.internalPointer()) : nullptr;
}

QModelIndex TObjectTreeModel::IndexOf(const TTreeNode* node) const
{
    if (!node)
        return {};
    return createIndex(RowOf(node), 0, const_cast<TTreeNode*>(node));
}

QModelIndex TObjectTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (column != 0 || (parent.isValid() && parent.model() != this))
        return {};
    TTreeNode* child = ChildRowsOf(NodeAt(parent)).At(row);
    return child ? createIndex(row, 0, child) : QModelIndex();
}

QModelIndex TObjectTreeModel::parent(const QModelIndex& child) const
{
    const TTreeNode* node = NodeAt(child);
    return node ? IndexOf(node->Parent()) : QModelIndex();
}

int TObjectTreeModel::rowCount(const QModelIndex& parent) const
{
    if (parent.column() > 0)
        return 0;
    const TTreeNode* node = NodeAt(parent);
    // A list not yet indexed has no change in flight: the node's own count
    // is the view's, and indexing can wait until a row is asked for.
    if (node && !childRows_.contains(node))
        return node->ChildCount();
    return ChildRowsOf(node).Count();
}

int TObjectTreeModel::columnCount(const QModelIndex&) const
{
    return 1;
}

bool TObjectTreeModel::hasChildren(const QModelIndex& parent) const
{
    return rowCount(parent) > 0;
}

QVariant TObjectTreeModel::data(const QModelIndex& index, int role) const
{
    const TTreeNode* node = NodeAt(index);
    if (!node || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return Cp932ToQString(node->Text());
}

bool TObjectTreeModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    TTreeNode* node = NodeAt(index);
    if (!node || role != Qt::EditRole || !tree_.CanEditCaption(node))
        return false;
    const TEditStepScope step(tree_, "名前の変更");
    tree_.SetCaption(node, QStringToCp932(value.toString()));
    return true;
}

Qt::ItemFlags TObjectTreeModel::flags(const QModelIndex& index) const
{
    const TTreeNode* node = NodeAt(index);
    if (!node)
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (tree_.CanEditCaption(node))
        flags |= Qt::ItemIsEditable;
    return flags;
}

void TObjectTreeModel::NodeAdded(TTreeNode* node)
{
    if (node->NextSibling())
        resetPending_ = true;
    if (resetPending_)
        return;
    const TTreeNode* parentNode = node->Parent();
    TChildRows& rows = ChildRowsOf(parentNode, node);
    const int row = rows.Count();
    beginInsertRows(IndexOf(parentNode), row, row);
    const std::size_t slot = rows.Append(node);
    if (childRows_.at(parentNode).SlotsMapped)
        slots_[node] = slot;
    endInsertRows();
}

void TObjectTreeModel::NodeRemoving(TTreeNode* node)
{
    if (resetPending_)
        return;
    const TTreeNode* parentNode = node->Parent();
    TChildRows& rows = ChildRowsOf(parentNode);
    const std::size_t slot = SlotOf(node);
    const int row = rows.RowOf(slot);
    beginRemoveRows(IndexOf(parentNode), row, row);
    rows.Remove(slot);
    slots_.erase(node);
    childRows_.erase(node);
    endRemoveRows();
    if (rows.WantsCompaction())
        rows.Compact([this](const TTreeNode* child, std::size_t newSlot) { slots_[child] = newSlot; });
}

void TObjectTreeModel::NodeRenamed(TTreeNode* node)
{
    if (resetPending_)
        return;
    const QModelIndex index = IndexOf(node);
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
}

void TObjectTreeModel::TreeReset()
{
    beginResetModel();
    childRows_.clear();
    slots_.clear();
    resetPending_ = false;
    endResetModel();
}

void TObjectTreeModel::StepApplied()
{
    if (resetPending_)
        TreeReset();
}

} // namespace qm
