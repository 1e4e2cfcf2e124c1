// The whole editor driven as a user would: tool bar, canvas mouse, menus,
// file commands with scripted dialog answers.
#include "ScriptedDialogs.h"

#include "app/CanvasForm1.h"
#include "app/EditForm1.h"
#include "app/EditorApplication.h"
#include "app/MainForm1.h"
#include "app/ObjectTreeModel.h"
#include "app/SettingsFile.h"
#include "app/SystemClipboard.h"
#include "app/TreeForm1.h"
#include "canvas/EditCommands.h"
#include "render/BitmapX.h"
#include "io/DocumentReader.h"
#include "io/DocumentWriter.h"
#include "io/FileError.h"
#include "platform/IniFile.h"
#include "platform/ShiftJis.h"
#include "qtplatform/QtText.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QTreeView>

#include <gtest/gtest.h>

#include <fstream>

namespace qm {
namespace {

// A tree as captions, types and geometry, for comparing two documents.
std::string Describe(const TTreeNode* node, int depth = 0)
{
    std::string text;
    for (; node; node = node->NextSibling()) {
        const TItemObject& item = *node->Data();
        text += std::string(static_cast<std::size_t>(depth), ' ') + node->Text() + " "
            + std::to_string(StoredCode(item.ItemType)) + " " + std::to_string(item.X) + "," + std::to_string(item.Y)
            + " n" + std::to_string(item.Count) + " a" + std::to_string(item.Active) + "\n";
        text += Describe(node->FirstChild(), depth + 1);
    }
    return text;
}

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest()
        : app(Places(), Exporters(), [](const QString& path) -> std::unique_ptr<TGraphic> {
              throw TFileError(TFileError::TKind::CannotOpen, path);
          },
              [this](QWidget*, TMessageForm1&) {
                  auto scripted = std::make_unique<test::TScriptedDialogs>();
                  dialogs = scripted.get();
                  return scripted;
              })
    {
        app.Show();
    }

    TEditorApplication::TPlaces Places()
    {
        return {folder.filePath(QStringLiteral("quillmark.ini")), folder.path(), QStringList{}};
    }
    TFileCommands::TExporters Exporters()
    {
        TFileCommands::TExporters exporters;
        exporters.Bitmap = [this](const TBitmap& surface, const QString& path) {
            exportedGridPixel = surface.Pixel(0, 0);
            std::ofstream(path.toStdString()) << "bmp";
        };
        exporters.Metafile = [](const QString& path, const TObjectTree&, std::int32_t, std::int32_t) {
            std::ofstream(path.toStdString()) << "emf";
        };
        return exporters;
    }

    QAction* MenuItem(const QString& caption) const { return test::MenuItem(*app.MainForm().menuBar(), caption); }
    QAction* ToolButton(const QString& hint) const
    {
        for (QToolBar* bar : app.MainForm().findChildren<QToolBar*>()) {
            for (QAction* action : bar->actions()) {
                if (action->text() == hint)
                    return action;
            }
        }
        ADD_FAILURE() << hint.toStdString();
        return nullptr;
    }
    QWidget* Picture() const { return app.CanvasForm().findChild<TCanvasPicture*>(); }
    void Drag(QPoint from, QPoint to)
    {
        QTest::mousePress(Picture(), Qt::LeftButton, {}, from);
        QMouseEvent move(QEvent::MouseMove, to, Picture()->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(Picture(), &move);
        QTest::mouseRelease(Picture(), Qt::LeftButton, {}, to);
    }
    TTreeNode* DrawRectangle(QPoint from, QPoint to)
    {
        ToolButton(QStringLiteral("長方形"))->trigger();
        Drag(from, to);
        return app.Tree().ObjectRoot()->LastChild();
    }
    QString Path(const char* name) const { return folder.filePath(QString::fromUtf8(name)); }
    static QByteArray ReadFile(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // The canvas window active with the keyboard on the picture.
    void FocusCanvas()
    {
        app.CanvasForm().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&app.CanvasForm()));
        Picture()->setFocus();
    }
    void KeyToFocus(Qt::Key key, Qt::KeyboardModifiers modifiers)
    {
        QWidget* focused = QApplication::focusWidget();
        QTest::keyClick(focused ? focused : Picture(), key, modifiers);
    }
    std::vector<std::string> DrawingOrder(const TObjectTree& tree) const
    {
        std::vector<std::string> captions;
        for (const TTreeNode* node : tree.ChildrenInDrawingOrder(tree.ObjectRoot())) {
            if (!tree.IsFixedNode(node))
                captions.push_back(node->Text());
        }
        return captions;
    }
    // The items under the Object root as the file lists them.
    std::vector<std::string> ListOrder(const TObjectTree& tree) const
    {
        std::vector<std::string> captions;
        for (const TTreeNode* node = tree.ObjectRoot()->FirstChild(); node; node = node->NextSibling()) {
            if (!tree.IsFixedNode(node))
                captions.push_back(node->Text());
        }
        return captions;
    }
    // The rows the tree window shows under the Object root, the trash aside.
    std::vector<std::string> TreeRows()
    {
        const QAbstractItemModel& model = app.TreeForm().Model();
        const QModelIndex root = app.TreeForm().Model().IndexOf(app.Tree().ObjectRoot());
        std::vector<std::string> captions;
        for (int row = 0; row < model.rowCount(root); ++row) {
            const QString caption = model.index(row, 0, root).data().toString();
            if (caption != QStringLiteral("ごみ箱"))
                captions.push_back(caption.toStdString());
        }
        return captions;
    }
    QString LastDir() const
    {
        return ReadPathSetting(TIniFile(folder.filePath(QStringLiteral("quillmark.ini")).toStdString()), "LastDir");
    }

