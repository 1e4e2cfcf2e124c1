#include "ScriptedDialogs.h"

#include "../canvas/CanvasTestSupport.h"
#include "../model/TreeTestSupport.h"
#include "app/EditForm1.h"
#include "app/ObjectTreeModel.h"
#include "app/TreeForm1.h"
#include "platform/ShiftJis.h"
#include "render/BitmapX.h"
#include "WritableRecord.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

namespace qm {
namespace {

using test::AddShape;
using test::Captions;
using test::ChildCaptions;

class TreeForm1Test : public ::testing::Test {
protected:
    TreeForm1Test() { form.show(); }

    QTreeView* View() const { return form.TreeView1(); }
    QModelIndex IndexOf(const TTreeNode* node) const { return form.Model().IndexOf(node); }
    QString Caption(const QModelIndex& index) const { return index.data().toString(); }
    QAction* Action(const char* name) const
    {
        auto* action = form.PopupMenu1()->findChild<QAction*>(QString::fromLatin1(name));
        EXPECT_NE(action, nullptr) << name;
        return action;
    }
    void ClickNode(const TTreeNode* node, Qt::MouseButton button = Qt::LeftButton)
    {
        View()->scrollTo(IndexOf(node));
        QTest::mouseClick(View()->viewport(), button, {}, View()->visualRect(IndexOf(node)).center());
    }
    void DoubleClickNode(const TTreeNode* node)
    {
        ClickNode(node);
        QTest::mouseDClick(View()->viewport(), Qt::LeftButton, {}, View()->visualRect(IndexOf(node)).center());
    }
    // Selection marks lie on the visible picture only, never on the surface.
    bool MarksVisible()
    {
        const TBitmap& picture = f.canvas.Picture();
        const TBitmap& surface = f.canvas.Surface().Bitmap();
        for (std::int32_t y = 0; y < picture.Height(); ++y)
            for (std::int32_t x = 0; x < picture.Width(); ++x)
                if (picture.Pixel(x, y) != surface.Pixel(x, y))
                    return true;
        return false;
    }
    // The canvas selection as the tree window leaves it.
    std::vector<TTreeNode*> CanvasSelection() const { return f.canvas.Selection().Nodes(); }
    TTreeNode* Rectangle(const char* name = "rect")
    {
        return AddShape(f.tree, f.tree.ObjectRoot(), itRectangle, {{10, 10}, {60, 10}, {60, 40}, {10, 40}}, name);
    }

