#include "TreeTestSupport.h"
#include "WritableRecord.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

using test::AddShape;

TEST(ItemGeometry, AddPointStoresVerticesRelativeToTheAnchorAndCarvesThirds)
{
    TObjectTree tree;
    TTreeNode* line = tree.AddItem(tree.ObjectRoot(), "l", itLine);
    tree.MoveItem(100, 50, line);
    tree.AddPoint(100, 50, line);
    tree.AddPoint(110, 40, line);
    tree.AddPoint(100, 40, line);
    const TItemObject& item = *line->Data();
    EXPECT_EQ(item.Count, 3);
    EXPECT_EQ(item.Points, (TPointArray{{0, 0}, {10, -10}, {0, -10}}));
    // (0,0)->(10,-10) gives thirds (3,-3) and (6,-6); (10,-10)->(0,-10) steps
    // by -10 in x, truncated toward zero: -3 and -6.
    EXPECT_EQ(item.C1[0], (TPoint{3, -3}));
    EXPECT_EQ(item.C2[0], (TPoint{6, -6}));
    EXPECT_EQ(item.C1[1], (TPoint{7, -10}));
    EXPECT_EQ(item.C2[1], (TPoint{4, -10}));
    EXPECT_EQ(item.C1.size(), 3u);

    // A polygon's closing segment gets its control points too.
    TTreeNode* polygon = AddShape(tree, tree.ObjectRoot(), itPolygon, {{0, 0}, {-10, 0}, {-10, 5}});
    const TItemObject& p = *polygon->Data();
    EXPECT_EQ(p.C1[0], (TPoint{-3, 0}));
    EXPECT_EQ(p.C2[0], (TPoint{-6, 0}));
    EXPECT_EQ(p.C1[2], (TPoint{-7, 4}));  // (-10,5)->(0,0): -10 + 10/3, 5 + (-5)/3
    EXPECT_EQ(p.C2[2], (TPoint{-4, 2}));  // -10 + 20/3, 5 + (-10)/3

    EXPECT_EQ(tree.AddPoint(1, 1, tree.ObjectRoot()), -1);
    EXPECT_EQ(tree.CarvePoint(tree.TempNode()), -1);
    EXPECT_EQ(tree.PointToCenter(nullptr), -1);
    EXPECT_EQ(tree.ObjectRoot()->Data()->Count, 0);
}

TEST(ItemGeometry, PointToCenterMovesTheAnchorToTheTruncatedMean)
{
    TObjectTree tree;
    TTreeNode* node = tree.AddItem(tree.ObjectRoot(), "p", itPolygon);
    tree.MoveItem(100, 100, node);
    for (TPoint p : {TPoint{100, 100}, TPoint{103, 100}, TPoint{103, 103}})
        tree.AddPoint(p.x, p.y, node);
    const TPointArray c1Before = node->Data()->C1;
    EXPECT_EQ(tree.PointToCenter(node), 0);
    const TItemObject& item = *node->Data();
    EXPECT_EQ(item.X, 102);
    EXPECT_EQ(item.Y, 101);
    EXPECT_EQ(item.Points, (TPointArray{{-2, -1}, {1, -1}, {1, 2}}));
    EXPECT_EQ(item.C1[0], (TPoint{c1Before[0].x - 2, c1Before[0].y - 1}));

    // Negative sums truncate toward zero: mean of -1 and -2 is -1, not -2.
    TTreeNode* line = AddShape(tree, tree.ObjectRoot(), itLine, {{-1, 0}, {-2, 0}});
    tree.PointToCenter(line);
    EXPECT_EQ(line->Data()->X, -1);

    TTreeNode* empty = tree.AddItem(tree.ObjectRoot(), "e", itGroup);
    EXPECT_EQ(tree.PointToCenter(empty), 0);
    EXPECT_EQ(empty->Data()->X, 0);
}

