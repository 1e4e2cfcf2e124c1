#include "DocumentWriter.h"

#include "FileStreamEx.h"

#include "model/ObjectTree.h"

namespace qm {

TDocumentWriter::TDocumentWriter(const QString& path, const TObjectTree& tree, const TCanvasGeometry& canvas)
    : stream_(std::make_unique<TFileStreamEx>()), next_(tree.FirstTopLevelNode())
{
    stream_->InitFile(path, TFileStreamEx::fmCreate);
    WriteHeaderRecord(*stream_);
    WriteCanvasRecord(*stream_, canvas);
}

TDocumentWriter::~TDocumentWriter() = default;

bool TDocumentWriter::WriteSome(std::size_t nodes)
{
    for (; next_ && nodes > 0; --nodes) {
        TTreeNode* node = next_;
        const auto id = static_cast<std::int32_t>(++written_);
        const std::int32_t parentId = ancestorIds_.empty() ? 0 : ancestorIds_.back();
        for (std::int32_t code = rcNode; code <= rcControlPoints; ++code)
            WriteItemRecord(*stream_, static_cast<TRecordCode>(code), *node->Data(), id, parentId);
        if (order_)
            order_->push_back(node);
        // Tree order: parents first, then children, then the next sibling.
        if (node->FirstChild()) {
            ancestorIds_.push_back(id);
            next_ = node->FirstChild();
            continue;
        }
        while (node && !node->NextSibling()) {
            node = node->Parent();
            if (node)
                ancestorIds_.pop_back();
        }
        next_ = node ? node->NextSibling() : nullptr;
    }
    return !next_;
}

void TDocumentWriter::WriteEnd()
{
    WriteSome(SIZE_MAX);
    stream_->WriteInteger(rcEnd);
}

void TDocumentWriter::Close()
{
    stream_->CloseFile();
}

void TDocumentWriter::Finish()
{
    WriteEnd();
    Close();
}

std::vector<TTreeNode*> WriteDocumentFile(const QString& path, const TObjectTree& tree, const TCanvasGeometry& canvas,
                                          TFileProgress* progress)
{
    // About a hundredth of a second of writing between reports.
    constexpr std::size_t kNodesPerReport = 4096;
    std::vector<TTreeNode*> order;
    order.reserve(tree.NodeCount());
    TDocumentWriter writer(path, tree, canvas);
    writer.KeepOrder(&order);
    while (progress && !writer.WriteSome(kNodesPerReport))
        progress->Report(static_cast<std::int64_t>(order.size()), static_cast<std::int64_t>(tree.NodeCount()));
    writer.Finish();
    return order;
}

void WriteDocument(const QString& path, TObjectTree& tree, const TCanvasGeometry& canvas)
{
    tree.TakeFileIds(WriteDocumentFile(path, tree, canvas));
}

} // namespace qm