    QTemporaryDir folder;
    test::TScriptedDialogs* dialogs = nullptr;
    TColor exportedGridPixel = 0;
    mutable TEditorApplication app;
};

TEST_F(MainWindowTest, WithoutAWritableSettingsFileTheEditorStartsEditsAndSaysSoOnce)
{
    EXPECT_EQ(app.CanvasForm().StatusText(), QStringLiteral("　起動完了"));

    // A file where the settings file's folder should be: nothing can make
    // or write the settings file there, whoever runs the program.
    const QString blocker = Path("blocker");
    std::ofstream(blocker.toStdString()) << "a file";
    const QString settings = blocker + QStringLiteral("/quillmark.ini");
    TEditorApplication editor({settings, folder.path(), QStringList{}}, Exporters(), nullptr,
                              [](QWidget*, TMessageForm1&) { return std::make_unique<test::TScriptedDialogs>(); });
    editor.Show();
    const QString status = editor.CanvasForm().StatusText();
    EXPECT_TRUE(status.contains(QStringLiteral("設定は保存されません"))) << status.toStdString();
    EXPECT_TRUE(status.contains(settings)) << status.toStdString();

    // It edits as ever: the rectangle tool, with the built-in template.
    QAction* rectangle = nullptr;
    for (QToolBar* bar : editor.MainForm().findChildren<QToolBar*>()) {
        for (QAction* action : bar->actions()) {
            if (action->text() == QStringLiteral("長方形"))
                rectangle = action;
        }
    }
    ASSERT_TRUE(rectangle);
    rectangle->trigger();
    QWidget* picture = editor.CanvasForm().findChild<TCanvasPicture*>();
    QTest::mousePress(picture, Qt::LeftButton, {}, {40, 40});
    QMouseEvent move(QEvent::MouseMove, QPoint(120, 90), picture->mapToGlobal(QPoint(120, 90)), Qt::NoButton,
                     Qt::LeftButton, {});
    QApplication::sendEvent(picture, &move);
    QTest::mouseRelease(picture, Qt::LeftButton, {}, {120, 90});
    const TTreeNode* node = editor.Tree().ObjectRoot()->LastChild();
    ASSERT_TRUE(node);
    EXPECT_EQ(node->Data()->ItemType, itRectangle);
    EXPECT_EQ(node->Data()->Count, 4);
    EXPECT_EQ(editor.CanvasForm().StatusText(), status); // said once, and still there

    // Nothing was written anywhere.
    std::ifstream left(blocker.toStdString());
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(left), {}), "a file");
}

TEST_F(MainWindowTest, TheRectangleToolDrawsAnItemThatTheTreeShows)
{
    EXPECT_EQ(app.MainForm().windowTitle(), QStringLiteral("無題 - Quillmark1.1.0.0"));
    QAction* rectangle = ToolButton(QStringLiteral("長方形"));
    rectangle->trigger();
    EXPECT_TRUE(app.MainForm().CreateMode);
    EXPECT_EQ(app.MainForm().CurrentTool, TTool::Rectangle);
    Drag({40, 40}, {120, 90});
    EXPECT_FALSE(rectangle->isChecked()); // the tool is given up
    EXPECT_FALSE(app.MainForm().CreateMode);
    TTreeNode* node = app.Tree().ObjectRoot()->LastChild();
    ASSERT_EQ(node->Data()->ItemType, itRectangle);
    EXPECT_EQ(node->Data()->X, 80);
    EXPECT_EQ(node->Data()->Y, 65);
    const QModelIndex index = app.TreeForm().Model().IndexOf(node);
    ASSERT_TRUE(index.isValid());
    EXPECT_EQ(index.data().toString(), QString::fromStdString(Cp932ToUtf8(node->Text())));

    // A second click on the pressed tool raises it and turns creation off,
    // keeping the item type.
    ToolButton(QStringLiteral("直線"))->trigger();
    ToolButton(QStringLiteral("直線"))->trigger();
    EXPECT_FALSE(app.MainForm().CreateMode);
    EXPECT_EQ(app.MainForm().CurrentTool, TTool::Line);
}

