// Drawings large enough to be opened and saved by the file job, driven
// through the tool bar and the canvas as a user does: an open given up or
// failing half-way leaves the drawing as it was, a save refuses edits while
// it writes, and closing the editor waits for it.
#include "EditorFixture.h"
#include "FaultSaves.h"

#include "app/FileJob.h"
#include "io/DocumentReader.h"
#include "io/DocumentWriter.h"

#include <QFileInfo>
#include <QTest>
#include <QToolBar>

namespace qm {
namespace {

using test::Describe;

class LargeDrawingTest : public test::TEditorFixture {
protected:
    // A drawing the editor opens and saves by the file job.
    QString WriteLargeDrawing(const char* name)
    {
        TObjectTree large;
        test::FillDrawing(large, static_cast<int>(TFileCommands::kBackgroundSaveNodes));
        WriteDocument(Path(name), large, {640, 480, 8});
        EXPECT_GE(QFileInfo(Path(name)).size(), TFileCommands::kBackgroundOpenBytes);
        return Path(name);
    }
    void ClickToolButton(const QString& hint)
    {
        for (QToolBar* bar : app.MainForm().findChildren<QToolBar*>()) {
            for (QAction* action : bar->actions()) {
                if (action->text() == hint)
                    return QTest::mouseClick(bar->widgetForAction(action), Qt::LeftButton);
            }
        }
        ADD_FAILURE() << hint.toStdString();
    }
    QWidget* Picture() { return app.CanvasForm().findChild<TCanvasPicture*>(); }
    void DrawRectangle(QPoint from, QPoint to)
    {
        app.MainForm().findChild<QToolBar*>(QStringLiteral("ToolBar1"))->actions().at(1)->trigger();
        QTest::mousePress(Picture(), Qt::LeftButton, {}, from);
        QMouseEvent move(QEvent::MouseMove, to, Picture()->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(Picture(), &move);
        QTest::mouseRelease(Picture(), Qt::LeftButton, {}, to);
    }
    // The message box the file job's end shows, closed.
    QString MessageAfterFileJob()
    {
        QString shown;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&shown] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                shown = box->text();
                box->close();
            }
        });
        poll.start(10);
        app.FileJob().Wait();
        return shown;
    }
};

TEST_F(LargeDrawingTest, AnOpenCancelledOrFailingHalfWayLeavesTheDrawingItsHistoryAndTitle)
{
    const QString large = WriteLargeDrawing("large.dof");
    const std::string whole = test::Bytes(large);
    test::Put(Path("cut.dof"), whole.substr(0, whole.size() / 2));
    ASSERT_GE(QFileInfo(Path("cut.dof")).size(), TFileCommands::kBackgroundOpenBytes);
    DrawRectangle({150, 150}, {220, 200});
    const std::string drawing = Describe(app.Tree());
    const std::string undo(app.Tree().History().UndoName());
    const QString title = app.MainForm().windowTitle();
    ASSERT_TRUE(title.startsWith(QStringLiteral("*")));

    // Esc while the file is read, then the damaged copy.
    dialogs->saveChangesAnswers = {TUserDialogs::TSaveAnswer::Discard, TUserDialogs::TSaveAnswer::Discard};
    dialogs->openAnswers = {large, Path("cut.dof")};
    ClickToolButton(QStringLiteral("開く"));
    ASSERT_TRUE(app.FileJob().Running());
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : Picture(), Qt::Key_Escape);
    EXPECT_EQ(MessageAfterFileJob(), QString());
    ClickToolButton(QStringLiteral("開く"));
    ASSERT_TRUE(app.FileJob().Running());
    EXPECT_TRUE(MessageAfterFileJob().startsWith(CannotOpen(Path("cut.dof"))));
    for (const char* after : {"cancelled", "damaged"}) {
        SCOPED_TRACE(after);
        EXPECT_EQ(Describe(app.Tree()), drawing);
        EXPECT_EQ(app.Tree().History().UndoName(), undo);
        EXPECT_EQ(app.MainForm().windowTitle(), title);
        EXPECT_EQ(LastDir("LastDir"), QString());
    }

    // Let be, it opens.
    dialogs->saveChangesAnswers = {TUserDialogs::TSaveAnswer::Discard};
    dialogs->openAnswers = {large};
    ClickToolButton(QStringLiteral("開く"));
    EXPECT_EQ(MessageAfterFileJob(), QString());
    EXPECT_EQ(app.Tree().NodeCount(), ReadDocument(large).Tree->NodeCount());
    EXPECT_EQ(app.MainForm().windowTitle(), QStringLiteral("large.dof - Quillmark1.1.0.0"));
}

TEST_F(LargeDrawingTest, ASaveRefusesEditsWhileItWritesAndTheEditorClosesOnlyOnceItIsSaved)
{
    const QString large = WriteLargeDrawing("large.dof");
    dialogs->confirmAnswers = {true};
    dialogs->openAnswers = {large};
    ClickToolButton(QStringLiteral("開く"));
    app.FileJob().Wait();
    DrawRectangle({150, 150}, {220, 200});
    const std::size_t nodes = app.Tree().NodeCount();
    const std::string undo(app.Tree().History().UndoName());

    ClickToolButton(QStringLiteral("保存"));
    ASSERT_TRUE(app.FileJob().Running());
    DrawRectangle({20, 20}, {90, 60});
    QTest::keyClick(Picture(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(app.Tree().NodeCount(), nodes);
    EXPECT_EQ(app.Tree().History().UndoName(), undo);
    EXPECT_TRUE(app.Tree().History().IsModified()); // until the file is in place

    // Closing now waits for the save: nothing is asked, nothing is lost.
    EXPECT_TRUE(app.MainForm().close());
    EXPECT_FALSE(app.FileJob().Running());
    EXPECT_FALSE(app.Tree().History().IsModified());
    EXPECT_EQ(dialogs->questions.size(), 1u); // the open's confirmation only
    EXPECT_EQ(ReadDocument(large).Tree->NodeCount(), nodes);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral("large")).size(), 1);
}

} // namespace
} // namespace qm
