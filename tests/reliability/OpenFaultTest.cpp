// The whole editor, with its real readers and writers and scripted dialog
// answers, given files that are cut short, damaged or unreadable: the open
// drawing stays as it was and the file error is shown.
#include "EditorFixture.h"

#include "app/CanvasForm2.h"
#include "io/DocumentWriter.h"
#include "io/FileError.h"

#include <QAbstractButton>
#include <QDir>

#include <sys/stat.h>

namespace qm {
namespace {

using test::Bytes;
using test::Describe;
using test::Put;

class OpenFaultTest : public test::TEditorFixture {};

TEST_F(OpenFaultTest, ADamagedOrUnreadableDocumentLeavesTheDrawingAndShowsTheFileError)
{
    // A good document to be cut short and damaged.
    TObjectTree saved;
    TTreeNode* line = saved.AddItem(saved.ObjectRoot(), "line", itLine);
    saved.AddPoint(0, 0, line);
    saved.AddPoint(50, 50, line);
    WriteDocument(Path("good.dof"), saved, {640, 480, 8});
    const std::string good = Bytes(Path("good.dof"));
    Put(Path("cut.dof"), good.substr(0, good.size() / 2));
    std::string billion = good;
    // The points record's count, right after its code and id.
    const std::size_t points = billion.rfind(std::string("\x13\0\0\0", 4));
    ASSERT_NE(points, std::string::npos);
    billion.replace(points + 8, 4, std::string("\x00\xCA\x9A\x3B", 4));
    Put(Path("billion.dof"), billion);
    std::string huge = good;
    huge.replace(29, 8, std::string("\xA0\x86\x01\x00\xA0\x86\x01\x00", 8)); // a canvas of 100000 x 100000
    Put(Path("huge.dof"), huge);
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("folder.dof")));
    // A pipe would block the open; a device of zeros would be read forever.
    ASSERT_EQ(mkfifo(QFile::encodeName(Path("pipe.dof")).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), Path("zeros.dof")));

    const std::string drawing = Describe(app.Tree());
    const std::int32_t width = Canvas().ImageWidth();
    const std::int32_t height = Canvas().ImageHeight();
    for (const QString& path : {Path("cut.dof"), Path("billion.dof"), Path("huge.dof"), Unreadable("unreadable.dof"),
                                Path("folder.dof"), Path("pipe.dof"), Path("zeros.dof"), Path("missing.dof")}) {
        SCOPED_TRACE(path.toStdString());
        dialogs->confirmAnswers = {true};
        dialogs->openAnswers.push_back(path);
        const QString shown = MessageOf(QStringLiteral("開く(&O)..."));
        EXPECT_TRUE(shown.startsWith(CannotOpen(path))) << shown.toStdString();
        EXPECT_EQ(Describe(app.Tree()), drawing);
        EXPECT_EQ(Canvas().ImageWidth(), width);
        EXPECT_EQ(Canvas().ImageHeight(), height);
        EXPECT_EQ(LastDir("LastDir"), QString());
        EXPECT_FALSE(app.MainForm().SaveAction()->isEnabled());
    }
    // The good one opens.
    dialogs->confirmAnswers = {true};
    dialogs->openAnswers.push_back(Path("good.dof"));
    MenuItem(QStringLiteral("開く(&O)..."))->trigger();
    EXPECT_EQ(Describe(app.Tree()), Describe(saved));
    EXPECT_EQ(Canvas().ImageWidth(), 640);
}

TEST_F(OpenFaultTest, ADamagedOrUnreadableExtensionObjectInsertsNothingAndShowsTheFileError)
{
    Put(Path("billion.ud2"), "[System]\r\nFileType=2\r\n[0]\r\nName=x\r\nCount=1000000000\r\n");
    Put(Path("child.ud2"), "[0]\r\nName=a\r\nCoItemCount=1\r\nCoItem0=1\r\n[1]\r\nName=b\r\nCount=2000000000\r\n");
    const std::string drawing = Describe(app.Tree());
    for (const QString& path : {Path("billion.ud2"), Path("child.ud2"), Unreadable("unreadable.ud2")}) {
        SCOPED_TRACE(path.toStdString());
        dialogs->openAnswers.push_back(path);
        const QString shown = MessageOf(QStringLiteral("拡張オブジェクトの挿入"));
        EXPECT_TRUE(shown.startsWith(CannotOpen(path))) << shown.toStdString();
        EXPECT_EQ(Describe(app.Tree()), drawing);
        EXPECT_EQ(LastDir("LastDir2"), QString());
    }
    // One cut short in the middle of its keys holds no end to miss: the
    // keys it lacks take their defaults, as for any file without them.
    Put(Path("cut.ud2"), "[System]\r\nFileType=2\r\n[0]\r\nName=cut\r\nItemType=2\r\nCount=2\r\nPX0=5\r\nPY");
    dialogs->openAnswers.push_back(Path("cut.ud2"));
    MenuItem(QStringLiteral("拡張オブジェクトの挿入"))->trigger();
    const TItemObject& inserted = *app.Tree().ObjectRoot()->LastChild()->Data();
    EXPECT_EQ(inserted.Name, "cut");
    EXPECT_EQ(inserted.Count, 2);
    EXPECT_EQ(inserted.Points[0], (TPoint{5, 0}));
}