// Undo and redo as the keyboard sends them, to whichever widget has the focus.
TEST_F(MainWindowTest, CtrlZAndCtrlYTakeADragBackAndAgainThroughTheKeyboard)
{
    const auto keyToFocus = [this](Qt::Key key, Qt::KeyboardModifiers modifiers) {
        QWidget* focused = QApplication::focusWidget();
        QTest::keyClick(focused ? focused : Picture(), key, modifiers);
    };
    const TCanvasWindow& canvas = app.CanvasForm().Canvas();
    const auto pixels = [](const TBitmap& bitmap) {
        std::vector<TColor> all;
        for (std::int32_t y = 0; y < bitmap.Height(); ++y)
            for (std::int32_t x = 0; x < bitmap.Width(); ++x)
                all.push_back(bitmap.Pixel(x, y));
        return all;
    };
    // What the window shows, marks included, and the drawing alone.
    const auto picture = [&] { return pixels(canvas.Picture()); };
    const auto drawing = [&] { return pixels(app.CanvasForm().Canvas().Surface().Bitmap()); };
    QAction* undo = app.MainForm().UndoAction();
    EXPECT_FALSE(undo->isEnabled());
    const std::vector<TColor> empty = picture();

    DrawRectangle({40, 40}, {120, 90});
    const std::vector<TColor> drawn = drawing();
    EXPECT_TRUE(undo->isEnabled());
    EXPECT_EQ(undo->text(), QStringLiteral("元に戻す: 作成(&U)"));
    app.CanvasForm().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&app.CanvasForm()));
    Picture()->setFocus();
    keyToFocus(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(app.Tree().ObjectRoot()->ChildCount(), 1); // the trash alone
    EXPECT_TRUE(picture() == empty);
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_EQ(app.MainForm().RedoAction()->text(), QStringLiteral("やり直し: 作成(&R)"));
    keyToFocus(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_TRUE(drawing() == drawn);

    // A move taken back, and done again with Ctrl+Shift+Z.
    TTreeNode* rectangle = app.Tree().ObjectRoot()->LastChild();
    Drag({80, 65}, {150, 120});
    EXPECT_NE(rectangle->Data()->X, 80);
    const std::vector<TColor> moved = drawing();
    keyToFocus(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(rectangle->Data()->X, 80);
    EXPECT_TRUE(drawing() == drawn);
    keyToFocus(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(drawing() == moved);
}

// Closing the main window with unsaved changes asks first; キャンセル keeps
// the editor and the drawing, 保存する saves to the drawing's own file.
TEST_F(MainWindowTest, QuittingWithChangesAsksAndCancelKeepsEverything)
{
    EXPECT_TRUE(app.MainForm().close()); // nothing changed: nothing asked
    EXPECT_TRUE(dialogs->questions.empty());
    app.Show();

    DrawRectangle({40, 40}, {120, 90});
    const std::string drawn = Describe(app.Tree().ObjectRoot());
    dialogs->saveChangesAnswers = {TUserDialogs::TSaveAnswer::Cancel};
    EXPECT_FALSE(app.MainForm().close());
    EXPECT_TRUE(app.MainForm().isVisible());
    ASSERT_EQ(dialogs->questions.size(), 1u);
    EXPECT_EQ(dialogs->questions.back(), QStringLiteral("「無題」への変更を保存しますか？"));
    EXPECT_EQ(Describe(app.Tree().ObjectRoot()), drawn);

    // 保存する on a drawing without a file is Save As; a cancelled Save As keeps the editor.
    dialogs->saveChangesAnswers = {TUserDialogs::TSaveAnswer::Save};
    EXPECT_FALSE(app.MainForm().close());
    dialogs->saveChangesAnswers = {TUserDialogs::TSaveAnswer::Save};
    dialogs->saveAnswers.push_back(TUserDialogs::TSaveChoice{Path("plan"), 1});
    EXPECT_TRUE(app.MainForm().close());
    EXPECT_TRUE(QFile::exists(Path("plan.dof")));
}

// Curves and polygons of two vertices come from files; a click selects them
// and deletes nothing, for every shape the drawing holds.
TEST_F(MainWindowTest, AClickOnATwoVertexCurveOrPolygonSelectsAndKeepsIt)
{
    for (const TItemType type : {itCurve, itPolygon}) {
        TObjectTree& tree = app.Tree();
        TTreeNode* figure = tree.AddItem(tree.ObjectRoot(), "figure", type);
        tree.AddPoint(60, 60, figure);
        tree.AddPoint(140, 100, figure);
        tree.ClearHistory();
        app.CanvasForm().Canvas().Repaint();
        const std::size_t nodes = tree.NodeCount();
        QTest::mouseClick(Picture(), Qt::LeftButton, {}, {100, 80});
        QTest::mouseClick(Picture(), Qt::LeftButton, {}, {100, 80});
        EXPECT_EQ(tree.NodeCount(), nodes);
        EXPECT_EQ(tree.ObjectRoot()->LastChild(), figure);
        EXPECT_FALSE(tree.History().CanUndo());
        QTest::mouseClick(Picture(), Qt::LeftButton, {}, {390, 390}); // the in-place editor closes
    }
}

// An item deleted (by its menu action) while the object editor is open on it
// is forgotten by the editor; OK then writes to nothing. The history keeps
// no step here, so the deleted item is freed at once.
TEST_F(MainWindowTest, TheObjectEditorForgetsAnItemDeletedWhileItIsOpen)
{
    app.Tree().SetHistoryBudget(0);
    TTreeNode* rectangle = DrawRectangle({40, 40}, {120, 90});
    ASSERT_EQ(app.CanvasForm().Canvas().Selection().First(), rectangle);
    bool forgotten = false;
    test::WhenModalShows([this, &forgotten](QWidget* dialog) {
        MenuItem(QStringLiteral("削除(&D)"))->trigger();
        forgotten = app.EditForm().EditNode() == nullptr;
        dialog->findChild<QSpinBox*>(QStringLiteral("UpDown5"))->setValue(300);
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("Button1")), Qt::LeftButton);
    });
    MenuItem(QStringLiteral("オブジェクトの編集(&O)"))->trigger();
    EXPECT_TRUE(forgotten);
    const TTreeNode* inTrash = app.Tree().TrashNode()->LastChild();
    ASSERT_EQ(inTrash->Data()->ItemType, itRectangle);
    EXPECT_EQ(inTrash->Data()->X, 80);
}

// A drawing given on the command line gets the window that ファイル → 開く
// gives it: fitted to the canvas.
TEST_F(MainWindowTest, ADrawingOpenedAtStartFitsTheCanvasWindowLikeOpen)
{
    TObjectTree tree;
    WriteDocument(Path("wide.dof"), tree, TCanvasGeometry{800, 600, 10});
    TEditorApplication started(Places(), Exporters(), nullptr, [](QWidget*, TMessageForm1&) {
        return std::make_unique<test::TScriptedDialogs>();
    });
    started.Show();
    started.OpenAtStart(Path("wide.dof"));
    QApplication::processEvents();
    const QSize atStart = started.CanvasForm().size();

    dialogs->confirmAnswers = {true};
    dialogs->openAnswers.push_back(Path("wide.dof"));
    MenuItem(QStringLiteral("開く(&O)..."))->trigger();
    QApplication::processEvents();
    EXPECT_EQ(atStart, app.CanvasForm().size());
    EXPECT_EQ(atStart.width(), 800);
}

// The clipboard and Delete keys belong to the in-place text editor while it
// has the focus: they edit its text, never the drawing.
TEST_F(MainWindowTest, ClipboardKeysInTheInPlaceEditorEditItsTextOnly)
{
    app.CanvasForm().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&app.CanvasForm()));
    TTreeNode* rectangle = DrawRectangle({40, 40}, {120, 90});
    QTest::mouseClick(Picture(), Qt::LeftButton, {}, {390, 390});
    QTest::mouseClick(Picture(), Qt::LeftButton, {}, {80, 65});
    QTest::keyClick(Picture(), Qt::Key_C, Qt::ControlModifier);
    ASSERT_TRUE(app.MainForm().PasteAction()->isEnabled());
    QTest::mouseClick(Picture(), Qt::LeftButton, {}, {80, 65});
    auto* memo = app.CanvasForm().findChild<QPlainTextEdit*>();
    ASSERT_TRUE(memo && memo->isVisible());
    memo->setFocus();
    const std::size_t nodes = app.Tree().NodeCount();
    QTest::keyClicks(memo, QStringLiteral("abc"));
    for (const auto& [key, modifiers] : {std::pair{Qt::Key_A, Qt::ControlModifier}, {Qt::Key_C, Qt::ControlModifier},
                                         {Qt::Key_V, Qt::ControlModifier}, {Qt::Key_V, Qt::ControlModifier},
                                         {Qt::Key_X, Qt::ControlModifier}, {Qt::Key_V, Qt::ControlModifier},
                                         {Qt::Key_Delete, Qt::NoModifier}, {Qt::Key_Z, Qt::ControlModifier}}) {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
        EXPECT_EQ(app.Tree().NodeCount(), nodes);
        EXPECT_EQ(app.CanvasForm().Canvas().Selection().Size(), 1u); // Ctrl+A selected the text only
    }
    EXPECT_TRUE(memo->isVisible());
    QTest::mouseClick(Picture(), Qt::LeftButton, {}, {390, 390}); // closes the editor
    EXPECT_EQ(app.Tree().NodeCount(), nodes);
    EXPECT_EQ(rectangle->Parent(), app.Tree().ObjectRoot());
}

// 上書き保存 and then 終了 end the program: the event loop returns.
TEST_F(MainWindowTest, SaveThenQuitEndsTheProgram)
{
    DrawRectangle({40, 40}, {120, 90});
    dialogs->saveAnswers.push_back(TUserDialogs::TSaveChoice{Path("plan"), 1});
    FocusCanvas();
    KeyToFocus(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier); // 名前をつけて保存
    ASSERT_TRUE(QFile::exists(Path("plan.dof")));
    const QByteArray firstSave = ReadFile(Path("plan.dof"));
    DrawRectangle({150, 150}, {200, 190});
    KeyToFocus(Qt::Key_S, Qt::ControlModifier); // 上書き保存
    EXPECT_NE(ReadFile(Path("plan.dof")), firstSave);
    QTimer::singleShot(0, [this] { MenuItem(QStringLiteral("終了(&X)"))->trigger(); });
    QTimer::singleShot(5000, [] { QCoreApplication::exit(1); }); // a loop left running
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_FALSE(app.TreeForm().isVisible());
    EXPECT_FALSE(app.MainForm().isVisible());
}

