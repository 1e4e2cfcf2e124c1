// Zoom and smooth drawing of the canvas window, driven as a user drives
// them: real mouse, wheel and key events sent to the real widgets. Clicks
// at any zoom select what they select at 100 %, drags move by canvas units
// on the grid, marks keep their size on the screen, the in-place editor
// lies over its item, and the view draws the drawing at its scale.
#include "InkComparison.h"
#include "ScriptedDialogs.h"

#include "app/CanvasForm1.h"
#include "app/EditorApplication.h"
#include "app/MainForm1.h"
#include "platform/IniFile.h"
#include "platform/ShiftJis.h"
#include "qtplatform/QtBitmap.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace qm {
namespace {

class CanvasZoomTest : public ::testing::Test {
protected:
    CanvasZoomTest() : app(MakeEditor()) { app->Show(); }

    std::unique_ptr<TEditorApplication> MakeEditor()
    {
        return std::make_unique<TEditorApplication>(
            TEditorApplication::TPlaces{folder.filePath(QStringLiteral("quillmark.ini")), folder.path(), QStringList{}},
            TFileCommands::TExporters{}, nullptr, [this](QWidget*, TMessageForm1&) {
                auto scripted = std::make_unique<test::TScriptedDialogs>();
                dialogs = scripted.get();
                return scripted;
            });
    }

    TCanvasForm1& Form() { return app->CanvasForm(); }
    TCanvasWindow& Canvas() { return Form().Canvas(); }
    TCanvasPicture* Picture() { return Form().findChild<TCanvasPicture*>(); }
    QString ZoomShown() { return Form().findChild<QLabel*>(QStringLiteral("ZoomLabel"))->text(); }
    QAction* MenuItem(const QString& caption) { return test::MenuItem(*app->MainForm().menuBar(), caption); }

    // An item of `type` on `vertices` (canvas units), anchored in its middle.
    TTreeNode* AddItem(TItemType type, std::initializer_list<TPoint> vertices, const char* text = "")
    {
        TObjectTree& tree = app->Tree();
        TTreeNode* node = tree.AddItem(tree.ObjectRoot(), "item", type);
        for (const TPoint& p : vertices)
            tree.AddPoint(p.x, p.y, node);
        tree.PointToCenter(node);
        tree.ChangeItem(node, [text](TItemObject& item) {
            item.Text = Utf8ToCp932(text);
            item.Brush = {RGB(255, 230, 160), bsSolid};
        });
        return node;
    }

    // The widget point at the middle of canvas unit (x, y) at the view's zoom.
    QPoint ViewPoint(int x, int y)
    {
        const double zoom = Form().Zoom();
        return QPoint(static_cast<int>(std::floor((x + 0.5) * zoom)), static_cast<int>(std::floor((y + 0.5) * zoom)));
    }

    void Click(QPoint at) { QTest::mouseClick(Picture(), Qt::LeftButton, {}, at); }
    void Move(QPoint to, Qt::KeyboardModifiers modifiers = {})
    {
        QMouseEvent move(QEvent::MouseMove, to, Picture()->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, modifiers);
        QApplication::sendEvent(Picture(), &move);
    }
    void Drag(QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::mousePress(Picture(), Qt::LeftButton, modifiers, from);
        Move(to, modifiers);
        QTest::mouseRelease(Picture(), Qt::LeftButton, modifiers, to);
    }
    // A key held down: its first press, `repeats` repeated press and release
    // pairs, then the release, sent to the focused widget.
    void HoldKey(Qt::Key key, int repeats)
    {
        QWidget* focused = QApplication::focusWidget();
        ASSERT_NE(focused, nullptr);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(focused, &press);
        for (int i = 0; i < repeats; ++i) {
            QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(), true);
            QApplication::sendEvent(focused, &release);
            QKeyEvent again(QEvent::KeyPress, key, Qt::NoModifier, QString(), true);
            QApplication::sendEvent(focused, &again);
        }
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        QApplication::sendEvent(focused, &release);
    }
    std::string UndoName() const { return std::string(app->Tree().History().UndoName()); }
    std::size_t Steps() const { return app->Tree().History().DoneCount(); }
    void Wheel(QPoint at, int delta, Qt::KeyboardModifiers modifiers)
    {
        QWheelEvent wheel(at, Picture()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(Picture(), &wheel);
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier)
    {
        QWidget* focused = QApplication::focusWidget();
        QTest::keyClick(focused ? focused : Picture(), key, modifiers);
    }
    void Activate()
    {
        Form().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&Form()));
    }

    QTemporaryDir folder;
    test::TScriptedDialogs* dialogs = nullptr;
    std::unique_ptr<TEditorApplication> app;
};

