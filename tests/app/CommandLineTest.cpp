#include "../io/IoTestSupport.h"
#include "../model/TreeTestSupport.h"

#include "app/CommandLine.h"
#include "canvas/FileFormats.h"
#include "io/DocumentReader.h"
#include "io/DocumentWriter.h"
#include "platform/ShiftJis.h"
#include "qtplatform/Picture.h"
#include "qtplatform/QtBitmap.h"
#include "render/BitmapX.h"
#include "render/DocumentRenderer.h"
#include "WritableRecord.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace qm {
namespace {

struct TRun {
    int ExitCode = -1;
    QString Errors;
};

// The conversion in a process of its own, as from a shell without a display.
TRun Convert(const QStringList& arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(name);
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(QM_CONVERT_CLI), arguments);
    if (!process.waitForFinished(60000))
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardError())};
}

QByteArray Bytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class CommandLineTest : public ::testing::Test {
protected:
    // A drawing of 300 x 200 with a filled, outlined, labelled rectangle, an
    // ellipse, a dashed line and an item in the trash.
    QString WriteDrawing(const QString& name, TCanvasGeometry canvas = {300, 200, 10})
    {
        TObjectTree tree;
        TTreeNode* root = tree.ObjectRoot();
        TTreeNode* box = test::AddShape(tree, root, itRectangle, {{20, 20}, {180, 20}, {180, 120}, {20, 120}});
        tree.PointToCenter(box);
        Writable(box)->Brush = {RGB(255, 230, 160), bsSolid};
        Writable(box)->Pen = {RGB(160, 80, 0), 3, psSolid, TPenMode::pmCopy};
        Writable(box)->Text = Utf8ToCp932("変換");
        TTreeNode* ellipse = test::AddShape(tree, root, itEllipse, {{200, 30}, {280, 30}, {280, 90}, {200, 90}});
        tree.PointToCenter(ellipse);
        Writable(ellipse)->Brush = {clBlue, bsDiagCross};
        TTreeNode* line = test::AddShape(tree, root, itLine, {{10, 180}, {290, 150}});
        Writable(line)->Pen = {clRed, 2, psDash, TPenMode::pmCopy};
        TTreeNode* trashed =
            test::AddShape(tree, tree.TrashNode(), itRectangle, {{0, 0}, {300, 0}, {300, 200}, {0, 200}});
        Writable(trashed)->Active = false;
        Writable(trashed)->Brush = {clBlack, bsSolid};
        const QString path = dir_.filePath(name);
        WriteDocument(path, tree, canvas);
        return path;
    }

    // The drawing as the editor's canvas holds it: white, no grid, every active item.
    static QImage Rendered(const QString& document)
    {
        const TDocument read = ReadDocument(document);
        TBitmapX surface;
        surface.InitBitmap(read.Canvas->Width, read.Canvas->Height);
        ClearCanvas(surface, TCanvasBackground{});
        TDocumentRenderer(*read.Tree, surface).RepaintAll();
        return BitmapImage(surface.Bitmap()).copy();
    }

    QStringList Files() const { return QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

    QTemporaryDir dir_;
};

TEST_F(CommandLineTest, ConvertsToBitmapPngMetafileSvgPdfAndTheSameDocumentBytes)
{
    const QString input = WriteDrawing("図面.dof");
    const QString bmp = dir_.filePath("図面.bmp");
    const QString png = dir_.filePath("図面.PNG");
    const QString emf = dir_.filePath("図面.emf");
    const QString dof = dir_.filePath("again.dof");
    const QString svg = dir_.filePath("図面.svg");
    const QString pdf = dir_.filePath("図面.Pdf");
    for (const QString& output : {bmp, png, emf, dof, svg, pdf}) {
        const TRun run = Convert({"--convert", input, output});
        EXPECT_EQ(run.ExitCode, 0) << output.toStdString();
        EXPECT_TRUE(run.Errors.isEmpty()) << run.Errors.toStdString();
    }

    EXPECT_TRUE(Bytes(bmp).startsWith("BM"));
    const QImage bitmap = QImage(bmp).convertToFormat(QImage::Format_RGB32);
    const QImage expected = Rendered(input);
    ASSERT_EQ(bitmap.size(), QSize(300, 200));
    EXPECT_EQ(bitmap, expected);
    EXPECT_EQ(bitmap.pixel(0, 0), qRgb(255, 255, 255)); // no grid line in the corner
    EXPECT_EQ(QImage(png).convertToFormat(QImage::Format_RGB32), bitmap);
    EXPECT_EQ(Bytes(dof), Bytes(input));
    // An enhanced metafile of the canvas size, as a reader takes it.
    const TPictureRead metafile = ReadPictureFile(emf);
    ASSERT_TRUE(metafile.Picture) << metafile.Error;
    EXPECT_EQ(metafile.Picture->Width(), 300);
    EXPECT_EQ(metafile.Picture->Height(), 200);
    // The vector files, with the drawing's text as text (the outside readers'
    // tests are in canvas_tests).
    const QByteArray svgBytes = Bytes(svg);
    EXPECT_TRUE(svgBytes.startsWith("<?xml"));
    EXPECT_TRUE(svgBytes.contains("<svg width=\"300\" height=\"200\""));
    EXPECT_TRUE(svgBytes.contains(">変</text>")) << svgBytes.toStdString();
    EXPECT_TRUE(Bytes(pdf).startsWith("%PDF-"));
}

TEST_F(CommandLineTest, FailuresSayWhichFileAndWhyOnOneLineAndLeaveNoOutput)
{
    const QString input = WriteDrawing("plan.dof");
    QFile corrupt(dir_.filePath("corrupt.dof"));
    ASSERT_TRUE(corrupt.open(QIODevice::WriteOnly));
    corrupt.write(Bytes(input).left(100));
    corrupt.close();
    const QString absurd = WriteDrawing("absurd.dof", {100000, 100000, 10});
    const QStringList before = Files();

    struct TCase {
        QStringList Arguments;
        QString Named;
    };
    const QString missing = dir_.filePath("missing.dof");
    const QString outputInNoFolder = dir_.filePath("no/such/folder/out.bmp");
    const TCase cases[] = {
        {{"--convert", missing, dir_.filePath("a.bmp")}, missing},
        {{"--convert", corrupt.fileName(), dir_.filePath("b.bmp")}, corrupt.fileName()},
        {{"--convert", input, outputInNoFolder}, outputInNoFolder},
        {{"--convert", input, dir_.filePath("d.gif")}, dir_.filePath("d.gif")},
        {{"--convert", input, dir_.filePath("b.xyz")}, dir_.filePath("b.xyz")},
    };
    for (const TCase& failing : cases) {
        const TRun run = Convert(failing.Arguments);
        EXPECT_NE(run.ExitCode, 0) << failing.Arguments.join(' ').toStdString();
        const QString message = run.Errors.trimmed();
        EXPECT_FALSE(message.isEmpty());
        EXPECT_FALSE(message.contains('\n')) << message.toStdString();
        EXPECT_TRUE(message.contains(failing.Named)) << message.toStdString();
        EXPECT_TRUE(message.contains(": ")) << message.toStdString(); // a reason follows
    }
    // An extension that names no format: the formats there are.
    for (const char* output : {"b.xyz", "noextension"}) {
        const TRun run = Convert({"--convert", input, dir_.filePath(output)});
        EXPECT_EQ(run.ExitCode, 1);
        for (const TFileFormat& format : FileFormats())
            EXPECT_TRUE(run.Errors.contains(format.Extension())) << run.Errors.toStdString();
    }
    // An absurd canvas is refused before any picture is made for it.
    for (const char* output : {"c.bmp", "c.emf"}) {
        const TRun run = Convert({"--convert", absurd, dir_.filePath(output)});
        EXPECT_NE(run.ExitCode, 0);
        EXPECT_TRUE(run.Errors.contains(absurd + " ")) << run.Errors.toStdString();
        EXPECT_TRUE(run.Errors.contains("100000 × 100000")) << run.Errors.toStdString();
    }
    EXPECT_EQ(Files(), before);

    // A folder that takes no new file.
    QTemporaryDir lockedDir;
    const QString locked = lockedDir.filePath("out.bmp");
    test::TReadOnlyFolder readOnly(lockedDir.path());
    if (!readOnly.Active())
        GTEST_SKIP() << "this file system lets every write through";
    const TRun run = Convert({"--convert", input, locked});
    EXPECT_NE(run.ExitCode, 0);
    EXPECT_TRUE(run.Errors.contains(locked)) << run.Errors.toStdString();
    EXPECT_TRUE(run.Errors.contains(": ")) << run.Errors.toStdString();
    EXPECT_TRUE(QDir(lockedDir.path()).isEmpty());
}

TEST_F(CommandLineTest, OnlyTheConvertOptionIsAConversion)
{
    std::string program = "quillmark";
    std::string document = "plan.dof";
    char* editor[] = {program.data(), document.data()};
    EXPECT_FALSE(RunCommandLine(2, editor).has_value());
    EXPECT_FALSE(RunCommandLine(1, editor).has_value());

    const TRun incomplete = Convert({"--convert", "plan.dof"});
    EXPECT_EQ(incomplete.ExitCode, 2);
    EXPECT_TRUE(incomplete.Errors.contains("--convert"));
}

} // namespace
} // namespace qm
