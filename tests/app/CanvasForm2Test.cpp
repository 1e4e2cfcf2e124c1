#include "ScriptedDialogs.h"

#include "../canvas/CanvasTestSupport.h"
#include "app/CanvasForm2.h"
#include "io/FileError.h"
#include "qtplatform/Bitmap.h"
#include "render/BitmapX.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace qm {
namespace {

// 254 mm over 960 pixels, as single precision.
constexpr float kMmPerPixel = 0.264583319425583f;
constexpr TColor kTraceColor = RGB(200, 40, 40);

class CanvasForm2Test : public ::testing::Test {
protected:
    CanvasForm2Test()
    {
        form.SetTraceMenuCheckReceiver([this](bool checked) { menuChecks.push_back(checked); });
    }

    // Pictures: "*.bad" cannot be read, anything else is a 30 × 20 bitmap.
    static std::unique_ptr<TGraphic> LoadPicture(const QString& path)
    {
        if (path.endsWith(QStringLiteral(".bad")))
            throw TFileError(TFileError::TKind::CannotOpen, path);
        auto picture = std::make_unique<TBitmap>(30, 20);
        picture->Canvas().SetBrush(TBrush{kTraceColor, bsSolid});
        picture->Canvas().FillRect(0, 0, 30, 20);
        return picture;
    }
    QString ExistingFile(const char* name) const
    {
        const QString path = folder.filePath(QString::fromLatin1(name));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        return path;
    }

