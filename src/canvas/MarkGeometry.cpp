#include "MarkGeometry.h"

#include "model/Geometry.h"

namespace qm {

TMarkGeometry MarkGeometryOf(const TObjectTree& tree, const TTreeNode* node)
{
    TMarkGeometry marks;
    const TItemObject& item = *node->Data();
    TRect& box = marks.Box;
    marks.HasBox = tree.PointToXY(node, box) == 0;
    if (marks.HasBox) {
        const std::int32_t midX = static_cast<std::int32_t>((std::int64_t{box.Left} + box.Right) / 2);
        const std::int32_t midY = static_cast<std::int32_t>((std::int64_t{box.Top} + box.Bottom) / 2);
        marks.Handles = {{{box.Left, box.Top},
                          {box.Left, box.Bottom},
                          {box.Right, box.Bottom},
                          {box.Right, box.Top},
                          {midX, box.Top},
                          {box.Left, midY},
                          {midX, box.Bottom},
                          {box.Right, midY}}};
    }
    marks.HasRotationHandle = item.ItemType != itLine && item.ItemType != itArrow;
    const float angle = RollToRadians(item.Roll);
    marks.RotationHandle = {WrapToInt32(std::int64_t{item.X} + TruncToInt(100.0f * std::cos(angle))),
                            WrapToInt32(std::int64_t{item.Y} + TruncToInt(100.0f * std::sin(angle)))};
    return marks;
}

} // namespace qm