struct TKindCase {
    const char* Name;
    TItemType Type;
    std::initializer_list<TPoint> Vertices;
};

// Items of every kind, apart from each other on the 400 x 400 canvas.
const TKindCase kKinds[] = {
    {"Rectangle", itRectangle, {{20, 20}, {120, 20}, {120, 90}, {20, 90}}},
    {"Ellipse", itEllipse, {{200, 20}, {330, 20}, {330, 110}, {200, 110}}},
    {"Line", itLine, {{30, 160}, {150, 230}}},
    {"Arrow", itArrow, {{220, 160}, {360, 180}, {300, 240}}},
    {"Curve", itCurve, {{30, 290}, {70, 380}, {110, 290}, {150, 380}}},
    {"Polygon", itPolygon, {{230, 280}, {370, 300}, {330, 380}, {240, 370}}},
};

// A click at the middle of each item's box selects that item alone, at
// every zoom, through real mouse events on the canvas.
TEST_F(CanvasZoomTest, AClickSelectsTheSameItemAtEveryZoom)
{
    std::vector<TTreeNode*> nodes;
    for (const TKindCase& kind : kKinds)
        nodes.push_back(AddItem(kind.Type, kind.Vertices));
    Canvas().Repaint();
    for (const double zoom : {1.0, 4.0, 0.25, 2.0, 1.0 / 3}) {
        Form().SetZoom(zoom);
        ASSERT_DOUBLE_EQ(Form().Zoom(), zoom);
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            TRect box;
            ASSERT_EQ(app->Tree().PointToXY(nodes[i], box), 0);
            // The empty corner: the first click hides the marks, the second
            // leaves nothing selected.
            Click(ViewPoint(395, 395));
            Click(ViewPoint(395, 394));
            ASSERT_TRUE(Canvas().Selection().Empty()) << zoom;
            Click(ViewPoint((box.Left + box.Right) / 2, (box.Top + box.Bottom) / 2));
            ASSERT_EQ(Canvas().Selection().Size(), 1u) << kKinds[i].Name << " at " << zoom;
            EXPECT_EQ(Canvas().Selection().First(), nodes[i]) << kKinds[i].Name << " at " << zoom;
        }
    }
}

// A drag of a selected item at 200 % moves it by half as many canvas units,
// snapped to the grid in canvas units; a handle a few screen pixels off its
// centre is hit, as at 100 %, and one beyond its screen size is not.
TEST_F(CanvasZoomTest, DragsMoveByCanvasUnitsAndHandlesAreHitAtTheirScreenSize)
{
    TTreeNode* box = AddItem(itRectangle, {{100, 100}, {200, 100}, {200, 160}, {100, 160}});
    Canvas().Repaint();
    for (const double zoom : {2.0, 4.0, 0.5}) {
        Form().SetZoom(zoom);
        Click(ViewPoint(395, 395));
        Click(ViewPoint(395, 394));
        const std::int32_t x = box->Data()->X;
        const std::int32_t y = box->Data()->Y;
        Click(ViewPoint(x, y));
        ASSERT_EQ(Canvas().Selection().First(), box) << zoom;
        // 40 canvas units right, 20 down, whatever the zoom. (A press where
        // the click was would open the in-place editor.)
        Drag(ViewPoint(x + 3, y + 3), ViewPoint(x + 43, y + 23));
        EXPECT_EQ(box->Data()->X, x + 40) << zoom;
        EXPECT_EQ(box->Data()->Y, y + 20) << zoom;

        // The bottom-right handle, pressed 4 screen pixels off its centre.
        TRect bounds;
        app->Tree().PointToXY(box, bounds);
        const QPoint corner = ViewPoint(bounds.Right, bounds.Bottom);
        QTest::mousePress(Picture(), Qt::LeftButton, {}, corner + QPoint(4, 4));
        EXPECT_EQ(Canvas().Hit().Part, TMarkPart::BottomRight) << zoom;
        QTest::mouseRelease(Picture(), Qt::LeftButton, {}, corner + QPoint(4, 4));
        Click(ViewPoint(395, 395));
        Click(ViewPoint(box->Data()->X, box->Data()->Y));
        // Beyond the handle's 5 screen pixels, outside the item: no handle.
        QTest::mousePress(Picture(), Qt::LeftButton, {}, corner + QPoint(9, 9));
        EXPECT_NE(Canvas().Hit().Part, TMarkPart::BottomRight) << zoom;
        QTest::mouseRelease(Picture(), Qt::LeftButton, {}, corner + QPoint(9, 9));
    }
}