// Each editor saves to the drawing it opened, though both share the settings
// file and with it "LastDir".
TEST_F(MainWindowTest, TwoEditorsOnTwoDrawingsEachSaveTheirOwnFile)
{
    auto second = std::make_unique<TEditorApplication>(Places(), Exporters(), nullptr, [](QWidget*, TMessageForm1&) {
        return std::make_unique<test::TScriptedDialogs>();
    });
    DrawRectangle({40, 40}, {120, 90});
    dialogs->saveAnswers.push_back(TUserDialogs::TSaveChoice{Path("first"), 1});
    MenuItem(QStringLiteral("名前をつけて保存(&A)..."))->trigger();
    second->Files().OpenDocument(Path("first.dof")); // a copy to start from
    auto& secondDialogs = static_cast<test::TScriptedDialogs&>(second->Dialogs());
    secondDialogs.saveAnswers.push_back(TUserDialogs::TSaveChoice{Path("second"), 1});
    second->Files().SaveAs1Click();
    EXPECT_EQ(LastDir(), Path("second.dof"));

    DrawRectangle({150, 150}, {200, 190}); // the first editor's drawing grows
    MenuItem(QStringLiteral("上書き保存(&S)"))->trigger();
    second->Files().Save1Click();
    EXPECT_EQ(ReadDocument(Path("first.dof")).Tree->NodeCount(), app.Tree().NodeCount());
    EXPECT_EQ(ReadDocument(Path("second.dof")).Tree->NodeCount(), second->Tree().NodeCount());
    EXPECT_NE(app.Tree().NodeCount(), second->Tree().NodeCount());
}

TEST_F(MainWindowTest, EachShapeToolButtonChoosesItsToolAndTheArrowMakesNothing)
{
    const std::pair<const char*, TTool> buttons[] = {
        {"アイテム選択", TTool::ItemSelect}, {"長方形", TTool::Rectangle}, {"円", TTool::Ellipse},
        {"直線", TTool::Line},              {"矢印", TTool::Arrow},       {"曲線", TTool::Curve},
        {"多角形", TTool::Polygon},
    };
    for (const auto& [hint, tool] : buttons) {
        SCOPED_TRACE(hint);
        QAction* button = ToolButton(QString::fromUtf8(hint));
        button->trigger();
        EXPECT_EQ(app.MainForm().CurrentTool, tool);
        EXPECT_EQ(app.MainForm().CreateMode, tool != TTool::ItemSelect);
        EXPECT_EQ(ItemTypeOf(tool).has_value(), tool != TTool::ItemSelect);
        button->trigger(); // raised again: no tool, the choice kept
        EXPECT_FALSE(app.MainForm().CreateMode);
        EXPECT_EQ(app.MainForm().CurrentTool, tool);
    }
    ToolButton(QStringLiteral("アイテム選択"))->trigger();
    const std::size_t nodes = app.Tree().NodeCount();
    Drag({40, 40}, {120, 90});
    EXPECT_EQ(app.Tree().NodeCount(), nodes);
}

TEST_F(MainWindowTest, SaveAsNewAndOpenGiveTheSameDrawingBack)
{
    DrawRectangle({40, 40}, {120, 90});
    DrawRectangle({200, 100}, {260, 200});
    app.Commands().DeleteSelection();
    const std::string before = Describe(app.Tree().ObjectRoot());

    dialogs->saveAnswers.push_back(TUserDialogs::TSaveChoice{Path("plan"), 1});
    MenuItem(QStringLiteral("名前をつけて保存(&A)..."))->trigger();
    EXPECT_TRUE(QFile::exists(Path("plan.dof")));
    EXPECT_EQ(LastDir(), Path("plan.dof"));
    EXPECT_TRUE(app.MainForm().SaveAction()->isEnabled());

    MenuItem(QStringLiteral("コピー(&C)"))->trigger();
    EXPECT_TRUE(app.MainForm().PasteAction()->isEnabled());
    dialogs->confirmAnswers = {false};
    MenuItem(QStringLiteral("新規作成(&N)"))->trigger();
    EXPECT_EQ(Describe(app.Tree().ObjectRoot()), before + "");
    dialogs->confirmAnswers = {true};
    FocusCanvas();
    KeyToFocus(Qt::Key_N, Qt::ControlModifier); // 新規作成
    EXPECT_EQ(app.Tree().NodeCount(), 3u);
    EXPECT_FALSE(app.MainForm().SaveAction()->isEnabled());
    // What was copied is still on the desktop's clipboard for the new drawing.
    EXPECT_TRUE(app.MainForm().PasteAction()->isEnabled());

    dialogs->confirmAnswers = {true};
    dialogs->openAnswers.push_back(Path("plan.dof"));
    KeyToFocus(Qt::Key_O, Qt::ControlModifier); // 開く
    EXPECT_EQ(Describe(app.Tree().ObjectRoot()), before);
    // The idle editor prepares the opened drawing before any edit needs it.
    EXPECT_TRUE(QTest::qWaitFor([this] { return !app.CanvasForm().Canvas().PreparationPending(); }));
    EXPECT_TRUE(app.MainForm().SaveAction()->isEnabled());
    EXPECT_EQ(dialogs->initialDirs.back(), folder.path());

    // Save writes the opened file again, byte for byte the same.
    const QByteArray first = ReadFile(Path("plan.dof"));
    QFile::remove(Path("plan.dof"));
    MenuItem(QStringLiteral("上書き保存(&S)"))->trigger();
    EXPECT_EQ(ReadFile(Path("plan.dof")), first);
}

