#include "../model/TreeTestSupport.h"
#include "app/ChildRows.h"
#include "app/ObjectTreeModel.h"
#include "platform/ShiftJis.h"

#include <QAbstractItemModelTester>

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace qm {
namespace {

// Stand-ins for nodes: TChildRows only keeps the pointers.
TTreeNode* Fake(std::size_t n)
{
    return reinterpret_cast<TTreeNode*>((n + 1) * 16);
}

TEST(ChildRowsTest, RowsFollowInsertionsMovesAndRemovalsAnywhere)
{
    std::mt19937 random(7);
    TChildRows rows;
    std::vector<TTreeNode*> expected; // children in row order
    std::size_t made = 0;
    for (int step = 0; step < 20000; ++step) {
        // Grow at first, then mostly shrink, so blocks split, empty and fill again.
        const unsigned roll = random() % 100;
        const unsigned grow = step < 10000 ? 60 : 25;
        if (expected.empty() || roll < grow) {
            const std::size_t row = random() % (expected.size() + 1);
            TTreeNode* child = Fake(made++);
            rows.Insert(child, row < expected.size() ? expected[row] : nullptr);
            expected.insert(expected.begin() + static_cast<std::ptrdiff_t>(row), child);
        } else if (roll < grow + 15) {
            // A move: out, then in before another child.
            const std::size_t from = random() % expected.size();
            TTreeNode* child = expected[from];
            rows.Remove(child);
            expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(from));
            const std::size_t to = random() % (expected.size() + 1);
            rows.Insert(child, to < expected.size() ? expected[to] : nullptr);
            expected.insert(expected.begin() + static_cast<std::ptrdiff_t>(to), child);
        } else {
            // From the front half the time, as a new document deletes.
            const std::size_t row = random() % 2 ? 0 : random() % expected.size();
            rows.Remove(expected[row]);
            expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(row));
        }
        ASSERT_EQ(rows.Count(), static_cast<int>(expected.size()));
        if (step % 197 == 0 || step > 19900) {
            for (std::size_t row = 0; row < expected.size(); ++row) {
                ASSERT_EQ(rows.At(static_cast<int>(row)), expected[row]) << step;
                ASSERT_EQ(rows.RowOf(expected[row]), static_cast<int>(row)) << step;
            }
        }
    }
    EXPECT_EQ(rows.At(-1), nullptr);
    EXPECT_EQ(rows.At(rows.Count()), nullptr);
    // Removing a child twice, or one never there, changes nothing.
    const int count = rows.Count();
    rows.Remove(Fake(made + 1));
    EXPECT_EQ(rows.Count(), count);
    EXPECT_EQ(rows.RowOf(Fake(made + 1)), -1);
}

// Every row of the model against the tree: same nodes, order, captions, parents.
void ExpectMirrors(const TObjectTreeModel& model, const QModelIndex& parent, const TTreeNode* first,
                   const std::string& path = "")
{
    int row = 0;
    for (const TTreeNode* child = first; child; child = child->NextSibling(), ++row) {
        const QModelIndex index = model.index(row, 0, parent);
        ASSERT_EQ(model.NodeAt(index), child) << path << "/" << row;
        ASSERT_EQ(model.parent(index), parent) << path << "/" << row;
        ASSERT_EQ(model.IndexOf(child), index);
        ASSERT_EQ(model.data(index).toString().toStdString(), Cp932ToUtf8(child->Text()));
        ExpectMirrors(model, index, child->FirstChild(), path + "/" + std::to_string(row));
    }
    ASSERT_EQ(model.rowCount(parent), row) << path;
}

std::vector<TTreeNode*> AllNodes(const TObjectTree& tree)
{
    std::vector<TTreeNode*> nodes;
    std::vector<TTreeNode*> pending;
    for (TTreeNode* top = tree.FirstTopLevelNode(); top; top = top->NextSibling())
        pending.push_back(top);
    while (!pending.empty()) {
        TTreeNode* node = pending.back();
        pending.pop_back();
        nodes.push_back(node);
        for (TTreeNode* child = node->FirstChild(); child; child = child->NextSibling())
            pending.push_back(child);
    }
    return nodes;
}

class ModelTesterFailures {
public:
    ModelTesterFailures() { previous_ = qInstallMessageHandler(&Record); }
    ~ModelTesterFailures() { qInstallMessageHandler(previous_); }
    static std::vector<std::string>& Messages()
    {
        static std::vector<std::string> messages;
        return messages;
    }

private:
    static void Record(QtMsgType type, const QMessageLogContext&, const QString& message)
    {
        if (type != QtDebugMsg && type != QtInfoMsg)
            Messages().push_back(message.toStdString());
    }
    QtMessageHandler previous_;
};

