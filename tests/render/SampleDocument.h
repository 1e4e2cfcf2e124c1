#pragma once

#include "../model/TreeTestSupport.h"

#include "model/ObjectTree.h"
#include "platform/ShiftJis.h"
#include "WritableRecord.h"

#include <vector>

namespace qm::test {

// A shape anchored in its middle, as the editor makes them, with a text.
inline TTreeNode* AddSampleShape(TObjectTree& tree, TTreeNode* parent, TItemType type,
                                 const std::vector<TPoint>& vertices, const char* utf8Text = "")
{
    TTreeNode* node = test::AddShape(tree, parent, type, vertices);
    tree.PointToCenter(node);
    Writable(node)->Text = Utf8ToCp932(utf8Text);
    return node;
}

// Every kind of item, curve style, fill, pen style, arrowheads, turned and
// styled text, a turned group, and items that are never drawn.
inline void BuildSampleDocument(TObjectTree& tree)
{
    TTreeNode* root = tree.ObjectRoot();

    TTreeNode* rectangle = AddSampleShape(tree, root, itRectangle, {{20, 20}, {180, 20}, {180, 100}, {20, 100}},
                                    "長方形\r\n塗りつぶし");
    Writable(rectangle)->Brush = {RGB(255, 230, 160), bsSolid};
    Writable(rectangle)->Pen = {RGB(160, 80, 0), 3, psSolid, TPenMode::pmCopy};

    TTreeNode* hatched = AddSampleShape(tree, root, itRectangle, {{200, 20}, {360, 20}, {360, 100}, {200, 100}},
                                  "斜線 (bsDiagCross)");
    Writable(hatched)->Brush = {clBlue, bsDiagCross};
    Writable(hatched)->Pen = {clBlue, 1, psDash, TPenMode::pmCopy};

    TTreeNode* ellipse = AddSampleShape(tree, root, itEllipse, {{400, 20}, {560, 20}, {560, 100}, {400, 100}},
                                  "回転した楕円");
    Writable(ellipse)->Roll = 20;
    Writable(ellipse)->Brush = {RGB(200, 255, 200), bsSolid};
    Writable(ellipse)->Pen = {RGB(0, 120, 0), 2, psSolid, TPenMode::pmCopy};

    TTreeNode* dashed = AddSampleShape(tree, root, itLine, {{20, 140}, {360, 180}}, "破線 幅5");
    Writable(dashed)->Pen = {clRed, 5, psDash, TPenMode::pmCopy};

    TTreeNode* arrow = AddSampleShape(tree, root, itArrow, {{20, 220}, {180, 220}, {180, 300}}, "矢印");
    Writable(arrow)->PStyle = leArrow;
    Writable(arrow)->DStyle = leArrow;
    Writable(arrow)->Pen = {clBlack, 3, psSolid, TPenMode::pmCopy};
    Writable(arrow)->Brush = {clWhite, bsClear};

    TTreeNode* spline = AddSampleShape(tree, root, itCurve, {{220, 300}, {280, 220}, {340, 300}, {400, 220}},
                                 "自然曲線");
    Writable(spline)->CurveStyle = csSpline;
    Writable(spline)->Brush = {clWhite, bsClear};
    Writable(spline)->Pen = {RGB(128, 0, 128), 2, psSolid, TPenMode::pmCopy};
    Writable(spline)->DStyle = leArrow;

    TTreeNode* bezier = AddSampleShape(tree, root, itCurve, {{440, 300}, {520, 220}, {600, 300}}, "ベジェ曲線");
    Writable(bezier)->CurveStyle = csBezier;
    Writable(bezier)->C1 = {{-40, -100}, {20, -100}, {0, 0}};
    Writable(bezier)->C2 = {{-20, -100}, {60, 100}, {0, 0}};
    Writable(bezier)->Brush = {clWhite, bsClear};
    Writable(bezier)->Pen = {RGB(0, 0, 160), 1, psDash, TPenMode::pmCopy};

    TTreeNode* polygon = AddSampleShape(tree, root, itPolygon, {{600, 40}, {760, 60}, {700, 160}, {620, 120}},
                                  "多角形");
    Writable(polygon)->Brush = {RGB(255, 0, 128), bsHorizontal};
    Writable(polygon)->Pen = {clBlack, 0, psDash, TPenMode::pmCopy};

    TTreeNode* smooth = AddSampleShape(tree, root, itPolygon, {{620, 380}, {760, 420}, {700, 560}, {600, 500}},
                                 "ベジェ多角形\r\n縦線");
    Writable(smooth)->CurveStyle = csBezier;
    Writable(smooth)->Brush = {RGB(0, 128, 128), bsVertical};
    Writable(smooth)->Pen = {RGB(0, 128, 128), 2, psSolid, TPenMode::pmCopy};

    TTreeNode* textBox = AddSampleShape(tree, root, itRectangle, {{40, 360}, {280, 360}, {280, 440}, {40, 440}},
                                  "30度回転した文字列：ＭＳ Ｐゴシック\r\n二行目 ABC abc 123");
    Writable(textBox)->Roll = 30;
    Writable(textBox)->Brush = {RGB(230, 230, 255), bsSolid};

    TTreeNode* vertical = AddSampleShape(tree, root, itRectangle, {{320, 340}, {380, 340}, {380, 560}, {320, 560}},
                                   "九十度の縦書き風");
    Writable(vertical)->Roll = 90;
    Writable(vertical)->Brush = {clWhite, bsFDiagonal};

    TTreeNode* styled = AddSampleShape(tree, root, itRectangle, {{420, 340}, {580, 340}, {580, 420}, {420, 420}},
                                 "太字 斜体 下線\r\n明朝 20 ポイント");
    TFont& font = Writable(styled)->Font;
    font.Name = Utf8ToCp932("ＭＳ 明朝");
    font.SetSize(14);
    font.Style = fsBold | fsItalic | fsUnderline;
    font.Color = RGB(160, 0, 0);
    Writable(styled)->Brush = {clWhite, bsBDiagonal};
    Writable(styled)->CenterH = false;
    Writable(styled)->CenterV = false;

    TTreeNode* group = tree.AddItem(root, "group", itGroup);
    Writable(group)->X = 160;
    Writable(group)->Y = 520;
    TTreeNode* member = AddSampleShape(tree, group, itRectangle, {{100, 490}, {220, 490}, {220, 550}, {100, 550}},
                                 "グループ内");
    Writable(member)->Brush = {RGB(255, 255, 180), bsCross};
    tree.RotateItem(-15, group);

    // Never drawn: in the trash, or inactive.
    AddSampleShape(tree, tree.TrashNode(), itRectangle, {{0, 0}, {800, 0}, {800, 600}, {0, 600}}, "ごみ箱");
    Writable(AddSampleShape(tree, root, itEllipse, {{0, 0}, {800, 0}, {800, 600}, {0, 600}}, "非表示"))->Active = false;
}

} // namespace qm::test