TEST_F(MainWindowTest, ExtensionsAreAppendedUnlessExactAndExportsKeepTheGridSwitch)
{
    EXPECT_EQ(WithExtension(QStringLiteral("a.DOF"), QStringLiteral(".dof")), QStringLiteral("a.DOF.dof"));
    EXPECT_EQ(WithExtension(QStringLiteral("a.dof"), QStringLiteral(".dof")), QStringLiteral("a.dof"));
    dialogs->saveAnswers.push_back(TUserDialogs::TSaveChoice{Path("a.DOF"), 1});
    MenuItem(QStringLiteral("名前をつけて保存(&A)..."))->trigger();
    EXPECT_TRUE(QFile::exists(Path("a.DOF.dof")));

    // A bitmap is written without grid lines; the grid switch comes back as it was.
    TCanvasWindow& canvas = app.CanvasForm().Canvas();
    ASSERT_TRUE(canvas.ShowGrid());
    dialogs->saveAnswers.push_back(TUserDialogs::TSaveChoice{Path("plan"), 2});
    MenuItem(QStringLiteral("名前をつけて保存(&A)..."))->trigger();
    EXPECT_TRUE(QFile::exists(Path("plan.bmp")));
    EXPECT_EQ(exportedGridPixel, clWhite);
    EXPECT_TRUE(canvas.ShowGrid());
    EXPECT_EQ(canvas.Picture().Pixel(0, 0), clSilver);
    QAction* grid = MenuItem(QStringLiteral("グリッド(&G)"));
    EXPECT_TRUE(grid->isChecked());
    grid->trigger();
    EXPECT_FALSE(canvas.ShowGrid());
    EXPECT_FALSE(grid->isChecked()); // the check mark follows the canvas's switch
    EXPECT_EQ(canvas.Picture().Pixel(0, 0), clWhite);
    dialogs->saveAnswers.push_back(TUserDialogs::TSaveChoice{Path("plan2.bmp"), 2});
    MenuItem(QStringLiteral("名前をつけて保存(&A)..."))->trigger();
    EXPECT_FALSE(canvas.ShowGrid());

    // The types after the old three, from the list of file formats: PNG, SVG
    // and PDF, each without the grid, named with its extension.
    grid->trigger();
    ASSERT_TRUE(canvas.ShowGrid());
    DrawRectangle({30, 30}, {110, 80});
    struct TExport {
        int FilterIndex;
        const char* Chosen;
        const char* Written;
        QByteArray Start;
    };
    const TExport exports[] = {
        {4, "plan", "plan.png", "\x89PNG"},
        {5, "plan", "plan.svg", "<?xml"},
        {6, "plan.pdf", "plan.pdf", "%PDF-"},
        {6, "plan.PDF", "plan.PDF.pdf", "%PDF-"},
    };
    for (const TExport& e : exports) {
        dialogs->saveAnswers.push_back(TUserDialogs::TSaveChoice{Path(e.Chosen), e.FilterIndex});
        MenuItem(QStringLiteral("名前をつけて保存(&A)..."))->trigger();
        QFile written(Path(e.Written));
        ASSERT_TRUE(written.open(QIODevice::ReadOnly)) << e.Written;
        EXPECT_TRUE(written.readAll().startsWith(e.Start)) << e.Written;
        EXPECT_EQ(LastDir(), Path(e.Written));
        EXPECT_TRUE(canvas.ShowGrid());
    }
    const QImage png(Path("plan.png"));
    ASSERT_EQ(png.size(), QSize(canvas.ImageWidth(), canvas.ImageHeight()));
    EXPECT_EQ(png.pixel(0, 0), qRgb(255, 255, 255)); // no grid line in the corner
    EXPECT_EQ(canvas.Picture().Pixel(0, 0), clSilver);
    QFile svg(Path("plan.svg"));
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    EXPECT_FALSE(svg.readAll().contains("#c0c0c0")); // no grid line anywhere
    grid->trigger();

    // After a metafile export, Save still writes the drawing's own document,
    // and "LastDir" only names the folder the dialogs start in.
    dialogs->saveAnswers.push_back(TUserDialogs::TSaveChoice{Path("plan"), 3});
    MenuItem(QStringLiteral("名前をつけて保存(&A)..."))->trigger();
    EXPECT_TRUE(QFile::exists(Path("plan.emf")));
    EXPECT_EQ(LastDir(), Path("plan.emf"));
    QFile::remove(Path("a.DOF.dof"));
    DrawRectangle({40, 40}, {120, 90});
    EXPECT_EQ(app.MainForm().windowTitle(), QStringLiteral("*a.DOF.dof - Quillmark1.1.0.0"));
    MenuItem(QStringLiteral("上書き保存(&S)"))->trigger();
    EXPECT_TRUE(QFile::exists(Path("a.DOF.dof")));
    EXPECT_EQ(app.MainForm().windowTitle(), QStringLiteral("a.DOF.dof - Quillmark1.1.0.0"));
}

TEST_F(MainWindowTest, AFailedOpenLeavesTheDrawingAndSaysWhy)
{
    DrawRectangle({40, 40}, {120, 90});
    const std::string before = Describe(app.Tree().ObjectRoot());
    std::ofstream(Path("broken.dof").toStdString(), std::ios::binary) << "\x03\x00\x00\x00\xff\xff";
    dialogs->saveChangesAnswers = {TUserDialogs::TSaveAnswer::Discard};
    dialogs->openAnswers.push_back(Path("broken.dof"));
    QString shown;
    test::WhenModalShows([&shown](QWidget* box) {
        if (auto* message = qobject_cast<QMessageBox*>(box))
            shown = message->text();
    });
    MenuItem(QStringLiteral("開く(&O)..."))->trigger();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("ファイル ") + Path("broken.dof") + QStringLiteral(" は開けません")))
        << shown.toStdString();
    EXPECT_EQ(Describe(app.Tree().ObjectRoot()), before);
}

TEST_F(MainWindowTest, ClipboardAndTrashThroughTheMenusAndTheFontBar)
{
    TTreeNode* first = DrawRectangle({40, 40}, {120, 90});
    const std::int32_t firstId = first->Data()->Id;
    MenuItem(QStringLiteral("コピー(&C)"))->trigger();
    EXPECT_TRUE(app.MainForm().PasteAction()->isEnabled());
    MenuItem(QStringLiteral("貼り付け(&P)"))->trigger();
    TTreeNode* pasted = app.Tree().ObjectRoot()->LastChild();
    EXPECT_NE(pasted->Data()->Id, firstId);
    EXPECT_EQ(pasted->Data()->X, 90);

    // The font bar changes the selected item's font.
    app.MainForm().FontSize()->setValue(20);
    EXPECT_EQ(pasted->Data()->Font.Size(), 20);
    EXPECT_EQ(first->Data()->Font.Size(), 9);

    const std::string caption = pasted->Text();
    MenuItem(QStringLiteral("削除(&D)"))->trigger(); // the pasted node is moved, so gone
    EXPECT_EQ(app.Tree().TrashNode()->LastChild()->Text(), caption);
    EXPECT_TRUE(app.CanvasForm().Canvas().Selection().Empty());
    // Font bar changes with nothing selected change nothing.
    const std::uint64_t revision = app.Tree().Revision();
    app.MainForm().FontSize()->setValue(30);
    EXPECT_EQ(app.Tree().Revision(), revision);
}

