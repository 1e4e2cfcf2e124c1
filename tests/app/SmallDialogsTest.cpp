#include "ScriptedDialogs.h"

#include "app/AboutBox.h"
#include "app/FileJob.h"
#include "app/MessageForm1.h"
#include "app/ProgressForm1.h"
#include "app/QtUserDialogs.h"
#include "platform/ShiftJis.h"

#include <QColorDialog>
#include <QDir>
#include <QFontDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace qm {
namespace {

const QString kNewDocumentQuestion = QStringLiteral("現在の編集中のデータは失われますがよろしいですか？");

void ClickChild(QWidget* dialog, const char* name)
{
    auto* button = dialog->findChild<QPushButton*>(QString::fromLatin1(name));
    ASSERT_NE(button, nullptr) << name;
    QTest::mouseClick(button, Qt::LeftButton);
}

TEST(MessageForm1Test, OnlyOkConfirmsAndNoAnswerCarriesOver)
{
    TMessageForm1 form;
    EXPECT_FALSE(form.Confirmed());
    EXPECT_TRUE(form.windowTitle().isEmpty());
    EXPECT_EQ(form.size(), QSize(345, 69));

    test::WhenModalShows([&form](QWidget* dialog) {
        EXPECT_EQ(dialog, &form);
        EXPECT_EQ(form.Label1()->text(), kNewDocumentQuestion);
        ClickChild(dialog, "Button1");
    });
    EXPECT_TRUE(form.Ask(kNewDocumentQuestion));

    test::WhenModalShows([](QWidget* dialog) { ClickChild(dialog, "Button2"); });
    EXPECT_FALSE(form.Ask(kNewDocumentQuestion));
    EXPECT_FALSE(form.Confirmed());

    test::WhenModalShows([](QWidget* dialog) { ClickChild(dialog, "Button1"); });
    EXPECT_TRUE(form.Ask(kNewDocumentQuestion));
    test::WhenModalShows([](QWidget* dialog) { dialog->close(); }); // the title bar's close button
    EXPECT_FALSE(form.Ask(kNewDocumentQuestion));
    test::WhenModalShows([](QWidget* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
    EXPECT_FALSE(form.Ask(kNewDocumentQuestion));

    // The program's confirmations go through this dialog.
    TQtUserDialogs dialogs(nullptr, form);
    test::WhenModalShows([](QWidget* dialog) { ClickChild(dialog, "Button1"); });
    EXPECT_TRUE(dialogs.Confirm(QStringLiteral("ごみ箱を空にしますがよろしいですか？")));
    EXPECT_EQ(form.Label1()->text(), QStringLiteral("ごみ箱を空にしますがよろしいですか？"));
}

TEST(ProgressForm1Test, AbortReportsCompletionOnlyAtTheEnd)
{
    TProgressForm1 form;
    EXPECT_TRUE(form.Completed());
    EXPECT_EQ(form.ProgressBar1()->minimum(), 0);
    EXPECT_EQ(form.ProgressBar1()->maximum(), 100);
    EXPECT_EQ(form.ProgressBar1()->value(), 0);
    auto* abort = form.findChild<QPushButton*>(QStringLiteral("Button1"));
    ASSERT_NE(abort, nullptr);
    EXPECT_EQ(abort->text(), QStringLiteral("中止"));

    for (const auto& [position, completed] : {std::pair{99, false}, std::pair{100, true}, std::pair{0, false}}) {
        form.ProgressBar1()->setValue(position);
        form.show();
        QTest::mouseClick(abort, Qt::LeftButton);
        EXPECT_EQ(form.Completed(), completed) << position;
        EXPECT_FALSE(form.isVisible());
    }
}

// Work held on its thread until it is stopped or let go: the progress
// dialog shows only after half a second, its "中止" or Esc stops the work,
// and until the work ends a window refuses what the user types and clicks.
TEST(FileJobTest, ProgressShowsLateAbortOrEscStopsTheWorkAndInputWaitsForTheEnd)
{
    QWidget window;
    auto* field = new QLineEdit(&window);
    window.show();
    field->setFocus();
    TProgressForm1 form(&window);
    std::vector<std::string> endings;
    TFileJob job(form, [&endings](const std::function<void()>& ending) {
        try {
            ending();
        } catch (const TFileCancelled&) {
            endings.push_back("cancelled");
        }
    });
    std::atomic<bool> letGo = false;
    auto heldWork = [&letGo](TFileProgress& progress) {
        while (!letGo) {
            progress.Report(40, 100);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    };
    auto completed = [&endings] { endings.push_back("completed"); };
    auto abort = form.findChild<QPushButton*>(QStringLiteral("Button1"));

    job.Start(heldWork, completed);
    QTest::keyClicks(field, "abc");
    QTest::mouseDClick(field, Qt::LeftButton);
    EXPECT_EQ(field->text(), QString());
    EXPECT_FALSE(form.isVisible());
    for (int tick = 0; tick < 100 && !form.isVisible(); ++tick)
        QTest::qWait(50);
    ASSERT_TRUE(form.isVisible());
    EXPECT_EQ(form.ProgressBar1()->value(), 40);
    QTest::mouseClick(abort, Qt::LeftButton);
    job.Wait();
    EXPECT_FALSE(form.isVisible());

    job.Start(heldWork, completed);
    QTest::keyClick(field, Qt::Key_Escape);
    job.Wait();
    EXPECT_EQ(endings, (std::vector<std::string>{"cancelled", "cancelled"}));

    // Work let go ends as completed, its progress never shown; input is taken again.
    letGo = true;
    job.Start(heldWork, completed);
    job.Wait();
    EXPECT_EQ(endings.back(), "completed");
    EXPECT_FALSE(form.isVisible());
    QTest::keyClicks(field, "abc");
    EXPECT_EQ(field->text(), QStringLiteral("abc"));
}

TEST(AboutBoxTest, ShowsNameVersionAndIconCentredOnTheScreen)
{
    TAboutBox box;
    EXPECT_EQ(box.windowTitle(), QStringLiteral("バージョン情報"));
    EXPECT_EQ(box.size(), QSize(298, 150));
    auto* name = box.findChild<QLabel*>(QStringLiteral("ProductName"));
    auto* version = box.findChild<QLabel*>(QStringLiteral("Version"));
    auto* icon = box.findChild<QLabel*>(QStringLiteral("ProgramIcon"));
    auto* ok = box.findChild<QPushButton*>(QStringLiteral("OKButton"));
    ASSERT_TRUE(name && version && icon && ok);
    EXPECT_EQ(name->text(), QStringLiteral("Quillmark"));
    EXPECT_TRUE(name->font().bold());
    EXPECT_EQ(name->font().pixelSize(), 16);
    EXPECT_EQ(version->text(), QStringLiteral("実行ファイル バージョン 1.1.0.0"));
    EXPECT_EQ(icon->pixmap().size(), QSize(32, 32));
    EXPECT_TRUE(ok->isDefault());

    box.show();
    const QPoint screenCentre = box.screen()->availableGeometry().center();
    EXPECT_LE((box.frameGeometry().center() - screenCentre).manhattanLength(), 2);
    EXPECT_GE(name->width(), name->sizeHint().width());
    EXPECT_GE(version->width(), version->sizeHint().width());
    if (const QString dir = qEnvironmentVariable("QM_SCREENSHOT_DIR"); !dir.isEmpty())
        box.grab().save(QDir(dir).filePath(QStringLiteral("about.png")));
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), QDialog::Accepted);
}

TEST(QtUserDialogsTest, ColourAndFontDialogsOpenOnWhatTheyLastHeld)
{
    TMessageForm1 form;
    TQtUserDialogs dialogs(nullptr, form);

    test::WhenModalShows([](QWidget* dialog) {
        auto* colors = qobject_cast<QColorDialog*>(dialog);
        ASSERT_NE(colors, nullptr);
        EXPECT_EQ(colors->currentColor(), QColor(Qt::black));
        colors->setCurrentColor(QColor(255, 0, 0));
        colors->accept();
    });
    EXPECT_EQ(dialogs.ChooseColor(), std::optional<TColor>(clRed));
    test::WhenModalShows([](QWidget* dialog) {
        auto* colors = qobject_cast<QColorDialog*>(dialog);
        ASSERT_NE(colors, nullptr);
        EXPECT_EQ(colors->currentColor(), QColor(255, 0, 0));
        colors->setCurrentColor(QColor(0, 0, 255));
        colors->reject();
    });
    EXPECT_EQ(dialogs.ChooseColor(), std::nullopt);
    EXPECT_EQ(dialogs.DialogColor(), clRed);

    // FontDialog1 starts on "ＭＳ Ｐゴシック" at 12 pixels; picking the font that
    // stands in for it keeps the Windows name.
    EXPECT_EQ(dialogs.DialogFont().Name, Utf8ToCp932("ＭＳ Ｐゴシック"));
    EXPECT_EQ(dialogs.DialogFont().Charset, SHIFTJIS_CHARSET);
    test::WhenModalShows([](QWidget* dialog) {
        auto* fonts = qobject_cast<QFontDialog*>(dialog);
        ASSERT_NE(fonts, nullptr);
        EXPECT_EQ(fonts->currentFont().pointSize(), 9);
        QFont bigger = fonts->currentFont();
        bigger.setPointSize(12);
        bigger.setUnderline(true);
        fonts->setCurrentFont(bigger);
        fonts->accept();
    });
    const std::optional<TFont> chosen = dialogs.ChooseFont();
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(chosen->Name, Utf8ToCp932("ＭＳ Ｐゴシック"));
    EXPECT_EQ(chosen->Height, -16);
    EXPECT_EQ(chosen->Style, fsUnderline);
    EXPECT_EQ(chosen->Charset, SHIFTJIS_CHARSET);

    test::WhenModalShows([](QWidget* dialog) {
        auto* fonts = qobject_cast<QFontDialog*>(dialog);
        ASSERT_NE(fonts, nullptr);
        EXPECT_EQ(fonts->currentFont().pointSize(), 12);
        fonts->reject();
    });
    EXPECT_EQ(dialogs.ChooseFont(), std::nullopt);
    EXPECT_EQ(dialogs.DialogFont(), *chosen);
}

} // namespace
} // namespace qm
