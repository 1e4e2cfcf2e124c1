#include "CommandLine.h"

#include "canvas/FileFormats.h"
#include "io/DocumentReader.h"
#include "io/FileError.h"
#include "qtplatform/RasterFonts.h"
#include "render/BitmapX.h"
#include "render/DocumentRenderer.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>
#include <exception>
#include <string>
#include <string_view>

namespace qm {

namespace {

constexpr std::string_view kConvertOption = "--convert";
// A document without a canvas record gets the settings file's defaults.
// (The reader refuses a canvas record too large for a picture.)
constexpr TCanvasGeometry kDefaultCanvas{400, 400, 10};

QString Text(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

[[noreturn]] void Refuse(TFileError::TKind kind, const QString& path, const QString& reason)
{
    throw TFileError(kind, path, reason.toStdString());
}

// The format the output's extension names. An extension that names none is
// refused with the list of those there are.
const TFileFormat& OutputFormatOf(const QString& path)
{
    if (const TFileFormat* format = FileFormatOfPath(path))
        return *format;
    Refuse(TFileError::TKind::CannotCreate, path, Text("出力の種類は拡張子 %1 で選びます").arg(ExtensionList()));
}

void CheckInput(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        Refuse(TFileError::TKind::CannotOpen, path, Text("ファイルがありません"));
    if (!info.isFile() || !info.isReadable())
        Refuse(TFileError::TKind::CannotOpen, path, Text("ファイルを読めません"));
}

void CheckOutputFolder(const QString& path)
{
    const QFileInfo folder(QFileInfo(path).absolutePath());
    if (!folder.isDir())
        Refuse(TFileError::TKind::CannotCreate, path, Text("フォルダ %1 がありません").arg(folder.filePath()));
    if (!folder.isWritable())
        Refuse(TFileError::TKind::CannotCreate, path, Text("フォルダ %1 に書き込めません").arg(folder.filePath()));
}

// The drawing as the canvas shows it after a bitmap export's redraw: white
// background, no grid, no trace picture, every active item.
void RenderDrawing(const TDocument& document, const TCanvasGeometry& canvas, TBitmapX& surface)
{
    surface.InitBitmap(canvas.Width, canvas.Height);
    TCanvasBackground background;
    background.GridStep = canvas.Grid;
    ClearCanvas(surface, background);
    TDocumentRenderer(*document.Tree, surface).RepaintAll();
}

void Convert(const QString& input, const QString& output)
{
    const TFileFormat& format = OutputFormatOf(output);
    CheckInput(input);
    CheckOutputFolder(output);
    TDocument document = ReadDocument(input);
    TExportSource source{*document.Tree, document.Canvas.value_or(kDefaultCanvas), TCanvasBackground{}};
    TBitmapX surface;
    if (format.NeedsPixels) {
        RenderDrawing(document, source.Canvas, surface);
        source.Pixels = &surface.Bitmap();
    }
    format.Write(source, output);
}

// The error as one line: the message, then the reason after a colon.
std::string OneLine(const TFileError& error)
{
    std::string line = TFileError(error.Kind(), error.Path()).what();
    std::string detail = error.Detail();
    for (char& c : detail) {
        if (c == '\n' || c == '\r')
            c = ' ';
    }
    if (!detail.empty())
        line += ": " + detail;
    return line;
}

// Standard error carries the conversion's own message only; Qt's notes on
// its environment (no runtime folder, no display) are not the user's concern.
void QuietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "quillmark: %s\n", message.simplified().toLocal8Bit().constData());
}

} // namespace

std::optional<int> RunCommandLine(int argc, char** argv)
{
    if (argc < 2 || argv[1] != kConvertOption)
        return std::nullopt;
    if (argc != 4) {
        std::fprintf(stderr, "quillmark: 使い方: quillmark --convert INPUT.dof OUTPUT\n");
        return 2;
    }
    // Fonts and painting need a GUI application, but no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(QuietQtMessages);
    int applicationArgc = 1;
    std::optional<QGuiApplication> application;
    if (!QCoreApplication::instance())
        application.emplace(applicationArgc, argv);
    InstallFontSubstitutes();

    const QString input = QString::fromLocal8Bit(argv[2]);
    const QString output = QString::fromLocal8Bit(argv[3]);
    try {
        Convert(input, output);
        return 0;
    } catch (const TFileError& error) {
        std::fprintf(stderr, "quillmark: %s\n", OneLine(error).c_str());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "quillmark: %s: %s\n", input.toLocal8Bit().constData(), error.what());
    }
    return 1;
}

} // namespace qm
