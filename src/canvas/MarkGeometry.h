#pragma once

#include "HitResult.h"

#include "model/ObjectTree.h"

#include <array>

namespace qm {

// The eight handles of a selection mark: the corners (top left, bottom left,
// bottom right, top right), then the middles of the top, left, bottom and
// right edges.
inline constexpr std::array<TMarkPart, 8> kHandleParts = {
    TMarkPart::TopLeft,    TMarkPart::BottomLeft, TMarkPart::BottomRight,  TMarkPart::TopRight,
    TMarkPart::TopMiddle,  TMarkPart::LeftMiddle, TMarkPart::BottomMiddle, TMarkPart::RightMiddle,
};

// Where an item's selection marks lie: its box, the eight handles in the
// order of kHandleParts, and the rotation handle 100 pixels from
// the item's own anchor in the direction of its roll (lines and arrows have
// none). Drawing and hit testing both use this.
struct TMarkGeometry {
    bool HasBox = false;
    TRect Box;
    std::array<TPoint, 8> Handles{};
    bool HasRotationHandle = false;
    TPoint RotationHandle;

    static constexpr std::int32_t kHandleHalf = 5;
    static constexpr std::int32_t kRotationRadius = 7;
    static constexpr std::int32_t kVertexRadius = 7;
    static constexpr std::int32_t kControlRadius = 5;
    static constexpr std::int32_t kPointTolerance = 5;
};

TMarkGeometry MarkGeometryOf(const TObjectTree& tree, const TTreeNode* node);

// Lines, arrows, curves and polygons have vertex and control-point marks.
inline bool HasPointMarks(const TItemObject& item)
{
    return item.ItemType >= itLine && item.ItemType <= itPolygon;
}

} // namespace qm
