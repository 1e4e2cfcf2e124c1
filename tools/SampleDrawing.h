#pragma once

// The sample drawing: one of every kind of item, every curve style,
// arrowheads, dashes, fill patterns, a group, turned and stretched items and
// Japanese text; or that many times over, each copy in a group of its own
// and shifted a little, for huge drawings (make_sample and the benchmarks).
#include "model/ObjectTree.h"
#include "platform/ShiftJis.h"

#include <initializer_list>

namespace qm {
namespace sample {

inline TTreeNode* AddFigure(TObjectTree& tree, TTreeNode* parent, const char* caption, TItemType type,
                            std::initializer_list<TPoint> vertices)
{
    TTreeNode* node = tree.AddItem(parent, Utf8ToCp932(caption), type);
    const TPoint first = *vertices.begin();
    tree.MoveItem(first.x, first.y, node);
    for (const TPoint& p : vertices)
        tree.AddPoint(p.x, p.y, node);
    tree.PointToCenter(node);
    return node;
}

inline void Style(TObjectTree& tree, TTreeNode* node, TColor pen, std::int32_t width, TPenStyle penStyle,
                  TColor fill, TBrushStyle fillStyle)
{
    tree.ChangeItem(node, [&](TItemObject& item) {
        item.Pen = {pen, width, penStyle, TPenMode::pmCopy};
        item.Brush = {fill, fillStyle};
    });
}

inline void Label(TObjectTree& tree, TTreeNode* node, const char* text)
{
    tree.ChangeItem(node, [text](TItemObject& item) { item.Text = Utf8ToCp932(text); });
}

inline void BuildSample(TObjectTree& tree, TTreeNode* root)
{
    TTreeNode* box = AddFigure(tree, root, "四角形", itRectangle, {{30, 30}, {30, 110}, {190, 110}, {190, 30}});
    Style(tree, box, RGB(0, 0, 128), 3, psSolid, RGB(255, 255, 200), bsSolid);
    Label(tree, box, "こんにちは\r\nQuillmark");

    TTreeNode* hatched = AddFigure(tree, root, "斜線の四角形", itRectangle, {{220, 30}, {220, 110}, {360, 110}, {360, 30}});
    Style(tree, hatched, clBlack, 1, psDash, RGB(0, 128, 0), bsDiagCross);

    TTreeNode* ellipse = AddFigure(tree, root, "楕円", itEllipse, {{400, 30}, {400, 110}, {560, 110}, {560, 30}});
    Style(tree, ellipse, RGB(128, 0, 0), 2, psSolid, RGB(255, 220, 220), bsSolid);
    tree.ChangeItem(ellipse, [](TItemObject& item) { item.Roll = 20; });
    Label(tree, ellipse, "回転した楕円");

    TTreeNode* line = AddFigure(tree, root, "新しい直線", itLine, {{40, 160}, {200, 200}});
    Style(tree, line, clBlue, 5, psSolid, clWhite, bsSolid);

    TTreeNode* arrow = AddFigure(tree, root, "新しい矢印", itArrow, {{230, 200}, {360, 150}});
    Style(tree, arrow, clRed, 2, psSolid, clRed, bsSolid);
    tree.ChangeItem(arrow, [](TItemObject& item) { item.PStyle = leArrow; });

    TTreeNode* spline = AddFigure(tree, root, "自然曲線", itCurve, {{400, 200}, {450, 140}, {500, 210}, {560, 150}});
    Style(tree, spline, RGB(128, 0, 128), 2, psSolid, clWhite, bsClear);
    tree.ChangeItem(spline, [](TItemObject& item) {
        item.CurveStyle = csSpline;
        item.DStyle = leArrow;
    });

    TTreeNode* bezier = AddFigure(tree, root, "ベジェ曲線", itCurve, {{40, 250}, {120, 330}, {200, 250}});
    Style(tree, bezier, RGB(0, 128, 128), 3, psSolid, clWhite, bsClear);
    tree.ChangeItem(bezier, [](TItemObject& item) {
        item.CurveStyle = csBezier;
        item.C1[0] = {item.Points[0].x + 10, item.Points[0].y + 70};
        item.C2[1] = {item.Points[2].x - 10, item.Points[2].y + 70};
    });

    TTreeNode* polygon = AddFigure(tree, root, "新しい多角形", itPolygon, {{240, 330}, {300, 240}, {360, 330}});
    Style(tree, polygon, clBlack, 1, psSolid, RGB(0, 0, 255), bsHorizontal);
    Label(tree, polygon, "三角");

    TTreeNode* group = tree.AddItem(root, Utf8ToCp932("新しいグループ"), itGroup);
    TTreeNode* member1 = AddFigure(tree, group, "縦縞", itRectangle, {{400, 250}, {400, 330}, {470, 330}, {470, 250}});
    Style(tree, member1, clBlack, 1, psSolid, RGB(255, 128, 0), bsVertical);
    TTreeNode* member2 = AddFigure(tree, group, "格子", itEllipse, {{480, 250}, {480, 330}, {560, 330}, {560, 250}});
    Style(tree, member2, clBlack, 1, psDot, RGB(0, 0, 0), bsCross);
    tree.AddPoint(400, 250, group);
    tree.AddPoint(560, 330, group);

    TTreeNode* stretched = AddFigure(tree, root, "伸縮と回転", itPolygon,
                                     {{80, 380}, {120, 360}, {160, 380}, {150, 420}, {90, 420}});
    Style(tree, stretched, RGB(64, 64, 64), 2, psDashDot, RGB(200, 255, 200), bsFDiagonal);
    tree.ChangeItem(stretched, [](TItemObject& item) {
        item.StretchX = 1.5f;
        item.StretchY = 0.8f;
        item.Roll = 30;
    });
    Label(tree, stretched, "伸縮");
}

// The copies sit in groups under the Object root, shifted so they do not all
// cover the same pixels.
inline void BuildCopies(TObjectTree& tree, long copies)
{
    if (copies == 1) {
        BuildSample(tree, tree.ObjectRoot());
        return;
    }
    for (long copy = 0; copy < copies; ++copy) {
        TTreeNode* group = tree.AddItem(tree.ObjectRoot(), Utf8ToCp932("見本"), itGroup);
        BuildSample(tree, group);
        tree.MoveItem(static_cast<int>(copy % 7) * 5, static_cast<int>(copy % 5) * 5, group);
    }
}

} // namespace sample
} // namespace qm