TEST(ItemGeometry, PlacementRotatesThenStretchesAndTruncatesTowardZero)
{
    TObjectTree tree;
    TTreeNode* polygon = AddShape(tree, tree.ObjectRoot(), itPolygon, {{110, 100}, {100, 100}, {100, 90}});
    TTreeNode* ellipse = AddShape(tree, tree.ObjectRoot(), itEllipse, {{110, 100}, {100, 100}, {100, 90}});
    for (TTreeNode* node : {polygon, ellipse}) {
        Writable(node)->X = 100;
        Writable(node)->Y = 100;
        Writable(node)->Points = {{10, 0}, {0, 0}, {0, -10}};
        Writable(node)->Roll = 90;
    }
    TPointArray P;
    tree.ViewPoints1(polygon, P);
    EXPECT_EQ(P[0], (TPoint{100, 110})); // turned clockwise: below the anchor
    tree.ViewPoints1(ellipse, P);
    EXPECT_EQ(P[0], (TPoint{110, 100})); // ellipse vertices are not turned here

    // Stretch scales along the canvas axes after the turn.
    Writable(polygon)->StretchX = 2.0f;
    Writable(polygon)->StretchY = 0.5f;
    Writable(polygon)->Roll = 0;
    tree.ViewPoints1(polygon, P);
    EXPECT_EQ(P[0], (TPoint{120, 100}));
    EXPECT_EQ(P[2], (TPoint{100, 95}));

    // -0.5 becomes 0, not -1.
    Writable(polygon)->X = 0;
    Writable(polygon)->Y = 0;
    Writable(polygon)->Points = {{-1, -3}, {0, 0}, {1, 1}};
    tree.ViewPoints1(polygon, P);
    EXPECT_EQ(P[0], (TPoint{-2, -1}));
    Writable(polygon)->StretchX = 0.5f;
    tree.ViewPoints1(polygon, P);
    EXPECT_EQ(P[0], (TPoint{0, -1}));
}

// An item anchored at (x, y) with vertices relative to it.
TTreeNode* AddAnchored(TObjectTree& tree, TTreeNode* parent, TItemType type, TPoint anchor, TPointArray points)
{
    TTreeNode* node = tree.AddItem(parent, "item", type);
    Writable(node)->X = anchor.x;
    Writable(node)->Y = anchor.y;
    Writable(node)->Points = std::move(points);
    Writable(node)->Count = static_cast<std::int32_t>(node->Data()->Points.size());
    tree.CarvePoint(node);
    return node;
}

TEST(ItemGeometry, GroupRotationTurnsAnchorsOnlyFromTheGrandparentUp)
{
    TObjectTree tree;
    TTreeNode* outer = AddAnchored(tree, tree.ObjectRoot(), itGroup, {100, 100}, {});
    Writable(outer)->Roll = 90;
    // A child of the rotated group directly under the root keeps its anchor.
    TTreeNode* direct = AddAnchored(tree, outer, itLine, {200, 100}, {{0, 0}, {10, 0}});
    TPointArray P;
    tree.ViewPoints1(direct, P);
    EXPECT_EQ(P, (TPointArray{{200, 100}, {210, 100}}));

    // One level deeper, the anchor turns about the outer group's anchor; the
    // inner group's own position and roll play no part, and the vertex
    // offsets turn only with the item's own roll.
    TTreeNode* inner = AddAnchored(tree, outer, itGroup, {150, 0}, {});
    Writable(inner)->Roll = 45;
    TTreeNode* nested = AddAnchored(tree, inner, itLine, {200, 100}, {{0, 0}, {10, 0}});
    tree.ViewPoints1(nested, P);
    EXPECT_EQ(P, (TPointArray{{100, 200}, {110, 200}}));
    Writable(nested)->Roll = 90;
    tree.ViewPoints1(nested, P);
    EXPECT_EQ(P[1], (TPoint{100, 210}));

    // Two rotated levels: the outer group turns the inner group's anchor
    // (150, 0) about (100, 100) to (200, 150); the inner group then turns the
    // item's offset from there, (-80, 0), to (0, -80), added to the inner
    // group's stored anchor (150, 0). Single precision leaves 149.99998.
    Writable(inner)->Roll = 90;
    TTreeNode* middle = AddAnchored(tree, inner, itGroup, {100, 150}, {});
    TTreeNode* deep = AddAnchored(tree, middle, itLine, {120, 150}, {{0, 0}, {10, 0}});
    tree.ViewPoints1(deep, P);
    EXPECT_NEAR(P[0].x, 150, 1);
    EXPECT_EQ(P[0].y, -80);
    // Roll 0 everywhere: plain anchors.
    Writable(outer)->Roll = 0;
    Writable(inner)->Roll = 0;
    tree.ViewPoints1(deep, P);
    EXPECT_EQ(P[0], (TPoint{120, 150}));
}