// Ctrl+P, as the keyboard sends it, opens the print preview; the scripted
// preview prints to a PDF file at the scale chosen in it. Fitted, the
// drawing fills the page's width; at 100 % it is as wide as the canvas is
// at 96 pixels to the inch. A cancelled preview prints nothing.
TEST_F(MainWindowTest, CtrlPPrintsTheDrawingFittedToThePageOrAtItsOwnSize)
{
    app.CanvasForm().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&app.CanvasForm()));
    TCanvasWindow& canvas = app.CanvasForm().Canvas();
    ASSERT_EQ(canvas.ImageWidth(), 400);
    TTreeNode* box = DrawRectangle({10, 10}, {390, 390});
    TRect bounds;
    ASSERT_EQ(app.Tree().PointToXY(box, bounds), 0);
    ASSERT_EQ(bounds.Right - bounds.Left, 380);
    app.Tree().ChangeItem(box, [](TItemObject& item) {
        item.Brush = {RGB(0, 0, 200), bsSolid};
        item.Text = Utf8ToCp932("印刷する文字");
    });
    const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    const QString pdfinfo = QStandardPaths::findExecutable(QStringLiteral("pdfinfo"));
    struct TCase {
        TPrintScale Scale;
        const char* File;
        double InkInches; // the drawing's width on the first page
        std::int32_t CanvasWidth;
        int Pages;
    };
    // A4 is 8.27 inches wide; the printer's margins leave about 7.6 of it to
    // the 400 pixels of the canvas. At 100 % a canvas of 1 600 pixels (16.7
    // inches) takes three pages across, the box on the first.
    const TCase cases[] = {{TPrintScale::FitToPage, "fit.pdf", 7.6 * 380 / 400, 400, 1},
                           {TPrintScale::ActualSize, "actual.pdf", 380 / 96.0, 400, 1},
                           {TPrintScale::FitToPage, "wide-fit.pdf", 7.6 * 380 / 1600, 1600, 1},
                           {TPrintScale::ActualSize, "wide-actual.pdf", 380 / 96.0, 1600, 3}};
    for (const TCase& c : cases) {
        TCanvasGeometry geometry = app.Tree().CanvasGeometry();
        geometry.Width = c.CanvasWidth;
        app.Tree().SetCanvasGeometry(geometry);
        dialogs->printAnswers.push_back({c.Scale, Path(c.File)});
        QTest::keyClick(Picture(), Qt::Key_P, Qt::ControlModifier);
        ASSERT_TRUE(QFile::exists(Path(c.File))) << c.File;
        if (pdftoppm.isEmpty() || pdftotext.isEmpty() || pdfinfo.isEmpty())
            continue;
        QProcess info;
        info.start(pdfinfo, {Path(c.File)});
        ASSERT_TRUE(info.waitForFinished());
        EXPECT_TRUE(QString::fromUtf8(info.readAllStandardOutput())
                        .contains(QRegularExpression(QStringLiteral("Pages: +%1\\n").arg(c.Pages))))
            << c.File;
        QProcess::execute(pdftoppm, {QStringLiteral("-r"), QStringLiteral("20"), QStringLiteral("-png"),
                                     QStringLiteral("-singlefile"), QStringLiteral("-f"), QStringLiteral("1"), Path(c.File), Path(c.File)});
        const QImage page(Path(c.File) + QStringLiteral(".png"));
        ASSERT_FALSE(page.isNull());
        int left = page.width();
        int right = -1;
        for (int y = 0; y < page.height(); ++y) {
            for (int x = 0; x < page.width(); ++x) {
                if (qBlue(page.pixel(x, y)) > 150 && qRed(page.pixel(x, y)) < 100) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
            }
        }
        EXPECT_NEAR((right - left + 1) / 20.0, c.InkInches, 0.35) << c.File;
        QProcess text;
        text.start(pdftotext, {Path(c.File), QStringLiteral("-")});
        ASSERT_TRUE(text.waitForFinished());
        EXPECT_TRUE(QString::fromUtf8(text.readAllStandardOutput()).contains(QStringLiteral("印刷する文字")));
    }
    EXPECT_EQ(dialogs->printRequests, 4);
    // Cancelled: nothing printed, and the drawing untouched.
    const std::uint64_t revision = app.Tree().Revision();
    MenuItem(QStringLiteral("印刷(&P)..."))->trigger();
    EXPECT_EQ(dialogs->printRequests, 5);
    EXPECT_EQ(app.Tree().Revision(), revision);
}

} // namespace
} // namespace qm