    test::TCanvasFixture f;
    test::TScriptedDialogs dialogs;
    TEditForm1 editor{f.tree, dialogs};
    TTreeForm1 form{f.tree, f.canvas, f.commands, editor};
};

TEST_F(TreeForm1Test, ShowsTheFixedNodesAndEveryNewNodeKeepingWhatTheUserOpened)
{
    EXPECT_EQ(form.windowTitle(), QStringLiteral("ツリービュー"));
    EXPECT_EQ(form.size(), QSize(185, 453));
    EXPECT_EQ(View()->indentation(), 19);

    const QAbstractItemModel* model = View()->model();
    ASSERT_EQ(model->rowCount(), 1);
    const QModelIndex object = model->index(0, 0);
    const QModelIndex trash = model->index(0, 0, object);
    const QModelIndex temp = model->index(0, 0, trash);
    EXPECT_EQ(Caption(object), QStringLiteral("Object"));
    EXPECT_EQ(Caption(trash), QStringLiteral("ごみ箱"));
    EXPECT_EQ(Caption(temp), QStringLiteral("Temp"));
    EXPECT_FALSE(model->data(object, Qt::DecorationRole).isValid());
    EXPECT_TRUE(View()->isExpanded(object));

    // A group the user opened stays open while nodes come and go elsewhere.
    TTreeNode* group = f.tree.AddItem(f.tree.ObjectRoot(), Utf8ToCp932("グループ"), itGroup);
    TTreeNode* member = Rectangle("member");
    f.tree.MoveSubtree(group, member);
    View()->expand(IndexOf(group));
    TTreeNode* loose = Rectangle("loose");
    f.tree.AddItem(group, "inner", itRectangle);
    f.tree.DeleteSubtree(loose);
    EXPECT_TRUE(View()->isExpanded(IndexOf(group)));
    ASSERT_EQ(model->rowCount(IndexOf(group)), 2);
    EXPECT_EQ(Caption(model->index(1, 0, IndexOf(group))), QStringLiteral("inner"));
    EXPECT_EQ(Caption(model->index(1, 0, object)), QStringLiteral("グループ"));
    EXPECT_TRUE(View()->visualRect(model->index(1, 0, IndexOf(group))).isValid());

    // A new document shows the fixed nodes again, "Object" open.
    f.tree.NewDocument();
    ASSERT_EQ(model->rowCount(), 1);
    EXPECT_EQ(model->rowCount(model->index(0, 0)), 1);
    EXPECT_TRUE(View()->isExpanded(model->index(0, 0)));

    // Closing the window hides it; the main window shows it again.
    form.close();
    EXPECT_FALSE(form.isVisible());
    form.show();
    EXPECT_EQ(model->rowCount(), 1);
}

TEST_F(TreeForm1Test, InPlaceRenameIsRefusedForFixedNodesAndStoredInTheName)
{
    for (const TTreeNode* fixed : {f.tree.ObjectRoot(), f.tree.TrashNode(), f.tree.TempNode()}) {
        View()->setCurrentIndex(IndexOf(fixed));
        QTest::keyClick(View(), Qt::Key_F2);
        EXPECT_EQ(View()->findChild<QLineEdit*>(), nullptr) << fixed->Text();
    }

    TTreeNode* item = Rectangle();
    View()->setCurrentIndex(IndexOf(item));
    QTest::keyClick(View(), Qt::Key_F2);
    auto* editorBox = View()->findChild<QLineEdit*>();
    ASSERT_NE(editorBox, nullptr);
    EXPECT_EQ(editorBox->text(), QStringLiteral("rect"));
    editorBox->selectAll();
    // Japanese arrives from the input method as committed text.
    QInputMethodEvent typed;
    typed.setCommitString(QStringLiteral("四角形"));
    QApplication::sendEvent(editorBox, &typed);
    QTest::keyClick(editorBox, Qt::Key_Return);
    QApplication::processEvents(); // the delegate commits from the event loop
    EXPECT_EQ(item->Text(), Utf8ToCp932("四角形"));
    EXPECT_EQ(item->Data()->Name, Utf8ToCp932("四角形"));
    EXPECT_EQ(Caption(IndexOf(item)), QStringLiteral("四角形"));
}

TEST_F(TreeForm1Test, TempAndDeletedSubtreesDoNotExpandTheTrashDoes)
{
    TTreeNode* group = f.tree.AddItem(f.tree.ObjectRoot(), "group", itGroup);
    f.tree.AddItem(group, "member", itRectangle);
    f.tree.AddItem(f.tree.ObjectRoot(), "copied", itRectangle);
    f.canvas.SelectFromTree(f.tree.ObjectRoot()->LastChild());
    f.commands.CopySelection(); // Temp now holds a node
    f.canvas.SelectFromTree(group);
    f.commands.DeleteSelection();
    TTreeNode* deleted = f.tree.TrashNode()->LastChild();
    ASSERT_FALSE(deleted->Data()->Active);
    ASSERT_TRUE(deleted->HasChildren());

    View()->expand(IndexOf(f.tree.TrashNode()));
    EXPECT_TRUE(View()->isExpanded(IndexOf(f.tree.TrashNode())));
    View()->expand(IndexOf(f.tree.TempNode()));
    EXPECT_FALSE(View()->isExpanded(IndexOf(f.tree.TempNode())));
    View()->expand(IndexOf(deleted));
    EXPECT_FALSE(View()->isExpanded(IndexOf(deleted)));

    // Keys too: "*" opens all below the current node, "+" and Right one.
    View()->collapse(IndexOf(f.tree.TrashNode()));
    View()->setCurrentIndex(IndexOf(f.tree.TrashNode()));
    QTest::keyClick(View(), Qt::Key_Asterisk);
    EXPECT_TRUE(View()->isExpanded(IndexOf(f.tree.TrashNode())));
    EXPECT_FALSE(View()->isExpanded(IndexOf(f.tree.TempNode())));
    EXPECT_FALSE(View()->isExpanded(IndexOf(deleted)));
    View()->setCurrentIndex(IndexOf(f.tree.TempNode()));
    QTest::keyClick(View(), Qt::Key_Plus);
    QTest::keyClick(View(), Qt::Key_Right);
    EXPECT_FALSE(View()->isExpanded(IndexOf(f.tree.TempNode())));
}

TEST_F(TreeForm1Test, LeftClickSelectsOnTheCanvasOnlyForActiveOrdinaryNodes)
{
    TTreeNode* first = Rectangle("first");
    TTreeNode* second = Rectangle("second");
    Writable(second)->Font.Height = -20;
    f.canvas.Repaint();
    f.canvas.SelectFromTree(first);

    ClickNode(second);
    EXPECT_EQ(form.SelectedNode(), second);
    EXPECT_EQ(CanvasSelection(), std::vector<TTreeNode*>{second});
    EXPECT_TRUE(MarksVisible());
    EXPECT_EQ(f.main.fontBar.Height, -20);

    // Rows added with Ctrl are selected together, the fixed nodes left out.
    TTreeNode* group = f.tree.AddItem(f.tree.ObjectRoot(), "group", itGroup);
    TTreeNode* member = f.tree.AddItem(group, "member", itRectangle);
    View()->expand(IndexOf(group));
    for (const TTreeNode* added : {first, f.tree.TrashNode(), group, member}) {
        View()->scrollTo(IndexOf(added));
        QTest::mouseClick(View()->viewport(), Qt::LeftButton, Qt::ControlModifier, View()->visualRect(IndexOf(added)).center());
    }
    EXPECT_EQ(CanvasSelection(), (std::vector<TTreeNode*>{second, first, group})); // the member goes with its group
    ClickNode(second);
    EXPECT_EQ(CanvasSelection(), std::vector<TTreeNode*>{second});

    // A fixed node or a right click leaves the canvas selection alone.
    ClickNode(f.tree.TrashNode());
    EXPECT_EQ(CanvasSelection(), std::vector<TTreeNode*>{second});
    ClickNode(first, Qt::RightButton);
    EXPECT_EQ(form.SelectedNode(), first);
    EXPECT_EQ(CanvasSelection(), std::vector<TTreeNode*>{second});
    // The platform follows a right click with a context menu request.
    const QPoint under = View()->visualRect(IndexOf(first)).center();
    QContextMenuEvent request(QContextMenuEvent::Mouse, under, View()->viewport()->mapToGlobal(under));
    QApplication::sendEvent(View()->viewport(), &request);
    EXPECT_TRUE(form.PopupMenu1()->isVisible());
    form.PopupMenu1()->close();

    // An item in the trash is not selectable on the canvas.
    f.commands.DeleteSelection();
    TTreeNode* deleted = f.tree.TrashNode()->LastChild();
    View()->expand(IndexOf(f.tree.TrashNode()));
    ClickNode(deleted);
    EXPECT_EQ(form.SelectedNode(), deleted);
    EXPECT_TRUE(CanvasSelection().empty());
}

TEST_F(TreeForm1Test, DoubleClickOpensTheEditorOnceThenRepaintsKeepingTheSelection)
{
    TTreeNode* item = Rectangle();
    int opened = 0;
    test::WhenModalShows([&](QWidget* dialog) {
        ++opened;
        EXPECT_EQ(dialog, &editor);
        EXPECT_EQ(editor.EditNode(), item);
        dialog->findChild<QWidget*>(QStringLiteral("Button2"))->setFocus();
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    DoubleClickNode(item);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(CanvasSelection(), std::vector<TTreeNode*>{item});
    EXPECT_TRUE(MarksVisible());
    EXPECT_TRUE(f.canvas.SurfaceIsCurrent());
    // Nor does the click on a selected node start a rename once the double
    // click interval has passed.
    QTest::qWait(QApplication::doubleClickInterval() + 100);
    EXPECT_FALSE(View()->findChild<QLineEdit*>()) << "a double click must not also rename";

    // Not on a fixed node.
    DoubleClickNode(f.tree.ObjectRoot());
    QTest::qWait(10);
    EXPECT_EQ(opened, 1);
}

TEST_F(TreeForm1Test, ContextMenuHoldsTheTreeCommandsInOrder)
{
    std::vector<QString> captions;
    for (const QAction* action : form.PopupMenu1()->actions())
        captions.push_back(action->isSeparator() ? QStringLiteral("-") : action->text());
    const std::vector<QString> expected{
        QStringLiteral("フォルダの新規作成(&N)"), QStringLiteral("-"), QStringLiteral("切り取り(&C)"),
        QStringLiteral("貼り付け(&P)"), QStringLiteral("コピー(&C)"), QStringLiteral("削除(&D)"), QStringLiteral("-"),
        QStringLiteral("オブジェクトの編集(&O)"), QStringLiteral("-"), QStringLiteral("ごみ箱を空にする"),
        QStringLiteral("復元する")};
    EXPECT_EQ(captions, expected);
    EXPECT_FALSE(Action("Paste1")->isEnabled());
    form.SetPasteEnabled(true);
    EXPECT_TRUE(Action("Paste1")->isEnabled());
}

TEST_F(TreeForm1Test, NewFolderGoesUnderTheSelectedNodeOrTheObjectRootNeverIntoTheTrash)
{
    Action("New1")->trigger();
    TTreeNode* folder = f.tree.ObjectRoot()->LastChild();
    EXPECT_EQ(folder->Text(), Utf8ToCp932("新しいグループ"));
    EXPECT_EQ(folder->Data()->ItemType, itGroup);
    EXPECT_EQ(folder->Data()->X, f.canvas.ImageWidth() / 2);
    EXPECT_EQ(folder->Data()->Y, f.canvas.ImageHeight() / 2);
    EXPECT_EQ(Caption(IndexOf(folder)), QStringLiteral("新しいグループ"));

    ClickNode(folder);
    Action("New1")->trigger();
    EXPECT_EQ(folder->ChildCount(), 1);

    const std::size_t count = f.tree.NodeCount();
    ClickNode(f.tree.TrashNode());
    Action("New1")->trigger();
    EXPECT_EQ(f.tree.NodeCount(), count);
}

TEST_F(TreeForm1Test, DeleteThenRestoreThroughTheMenuAndEmptyTheTrashOnlyWhenConfirmed)
{
    TTreeNode* item = Rectangle("victim");
    ClickNode(item);
    Action("Delete1")->trigger();
    TTreeNode* deleted = f.tree.TrashNode()->LastChild();
    EXPECT_EQ(deleted->Text(), "victim");
    EXPECT_FALSE(deleted->Data()->Active);
    EXPECT_TRUE(CanvasSelection().empty());

    View()->expand(IndexOf(f.tree.TrashNode()));
    ClickNode(deleted);
    Action("Undo1")->trigger();
    TTreeNode* restored = f.tree.ObjectRoot()->LastChild();
    EXPECT_EQ(restored->Text(), "victim");
    EXPECT_TRUE(restored->Data()->Active);
    EXPECT_EQ(f.tree.TrashNode()->ChildCount(), 1); // Temp

    // Copy, delete, then empty the trash: asked first, Temp kept.
    ClickNode(restored);
    Action("Copy1")->trigger();
    EXPECT_TRUE(f.main.pasteEnabled);
    Action("Delete1")->trigger();
    ASSERT_EQ(f.tree.TrashNode()->ChildCount(), 2);
    f.questions.answers = {false};
    Action("N4")->trigger();
    EXPECT_EQ(f.tree.TrashNode()->ChildCount(), 2);
    f.questions.answers = {true};
    Action("N4")->trigger();
    ASSERT_EQ(f.questions.asked.size(), 2u);
    EXPECT_EQ(f.questions.asked.back(), "ごみ箱を空にしますがよろしいですか？");
    ASSERT_EQ(f.tree.TrashNode()->ChildCount(), 1);
    EXPECT_EQ(f.tree.TrashNode()->FirstChild(), f.tree.TempNode());
    EXPECT_EQ(View()->model()->rowCount(IndexOf(f.tree.TrashNode())), 1);

    // Paste brings the copy back, selected, from Temp.
    Action("Paste1")->setEnabled(true);
    Action("Paste1")->trigger();
    TTreeNode* pasted = f.tree.ObjectRoot()->LastChild();
    EXPECT_EQ(pasted->Text(), "victim");
    EXPECT_EQ(CanvasSelection(), std::vector<TTreeNode*>{pasted});
}

TEST_F(TreeForm1Test, CutAndEditFromTheMenu)
{
    TTreeNode* item = Rectangle("cut me");
    ClickNode(item);
    int opened = 0;
    test::WhenModalShows([&](QWidget*) {
        ++opened;
        EXPECT_EQ(editor.EditNode(), item);
    });
    Action("O1")->trigger();
    EXPECT_EQ(opened, 1);

    Action("Cut1")->trigger();
    EXPECT_EQ(f.tree.TempNode()->ChildCount(), 1);
    EXPECT_EQ(f.tree.TempNode()->FirstChild()->Text(), "cut me");
    EXPECT_TRUE(CanvasSelection().empty());

    // Nothing to edit on a fixed node.
    ClickNode(f.tree.ObjectRoot());
    Action("O1")->trigger();
    EXPECT_EQ(opened, 1);
}

// Rows dragged with the mouse: the press and the moves past the drag
// distance are real mouse events on the view, which starts the drag; the
// platform's part (the offscreen one has no drag loop) is played by sending
// the drag's data to the view as the drag enter, move and drop events a
// drag loop delivers. Where a drop is refused the move event is left
// unaccepted, which the platform shows as the no-drop cursor.
TEST_F(TreeForm1Test, DraggedRowsMoveIntoGroupsAndBetweenSiblingsAsOneStep)
{
    if (QGuiApplication::platformName() != QStringLiteral("offscreen"))
        GTEST_SKIP() << "a real platform's drag loop would wait for the mouse";
    TTreeNode* a = Rectangle("a");
    TTreeNode* b = Rectangle("b");
    TTreeNode* c = Rectangle("c");
    TTreeNode* group = f.tree.AddItem(f.tree.ObjectRoot(), "g", itGroup);
    TTreeNode* member = f.tree.AddItem(group, "m", itRectangle);
    f.tree.ClearHistory();
    View()->expand(IndexOf(group));
    View()->expand(IndexOf(f.tree.TrashNode()));
    enum class TWhere { On, Above, Below, BelowEveryRow };
    struct TCase {
        const char* Name;
        std::vector<TTreeNode*> Dragged;
        TTreeNode* Target;
        TWhere Where;
        std::vector<std::string> Top;   // the Object root's rows after the drop; empty: refused
        std::vector<std::string> Group; // the group's rows after it
    };
    const std::string trash = f.tree.TrashNode()->Text();
    const TCase cases[] = {
        {"into a group", {a}, group, TWhere::On, {trash, "b", "c", "g"}, {"m", "a"}},
        {"two rows between siblings", {a, c}, b, TWhere::Above, {trash, "a", "c", "b", "g"}, {"m"}},
        {"out of a group", {member}, a, TWhere::Below, {trash, "a", "m", "b", "c", "g"}, {}},
        {"a group into itself", {group}, member, TWhere::Above, {}, {}},
        {"beside the trash", {b}, f.tree.TrashNode(), TWhere::Below, {trash, "b", "a", "c", "g"}, {"m"}},
        {"into the trash", {b}, f.tree.TempNode(), TWhere::Above, {}, {}},
        {"above the Object root", {b}, f.tree.ObjectRoot(), TWhere::Above, {}, {}},
        {"below every row", {a}, nullptr, TWhere::BelowEveryRow, {trash, "b", "c", "g", "a"}, {"m"}},
    };
    const std::vector<std::string> top = ChildCaptions(f.tree.ObjectRoot());
    for (const TCase& drop : cases) {
        SCOPED_TRACE(drop.Name);
        // Select the rows: a click, then Ctrl-clicks.
        ClickNode(drop.Dragged.front());
        for (std::size_t k = 1; k < drop.Dragged.size(); ++k)
            QTest::mouseClick(View()->viewport(), Qt::LeftButton, Qt::ControlModifier,
                              View()->visualRect(IndexOf(drop.Dragged[k])).center());
        // Press on the first and move past the drag distance (a drag loop
        // would take the mouse from there on).
        const QPoint from = View()->visualRect(IndexOf(drop.Dragged.front())).center();
        QTest::mousePress(View()->viewport(), Qt::LeftButton, {}, from);
        QPoint to = from;
        QDrag* drag = nullptr;
        while (!drag && to.y() - from.y() < 4 * QApplication::startDragDistance()) {
            to += QPoint(0, 3);
            QTest::mouseMove(View()->viewport(), to);
            drag = View()->findChild<QDrag*>();
        }
        ASSERT_NE(drag, nullptr);
        EXPECT_GT(to.y() - from.y(), QApplication::startDragDistance());
        QMimeData data;
        for (const QString& format : drag->mimeData()->formats())
            data.setData(format, drag->mimeData()->data(format));
        // The drag loop takes the release: the view never sees it.
        QTest::mouseRelease(&form, Qt::LeftButton, {}, {0, 0});
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // the finished drag goes

        const QRect target = drop.Target ? View()->visualRect(IndexOf(drop.Target)) : QRect();
        const QPoint at = drop.Where == TWhere::On      ? target.center()
                          : drop.Where == TWhere::Above ? QPoint(target.center().x(), target.top() + 1)
                          : drop.Where == TWhere::Below ? QPoint(target.center().x(), target.bottom() - 1)
                                                        : QPoint(10, View()->viewport()->height() - 3);
        ASSERT_FALSE(View()->indexAt(at).isValid() && drop.Where == TWhere::BelowEveryRow);
        QDragEnterEvent enter(at, Qt::MoveAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(View()->viewport(), &enter);
        QDragMoveEvent move(at, Qt::MoveAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(View()->viewport(), &move);
        EXPECT_EQ(move.isAccepted(), !drop.Top.empty());
        QDropEvent dropped(at, Qt::MoveAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(View()->viewport(), &dropped);
        if (drop.Top.empty()) {
            EXPECT_EQ(ChildCaptions(f.tree.ObjectRoot()), top);
            EXPECT_FALSE(f.tree.History().CanUndo());
            continue;
        }
        EXPECT_EQ(ChildCaptions(f.tree.ObjectRoot()), drop.Top);
        EXPECT_EQ(ChildCaptions(group), drop.Group);
        // The rows show it; the moved rows stay selected, the group open.
        for (TTreeNode* node : drop.Dragged) {
            EXPECT_EQ(View()->model()->index(node->Index(), 0, IndexOf(node->Parent())), IndexOf(node));
            EXPECT_TRUE(View()->selectionModel()->isSelected(IndexOf(node)));
        }
        EXPECT_TRUE(View()->isExpanded(IndexOf(group)));
        // Drawn in list order: the drop's place is its place in the drawing.
        std::vector<TTreeNode*> drawn = f.tree.ChildrenInDrawingOrder(drop.Dragged.front()->Parent());
        std::erase(drawn, f.tree.TrashNode());
        std::vector<std::string> listed = ChildCaptions(drop.Dragged.front()->Parent());
        std::erase(listed, trash);
        EXPECT_EQ(Captions(drawn), listed);
        // One step, which undo takes back row by row.
        EXPECT_EQ(f.tree.History().UndoName(), "移動");
        EXPECT_EQ(f.tree.History().DoneCount(), 1u);
        f.commands.Undo();
        EXPECT_EQ(ChildCaptions(f.tree.ObjectRoot()), top);
        EXPECT_EQ(ChildCaptions(group), std::vector<std::string>{"m"});
        EXPECT_TRUE(View()->isExpanded(IndexOf(group)));
        EXPECT_EQ(View()->model()->index(1, 0, IndexOf(f.tree.ObjectRoot())), IndexOf(a));
        f.tree.ClearHistory();
    }

    // Undo puts a deleted row back between its siblings without a reset:
    // the opened group stays open.
    ClickNode(b);
    Action("Delete1")->trigger();
    f.commands.Undo();
    EXPECT_EQ(ChildCaptions(f.tree.ObjectRoot()), top);
    EXPECT_TRUE(View()->isExpanded(IndexOf(group)));

    // Nor do the fixed nodes start a drag.
    const QPoint from = View()->visualRect(IndexOf(f.tree.TrashNode())).center();
    QTest::mousePress(View()->viewport(), Qt::LeftButton, {}, from);
    QTest::mouseMove(View()->viewport(), from + QPoint(0, 2 * QApplication::startDragDistance()));
    QTest::mouseMove(View()->viewport(), from + QPoint(0, 4 * QApplication::startDragDistance()));
    EXPECT_EQ(View()->findChild<QDrag*>(), nullptr);
    QTest::mouseRelease(View()->viewport(), Qt::LeftButton, {}, from);
}

TEST_F(TreeForm1Test, AHundredThousandNodesLoadIntoTheView)
{
    constexpr int kItems = 100'000;
    TObjectTree opened;
    for (int i = 0; i < kItems; ++i)
        opened.AddItem(opened.ObjectRoot(), "item" + std::to_string(i), itRectangle);
    f.tree.ReplaceContents(opened);

    const QModelIndex object = View()->model()->index(0, 0);
    EXPECT_TRUE(View()->isExpanded(object));
    ASSERT_EQ(View()->model()->rowCount(object), kItems + 1);
    View()->scrollToBottom();
    QTest::qWait(1);
    const QModelIndex last = View()->indexAt(View()->viewport()->rect().bottomLeft() + QPoint(40, -4));
    EXPECT_EQ(Caption(last), QStringLiteral("item99999"));

    // Added one by one, and deleted from the front, as a new document does.
    for (int i = 0; i < kItems; ++i)
        f.tree.AddItem(f.tree.ObjectRoot(), "more", itRectangle);
    EXPECT_EQ(View()->model()->rowCount(object), 2 * kItems + 1);
    f.tree.NewDocument();
    EXPECT_EQ(View()->model()->rowCount(View()->model()->index(0, 0)), 1);
}

} // namespace
} // namespace qm
