// Per-item geometry: vertices, default control points, re-anchoring, and the
// placement of an item's points on the canvas.
#include "ObjectTree.h"

#include "Geometry.h"

#include <algorithm>
#include <limits>

namespace qm {

namespace {

// Ancestors are followed at most this far when an item is placed.
constexpr std::size_t kMaxPlacementAncestors = 256;

// Where an item's anchor lands on the canvas once the rotations of the groups
// above it are applied, and how its own points are turned and stretched.
class TPlacement {
public:
    TPlacement(const TTreeNode* node, const TTreeNode* objectRoot)
        : item_(*node->Data()), turn_(RollToRadians(item_.Roll))
    {
        // The ancestor records, from the item's grandparent up to the Object
        // root's own record; the direct parent never takes part.
        std::vector<const TItemObject*> ancestors;
        for (const TTreeNode* n = node->Parent(); n && n != objectRoot && ancestors.size() < kMaxPlacementAncestors;
             n = n->Parent()) {
            if (!n->Parent())
                break;
            ancestors.push_back(n->Parent()->Data());
        }
        originX_ = static_cast<float>(item_.X);
        originY_ = static_cast<float>(item_.Y);
        for (std::size_t k = ancestors.size(); k-- > 0;) {
            const TItemObject& around = *ancestors[k];
            if (k + 1 == ancestors.size()) {
                originX_ = static_cast<float>(around.X);
                originY_ = static_cast<float>(around.Y);
            }
            const TItemObject& next = k > 0 ? *ancestors[k - 1] : item_;
            const float dx = static_cast<float>(next.X) - originX_;
            const float dy = static_cast<float>(next.Y) - originY_;
            float rx = 0;
            float ry = 0;
            RotatePoint(dx, dy, RollToRadians(around.Roll), rx, ry);
            originX_ = static_cast<float>(around.X) + rx;
            originY_ = static_cast<float>(around.Y) + ry;
        }
    }

    // The item placed about `origin` instead.
    TPlacement(const TTreeNode* node, std::pair<float, float> origin)
        : item_(*node->Data()), originX_(origin.first), originY_(origin.second), turn_(RollToRadians(item_.Roll))
    {
    }

    TPoint Place(const TPoint& relative, bool rotate) const
    {
        float x = static_cast<float>(relative.x);
        float y = static_cast<float>(relative.y);
        if (rotate)
            turn_.Apply(x, y, x, y);
        return {TruncToInt(x * item_.StretchX + originX_), TruncToInt(y * item_.StretchY + originY_)};
    }

    // Ellipse vertices are turned by the ellipse primitive, not here.
    TPoint PlaceVertex(const TPoint& relative) const { return Place(relative, item_.ItemType != itEllipse); }