// The rectangle tool at 200 %: the rubber band and the new item lie where
// the mouse went, in canvas units.
TEST_F(CanvasZoomTest, AShapeDrawnAtAZoomLiesWhereTheMouseWent)
{
    Form().SetZoom(2);
    app->MainForm().CreateMode = true;
    app->MainForm().CurrentTool = TTool::Rectangle;
    QTest::mousePress(Picture(), Qt::LeftButton, {}, ViewPoint(40, 60));
    QMouseEvent move(QEvent::MouseMove, ViewPoint(150, 130), Picture()->mapToGlobal(ViewPoint(150, 130)), Qt::NoButton,
                     Qt::LeftButton, {});
    QApplication::sendEvent(Picture(), &move);
    EXPECT_FALSE(Canvas().Overlay().Empty()); // the rubber band shows
    QTest::mouseRelease(Picture(), Qt::LeftButton, {}, ViewPoint(150, 130));
    TTreeNode* made = app->Tree().ObjectRoot()->LastChild();
    TRect bounds;
    ASSERT_EQ(app->Tree().PointToXY(made, bounds), 0);
    EXPECT_EQ(bounds.Left, 40);
    EXPECT_EQ(bounds.Top, 60);
    EXPECT_EQ(bounds.Right, 150);
    EXPECT_EQ(bounds.Bottom, 130);
}

// A second click on a selected rectangle at 200 % opens the in-place editor
// over the item's box at twice its size, with its font twice as large.
TEST_F(CanvasZoomTest, TheInPlaceEditorOpensOverItsItemAtTwoHundredPercent)
{
    TTreeNode* box = AddItem(itRectangle, {{60, 80}, {220, 80}, {220, 160}, {60, 160}}, "文字");
    Canvas().Repaint();
    Activate();
    Form().SetZoom(2);
    const QPoint middle = ViewPoint(box->Data()->X, box->Data()->Y);
    Click(middle);
    ASSERT_EQ(Canvas().Selection().First(), box);
    Click(middle);
    auto* memo = Form().findChild<QPlainTextEdit*>();
    ASSERT_TRUE(memo && memo->isVisible());
    TRect bounds;
    app->Tree().PointToXY(box, bounds);
    EXPECT_EQ(memo->geometry(), QRect(2 * bounds.Left, 2 * bounds.Top, 2 * (bounds.Right - bounds.Left),
                                      2 * (bounds.Bottom - bounds.Top)));
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("文字"));
    EXPECT_EQ(memo->font().pixelSize(), 24); // 12 pixels at 200 %
    // Zooming while it is open keeps it over its item.
    Key(Qt::Key_0);
    EXPECT_DOUBLE_EQ(Form().Zoom(), 1);
    EXPECT_EQ(memo->geometry(), QRect(bounds.Left, bounds.Top, bounds.Right - bounds.Left, bounds.Bottom - bounds.Top));
    EXPECT_EQ(memo->font().pixelSize(), 12);
}