TEST(ObjectTreeModelTest, FollowsEveryTreeChangeRowByRow)
{
    TObjectTree tree;
    TObjectTreeModel model(tree);
    ModelTesterFailures failures;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Warning);
    int resets = 0;
    QObject::connect(&model, &QAbstractItemModel::modelReset, [&resets] { ++resets; });

    ExpectMirrors(model, {}, tree.FirstTopLevelNode());
    ASSERT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.data(model.index(0, 0)).toString(), QStringLiteral("Object"));

    std::mt19937 random(11);
    for (int step = 0; step < 600; ++step) {
        const std::vector<TTreeNode*> nodes = AllNodes(tree);
        TTreeNode* some = nodes[random() % nodes.size()];
        TTreeNode* other = nodes[random() % nodes.size()];
        switch (random() % 24) {
        case 0: case 1: case 2: case 3: case 4: case 5:
            tree.AddItem(some, "n" + std::to_string(step), itRectangle);
            break;
        case 6: case 7:
            if (!tree.IsFixedNode(some))
                tree.DeleteSubtree(some);
            break;
        case 8: case 9: case 10:
            tree.MoveSubtree(other, some);
            break;
        case 11: case 12:
            if (!other->IsWithin(some))
                tree.CopySubtree(other, some);
            break;
        case 13:
            tree.SetCaption(some, Utf8ToCp932("名前" + std::to_string(step)));
            break;
        case 14:
            if (step % 5 == 0)
                tree.NewDocument();
            break;
        case 15:
            if (step % 7 == 0) {
                TObjectTree opened;
                test::AddShape(opened, opened.ObjectRoot(), itEllipse, {{1, 2}});
                tree.ReplaceContents(opened);
            }
            break;
        case 16: case 17:
            // Anywhere among the new siblings, the subtree with it.
            tree.MoveNode(some, other, random() % 2 ? other->FirstChild() : nullptr);
            break;
        case 18:
            tree.MoveNodes({some, other}, tree.ObjectRoot(), tree.ObjectRoot()->FirstChild());
            break;
        case 19:
            tree.Undo(); // nodes come back between their siblings
            break;
        case 20:
            tree.Redo();
            break;
        default:
            tree.AddItem(tree.ObjectRoot(), "top" + std::to_string(step), itGroup);
            break;
        }
        ASSERT_NO_FATAL_FAILURE(ExpectMirrors(model, {}, tree.FirstTopLevelNode())) << step;
        ASSERT_TRUE(failures.Messages().empty()) << failures.Messages().front();
    }
    // Only replaced contents reset the model; everything else, undo and redo
    // too, went row by row.
    EXPECT_GT(resets, 0);
    EXPECT_LE(resets, 600 / 7 + 1);
}

TEST(ObjectTreeModelTest, OnlyCaptionsOfOrdinaryNodesAreEditableAndEditsBecomeTheName)
{
    TObjectTree tree;
    TObjectTreeModel model(tree);
    TTreeNode* item = tree.AddItem(tree.ObjectRoot(), "item", itRectangle);
    for (TTreeNode* fixed : {tree.ObjectRoot(), tree.TrashNode(), tree.TempNode()}) {
        const QModelIndex index = model.IndexOf(fixed);
        EXPECT_FALSE(model.flags(index) & Qt::ItemIsEditable) << fixed->Text();
        EXPECT_FALSE(model.setData(index, QStringLiteral("x")));
        EXPECT_NE(fixed->Text(), "x");
    }
    const QModelIndex index = model.IndexOf(item);
    EXPECT_TRUE(model.flags(index) & Qt::ItemIsEditable);
    std::vector<QModelIndex> changed;
    QObject::connect(&model, &QAbstractItemModel::dataChanged,
                     [&changed](const QModelIndex& from, const QModelIndex&) { changed.push_back(from); });
    EXPECT_TRUE(model.setData(index, QStringLiteral("見出し")));
    EXPECT_EQ(item->Text(), Utf8ToCp932("見出し"));
    EXPECT_EQ(item->Data()->Name, Utf8ToCp932("見出し"));
    EXPECT_EQ(model.data(index, Qt::EditRole).toString(), QStringLiteral("見出し"));
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed.front(), index);
}

} // namespace
} // namespace qm