    std::pair<float, float> Origin() const { return {originX_, originY_}; }

private:
    const TItemObject& item_;
    float originX_ = 0;
    float originY_ = 0;
    TTurn turn_;
};

// Calls visit(placedHere, placedThere) for every vertex and control point of
// the item as ViewPoints1 places them, under two placements.
template <typename Visit>
void ForEachPlacedPoint(const TItemObject& item, const TPlacement& here, const TPlacement& there, Visit&& visit)
{
    for (std::size_t i = 0; i < static_cast<std::size_t>(item.VertexCount()); ++i)
        visit(here.PlaceVertex(item.Points[i]), there.PlaceVertex(item.Points[i]));
    const auto segments = static_cast<std::size_t>(item.SegmentCount());
    for (const TPointArray* controls : {&item.C1, &item.C2}) {
        for (std::size_t i = 0; i < segments && i < controls->size(); ++i)
            visit(here.Place((*controls)[i], true), there.Place((*controls)[i], true));
    }
}

std::int32_t Saturated(std::int64_t value)
{
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

} // namespace

int TObjectTree::AddPoint(std::int32_t x, std::int32_t y, TTreeNode* node)
{
    if (RefusesItem(node))
        return -1;
    TItemObject& item = EditRecord(node);
    item.Points.resize(static_cast<std::size_t>(item.VertexCount())); // drops a spare entry
    item.Points.push_back({WrapToInt32(std::int64_t{x} - item.X), WrapToInt32(std::int64_t{y} - item.Y)});
    item.Count = static_cast<std::int32_t>(item.Points.size());
    return CarvePoint(node);
}

int TObjectTree::CarvePoint(TTreeNode* node)
{
    if (RefusesItem(node))
        return -1;
    TItemObject& item = EditRecord(node);
    const int n = item.VertexCount();
    item.C1.assign(static_cast<std::size_t>(n), TPoint{});
    item.C2.assign(static_cast<std::size_t>(n), TPoint{});
    for (int i = 0; i < item.SegmentCount(); ++i) {
        const TPoint& from = item.Points[static_cast<std::size_t>(i)];
        const TPoint& to = item.Points[static_cast<std::size_t>((i + 1) % n)];
        const std::int64_t dx = std::int64_t{to.x} - from.x;
        const std::int64_t dy = std::int64_t{to.y} - from.y;
        item.C1[static_cast<std::size_t>(i)] = {WrapToInt32(from.x + dx / 3), WrapToInt32(from.y + dy / 3)};
        item.C2[static_cast<std::size_t>(i)] = {WrapToInt32(from.x + 2 * dx / 3), WrapToInt32(from.y + 2 * dy / 3)};
    }
    return 0;
}

int TObjectTree::PointToCenter(TTreeNode* node)
{
    if (RefusesItem(node))
        return -1;
    if (node->Data()->VertexCount() == 0)
        return 0; // no vertices, no mean: the anchor stays
    TItemObject& item = EditRecord(node);
    const int n = item.VertexCount();
    std::int64_t sumX = 0;
    std::int64_t sumY = 0;
    for (int i = 0; i < n; ++i) {
        sumX += item.Points[static_cast<std::size_t>(i)].x;
        sumY += item.Points[static_cast<std::size_t>(i)].y;
    }
    const std::int64_t mx = sumX / n;
    const std::int64_t my = sumY / n;
    for (TPointArray* points : {&item.Points, &item.C1, &item.C2}) {
        for (TPoint& p : *points)
            p = {WrapToInt32(p.x - mx), WrapToInt32(p.y - my)};
    }
    item.X = WrapToInt32(item.X + mx);
    item.Y = WrapToInt32(item.Y + my);
    return 0;
}

int TObjectTree::ViewPoints1(const TTreeNode* node, TPointArray& P, TPointArray* Q1, TPointArray* Q2) const
{
    if (RefusesItem(node))
        return -1;
    const TItemObject& item = *node->Data();
    const TPlacement placement(node, objectRoot_);
    const auto n = static_cast<std::size_t>(item.VertexCount());
    P.resize(n);
    for (std::size_t i = 0; i < n; ++i)
        P[i] = placement.PlaceVertex(item.Points[i]);

    const auto segments = static_cast<std::size_t>(item.SegmentCount());
    auto placeControls = [&](const TPointArray& from, TPointArray* to) {
        if (!to)
            return;
        to->assign(n, TPoint{});
        for (std::size_t i = 0; i < segments && i < from.size(); ++i)
            (*to)[i] = placement.Place(from[i], true);
    };
    if (item.C1.empty())
        return -1;
    placeControls(item.C1, Q1);
    if (item.C2.empty())
        return -1;
    placeControls(item.C2, Q2);
    return 0;
}

std::pair<float, float> TObjectTree::PlacementOrigin(const TTreeNode* node) const
{
    return TPlacement(node, objectRoot_).Origin();
}

std::optional<TPoint> TObjectTree::PlacedShift(const TTreeNode* node, std::pair<float, float> origin) const
{
    if (RefusesItem(node) || node->Data()->VertexCount() == 0)
        return std::nullopt;
    std::optional<TPoint> shift;
    bool uniform = true;
    ForEachPlacedPoint(*node->Data(), TPlacement(node, objectRoot_), TPlacement(node, origin),
                       [&](const TPoint& here, const TPoint& there) {
                           const TPoint by{WrapToInt32(std::int64_t{here.x} - there.x),
                                           WrapToInt32(std::int64_t{here.y} - there.y)};
                           if (!shift)
                               shift = by;
                           uniform = uniform && by.x == shift->x && by.y == shift->y;
                       });
    return uniform ? shift : std::nullopt;
}

int TObjectTree::PointToXY(const TTreeNode* node, TRect& rect) const
{
    // Contains no point: left above right, top above bottom.
    rect = {std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::max(),
            std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::min()};
    if (RefusesItem(node))
        return -1;
    const TItemObject& item = *node->Data();
    const int n = item.VertexCount();
    if (n == 0)
        return -1;
    const TPlacement placement(node, objectRoot_);
    std::int64_t left = std::numeric_limits<std::int64_t>::max();
    std::int64_t top = left;
    std::int64_t right = std::numeric_limits<std::int64_t>::min();
    std::int64_t bottom = right;
    for (int i = 0; i < n; ++i) {
        const TPoint p = placement.PlaceVertex(item.Points[static_cast<std::size_t>(i)]);
        left = std::min<std::int64_t>(left, p.x);
        right = std::max<std::int64_t>(right, p.x);
        top = std::min<std::int64_t>(top, p.y);
        bottom = std::max<std::int64_t>(bottom, p.y);
    }
    // Thin and point-like items get a box of at least 10 pixels each way.
    if (right - left <= 10) {
        left -= 5;
        right += 5;
    }
    if (bottom - top <= 10) {
        top -= 5;
        bottom += 5;
    }
    rect = {Saturated(left), Saturated(top), Saturated(right), Saturated(bottom)};
    return 0;
}

} // namespace qm