// The keys, the wheel with Ctrl held and the menu zoom by the usual steps
// between 10 % and 1600 %, shown in the status bar; the wheel keeps the
// canvas point under the mouse where it is. The plain wheel scrolls.
TEST_F(CanvasZoomTest, KeysWheelAndMenuZoomAndTheStatusBarShowsIt)
{
    Activate();
    EXPECT_EQ(ZoomShown(), QStringLiteral("100%"));
    struct TStep {
        Qt::Key Key;
        const char* Shown;
    };
    const TStep steps[] = {{Qt::Key_Plus, "150%"}, {Qt::Key_Equal, "200%"}, {Qt::Key_Plus, "300%"},
                           {Qt::Key_Minus, "200%"}, {Qt::Key_0, "100%"},    {Qt::Key_Minus, "67%"}};
    for (const TStep& step : steps) {
        Key(step.Key);
        EXPECT_EQ(ZoomShown(), QString::fromUtf8(step.Shown));
    }
    for (int i = 0; i < 20; ++i)
        Key(Qt::Key_Minus);
    EXPECT_EQ(ZoomShown(), QStringLiteral("10%"));
    for (int i = 0; i < 30; ++i)
        Key(Qt::Key_Plus);
    EXPECT_EQ(ZoomShown(), QStringLiteral("1600%"));
    EXPECT_EQ(Picture()->size(), QSize(6400, 6400));

    // The wheel, about the mouse point.
    MenuItem(QStringLiteral("100%"))->trigger();
    Form().resize(300, 300);
    QApplication::processEvents();
    const QPoint at(120, 90);
    Wheel(at, 120, Qt::ControlModifier);
    EXPECT_EQ(ZoomShown(), QStringLiteral("150%"));
    // Canvas point (120, 90) is still under the mouse.
    const QPoint inViewport = Picture()->mapTo(Form().findChild<QScrollArea*>()->viewport(), ViewPoint(120, 90));
    EXPECT_NEAR(inViewport.x(), at.x(), 2);
    EXPECT_NEAR(inViewport.y(), at.y(), 2);
    Wheel(ViewPoint(120, 90), -240, Qt::ControlModifier);
    EXPECT_EQ(ZoomShown(), QStringLiteral("67%"));
    // Without Ctrl the wheel scrolls and leaves the zoom.
    Form().SetZoom(4);
    QScrollBar* vertical = Form().findChild<QScrollArea*>()->verticalScrollBar();
    const int before = vertical->value();
    Wheel(ViewPoint(100, 100), -120, Qt::NoModifier);
    EXPECT_GT(vertical->value(), before);
    EXPECT_EQ(ZoomShown(), QStringLiteral("400%"));

    MenuItem(QStringLiteral("全体を表示"))->trigger();
    const QSize room = Form().findChild<QScrollArea*>()->maximumViewportSize();
    EXPECT_LE(Picture()->width(), room.width());
    EXPECT_LE(Picture()->height(), room.height());
    EXPECT_GE(std::max(Picture()->width() - room.width(), Picture()->height() - room.height()), -2);
    MenuItem(QStringLiteral("拡大"))->trigger();
    MenuItem(QStringLiteral("縮小"))->trigger();
}