namespace qm {
namespace {

// Ctrl+A selects every item of the drawing (not what lies in the trash),
// and belongs to the text while the tree window's rename editor has it.
TEST_F(MainWindowTest, CtrlASelectsTheDrawingButNotInTheRenameEditor)
{
    TTreeNode* first = DrawRectangle({40, 40}, {120, 90});
    TTreeNode* second = DrawRectangle({200, 100}, {260, 200});
    DrawRectangle({300, 300}, {350, 350});
    MenuItem(QStringLiteral("削除(&D)"))->trigger(); // into the trash
    FocusCanvas();
    KeyToFocus(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(app.CanvasForm().Canvas().Selection().Nodes(), (std::vector<TTreeNode*>{first, second}));
    EXPECT_TRUE(app.CanvasForm().Canvas().MarksShown());
    EXPECT_EQ(MenuItem(QStringLiteral("すべて選択(&A)"))->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_A));

    app.CanvasForm().Canvas().SelectFromTree(first);
    app.TreeForm().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&app.TreeForm()));
    auto* view = app.TreeForm().findChild<QTreeView*>();
    ASSERT_TRUE(view);
    view->setFocus();
    view->edit(app.TreeForm().Model().IndexOf(second));
    auto* rename = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_TRUE(rename);
    KeyToFocus(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(rename->selectedText(), rename->text());
    EXPECT_EQ(app.CanvasForm().Canvas().Selection().Nodes(), (std::vector<TTreeNode*>{first}));
}

// Ctrl+D copies the selection in place, shifted by the paste step, and
// selects the copies; the clipboard is left alone; one step "複製".
TEST_F(MainWindowTest, CtrlDDuplicatesTheSelectionAndLeavesTheClipboard)
{
    TTreeNode* box = DrawRectangle({40, 40}, {120, 90});
    const std::size_t clipboard = app.Tree().TempNode()->ChildCount();
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    FocusCanvas();
    QTest::mouseClick(Picture(), Qt::LeftButton, {}, {390, 390});
    QTest::mouseClick(Picture(), Qt::LeftButton, {}, {80, 65});
    ASSERT_EQ(app.CanvasForm().Canvas().Selection().First(), box);
    KeyToFocus(Qt::Key_D, Qt::ControlModifier);
    TTreeNode* copy = app.Tree().ObjectRoot()->LastChild();
    ASSERT_NE(copy, box);
    EXPECT_EQ(copy->Data()->X, box->Data()->X + 10);
    EXPECT_EQ(copy->Data()->Y, box->Data()->Y + 10);
    EXPECT_EQ(copy->Data()->Points, box->Data()->Points);
    EXPECT_EQ(app.CanvasForm().Canvas().Selection().Nodes(), std::vector<TTreeNode*>{copy});
    EXPECT_EQ(static_cast<std::size_t>(app.Tree().TempNode()->ChildCount()), clipboard);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
    EXPECT_EQ(app.Tree().History().UndoName(), "複製");
    KeyToFocus(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(app.Tree().ObjectRoot()->LastChild(), box);
}

// The four z-order keys move the selected item among its siblings; the
// canvas draws in the new order, the tree window's rows and the saved file
// follow it, and each is one step of the history named as its menu item,
// which undo takes back and redo does again.
TEST_F(MainWindowTest, TheZOrderKeysRestackTheSelectionAndTheFileKeepsIt)
{
    // Four overlapping boxes, a drawn first and so at the bottom.
    const QPoint corners[] = {{40, 40}, {60, 60}, {80, 80}, {100, 100}};
    std::vector<TTreeNode*> boxes;
    for (const QPoint& corner : corners) {
        boxes.push_back(DrawRectangle(corner, corner + QPoint(100, 100)));
        app.Tree().SetCaption(boxes.back(), std::string(1, static_cast<char>('a' + boxes.size() - 1)));
    }
    struct TRestackCase {
        const char* Caption;
        Qt::Key Key;
        Qt::KeyboardModifiers Modifiers;
        std::size_t Selected;
        std::vector<std::string> Order;
    };
    const TRestackCase cases[] = {
        {"最前面へ移動", Qt::Key_BracketRight, Qt::ControlModifier | Qt::ShiftModifier, 1, {"a", "c", "d", "b"}},
        {"前面へ移動", Qt::Key_BracketRight, Qt::ControlModifier, 1, {"a", "c", "b", "d"}},
        {"背面へ移動", Qt::Key_BracketLeft, Qt::ControlModifier, 2, {"a", "c", "b", "d"}},
        {"最背面へ移動", Qt::Key_BracketLeft, Qt::ControlModifier | Qt::ShiftModifier, 2, {"c", "a", "b", "d"}},
    };
    FocusCanvas();
    const std::vector<std::string> original = DrawingOrder(app.Tree());
    ASSERT_EQ(original, (std::vector<std::string>{"a", "b", "c", "d"}));
    for (const TRestackCase& restack : cases) {
        SCOPED_TRACE(restack.Caption);
        app.CanvasForm().Canvas().SelectFromTree(boxes[restack.Selected]);
        const QKeySequence keys(restack.Key | restack.Modifiers);
        EXPECT_TRUE(MenuItem(QString::fromUtf8(restack.Caption))->shortcuts().contains(keys));
        KeyToFocus(restack.Key, restack.Modifiers);
        EXPECT_EQ(DrawingOrder(app.Tree()), restack.Order);
        EXPECT_EQ(TreeRows(), restack.Order);
        EXPECT_EQ(app.Tree().History().UndoName(), restack.Caption);
        // Hit testing follows the new order where the boxes overlap.
        EXPECT_EQ(app.Tree().HitTest(145, 145, app.Tree().ObjectRoot())->Text(), restack.Order.back());
        const QString path = Path("order.dof");
        WriteDocument(path, app.Tree(), app.Tree().CanvasGeometry());
        const TDocument saved = ReadDocument(path);
        EXPECT_EQ(DrawingOrder(*saved.Tree), restack.Order);
        EXPECT_EQ(ListOrder(*saved.Tree), restack.Order);
        KeyToFocus(Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(DrawingOrder(app.Tree()), original);
        EXPECT_EQ(TreeRows(), original);
        KeyToFocus(Qt::Key_Y, Qt::ControlModifier);
        EXPECT_EQ(DrawingOrder(app.Tree()), restack.Order);
        EXPECT_EQ(TreeRows(), restack.Order);
        KeyToFocus(Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(ListOrder(app.Tree()), original);
    }
}

// Drawings opened or saved are offered under 最近使ったファイル, newest
// first, at most eight, kept in the settings file; an entry whose file is
// gone leaves the list with the file error, a damaged entry is dropped.
TEST_F(MainWindowTest, RecentFilesListTheDrawingsOpenedOrSavedAndForgetMissingOnes)
{
    const auto shownFiles = [this] {
        QStringList shown;
        for (QAction* entry : MenuItem(QStringLiteral("最近使ったファイル"))->menu()->actions())
            shown.append(entry->text());
        return shown;
    };
    EXPECT_TRUE(shownFiles().isEmpty());
    EXPECT_FALSE(MenuItem(QStringLiteral("最近使ったファイル"))->isEnabled());
    DrawRectangle({40, 40}, {120, 90});
    QStringList saved;
    for (int i = 0; i < 9; ++i) {
        const QString name = QStringLiteral("図面%1").arg(i);
        dialogs->saveAnswers.push_back(TUserDialogs::TSaveChoice{folder.filePath(name), 1});
        MenuItem(QStringLiteral("名前をつけて保存(&A)..."))->trigger();
        saved.prepend(folder.filePath(name + QStringLiteral(".dof")));
    }
    saved = saved.mid(0, 8);
    QStringList expected;
    for (const QString& path : saved)
        expected.append(QDir::toNativeSeparators(path));
    EXPECT_EQ(shownFiles(), expected);
    const TIniFile settings(folder.filePath(QStringLiteral("quillmark.ini")).toStdString());
    EXPECT_EQ(Cp932ToQString(settings.ReadString("RecentFiles", "File1", "")), saved.front());

    // Chosen, an older entry opens and comes first.
    dialogs->confirmAnswers = {true};
    MenuItem(QStringLiteral("新規作成(&N)"))->trigger();
    MenuItem(QStringLiteral("最近使ったファイル"))->menu()->actions().at(3)->trigger();
    EXPECT_EQ(app.Files().DocumentPath(), saved[3]);
    EXPECT_EQ(app.Tree().ObjectRoot()->ChildCount(), 1 + 1); // the rectangle and the trash
    EXPECT_EQ(shownFiles().front(), QDir::toNativeSeparators(saved[3]));

    // A file that is gone: the error, and the entry leaves the list.
    QFile::remove(saved[5]);
    QString shownError;
    test::WhenModalShows([&shownError](QWidget* box) {
        if (auto* message = qobject_cast<QMessageBox*>(box))
            shownError = message->text();
    });
    const int before = static_cast<int>(shownFiles().size());
    const int gone = static_cast<int>(shownFiles().indexOf(QDir::toNativeSeparators(saved[5])));
    MenuItem(QStringLiteral("最近使ったファイル"))->menu()->actions().at(gone)->trigger();
    EXPECT_TRUE(shownError.contains(QStringLiteral(" は開けません"))) << shownError.toStdString();
    EXPECT_EQ(shownFiles().size(), before - 1);
    EXPECT_FALSE(shownFiles().contains(QDir::toNativeSeparators(saved[5])));
    EXPECT_EQ(app.Files().DocumentPath(), saved[3]);

    // An entry whose bytes no longer make a path is left out; the next
    // editor reads the list from the settings file.
    {
        TIniFile damaged(folder.filePath(QStringLiteral("quillmark.ini")).toStdString());
        damaged.WriteString("RecentFiles", "File2", "C:\\\x81\x7f\xff.dof");
    }
    TEditorApplication next(Places(), Exporters(), nullptr,
                            [](QWidget*, TMessageForm1&) { return std::make_unique<test::TScriptedDialogs>(); });
    QStringList nextShown;
    for (QAction* entry : test::MenuItem(*next.MainForm().menuBar(), QStringLiteral("最近使ったファイル"))->menu()->actions())
        nextShown.append(entry->text());
    EXPECT_EQ(nextShown.size(), before - 2);
    EXPECT_EQ(nextShown.front(), QDir::toNativeSeparators(saved[3]));
}

} // namespace
} // namespace qm

namespace qm {
namespace {

// Ctrl+C puts the selection on the desktop's clipboard as a drawing, a PNG
// and SVG; another editor pastes the drawing, this one after 新規作成 too.
// Other programs' text becomes a text item; their pictures are refused in
// the status bar.
TEST_F(MainWindowTest, TheDesktopClipboardCarriesDrawingsBetweenEditorsAndTakesText)
{
    TTreeNode* box = DrawRectangle({40, 40}, {120, 90});
    FocusCanvas();
    KeyToFocus(Qt::Key_C, Qt::ControlModifier);
    const QMimeData* offered = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(offered);
    EXPECT_TRUE(offered->hasFormat(QString::fromLatin1(TSystemClipboard::kMimeType)));
    // Other programs choose among the formats listed; the pictures are drawn when asked for.
    EXPECT_TRUE(offered->formats().contains(QStringLiteral("image/png")));
    EXPECT_TRUE(offered->formats().contains(QStringLiteral("image/svg+xml")));
    const QImage pixels = QImage::fromData(offered->data(QStringLiteral("image/png")), "PNG");
    EXPECT_EQ(pixels.size(), QSize(app.CanvasForm().Canvas().ImageWidth(), app.CanvasForm().Canvas().ImageHeight()));
    EXPECT_TRUE(offered->data(QStringLiteral("image/svg+xml")).contains("<svg"));

    TEditorApplication other(Places(), Exporters(), nullptr,
                             [](QWidget*, TMessageForm1&) { return std::make_unique<test::TScriptedDialogs>(); });
    QAction* otherPaste = test::MenuItem(*other.MainForm().menuBar(), QStringLiteral("貼り付け(&P)"));
    ASSERT_TRUE(otherPaste->isEnabled());
    otherPaste->trigger();
    const TTreeNode* pasted = other.Tree().ObjectRoot()->LastChild();
    ASSERT_EQ(pasted->Data()->ItemType, itRectangle);
    EXPECT_EQ(pasted->Data()->Points, box->Data()->Points);
    EXPECT_TRUE(pasted->Data()->Active);
    EXPECT_EQ(other.Tree().History().UndoName(), "貼り付け");
    EXPECT_EQ(other.Tree().History().DoneCount(), 1u);

    dialogs->confirmAnswers = {true};
    MenuItem(QStringLiteral("新規作成(&N)"))->trigger();
    FocusCanvas();
    KeyToFocus(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(app.Tree().ObjectRoot()->LastChild()->Data()->ItemType, itRectangle);

    QGuiApplication::clipboard()->setText(QStringLiteral("外の文字"));
    KeyToFocus(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(app.Tree().ObjectRoot()->LastChild()->Data()->Text, Utf8ToCp932("外の文字"));

    const std::size_t nodes = app.Tree().NodeCount();
    QImage picture(20, 20, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QGuiApplication::clipboard()->setImage(picture);
    KeyToFocus(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(app.Tree().NodeCount(), nodes);
    EXPECT_TRUE(app.CanvasForm().StatusText().contains(QStringLiteral("画像"))) << app.CanvasForm().StatusText().toStdString();
}

// Drawing data on the clipboard that is damaged, cut short or of a newer
// version is refused with the file error, and the drawing stays as it was.
TEST_F(MainWindowTest, DamagedDrawingDataOnTheClipboardIsRefusedAndChangesNothing)
{
    DrawRectangle({40, 40}, {120, 90});
    MenuItem(QStringLiteral("コピー(&C)"))->trigger();
    const QByteArray good = QGuiApplication::clipboard()->mimeData()->data(QString::fromLatin1(TSystemClipboard::kMimeType));
    ASSERT_GT(good.size(), 8);
    QByteArray newer = good;
    newer[3] = 2; // the version, big-endian
    struct TBadCase {
        const char* Name;
        QByteArray Data;
    };
    const TBadCase cases[] = {
        {"cut short", good.left(good.size() / 2)},
        {"a newer version", newer},
        {"no document", good.left(4) + QByteArray("garbage")},
        {"nothing at all", QByteArray()},
    };
    for (const TBadCase& bad : cases) {
        SCOPED_TRACE(bad.Name);
        auto mime = std::make_unique<QMimeData>();
        mime->setData(QString::fromLatin1(TSystemClipboard::kMimeType), bad.Data);
        QGuiApplication::clipboard()->setMimeData(mime.release());
        const std::string before = Describe(app.Tree().FirstTopLevelNode());
        const std::size_t steps = app.Tree().History().DoneCount();
        dialogs->errors.clear();
        MenuItem(QStringLiteral("貼り付け(&P)"))->trigger();
        ASSERT_EQ(dialogs->errors.size(), 1u);
        EXPECT_TRUE(dialogs->errors.front().contains(QStringLiteral("クリップボード は開けません")))
            << dialogs->errors.front().toStdString();
        EXPECT_EQ(Describe(app.Tree().FirstTopLevelNode()), before);
        EXPECT_EQ(app.Tree().History().DoneCount(), steps);
    }
}

} // namespace
} // namespace qm