TEST(ItemGeometry, ControlPointsArePlacedPerSegmentAndAbsenceIsReported)
{
    TObjectTree tree;
    TTreeNode* line = AddShape(tree, tree.ObjectRoot(), itCurve, {{0, 0}, {30, 0}, {30, 30}});
    TPointArray P;
    TPointArray Q1;
    TPointArray Q2;
    EXPECT_EQ(tree.ViewPoints1(line, P, &Q1, &Q2), 0);
    EXPECT_EQ(Q1, (TPointArray{{10, 0}, {30, 10}, {0, 0}}));
    EXPECT_EQ(Q2, (TPointArray{{20, 0}, {30, 20}, {0, 0}}));

    TTreeNode* polygon = AddShape(tree, tree.ObjectRoot(), itPolygon, {{0, 0}, {30, 0}, {30, 30}});
    tree.ViewPoints1(polygon, P, &Q1, &Q2);
    EXPECT_EQ(Q1[2], (TPoint{20, 20}));

    Writable(line)->C2.clear();
    Q2 = {{7, 7}};
    EXPECT_EQ(tree.ViewPoints1(line, P, &Q1, &Q2), -1);
    EXPECT_EQ(Q1[0], (TPoint{10, 0}));
    EXPECT_EQ(Q2, (TPointArray{{7, 7}}));
    Writable(line)->C1.clear();
    Q1 = {};
    EXPECT_EQ(tree.ViewPoints1(line, P, &Q1, &Q2), -1);
    EXPECT_TRUE(Q1.empty());
    EXPECT_EQ(P.size(), 3u);
    EXPECT_EQ(tree.ViewPoints1(tree.ObjectRoot(), P), -1);
}

TEST(ItemGeometry, BoundingBoxWidensThinItemsAndPointlessItemsHaveNone)
{
    TObjectTree tree;
    TTreeNode* line = AddShape(tree, tree.ObjectRoot(), itLine, {{10, 20}, {110, 20}});
    TRect box;
    EXPECT_EQ(tree.PointToXY(line, box), 0);
    EXPECT_EQ(box, (TRect{10, 15, 110, 25}));

    TTreeNode* dot = AddShape(tree, tree.ObjectRoot(), itLine, {{50, 50}, {60, 61}});
    tree.PointToXY(dot, box);
    EXPECT_EQ(box, (TRect{45, 50, 65, 61})); // width exactly 10 widens, height 11 does not

    TTreeNode* folder = tree.AddItem(tree.ObjectRoot(), "folder", itGroup);
    EXPECT_EQ(tree.PointToXY(folder, box), -1);
    EXPECT_TRUE(box.IsEmpty());
    EXPECT_FALSE(box.Contains(0, 0));
    EXPECT_EQ(tree.PointToXY(tree.TrashNode(), box), -1);

    // Hostile coordinates saturate instead of overflowing.
    TTreeNode* far = AddShape(tree, tree.ObjectRoot(), itLine, {{0, 0}, {0, 0}});
    Writable(far)->X = 2147483647;
    Writable(far)->StretchX = 1e30f;
    Writable(far)->Points = {{2000000000, 0}, {2000000000, 0}};
    EXPECT_EQ(tree.PointToXY(far, box), 0);
    EXPECT_EQ(box.Right, 2147483647);
}

} // namespace
} // namespace qm