// At 100 % without smoothing the window shows the picture's very pixels;
// at 200 % it shows the drawing drawn at that scale (its ink where the
// picture's ink lies, twice as large), with the marks at their own size.
TEST_F(CanvasZoomTest, TheViewDrawsTheDrawingAtItsScaleWithMarksAtTheirScreenSize)
{
    AddItem(itRectangle, {{20, 20}, {180, 20}, {180, 120}, {20, 120}}, "長方形");
    TTreeNode* ellipse = AddItem(itEllipse, {{200, 60}, {380, 60}, {380, 200}, {200, 200}}, "楕円");
    app->Tree().ChangeItem(ellipse, [](TItemObject& item) {
        item.Brush = {clBlue, bsDiagCross};
        item.Pen = {RGB(160, 0, 0), 3, psSolid, TPenMode::pmCopy};
    });
    Canvas().SetShowGrid(false);
    Canvas().Repaint();
    const QImage picture = BitmapImage(Canvas().Picture()).copy();
    EXPECT_EQ(Picture()->grab().toImage().convertToFormat(QImage::Format_RGB32), picture);

    Form().SetZoom(2);
    const QImage large = Picture()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(large.size(), QSize(800, 800));
    const QImage shrunk = large.scaled(400, 400, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    EXPECT_GE(test::InkOfFirstInSecond(picture, shrunk).Share(), 0.85);
    EXPECT_GE(test::InkOfFirstInSecond(shrunk, picture).Share(), 0.85);
    // Drawn, not blown up: a blown-up picture has only its own colours,
    // in blocks of two by two.
    int unlikeNeighbours = 0;
    for (int y = 0; y + 1 < large.height(); y += 2) {
        for (int x = 0; x + 1 < large.width(); x += 2)
            unlikeNeighbours += large.pixel(x, y) != large.pixel(x + 1, y) ? 1 : 0;
    }
    EXPECT_GT(unlikeNeighbours, 100);

    // A selection's handles are 11 screen pixels across at any zoom.
    for (const double zoom : {4.0, 0.5}) {
        Form().SetZoom(zoom);
        Click(ViewPoint(395, 395));
        const QImage plain = Picture()->grab().toImage();
        Click(ViewPoint(ellipse->Data()->X, ellipse->Data()->Y));
        ASSERT_EQ(Canvas().Selection().First(), ellipse);
        const QImage marked = Picture()->grab().toImage();
        TRect bounds;
        app->Tree().PointToXY(ellipse, bounds);
        const QPoint corner = ViewPoint(bounds.Left, bounds.Top);
        int left = corner.x();
        int right = corner.x();
        for (int x = corner.x() - 30; x <= corner.x() + 30; ++x) {
            if (x >= 0 && x < marked.width() && marked.pixel(x, corner.y() - 5) != plain.pixel(x, corner.y() - 5)) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
        EXPECT_NEAR(right - left + 1, 11, 2) << zoom;
    }

    // The marks in the view are the picture's own: smoothed at 100 %, they
    // invert the very pixels they invert on the picture.
    const auto grabbed = [this](const QRect& part) {
        return Picture()->grab(part).toImage().convertToFormat(QImage::Format_RGB32);
    };
    Form().SetZoom(1);
    Form().SetSmooth(true);
    Click(ViewPoint(395, 395));
    const QImage plainPicture = BitmapImage(Canvas().Picture()).copy();
    const QImage plainView = grabbed(Picture()->rect());
    Click(ViewPoint(ellipse->Data()->X, ellipse->Data()->Y));
    const QImage markedPicture = BitmapImage(Canvas().Picture()).copy();
    const QImage markedView = grabbed(Picture()->rect());
    int inverted = 0;
    int wrong = 0;
    for (int y = 0; y < markedView.height(); ++y) {
        for (int x = 0; x < markedView.width(); ++x) {
            const bool marked = markedPicture.pixel(x, y) != plainPicture.pixel(x, y);
            const QRgb under = plainView.pixel(x, y);
            inverted += marked ? 1 : 0;
            wrong += markedView.pixel(x, y) == (marked ? ~(qRgb(0, 0, 255) ^ under) | 0xFF000000u : under) ? 0 : 1;
        }
    }
    EXPECT_GT(inverted, 100);
    EXPECT_EQ(wrong, 0);
    // A part of the view drawn alone shows what the whole view shows there,
    // the marks crossing its edges included.
    Form().SetZoom(4);
    TRect box;
    app->Tree().PointToXY(ellipse, box);
    const QRect part(ViewPoint(box.Left, box.Top) - QPoint(37, 23), QSize(90, 70));
    EXPECT_EQ(grabbed(part), grabbed(Picture()->rect()).copy(part));
    // The marks of an item at the far end of the coordinates (a damaged
    // file's) stay out of sight at any zoom, and the view is drawn as ever.
    TTreeNode* far = AddItem(itRectangle, {{2147483000, -2147483000}, {2147483600, -2147483000}, {2147483600, -2147482000}});
    Canvas().SelectFromTree(std::vector<TTreeNode*>{ellipse, far});
    for (const double zoom : {4.0, 0.25}) {
        Form().SetZoom(zoom);
        const QRect inside = QRect(7, 5, 60, 50).intersected(Picture()->rect());
        EXPECT_EQ(grabbed(inside), grabbed(Picture()->rect()).copy(inside)) << zoom;
    }
}

// After a drag the view draws again only the part the edit changed, with
// only the items there; what it shows is what drawing the whole view anew
// shows, hard-edged and smoothed.
TEST_F(CanvasZoomTest, AfterADragTheViewShowsWhatAWholeRedrawShows)
{
    TTreeNode* box = AddItem(itRectangle, {{20, 20}, {140, 20}, {140, 100}, {20, 100}}, "長方形の文字");
    TTreeNode* ellipse = AddItem(itEllipse, {{150, 60}, {330, 60}, {330, 200}, {150, 200}}, "楕円");
    app->Tree().ChangeItem(ellipse, [](TItemObject& item) {
        item.Brush = {clBlue, bsDiagCross};
        item.Pen = {RGB(160, 0, 0), 5, psDash, TPenMode::pmCopy};
        item.Roll = 30;
    });
    Canvas().Repaint();
    auto shown = [this] { return Picture()->grab().toImage().convertToFormat(QImage::Format_RGB32); };
    for (const bool smooth : {false, true}) {
        Form().SetSmooth(smooth);
        Form().SetZoom(2);
        shown();
        for (const QPoint step : {QPoint(60, 40), QPoint(-30, 50)}) {
            const QPoint from = ViewPoint(box->Data()->X, box->Data()->Y);
            const std::uint64_t before = Canvas().SurfaceRevision();
            Drag(from, from + step);
            const TRect damage = Canvas().DamageSince(before);
            EXPECT_LT(damage.Right - damage.Left, 300) << "the drag redrew the whole surface";
            const QImage afterDrag = shown();
            Form().SetZoom(1.5); // the next view is drawn whole
            Form().SetZoom(2);
            EXPECT_EQ(afterDrag, shown()) << "smooth " << smooth;
        }
    }
}

// "なめらか表示": off by default with the picture's own pixels; on, the
// canvas smooths its edges; the choice is kept in the settings file and
// the next editor starts with it.
TEST_F(CanvasZoomTest, SmoothDrawingIsAChoiceKeptInTheSettingsFile)
{
    TTreeNode* ellipse = AddItem(itEllipse, {{40, 40}, {360, 40}, {360, 300}, {40, 300}});
    app->Tree().ChangeItem(ellipse, [](TItemObject& item) { item.Pen = {clBlack, 4, psSolid, TPenMode::pmCopy}; });
    Canvas().Repaint();
    QAction* smooth = MenuItem(QStringLiteral("なめらか表示"));
    ASSERT_TRUE(smooth->isCheckable());
    EXPECT_FALSE(smooth->isChecked());
    const QImage hard = Picture()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(hard, BitmapImage(Canvas().Picture()));
    const auto greys = [](const QImage& image) {
        int count = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                count += qRed(p) > 20 && qRed(p) < 235 && qRed(p) == qGreen(p) && qGreen(p) == qBlue(p) ? 1 : 0;
            }
        }
        return count;
    };
    smooth->trigger();
    EXPECT_TRUE(smooth->isChecked());
    EXPECT_TRUE(Form().Smooth());
    const QImage soft = Picture()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_GT(greys(soft), greys(hard) + 200); // the outline's edges are smoothed
    EXPECT_GE(test::InkOfFirstInSecond(hard, soft).Share(), 0.95);
    const TIniFile settings(folder.filePath(QStringLiteral("quillmark.ini")).toStdString());
    EXPECT_TRUE(settings.ReadBool("View", "Smooth", false));

    app.reset();
    app = MakeEditor();
    app->Show();
    EXPECT_TRUE(Form().Smooth());
    EXPECT_TRUE(MenuItem(QStringLiteral("なめらか表示"))->isChecked());
    MenuItem(QStringLiteral("なめらか表示"))->trigger();
    EXPECT_FALSE(Form().Smooth());
    EXPECT_FALSE(TIniFile(folder.filePath(QStringLiteral("quillmark.ini")).toStdString()).ReadBool("View", "Smooth", true));
}

