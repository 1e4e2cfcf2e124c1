#include "FileFormats.h"

#include "BitmapExport.h"
#include "MetafileExport.h"
#include "VectorExport.h"

#include "io/DocumentWriter.h"
#include "io/FileError.h"

#include <QFileInfo>

#include <array>

namespace qm {

namespace {

void WriteDocumentFile(const TExportSource& source, const QString& path)
{
    WriteDocument(path, source.Tree, source.Canvas);
}

void WriteBitmapFile(const TExportSource& source, const QString& path, TBitmapFileFormat format)
{
    if (!source.Pixels)
        throw TFileError(TFileError::TKind::CannotCreate, path);
    ExportBitmap(*source.Pixels, path, format);
}

void WriteBmpFile(const TExportSource& source, const QString& path)
{
    WriteBitmapFile(source, path, TBitmapFileFormat::Bmp);
}

void WritePngFile(const TExportSource& source, const QString& path)
{
    WriteBitmapFile(source, path, TBitmapFileFormat::Png);
}

void WriteMetafileFile(const TExportSource& source, const QString& path)
{
    ExportMetafile(path, source.Tree, source.Canvas.Width, source.Canvas.Height);
}

void WriteSvgFile(const TExportSource& source, const QString& path)
{
    ExportVectorFile(path, TVectorFormat::Svg, source.Tree, source.Canvas.Width, source.Canvas.Height,
                     source.Background);
}

void WritePdfFile(const TExportSource& source, const QString& path)
{
    ExportVectorFile(path, TVectorFormat::Pdf, source.Tree, source.Canvas.Width, source.Canvas.Height,
                     source.Background);
}

// The Save As dialog's first three types come first, in their old order.
const std::array<TFileFormat, 6>& Formats()
{
    static const std::array<TFileFormat, 6> formats = {{
        {TFileFormatId::Document, QStringLiteral("Quillmark"), {QStringLiteral("dof")},
         QStringLiteral("Quillmarkオブジェクトファイル(dof)"), true, false, WriteDocumentFile},
        {TFileFormatId::Bitmap, QStringLiteral("BMP"), {QStringLiteral("bmp")}, QStringLiteral("ビットマップ型式(bmp)"),
         false, true, WriteBmpFile},
        {TFileFormatId::Metafile, QStringLiteral("EMF"), {QStringLiteral("emf")},
         QStringLiteral("拡張メタファイル型式(emf)"), false, false, WriteMetafileFile},
        {TFileFormatId::Png, QStringLiteral("PNG"), {QStringLiteral("png")}, QStringLiteral("PNG型式(png)"), false, true,
         WritePngFile},
        {TFileFormatId::Svg, QStringLiteral("SVG"), {QStringLiteral("svg")}, QStringLiteral("SVG型式(svg)"), false, false,
         WriteSvgFile},
        {TFileFormatId::Pdf, QStringLiteral("PDF"), {QStringLiteral("pdf")}, QStringLiteral("PDF型式(pdf)"), false, false,
         WritePdfFile},
    }};
    return formats;
}

} // namespace

QString TFileFormat::Filter() const
{
    QStringList masks;
    for (const QString& extension : Extensions)
        masks.append(QStringLiteral("*") + extension);
    return Description + QStringLiteral("|") + masks.join(QLatin1Char(';'));
}

std::span<const TFileFormat> FileFormats()
{
    return Formats();
}

const TFileFormat& FileFormat(TFileFormatId id)
{
    for (const TFileFormat& format : Formats()) {
        if (format.Id == id)
            return format;
    }
    return Formats().front();
}

const TFileFormat* FileFormatOfPath(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix();
    for (const TFileFormat& format : Formats()) {
        if (format.Extensions.contains(suffix, Qt::CaseInsensitive))
            return &format;
    }
    return nullptr;
}

const TFileFormat& SaveAsFormat(int filterIndex)
{
    const auto& formats = Formats();
    if (filterIndex < 1 || filterIndex > static_cast<int>(formats.size()))
        return formats.front();
    return formats[static_cast<std::size_t>(filterIndex - 1)];
}

QString SaveAsFilter()
{
    QStringList filters;
    for (const TFileFormat& format : Formats())
        filters.append(format.Filter());
    return filters.join(QLatin1Char('|'));
}

QString OpenFilter()
{
    QStringList filters;
    for (const TFileFormat& format : Formats()) {
        if (format.CanRead)
            filters.append(format.Filter());
    }
    return filters.join(QLatin1Char('|'));
}

QString ExtensionList()
{
    QStringList extensions;
    for (const TFileFormat& format : Formats()) {
        for (const QString& extension : format.Extensions)
            extensions.append(QStringLiteral(".") + extension);
    }
    return extensions.join(QStringLiteral(", "));
}

} // namespace qm
