// What the bounds canvas claims of an item must hold for its pixels: nothing
// changes outside its bounds, every pixel of its cover comes out the same
// whatever lay below, and so does every pixel an item that paints over
// touches; a rough box worked out without drawing holds the bounds. Random
// items of every kind, turned, stretched, with fills and texts.
#include "../model/TreeTestSupport.h"

#include "platform/ShiftJis.h"
#include "render/BitmapX.h"
#include "render/CoverMask.h"
#include "render/DocumentRenderer.h"
#include "render/HiddenItems.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>

namespace qm {
namespace {

constexpr int kSize = 300;

struct TPicture {
    TBitmapX surface;
    explicit TPicture(TColor below, const TObjectTree& tree, TTreeNode* node)
    {
        surface.InitBitmap(kSize, kSize);
        DrawBackground(surface.Canvas(), kSize, kSize, {.BackColor = below});
        TTreeNode* const nodes[] = {node};
        TDocumentRenderer(tree, surface).RenderItems(nodes);
    }
    TColor At(int x, int y) const { return surface.Bitmap().Pixel(x, y); }
};

TEST(BoundsCanvas, WhatItClaimsHoldsForThePixels)
{
    constexpr TColor kBelowA = RGB(18, 52, 86);
    constexpr TColor kBelowB = RGB(250, 220, 186);
    std::mt19937 random(7);
    const auto below = [&random](int bound) { return static_cast<int>(random() % static_cast<unsigned>(bound)); };
    static constexpr TItemType kTypes[] = {itRectangle, itEllipse, itLine, itArrow, itCurve, itPolygon};
    static const char* const kTexts[] = {"", "日本語", "長い説明文をここに書きます。折り返し"};
    int covers = 0;
    int paintingOver = 0;
    int roughBoxes = 0;
    for (int round = 0; round < 150; ++round) {
        TObjectTree tree;
        const TItemType type = kTypes[below(6)];
        const int x = 40 + below(150);
        const int y = 40 + below(150);
        std::vector<TPoint> vertices;
        if (type == itRectangle)
            vertices = {{x, y}, {x + 20 + below(80), y}, {x + 20 + below(80), y + 20 + below(80)}, {x, y + 20 + below(80)}};
        else
            for (int k = 0; k < (type == itLine || type == itArrow ? 2 : 3 + below(3)); ++k)
                vertices.push_back({x + below(100), y + below(100)});
        TTreeNode* node = test::AddShape(tree, tree.ObjectRoot(), type, vertices);
        tree.PointToCenter(node);
        tree.ChangeItem(node, [&](TItemObject& item) {
            static constexpr TPenStyle kPens[] = {psSolid, psSolid, psDash, psClear};
            item.Pen = {RGB(below(256), below(256), below(256)), 1 + below(8), kPens[below(4)], TPenMode::pmCopy};
            item.Brush = {RGB(below(256), below(256), below(256)), below(2) == 0 ? bsSolid : static_cast<TBrushStyle>(below(8))};
            item.Roll = below(2) == 0 ? below(360) : 0;
            item.StretchX = below(3) == 0 ? 1.5f : 1.0f;
            item.StretchY = below(3) == 0 ? 0.5f : 1.0f;
            item.CurveStyle = static_cast<TCurveStyle>(below(3));
            item.PStyle = below(4) == 0 ? leArrow : lePlain;
            item.DStyle = below(3) == 0 ? leArrow : lePlain;
            item.Text = Utf8ToCp932(kTexts[below(3)]);
        });
        TPicture a(kBelowA, tree, node);
        const TPicture b(kBelowB, tree, node);
        TItemBounder bounder(tree, a.surface.Canvas());
        const TItemBounds claimed = bounder.Bound(node);
        // The rough box, worked out without drawing, holds all the bounds claim.
        if (const std::optional<TRect> rough = bounder.RoughBounds(node)) {
            ++roughBoxes;
            EXPECT_EQ(rough->United(claimed.Bounds), *rough) << "round " << round;
        }
        covers += !claimed.Occlusion.Cover.IsEmpty();
        paintingOver += claimed.Occlusion.PaintsOverAs != 0;
        for (int py = 0; py < kSize; ++py) {
            for (int px = 0; px < kSize; ++px) {
                const bool touched = a.At(px, py) != kBelowA || b.At(px, py) != kBelowB;
                if (touched) {
                    ASSERT_TRUE(claimed.Bounds.Contains(px, py)) << "round " << round << " at " << px << "," << py;
                }
                if (claimed.Occlusion.Cover.Contains(px, py) || (touched && claimed.Occlusion.PaintsOverAs != 0)) {
                    ASSERT_EQ(a.At(px, py), b.At(px, py)) << "round " << round << " at " << px << "," << py;
                }
            }
        }
    }
    // Both claims were put to the test many times.
    EXPECT_GT(covers, 30);
    EXPECT_GT(paintingOver, 30);
    EXPECT_GT(roughBoxes, 30);
}

// A long list is bounded in two halves, one on the bitmap's thread beside:
// each item gets what bounding it alone gives.
TEST(BoundsCanvas, ALongListIsBoundAsItemByItem)
{
    TObjectTree tree;
    std::mt19937 random(11);
    const auto below = [&random](int bound) { return static_cast<int>(random() % static_cast<unsigned>(bound)); };
    std::vector<const TTreeNode*> items;
    for (int k = 0; k < 1500; ++k) {
        const int x = below(kSize);
        const int y = below(kSize);
        TTreeNode* node = test::AddShape(tree, tree.ObjectRoot(), k % 2 ? itEllipse : itLine, {{x, y}, {x + below(60), y + below(60)}});
        tree.ChangeItem(node, [&](TItemObject& item) {
            item.Pen.Width = 1 + below(6);
            item.Brush.Style = bsSolid;
            item.Text = below(5) == 0 ? Utf8ToCp932("日本語") : "";
        });
        items.push_back(node);
    }
    TBitmapX surface;
    surface.InitBitmap(kSize, kSize);
    std::vector<TItemBounds> bounds(items.size());
    BoundItems(tree, surface.Bitmap(), items, bounds);
    TItemBounder alone(tree, surface.Canvas());
    for (std::size_t k = 0; k < items.size(); ++k) {
        const TItemBounds expected = alone.Bound(items[k]);
        ASSERT_EQ(bounds[k].Bounds, expected.Bounds) << "item " << k;
        ASSERT_EQ(bounds[k].Occlusion.Cover, expected.Occlusion.Cover) << "item " << k;
        ASSERT_EQ(bounds[k].Occlusion.PaintsOverAs, expected.Occlusion.PaintsOverAs) << "item " << k;
    }
}

// A filled box with a short text inside paints over: its fingerprint is
// that of its copy, and tells it from items that draw any other text.
TEST(BoundsCanvas, ATextBoxPaintsOverAsItsCopyAndNoOther)
{
    TObjectTree tree;
    const auto textBox = [&tree](const std::function<void(TItemObject&)>& change) {
        TTreeNode* node = test::AddShape(tree, tree.ObjectRoot(), itRectangle, {{50, 50}, {250, 50}, {250, 150}, {50, 150}});
        tree.PointToCenter(node);
        tree.ChangeItem(node, [&change](TItemObject& item) {
            item.Brush = {clWhite, bsSolid};
            item.Text = Utf8ToCp932("日本");
            change(item);
        });
        return node;
    };
    const std::function<void(TItemObject&)> changes[] = {
        [](TItemObject&) {},
        [](TItemObject& item) { item.Text = Utf8ToCp932("日木"); },
        [](TItemObject& item) { item.Text = "ab"; },
        [](TItemObject& item) { item.Font.Name += "x"; },
        [](TItemObject& item) { item.Font.Height -= 2; },
        [](TItemObject& item) { item.Font.Color = clRed; },
        [](TItemObject& item) { item.Roll = 3; },
    };
    TBitmapX surface;
    surface.InitBitmap(kSize, kSize);
    TItemBounder bounder(tree, surface.Canvas());
    const std::uint64_t original = bounder.Bound(textBox(changes[0])).Occlusion.PaintsOverAs;
    ASSERT_NE(original, 0u);
    EXPECT_EQ(bounder.Bound(textBox(changes[0])).Occlusion.PaintsOverAs, original);
    for (std::size_t k = 1; k < std::size(changes); ++k)
        EXPECT_NE(bounder.Bound(textBox(changes[k])).Occlusion.PaintsOverAs, original) << "change " << k;
}

// The cover mask against one flag per pixel, whether a box is covered and
// the box of what is not: parts that start anywhere and end between words
// or tiles, boxes reaching past the part, questions of every size, on parts
// covered little and parts covered whole.
TEST(CoverMask, CoversExactlyThePixelsAdded)
{
    std::mt19937 random(11);
    const auto below = [&random](int bound) { return static_cast<int>(random() % static_cast<unsigned>(bound)); };
    const auto randomBox = [&](const TRect& around) {
        const int left = around.Left - 20 + below(around.Right - around.Left + 40);
        const int top = around.Top - 20 + below(around.Bottom - around.Top + 40);
        return TRect{left, top, left + below(150), top + below(40)};
    };
    for (int round = 0; round < 40; ++round) {
        const int left = below(100) - 50;
        const int top = below(100) - 50;
        const TRect area{left, top, left + 1 + below(300), top + 1 + below(120)};
        TCoverMask mask(area);
        std::vector<std::vector<bool>> flags(static_cast<std::size_t>(area.Bottom - area.Top + 1),
                                             std::vector<bool>(static_cast<std::size_t>(area.Right - area.Left + 1)));
        const auto everyPixel = [&](const TRect& box, auto&& visit) {
            const TRect inside = box.Intersected(area);
            for (int y = inside.Top; y <= inside.Bottom; ++y)
                for (int x = inside.Left; x <= inside.Right; ++x)
                    visit(flags[static_cast<std::size_t>(y - area.Top)][static_cast<std::size_t>(x - area.Left)]);
        };
        for (int step = 0; step < 80; ++step) {
            const TRect added = randomBox(area);
            mask.Add(added);
            everyPixel(added, [](std::vector<bool>::reference flag) { flag = true; });
            for (int ask = 0; ask < 20; ++ask) {
                const TRect asked = randomBox(area);
                bool covered = true;
                TRect uncovered{0, 0, -1, -1};
                const TRect inside = asked.Intersected(area);
                for (int y = inside.Top; y <= inside.Bottom; ++y) {
                    for (int x = inside.Left; x <= inside.Right; ++x) {
                        if (flags[static_cast<std::size_t>(y - area.Top)][static_cast<std::size_t>(x - area.Left)])
                            continue;
                        covered = false;
                        uncovered = uncovered.United({x, y, x, y});
                    }
                }
                ASSERT_EQ(mask.Covers(asked), covered) << "round " << round << ", step " << step;
                ASSERT_EQ(mask.UncoveredIn(asked), uncovered) << "round " << round << ", step " << step;
            }
            bool whole = true;
            everyPixel(area, [&whole](bool flag) { whole = whole && flag; });
            ASSERT_EQ(mask.CoversAll(), whole) << "round " << round << ", step " << step;
        }
    }
    // Too large a part to keep a bit per pixel: nothing counts as covered.
    TCoverMask huge({0, 0, 20000, 20000});
    huge.Add({0, 0, 10, 10});
    EXPECT_FALSE(huge.Covers({2, 2, 3, 3}));
    EXPECT_EQ(huge.UncoveredIn({2, 2, 3, 3}), (TRect{2, 2, 3, 3}));
}

// Twins hide the items offered after them however many fingerprints were
// entered before, and no other item: the table of fingerprints grows.
TEST(HiddenItems, ATwinOfAnyItemOfferedBeforeIsHidden)
{
    THiddenItems hidden({0, 0, 99, 99});
    const TRect box{10, 10, 20, 20};
    const auto offer = [&](std::uint64_t fingerprint) {
        const auto occlusion = [fingerprint] { return TOcclusion{{0, 0, -1, -1}, fingerprint}; };
        return hidden.Hidden(box, [] { return true; }, occlusion);
    };
    for (std::uint64_t fingerprint = 1; fingerprint <= 1000; ++fingerprint)
        ASSERT_FALSE(offer(fingerprint * 0x9E3779B97F4A7C15ULL)) << fingerprint;
    for (std::uint64_t fingerprint = 1; fingerprint <= 1000; ++fingerprint)
        ASSERT_TRUE(offer(fingerprint * 0x9E3779B97F4A7C15ULL)) << fingerprint;
    EXPECT_FALSE(offer(1001 * 0x9E3779B97F4A7C15ULL));
    EXPECT_FALSE(hidden.CoversPart());
}

} // namespace
} // namespace qm