// A drag from empty canvas with the item-select arrow shows the selection
// rectangle and selects the items wholly inside it, at every zoom; with
// Shift it adds them to the selection. No step of the history is taken.
TEST_F(CanvasZoomTest, ARubberBandSelectsTheItemsWhollyInsideItAtEveryZoom)
{
    std::vector<TTreeNode*> nodes;
    for (const TKindCase& kind : kKinds)
        nodes.push_back(AddItem(kind.Type, kind.Vertices));
    Canvas().Repaint();
    struct TBandCase {
        const char* Name;
        QPoint From;
        QPoint To;
        Qt::KeyboardModifiers Modifiers;
        std::vector<std::size_t> Selected; // indexes into kKinds
    };
    // Each band starts on empty canvas, away from the marks of what the
    // case before it selected.
    const TBandCase cases[] = {
        {"the top row", {390, 130}, {5, 5}, {}, {0, 1}},
        {"half of the ellipse is not enough", {260, 130}, {5, 5}, {}, {0}},
        {"Shift adds the lower right", {205, 150}, {395, 395}, Qt::ShiftModifier, {0, 3, 5}},
        {"a band around nothing selects nothing", {170, 125}, {190, 150}, {}, {}},
        {"the whole canvas", {399, 399}, {2, 2}, {}, {0, 1, 2, 3, 4, 5}},
    };
    const std::size_t steps = Steps();
    for (const double zoom : {1.0, 2.0, 0.5}) {
        Form().SetZoom(zoom);
        Click(ViewPoint(395, 395));
        Click(ViewPoint(395, 394));
        for (const TBandCase& band : cases) {
            SCOPED_TRACE(std::string(band.Name) + " at " + std::to_string(zoom));
            QTest::mousePress(Picture(), Qt::LeftButton, band.Modifiers, ViewPoint(band.From.x(), band.From.y()));
            Move(ViewPoint(band.To.x(), band.To.y()), band.Modifiers);
            EXPECT_TRUE(Canvas().BandSelecting());
            EXPECT_FALSE(Canvas().Overlay().Empty());
            QTest::mouseRelease(Picture(), Qt::LeftButton, band.Modifiers, ViewPoint(band.To.x(), band.To.y()));
            EXPECT_FALSE(Canvas().BandSelecting());
            std::vector<TTreeNode*> expected;
            for (const std::size_t i : band.Selected)
                expected.push_back(nodes[i]);
            std::vector<TTreeNode*> selected = Canvas().Selection().Nodes();
            std::sort(selected.begin(), selected.end(), [&nodes](TTreeNode* a, TTreeNode* b) {
                return std::find(nodes.begin(), nodes.end(), a) < std::find(nodes.begin(), nodes.end(), b);
            });
            EXPECT_EQ(selected, expected);
            EXPECT_EQ(Canvas().MarksShown(), !expected.empty());
        }
    }
    EXPECT_EQ(Steps(), steps);
    // The band leaves no trace on the picture: with nothing selected it is
    // the drawing's own pixels.
    Form().SetZoom(1);
    Drag(ViewPoint(170, 125), ViewPoint(190, 150));
    ASSERT_TRUE(Canvas().Selection().Empty());
    EXPECT_TRUE(Canvas().Overlay().Empty());
    const QImage shown = BitmapImage(Canvas().Picture()).copy();
    Canvas().Repaint();
    EXPECT_EQ(shown, BitmapImage(Canvas().Picture()));
}