TEST_F(OpenFaultTest, ADamagedOrUnreadableTracePictureKeepsThePictureAndShowsTheFileError)
{
    // A 40 x 30 bitmap as the canvas exports it, then damaged copies.
    TBitmap bitmap(40, 30);
    bitmap.Canvas().SetBrush({clRed, bsSolid});
    bitmap.Canvas().FillRect(0, 0, 40, 30);
    ExportBitmap(bitmap, Path("good.bmp"));
    const std::string good = Bytes(Path("good.bmp"));
    Put(Path("cut.bmp"), good.substr(0, good.size() / 2));
    Put(Path("garbage.emf"), std::string(200, '\x5A'));
    ExportMetafile(Path("good.emf"), app.Tree(), 200, 200);
    const std::string emf = Bytes(Path("good.emf"));
    Put(Path("cut.emf"), emf.substr(0, emf.size() - 30));
    Put(Path("cut.wmf"), std::string("\xD7\xCD\xC6\x9A\0\0", 6));

    // The canvas settings dialog's trace switch and its browse button.
    TCanvasForm2& settings = app.SettingsForm();
    settings.findChild<QAbstractButton*>(QStringLiteral("CheckBox2"))->click();
    QAbstractButton* browse = settings.findChild<QAbstractButton*>(QStringLiteral("Button3"));
    ASSERT_TRUE(browse->isEnabled());
    dialogs->pictureAnswers = {Path("good.bmp")};
    browse->click();
    const TGraphic* shown = Canvas().TraceSwitches().Picture;
    ASSERT_NE(shown, nullptr);
    ASSERT_TRUE(dialogs->errors.empty());
    const std::string drawing = Describe(app.Tree());
    for (const QString& path : {Path("cut.bmp"), Path("garbage.emf"), Path("cut.emf"), Path("cut.wmf"),
                                Unreadable("unreadable.emf")}) {
        SCOPED_TRACE(path.toStdString());
        dialogs->pictureAnswers = {path};
        browse->click();
        ASSERT_FALSE(dialogs->errors.empty());
        EXPECT_TRUE(dialogs->errors.back().startsWith(CannotOpen(path))) << dialogs->errors.back().toStdString();
        EXPECT_EQ(Canvas().TraceSwitches().Picture, shown);
        EXPECT_EQ(settings.Picture(), shown);
        EXPECT_EQ(Describe(app.Tree()), drawing);
    }
    // The dialog passes over what is not a file; the loader refuses it too
    // rather than wait on a pipe.
    ASSERT_EQ(mkfifo(QFile::encodeName(Path("pipe.emf")).constData(), 0600), 0);
    EXPECT_THROW(LoadPicture(Path("pipe.emf")), TFileError);
}

TEST_F(OpenFaultTest, AFailedSaveAsKeepsTheFileAndTheRememberedPath)
{
    // The target is a folder: nothing can be put in its place.
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("taken.dof")));
    dialogs->saveAnswers.push_back(TUserDialogs::TSaveChoice{Path("taken.dof"), 1});
    const QString shown = MessageOf(QStringLiteral("名前をつけて保存(&A)..."));
    EXPECT_TRUE(shown.startsWith(QStringLiteral("ファイル ") + Path("taken.dof") + QStringLiteral(" を作成できません")))
        << shown.toStdString();
    EXPECT_EQ(LastDir("LastDir"), QString());
    EXPECT_FALSE(app.MainForm().SaveAction()->isEnabled());
    EXPECT_TRUE(QFileInfo(Path("taken.dof")).isDir());
}

} // namespace
} // namespace qm
