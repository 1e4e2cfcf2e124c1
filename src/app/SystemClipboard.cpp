#include "SystemClipboard.h"

#include "canvas/EditCommands.h"
#include "canvas/VectorExport.h"
#include "io/DocumentReader.h"
#include "io/DocumentWriter.h"
#include "io/FileError.h"
#include "qtplatform/BitmapFile.h"
#include "qtplatform/QtText.h"
#include "render/BitmapX.h"
#include "render/DocumentRenderer.h"

#include <QClipboard>
#include <QDataStream>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QTemporaryDir>

#include <memory>

namespace qm {

namespace {

const QString kClipboardName = QStringLiteral("クリップボード");
constexpr qsizetype kVersionBytes = sizeof(std::uint32_t);

// The items of `tree`'s Temp node copied under the Object root of a drawing
// of their own, shown, on the same canvas.
std::unique_ptr<TObjectTree> TempAsDrawing(const TObjectTree& tree)
{
    auto drawing = std::make_unique<TObjectTree>();
    drawing->ResetCanvasGeometry(tree.CanvasGeometry());
    for (const TTreeNode* item = tree.TempNode() ? tree.TempNode()->FirstChild() : nullptr; item;
         item = item->NextSibling()) {
        TTreeNode* copy = drawing->CopySubtreeFrom(drawing->ObjectRoot(), item);
        drawing->ChangeItem(copy, [](TItemObject& record) { record.Active = true; });
    }
    return drawing;
}

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw TFileError(TFileError::TKind::CannotOpen, path);
    return file.readAll();
}

QByteArray PngOf(TObjectTree& drawing)
{
    const TCanvasGeometry& canvas = drawing.CanvasGeometry();
    TBitmapX surface;
    surface.InitBitmap(canvas.Width, canvas.Height);
    ClearCanvas(surface, {});
    TDocumentRenderer(drawing, surface).RenderSubtree(drawing.ObjectRoot());
    return EncodeBitmapFile(surface.Bitmap(), TBitmapFileFormat::Png);
}

QByteArray SvgOf(TObjectTree& drawing)
{
    const QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("clipboard.svg"));
    const TCanvasGeometry& canvas = drawing.CanvasGeometry();
    ExportVectorFile(path, TVectorFormat::Svg, drawing, canvas.Width, canvas.Height);
    return FileBytes(path);
}

const QString kPngType = QStringLiteral("image/png");
const QString kSvgType = QStringLiteral("image/svg+xml");

// The copied drawing's own data set at once; its PNG and SVG drawn only
// when a program asks for them, since drawing a large copy takes seconds.
class TDrawingMimeData final : public QMimeData {
public:
    explicit TDrawingMimeData(std::unique_ptr<TObjectTree> drawing) : drawing_(std::move(drawing)) {}

    QStringList formats() const override { return QMimeData::formats() << kPngType << kSvgType; }
    bool hasFormat(const QString& type) const override
    {
        return type == kPngType || type == kSvgType || QMimeData::hasFormat(type);
    }

protected:
    QVariant retrieveData(const QString& type, QMetaType preferred) const override
    {
        if (type == kPngType)
            return PngOf(*drawing_);
        if (type == kSvgType)
            return SvgOf(*drawing_);
        return QMimeData::retrieveData(type, preferred);
    }

private:
    std::unique_ptr<TObjectTree> drawing_;
};

} // namespace

void TSystemClipboard::Publish()
{
    std::unique_ptr<TObjectTree> drawing = TempAsDrawing(tree_);
    const QTemporaryDir folder;
    const QString documentPath = folder.filePath(QStringLiteral("clipboard.dof"));
    WriteDocument(documentPath, *drawing, drawing->CanvasGeometry());
    QByteArray data;
    QDataStream(&data, QIODevice::WriteOnly) << kVersion;
    data += FileBytes(documentPath);
    auto mime = std::make_unique<TDrawingMimeData>(std::move(drawing));
    mime->setData(QString::fromLatin1(kMimeType), data);
    published_ = data;
    QGuiApplication::clipboard()->setMimeData(mime.release());
}

bool TSystemClipboard::OffersPaste()
{
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    return mime && (mime->hasFormat(QString::fromLatin1(kMimeType)) || mime->hasText());
}

TSystemClipboard::TContent TSystemClipboard::TakeIntoTemp()
{
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    if (!mime)
        return TContent::Nothing;
    if (mime->hasFormat(QString::fromLatin1(kMimeType))) {
        const QByteArray data = mime->data(QString::fromLatin1(kMimeType));
        if (data == published_)
            return TContent::Own;
        DecodeIntoTemp(data);
        published_ = data;
        return TContent::Drawing;
    }
    if (mime->hasText()) {
        TextIntoTemp(mime->text());
        return TContent::Text;
    }
    return mime->hasImage() ? TContent::Image : TContent::Nothing;
}

void TSystemClipboard::DecodeIntoTemp(const QByteArray& data)
{
    QDataStream stream(data);
    std::uint32_t version = 0;
    stream >> version;
    if (stream.status() != QDataStream::Ok)
        throw TFileError(TFileError::TKind::CannotOpen, kClipboardName, "no data");
    if (version > kVersion)
        throw TFileError(TFileError::TKind::CannotOpen, kClipboardName, "data of a newer version");
    // The reader reads files: the document goes through one of its own.
    const QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("clipboard.dof"));
    {
        QFile file(path);
        const QByteArray document = data.mid(kVersionBytes);
        if (!file.open(QIODevice::WriteOnly) || file.write(document) != document.size())
            throw TFileError(TFileError::TKind::CannotCreate, path);
    }
    TDocument document;
    try {
        document = ReadDocument(path);
    } catch (const TFileError&) {
        throw TFileError(TFileError::TKind::CannotOpen, kClipboardName, "damaged or cut short");
    }
    EmptyTempNode(tree_);
    for (const TTreeNode* item = document.Tree->ObjectRoot()->FirstChild(); item; item = item->NextSibling()) {
        if (document.Tree->IsFixedNode(item))
            continue;
        TTreeNode* copy = tree_.CopySubtreeFrom(tree_.TempNode(), item);
        tree_.ChangeItem(copy, [](TItemObject& record) { record.Active = false; });
    }
}

void TSystemClipboard::TextIntoTemp(const QString& text)
{
    EmptyTempNode(tree_);
    const TCanvasGeometry& canvas = tree_.CanvasGeometry();
    const std::int32_t x = canvas.Width / 2;
    const std::int32_t y = canvas.Height / 2;
    TTreeNode* box = tree_.AddItem(tree_.TempNode(), QStringToCp932(QStringLiteral("テキスト")), itRectangle);
    for (const TPoint corner : {TPoint{x - 60, y - 20}, TPoint{x + 60, y - 20}, TPoint{x + 60, y + 20}, TPoint{x - 60, y + 20}})
        tree_.AddPoint(corner.x, corner.y, box);
    tree_.PointToCenter(box);
    tree_.ChangeItem(box, [&text](TItemObject& record) {
        record.Text = QStringToItemText(text);
        record.Active = false;
    });
}

} // namespace qm