// The arrow keys move the selection by a pixel, with Shift by a grid step,
// each press one step "移動"; a held key is one step for the whole run.
TEST_F(CanvasZoomTest, ArrowKeysMoveTheSelectionAndAHeldKeyIsOneStep)
{
    TTreeNode* box = AddItem(itRectangle, {{100, 100}, {200, 100}, {200, 160}, {100, 160}});
    Canvas().Repaint();
    Activate();
    Click(ViewPoint(150, 130));
    ASSERT_EQ(Canvas().Selection().First(), box);
    ASSERT_EQ(QApplication::focusWidget(), Picture());
    struct TArrowCase {
        Qt::Key Key;
        Qt::KeyboardModifiers Modifiers;
        std::int32_t Dx;
        std::int32_t Dy;
    };
    const std::int32_t grid = Canvas().GridStep();
    const TArrowCase cases[] = {
        {Qt::Key_Left, {}, -1, 0},           {Qt::Key_Right, {}, 1, 0},
        {Qt::Key_Up, {}, 0, -1},             {Qt::Key_Down, {}, 0, 1},
        {Qt::Key_Left, Qt::ShiftModifier, -grid, 0}, {Qt::Key_Right, Qt::ShiftModifier, grid, 0},
        {Qt::Key_Up, Qt::ShiftModifier, 0, -grid},   {Qt::Key_Down, Qt::ShiftModifier, 0, grid},
    };
    for (const TArrowCase& arrow : cases) {
        SCOPED_TRACE(QKeySequence(arrow.Key | arrow.Modifiers).toString().toStdString());
        const std::int32_t x = box->Data()->X;
        const std::int32_t y = box->Data()->Y;
        const std::size_t steps = Steps();
        Key(arrow.Key, arrow.Modifiers);
        EXPECT_EQ(box->Data()->X, x + arrow.Dx);
        EXPECT_EQ(box->Data()->Y, y + arrow.Dy);
        EXPECT_EQ(Steps(), steps + 1);
        EXPECT_EQ(UndoName(), "移動");
        EXPECT_EQ(Canvas().Selection().First(), box);
    }
    const std::int32_t x = box->Data()->X;
    const std::size_t steps = Steps();
    HoldKey(Qt::Key_Right, 5);
    EXPECT_EQ(box->Data()->X, x + 6);
    EXPECT_EQ(Steps(), steps + 1);
    Key(Qt::Key_Z);
    EXPECT_EQ(box->Data()->X, x);
    // Nothing selected: the keys move nothing and take no step.
    Click(ViewPoint(395, 395));
    Click(ViewPoint(395, 394));
    ASSERT_TRUE(Canvas().Selection().Empty());
    Key(Qt::Key_Left, Qt::NoModifier);
    EXPECT_EQ(box->Data()->X, x);
    EXPECT_EQ(Steps(), steps);
}

