#pragma once

#include "../model/TreeTestSupport.h"

#include "model/ObjectTree.h"

#include <string>

namespace qm::test {

// Items that damaged files bring and that once took the renderer seconds: a
// dashed line from one end of the coordinate range to the other, an arrow
// with a pen 1000 pixels wide, a dashed polygon of width 0, an ellipse
// stretched to nothing, 200 000 characters in a small box, and a turned
// font two billion pixels high. Meant for a 200 x 200 surface.
inline void BuildDamagedDocument(TObjectTree& tree)
{
    TTreeNode* root = tree.ObjectRoot();
    TTreeNode* far = AddShape(tree, root, itLine, {{-2000000000, -2000000000}, {2000000000, 2000000000}});
    tree.ChangeItem(far, [](TItemObject& item) { item.Pen.Style = psDash; });
    TTreeNode* wide = AddShape(tree, root, itArrow, {{0, 100}, {200, 100}});
    tree.ChangeItem(wide, [](TItemObject& item) {
        item.Pen.Width = 1000;
        item.DStyle = leArrow;
    });
    TTreeNode* hairline = AddShape(tree, root, itPolygon, {{10, 10}, {190, 10}, {100, 190}});
    tree.ChangeItem(hairline, [](TItemObject& item) { item.Pen = {clBlue, 0, psDash, TPenMode::pmCopy}; });
    TTreeNode* flat = AddShape(tree, root, itEllipse, {{50, 50}, {150, 50}, {150, 150}, {50, 150}});
    tree.SetStretch(flat, 0, 0);
    TTreeNode* wordy = AddShape(tree, root, itRectangle, {{0, 0}, {20, 0}, {20, 20}, {0, 20}});
    tree.ChangeItem(wordy, [](TItemObject& item) { item.Text = std::string(200000, 'W'); });
    TTreeNode* bigFont = AddShape(tree, root, itRectangle, {{0, 0}, {20, 0}, {20, 20}, {0, 20}});
    tree.ChangeItem(bigFont, [](TItemObject& item) {
        item.Text = "X";
        item.Font.Height = -2000000000;
        item.Roll = 30;
    });
}

} // namespace qm::test
