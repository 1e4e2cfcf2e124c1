#include "DocumentReader.h"

#include "AppendOnlyIdIndex.h"
#include "FileError.h"
#include "FileStreamEx.h"

#include <algorithm>
#include <limits>

namespace qm {

namespace {

class TReader {
public:
    TReader(const QString& path, TFileProgress* progress) : path_(path), progress_(progress)
    {
        document_.Tree = std::make_unique<TObjectTree>(TObjectTree::Empty);
    }

    TDocument Read()
    {
        stream_.InitFile(path_, TFileStreamEx::fmOpenRead);
        const std::int64_t fileSize = stream_.Remaining();
        index_.Reserve(static_cast<std::size_t>(std::min<std::int64_t>(fileSize / kNodeRecordBytes, kMaxDocumentNodes)));
        std::int64_t records = 0;
        for (std::int32_t code = 0; ReadCode(code) != rcEnd; ++records) {
            ReadRecord(static_cast<TRecordCode>(code));
            if (progress_ && records % kRecordsPerReport == 0)
                progress_->Report(stream_.Position(), fileSize);
        }
        stream_.CloseFile();
        if (!document_.Tree->ObjectRoot()) {
            throw TFileError(TFileError::TKind::CannotOpen, path_,
                             QStringLiteral("ファイルに図形のツリーがありません").toStdString());
        }
        document_.Tree->SetItemCounter(
            static_cast<std::int32_t>(std::min<std::int64_t>(records, std::numeric_limits<std::int32_t>::max())));
        return std::move(document_);
    }

private:
    // About a thousand nodes: a report costs nothing next to them.
    static constexpr std::int64_t kRecordsPerReport = 1 << 13;
    // The smallest node record: code, type, empty name, id and parent id.
    static constexpr std::int64_t kNodeRecordBytes = 20;

    std::int32_t ReadCode(std::int32_t& code)
    {
        stream_.ReadInteger(code);
        CheckStream(stream_); // the file ended before the end record
        return code;
    }

    void ReadRecord(TRecordCode code)
    {
        switch (code) {
        case rcHeader: {
            std::string text;
            stream_.ReadString(text);
            CheckStream(stream_);
            break;
        }
        case rcCanvas: {
            TCanvasGeometry canvas;
            stream_.ReadInteger(canvas.Width);
            stream_.ReadInteger(canvas.Height);
            stream_.ReadInteger(canvas.Grid);
            CheckStream(stream_);
            if (!IsCanvasSizeAllowed(canvas.Width, canvas.Height))
                RefuseCanvas(canvas);
            document_.Canvas = canvas;
            break;
        }
        case rcNode:
            ReadNode();
            break;
        case rcPosition:
        case rcStretch:
        case rcRoll:
        case rcPriority:
        case rcBrush:
        case rcPen:
        case rcActive:
        case rcText:
        case rcPoints:
        case rcControlPoints: {
            std::int32_t id = 0;
            stream_.ReadInteger(id);
            CheckStream(stream_);
            if (TTreeNode* node = index_.Find(id))
                document_.Tree->ChangeItem(node, [&](TItemObject& item) { ReadItemFields(stream_, code, &item); });
            else
                ReadItemFields(stream_, code, nullptr);
            break;
        }
        default:
            break; // an unknown code has no fields; the next 4 bytes are the next code
        }
    }

    void ReadNode()
    {
        std::int32_t itemType = 0;
        std::string name;
        std::int32_t id = 0;
        std::int32_t parentId = 0;
        stream_.ReadInteger(itemType);
        stream_.ReadString(name);
        stream_.ReadInteger(id);
        stream_.ReadInteger(parentId);
        CheckStream(stream_);
        TObjectTree& tree = *document_.Tree;
        if (tree.NodeCount() >= kMaxDocumentNodes) {
            const QString detail = QStringLiteral("図形の数が %1 個を超えています").arg(kMaxDocumentNodes);
            throw TFileError(TFileError::TKind::CannotOpen, path_, detail.toStdString());
        }
        const TAppendOnlyIdIndex::TPlace parent = index_.FindPlace(parentId);
        TTreeNode* node = tree.AddItem(index_.NodeAt(parent), name, FromStoredCode<TItemType>(itemType), id);
        index_.Add(node, parent, id);
        tree.MarkFixedNode(node);
    }

    // The bitmaps for it could not be made, or would take the memory away.
    [[noreturn]] void RefuseCanvas(const TCanvasGeometry& canvas) const
    {
        const QString detail = QStringLiteral("キャンバスの大きさ %1 × %2 は扱えません (一辺 %3、全体で %4 ピクセルまで)")
                                   .arg(canvas.Width)
                                   .arg(canvas.Height)
                                   .arg(kCanvasSideLimit)
                                   .arg(kCanvasPixelLimit);
        throw TFileError(TFileError::TKind::CannotOpen, path_, detail.toStdString());
    }

    QString path_;
    TFileProgress* progress_;
    TFileStreamEx stream_;
    TDocument document_;
    TAppendOnlyIdIndex index_;
};

} // namespace

TDocument ReadDocument(const QString& path, TFileProgress* progress)
{
    return TReader(path, progress).Read();
}

} // namespace qm