// Escape while the mouse is still down takes back the drag (the item returns
// where it was) and the figure being made, and removes the selection
// rectangle; none of them leaves a step.
TEST_F(CanvasZoomTest, EscapeTakesBackTheDragTheFigureAndTheBandUnderWay)
{
    TTreeNode* box = AddItem(itRectangle, {{100, 100}, {200, 100}, {200, 160}, {100, 160}});
    Canvas().Repaint();
    Activate();
    Form().SetZoom(2);
    Click(ViewPoint(150, 130));
    ASSERT_EQ(Canvas().Selection().First(), box);
    const std::size_t steps = Steps();
    const std::size_t nodeCount = app->Tree().NodeCount();

    QTest::mousePress(Picture(), Qt::LeftButton, {}, ViewPoint(153, 133));
    Move(ViewPoint(213, 173));
    EXPECT_EQ(box->Data()->X, 210);
    Key(Qt::Key_Escape, Qt::NoModifier);
    EXPECT_EQ(box->Data()->X, 150);
    EXPECT_EQ(box->Data()->Y, 130);
    Move(ViewPoint(253, 193));
    QTest::mouseRelease(Picture(), Qt::LeftButton, {}, ViewPoint(253, 193));
    EXPECT_EQ(box->Data()->X, 150);
    EXPECT_EQ(Canvas().Selection().First(), box);

    for (const TTool tool : {TTool::Rectangle, TTool::Line}) {
        app->MainForm().CreateMode = true;
        app->MainForm().CurrentTool = tool;
        QTest::mousePress(Picture(), Qt::LeftButton, {}, ViewPoint(250, 250));
        Move(ViewPoint(330, 310));
        EXPECT_TRUE(Canvas().Creating());
        Key(Qt::Key_Escape, Qt::NoModifier);
        EXPECT_FALSE(Canvas().Creating());
        QTest::mouseRelease(Picture(), Qt::LeftButton, {}, ViewPoint(330, 310));
        EXPECT_EQ(app->Tree().NodeCount(), nodeCount);
    }
    // A polygon between its clicks.
    app->MainForm().CreateMode = true;
    app->MainForm().CurrentTool = TTool::Polygon;
    Click(ViewPoint(250, 250));
    Click(ViewPoint(330, 260));
    ASSERT_TRUE(Canvas().Creating());
    Key(Qt::Key_Escape, Qt::NoModifier);
    EXPECT_EQ(app->Tree().NodeCount(), nodeCount);
    EXPECT_TRUE(Canvas().Selection().Empty());

    QTest::mousePress(Picture(), Qt::LeftButton, {}, ViewPoint(20, 20));
    Move(ViewPoint(390, 390));
    ASSERT_TRUE(Canvas().BandSelecting());
    Key(Qt::Key_Escape, Qt::NoModifier);
    EXPECT_FALSE(Canvas().BandSelecting());
    QTest::mouseRelease(Picture(), Qt::LeftButton, {}, ViewPoint(390, 390));
    EXPECT_TRUE(Canvas().Selection().Empty());
    EXPECT_EQ(Steps(), steps);
}

// The file menu's print item sits before the separator above 終了, the view
// menu has the zoom items and the smoothing switch.
TEST_F(CanvasZoomTest, TheMenusOfferPrintingZoomAndSmoothing)
{
    QMenu* file = app->MainForm().menuBar()->actions().at(0)->menu();
    const QList<QAction*> items = file->actions();
    const auto print = std::find_if(items.begin(), items.end(),
                                    [](QAction* a) { return a->text() == QStringLiteral("印刷(&P)..."); });
    ASSERT_NE(print, items.end());
    EXPECT_EQ((*print)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
    ASSERT_TRUE(print + 2 < items.end());
    EXPECT_TRUE((*(print + 1))->isSeparator());
    EXPECT_EQ((*(print + 2))->text(), QStringLiteral("終了(&X)"));
    EXPECT_EQ(MenuItem(QStringLiteral("拡大"))->shortcuts(),
              (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)}));
    EXPECT_EQ(MenuItem(QStringLiteral("縮小"))->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Minus));
    EXPECT_EQ(MenuItem(QStringLiteral("100%"))->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_0));
    EXPECT_NE(MenuItem(QStringLiteral("全体を表示")), nullptr);
}

} // namespace
} // namespace qm
