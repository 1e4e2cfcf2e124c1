#include "ObjectTreeModel.h"

#include "canvas/EditCommands.h"
#include "qtplatform/QtText.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QIODevice>
#include <QMimeData>

#include <algorithm>

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
    TChildRows& rows = entry->second;
    if (added) {
        for (TTreeNode* child = FirstChildOf(parent); child; child = child->NextSibling())
            if (child != pending)
                rows.Insert(child);
    }
    return rows;
}

int TObjectTreeModel::RowOf(const TTreeNode* node) const
{
    return ChildRowsOf(node->Parent()).RowOf(node);
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
    if (!node) // the empty space below the rows takes drops (see DropTarget)
        return commands_ ? Qt::ItemIsDropEnabled : Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (tree_.CanEditCaption(node))
        flags |= Qt::ItemIsEditable;
    if (commands_ && commands_->CanDrag(node))
        flags |= Qt::ItemIsDragEnabled;
    if (commands_ && commands_->CanDropInto(node))
        flags |= Qt::ItemIsDropEnabled;
    return flags;
}

void TObjectTreeModel::NodeAdded(TTreeNode* node)
{
    const TTreeNode* parentNode = node->Parent();
    TChildRows& rows = ChildRowsOf(parentNode, node);
    const TTreeNode* before = node->NextSibling();
    const int row = before ? rows.RowOf(before) : rows.Count();
    beginInsertRows(IndexOf(parentNode), row, row);
    rows.Insert(node, before);
    endInsertRows();
}

void TObjectTreeModel::NodeRemoving(TTreeNode* node)
{
    const TTreeNode* parentNode = node->Parent();
    TChildRows& rows = ChildRowsOf(parentNode);
    const int row = rows.RowOf(node);
    beginRemoveRows(IndexOf(parentNode), row, row);
    rows.Remove(node);
    childRows_.erase(node);
    endRemoveRows();
}

void TObjectTreeModel::NodeMoving(TTreeNode* node, TTreeNode* newParent, TTreeNode* before)
{
    moveSource_ = node->Parent();
    const int row = RowOf(node);
    TChildRows& target = ChildRowsOf(newParent);
    const int targetRow = before ? target.RowOf(before) : target.Count();
    moveBegun_ = beginMoveRows(IndexOf(moveSource_), row, row, IndexOf(newParent), targetRow);
}

void TObjectTreeModel::NodeMoved(TTreeNode* node)
{
    ChildRowsOf(moveSource_).Remove(node);
    ChildRowsOf(node->Parent()).Insert(node, node->NextSibling());
    if (moveBegun_)
        endMoveRows();
    else
        TreeReset(); // a move the view cannot take as one
}

void TObjectTreeModel::NodeRenamed(TTreeNode* node)
{
    const QModelIndex index = IndexOf(node);
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
}

void TObjectTreeModel::TreeReset()
{
    beginResetModel();
    childRows_.clear();
    endResetModel();
}

// --- Drag and drop --------------------------------------------------------------

namespace {

const QString& TreeRowsMimeType()
{
    static const QString type = QStringLiteral("application/x-quillmark-tree-rows");
    return type;
}

} // namespace

QStringList TObjectTreeModel::mimeTypes() const
{
    return {TreeRowsMimeType()};
}

QMimeData* TObjectTreeModel::mimeData(const QModelIndexList& indexes) const
{
    std::vector<QList<int>> paths;
    for (const QModelIndex& index : indexes) {
        QList<int> path;
        for (const TTreeNode* node = NodeAt(index); node; node = node->Parent())
            path.prepend(RowOf(node));
        if (!path.isEmpty())
            paths.push_back(std::move(path));
    }
    // Tree order, whatever order the rows were selected in.
    std::sort(paths.begin(), paths.end());
    paths.erase(std::unique(paths.begin(), paths.end()), paths.end());
    QByteArray encoded;
    QDataStream stream(&encoded, QIODevice::WriteOnly);
    stream << QCoreApplication::applicationPid() << reinterpret_cast<quintptr>(this)
           << static_cast<quint32>(paths.size());
    for (const QList<int>& path : paths)
        stream << path;
    auto* data = new QMimeData;
    data->setData(TreeRowsMimeType(), encoded);
    return data;
}

std::vector<TTreeNode*> TObjectTreeModel::DraggedNodes(const QMimeData* data) const
{
    if (!data || !data->hasFormat(TreeRowsMimeType()))
        return {};
    QDataStream stream(data->data(TreeRowsMimeType()));
    qint64 process = 0;
    quintptr model = 0;
    quint32 count = 0;
    stream >> process >> model >> count;
    if (process != QCoreApplication::applicationPid() || model != reinterpret_cast<quintptr>(this))
        return {};
    std::vector<TTreeNode*> nodes;
    for (quint32 k = 0; k < count && stream.status() == QDataStream::Ok; ++k) {
        QList<int> path;
        stream >> path;
        QModelIndex row;
        for (const int step : path)
            row = index(step, 0, row);
        if (!row.isValid())
            return {}; // the tree changed under the drag
        nodes.push_back(NodeAt(row));
    }
    return stream.status() == QDataStream::Ok ? nodes : std::vector<TTreeNode*>{};
}

// A drop on the empty space below the rows (no parent row, no place among
// the top rows) puts the items at the end of the Object root.
TTreeNode* TObjectTreeModel::DropTarget(int row, const QModelIndex& parent) const
{
    if (parent.isValid())
        return NodeAt(parent);
    return row < 0 ? tree_.ObjectRoot() : nullptr;
}

bool TObjectTreeModel::canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int,
                                       const QModelIndex& parent) const
{
    return commands_ && action == Qt::MoveAction && commands_->CanDrop(DraggedNodes(data), DropTarget(row, parent));
}

bool TObjectTreeModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                                    const QModelIndex& parent)
{
    if (!canDropMimeData(data, action, row, column, parent))
        return false;
    TTreeNode* target = DropTarget(row, parent);
    commands_->Drop(DraggedNodes(data), target, parent.isValid() && row >= 0 ? ChildRowsOf(target).At(row) : nullptr);
    return true;
}

} // namespace qm