    template <typename T>
    T* Control(const char* name) const
    {
        T* control = form.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    QSpinBox* Spin(const char* name) const { return Control<QSpinBox>(name); }
    QStringList MemoLines() const
    {
        return Control<QPlainTextEdit>("Memo1")->toPlainText().split(QLatin1Char('\n'));
    }
    void Click(const char* name) const
    {
        QAbstractButton* button = Control<QAbstractButton>(name);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    }
    // Opens the dialog, runs `interact` in it, then closes it with `button`.
    template <typename Interact>
    bool Open(Interact interact, const char* button)
    {
        test::WhenModalShows([this, interact, button](QWidget* dialog) {
            EXPECT_EQ(dialog, &form);
            interact();
            Click(button);
        });
        return form.Execute();
    }
    bool OpenAndCancel() { return Open([] {}, "Button2"); }

    test::TCanvasFixture f;
    test::TScriptedDialogs dialogs;
    TCanvasForm2 form{f.canvas, dialogs, &LoadPicture};
    std::vector<bool> menuChecks;
    QTemporaryDir temporary;
    QDir folder{temporary.path()};
};

TEST_F(CanvasForm2Test, ControlsStartAsTheFormLaysThemOut)
{
    EXPECT_EQ(form.windowTitle(), QStringLiteral("キャンバスの設定"));
    EXPECT_EQ(form.size(), QSize(365, 225));
    EXPECT_EQ(Control<QLabel>("Label4")->text(), QStringLiteral("キャンバス情報"));
    EXPECT_TRUE(Control<QPlainTextEdit>("Memo1")->isReadOnly());
    EXPECT_EQ(Control<QLabel>("Label1")->text(), QStringLiteral("Width"));
    EXPECT_EQ(Control<QLabel>("Label2")->text(), QStringLiteral("Height"));
    EXPECT_EQ(Control<QLabel>("Label3")->text(), QStringLiteral("グリッド"));
    EXPECT_EQ(Control<QCheckBox>("CheckBox1")->text(), QStringLiteral("グリッドを表示する"));
    EXPECT_EQ(form.CheckBox2()->text(), QStringLiteral("トレース用画像を使う"));
    EXPECT_EQ(Control<QPushButton>("Button3")->text(), QStringLiteral("参照"));
    EXPECT_EQ(Control<QPushButton>("Button1")->text(), QStringLiteral("OK"));
    EXPECT_EQ(Control<QPushButton>("Button2")->text(), QStringLiteral("キャンセル"));
    EXPECT_EQ(Control<QLabel>("Image1")->contentsRect().size(), QSize(120, 120));

    EXPECT_TRUE(Control<QCheckBox>("CheckBox1")->isChecked());
    EXPECT_FALSE(form.CheckBox2()->isChecked());
    EXPECT_FALSE(Control<QLineEdit>("Edit4")->isEnabled());
    EXPECT_FALSE(Control<QPushButton>("Button3")->isEnabled());
    EXPECT_EQ(Spin("UpDown3")->value(), 10);
    EXPECT_EQ(form.Picture(), nullptr);
    EXPECT_TRUE(f.canvas.ShowGrid());
    EXPECT_FALSE(f.canvas.TraceSwitches().UseTraceImage);
}

TEST_F(CanvasForm2Test, ReadOutShowsSinglePrecisionMillimetres)
{
    ASSERT_EQ(f.canvas.ImageWidth(), 400);
    ASSERT_EQ(f.canvas.MmPerPixel(), kMmPerPixel); // the screen all surfaces report
    Open([this] {
        EXPECT_EQ(MemoLines(), (QStringList{QStringLiteral("１pixel = 0.264583319425583mm"),
                                            QStringLiteral("現在の幅   = 105.83332824707mm"),
                                            QStringLiteral("現在の高さ = 105.83332824707mm")}));
        EXPECT_EQ(Spin("UpDown1")->value(), 400);
        Spin("UpDown2")->setValue(300);
        EXPECT_EQ(MemoLines(), (QStringList{QStringLiteral("１pixel = 0.264583319425583mm"),
                                            QStringLiteral("現在の幅   = 105.83332824707mm"),
                                            QStringLiteral("現在の高さ = 79.3749923706055mm"),
                                            QStringLiteral("グリッド　 = 2.64583325386047mm")}));
    }, "Button2");
    // Opened again: the three opening lines.
    Open([this] { EXPECT_EQ(MemoLines().size(), 3); }, "Button2");
}

TEST_F(CanvasForm2Test, OkAppliesSizeAndGridCancelKeepsThem)
{
    // A chosen background and a selection with its marks survive the new size.
    f.canvas.SetBackColor(clLime);
    TTreeNode* first = f.DrawRectangle(20, 20, 60, 60);
    TTreeNode* second = f.DrawRectangle(100, 100, 140, 140);
    f.Click(390, 390);
    f.Click(40, 40);
    ASSERT_TRUE(f.canvas.MarksShown());
    EXPECT_TRUE(Open([this] {
        Spin("UpDown1")->setValue(500);
        Spin("UpDown2")->setValue(300);
        Spin("UpDown3")->setValue(16);
    }, "Button1"));
    EXPECT_EQ(f.canvas.ImageWidth(), 500);
    EXPECT_EQ(f.canvas.ImageHeight(), 300);
    EXPECT_EQ(f.canvas.Surface().Bitmap().Width(), 500);
    EXPECT_EQ(f.canvas.Surface().Bitmap().Height(), 300);
    EXPECT_EQ(f.canvas.GridStep(), 16);
    EXPECT_EQ(f.canvas.BackColor(), clLime);
    EXPECT_EQ(f.canvas.Surface().Bitmap().Pixel(499, 1), clLime);
    f.Click(120, 120, true); // Shift adds to the selection
    EXPECT_EQ(f.canvas.Selection().Nodes(), (std::vector<TTreeNode*>{first, second}));

    EXPECT_FALSE(Open([this] {
        Spin("UpDown1")->setValue(200);
        Spin("UpDown3")->setValue(5);
    }, "Button2"));
    EXPECT_EQ(f.canvas.ImageWidth(), 500);
    EXPECT_EQ(f.canvas.Surface().Bitmap().Width(), 500);
    EXPECT_EQ(f.canvas.GridStep(), 16);
}

TEST_F(CanvasForm2Test, SpinnersStayInTheirRanges)
{
    Open([this] {
        QSpinBox* grid = Spin("UpDown3");
        grid->setValue(0);
        EXPECT_EQ(grid->value(), 1);
        QTest::keyClick(grid, Qt::Key_Down);
        EXPECT_EQ(grid->value(), 1);
        grid->setValue(21);
        EXPECT_EQ(grid->value(), 20);
        QTest::keyClick(grid, Qt::Key_Up);
        EXPECT_EQ(grid->value(), 20);
        Spin("UpDown1")->setValue(5000);
        Spin("UpDown2")->setValue(-3);
        EXPECT_EQ(Spin("UpDown1")->value(), 800);
        EXPECT_EQ(Spin("UpDown2")->value(), 0);
    }, "Button1");
    EXPECT_EQ(f.canvas.GridStep(), 20);
    // A height of 0 is accepted and gives an empty canvas.
    EXPECT_EQ(f.canvas.ImageWidth(), 0);
    EXPECT_EQ(f.canvas.ImageHeight(), 0);
    f.canvas.Repaint();

    Open([this] { Spin("UpDown1")->setValue(5000); }, "Button1");
    EXPECT_EQ(f.canvas.ImageWidth(), 0);
}

TEST_F(CanvasForm2Test, ACanvasBeyondTheMaximaKeepsItsSizeUnlessOkChangesIt)
{
    f.canvas.ResizeCanvas(1000, 700);
    Open([this] {
        EXPECT_EQ(Spin("UpDown1")->value(), 1000);
        EXPECT_EQ(Spin("UpDown2")->value(), 700);
        Spin("UpDown1")->setValue(1200); // never above what the canvas has
        EXPECT_EQ(Spin("UpDown1")->value(), 1000);
    }, "Button2");
    EXPECT_EQ(f.canvas.ImageWidth(), 1000);
    EXPECT_EQ(f.canvas.ImageHeight(), 700);

    Open([] {}, "Button1");
    EXPECT_EQ(f.canvas.ImageWidth(), 1000);
    EXPECT_EQ(f.canvas.ImageHeight(), 700);

    Open([this] { Spin("UpDown1")->setValue(900); }, "Button1");
    EXPECT_EQ(f.canvas.ImageWidth(), 900);
    // Once the canvas is back within the maxima, so are the spinners.
    Open([this] { Spin("UpDown1")->setValue(300); }, "Button1");
    Open([this] {
        Spin("UpDown1")->setValue(1000);
        EXPECT_EQ(Spin("UpDown1")->value(), 800);
    }, "Button2");
}

TEST_F(CanvasForm2Test, TheGridSwitchActsAtOnceAndSurvivesCancel)
{
    f.canvas.Repaint();
    ASSERT_EQ(f.canvas.Picture().Pixel(10, 5), RGB(0xC0, 0xC0, 0xC0));
    Open([this] {
        Click("CheckBox1");
        // Live while the dialog is open.
        EXPECT_FALSE(f.canvas.ShowGrid());
        EXPECT_EQ(f.canvas.Picture().Pixel(10, 5), clWhite);
    }, "Button2");
    EXPECT_FALSE(Control<QCheckBox>("CheckBox1")->isChecked());
    EXPECT_FALSE(f.canvas.ShowGrid());
    EXPECT_EQ(f.canvas.Picture().Pixel(10, 5), clWhite);

    // The main menu's "グリッド(&G)" toggles the canvas's switch; the dialog
    // shows it as it stands when it opens, without drawing again.
    f.canvas.ToggleGrid();
    EXPECT_TRUE(f.canvas.ShowGrid());
    EXPECT_EQ(f.canvas.Picture().Pixel(10, 5), RGB(0xC0, 0xC0, 0xC0));
    Open([this] {
        EXPECT_TRUE(Control<QCheckBox>("CheckBox1")->isChecked());
        f.canvas.ToggleGrid();
    }, "Button2");
    EXPECT_FALSE(f.canvas.ShowGrid());
    Open([this] { EXPECT_FALSE(Control<QCheckBox>("CheckBox1")->isChecked()); }, "Button2");
    EXPECT_FALSE(f.canvas.ShowGrid());
    EXPECT_EQ(f.canvas.Picture().Pixel(10, 5), clWhite);
}

TEST_F(CanvasForm2Test, TraceSwitchFollowsTheFileBoxAndANonExistentPictureSwitchesItOff)
{
    Open([this] {
        Click("CheckBox2");
        EXPECT_TRUE(f.canvas.TraceSwitches().UseTraceImage);
        EXPECT_TRUE(f.canvas.TraceSwitches().MenuChecked);
        EXPECT_TRUE(Control<QLineEdit>("Edit4")->isEnabled());
        EXPECT_TRUE(Control<QPushButton>("Button3")->isEnabled());

        dialogs.pictureAnswers = {std::nullopt, folder.filePath(QStringLiteral("missing.bmp"))};
        Click("Button3"); // cancelled: nothing changes
        EXPECT_TRUE(form.CheckBox2()->isChecked());
        Click("Button3");
        EXPECT_FALSE(form.CheckBox2()->isChecked());
        EXPECT_FALSE(Control<QLineEdit>("Edit4")->isEnabled());
        EXPECT_FALSE(Control<QPushButton>("Button3")->isEnabled());
        EXPECT_FALSE(f.canvas.TraceSwitches().UseTraceImage);
        EXPECT_FALSE(f.canvas.TraceSwitches().MenuChecked);
    }, "Button2");
    EXPECT_EQ(menuChecks, (std::vector<bool>{true, false}));
    ASSERT_EQ(dialogs.pictureRequests.size(), 2u);
    EXPECT_EQ(dialogs.pictureRequests[0].first, QStringLiteral("トレース用画像の設定"));
    EXPECT_EQ(dialogs.pictureRequests[0].second,
              QStringLiteral("すべてのファイル (*.bmp;*.*.emf;*.wmf)|*.bmp;*.emf;*.wmf|ビットマップ (*.bmp)|*.bmp|"
                             "エンハンス メタファイル (*.emf)|*.emf|メタファイル (*.wmf)|*.wmf"));
    EXPECT_EQ(form.Picture(), nullptr);
}

TEST_F(CanvasForm2Test, APictureIsPreviewedAndTracedAndAnUnreadableOneChangesNothing)
{
    const QString good = ExistingFile("trace.bmp");
    const QString bad = ExistingFile("broken.bad");
    const std::uint64_t revision = f.canvas.TraceSwitches().PictureRevision;
    Open([&] {
        Click("CheckBox2");
        dialogs.pictureAnswers = {good};
        Click("Button3");
        // Under the drawing at once, at its own size.
        EXPECT_EQ(f.canvas.Picture().Pixel(5, 5), kTraceColor);
        EXPECT_EQ(f.canvas.Picture().Pixel(35, 5), clWhite);
    }, "Button2");
    ASSERT_NE(form.Picture(), nullptr);
    EXPECT_EQ(form.Picture()->Width(), 30);
    EXPECT_EQ(f.canvas.TraceSwitches().Picture, form.Picture());
    EXPECT_EQ(f.canvas.TraceSwitches().PictureRevision, revision + 1);
    EXPECT_EQ(Control<QLineEdit>("Edit4")->text(), QDir::toNativeSeparators(good));
    const QPixmap preview = Control<QLabel>("Image1")->pixmap();
    ASSERT_EQ(preview.size(), QSize(120, 120));
    EXPECT_EQ(preview.toImage().pixelColor(119, 119), QColor(200, 40, 40));

    const TGraphic* before = form.Picture();
    Open([&] {
        dialogs.pictureAnswers = {bad};
        Click("Button3");
    }, "Button2");
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors.front(), QStringLiteral("ファイル %1 は開けません").arg(bad));
    EXPECT_EQ(form.Picture(), before);
    EXPECT_EQ(f.canvas.TraceSwitches().Picture, before);
    EXPECT_EQ(f.canvas.TraceSwitches().PictureRevision, revision + 1);
    EXPECT_TRUE(form.CheckBox2()->isChecked());
    EXPECT_TRUE(f.canvas.TraceSwitches().UseTraceImage);
    EXPECT_EQ(Control<QLineEdit>("Edit4")->text(), QDir::toNativeSeparators(good));
    EXPECT_EQ(f.canvas.Picture().Pixel(5, 5), kTraceColor);

    // Switched off, the picture stays loaded but is not drawn.
    form.CheckBox2()->setChecked(false);
    EXPECT_EQ(f.canvas.Picture().Pixel(5, 5), clWhite);
    EXPECT_EQ(form.Picture(), before);
}

} // namespace
} // namespace qm
