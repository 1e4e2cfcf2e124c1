#include "DocumentWriter.h"

#include "FileStreamEx.h"

#include "model/ObjectTree.h"

#include <vector>

namespace qm {

namespace {

// Every node in tree order with the file id of its parent (0 for a top-level
// node); a node's own file id is its position in the list plus 1.
struct TFileOrder {
    std::vector<TTreeNode*> Nodes;
    std::vector<std::int32_t> ParentIds;
};

TFileOrder FileOrderOf(const TObjectTree& tree)
{
    TFileOrder order;
    order.Nodes.reserve(tree.NodeCount());
    order.ParentIds.reserve(tree.NodeCount());
    std::vector<std::int32_t> ancestorIds; // file ids along the path to the current node
    TTreeNode* node = tree.FirstTopLevelNode();
    while (node) {
        order.Nodes.push_back(node);
        order.ParentIds.push_back(ancestorIds.empty() ? 0 : ancestorIds.back());
        if (node->FirstChild()) {
            ancestorIds.push_back(static_cast<std::int32_t>(order.Nodes.size()));
            node = node->FirstChild();
            continue;
        }
        while (node && !node->NextSibling()) {
            node = node->Parent();
            if (node)
                ancestorIds.pop_back();
        }
        if (node)
            node = node->NextSibling();
    }
    return order;
}

} // namespace

void WriteDocument(const QString& path, TObjectTree& tree, const TCanvasGeometry& canvas)
{
    const TFileOrder order = FileOrderOf(tree);
    TFileStreamEx stream;
    stream.InitFile(path, TFileStreamEx::fmCreate);
    WriteHeaderRecord(stream);
    WriteCanvasRecord(stream, canvas);
    for (std::size_t k = 0; k < order.Nodes.size(); ++k) {
        const auto id = static_cast<std::int32_t>(k + 1);
        for (std::int32_t code = rcNode; code <= rcControlPoints; ++code)
            WriteItemRecord(stream, static_cast<TRecordCode>(code), *order.Nodes[k]->Data(), id, order.ParentIds[k]);
    }
    stream.WriteInteger(rcEnd);
    stream.CloseFile();
    tree.TakeFileIds(order.Nodes);
}

} // namespace qm
