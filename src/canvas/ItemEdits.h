#pragma once

#include "model/ObjectTree.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// What the object editor's OK gives an item, as the dialog's fields hold it.
// An unset optional leaves the item's own value.
struct TItemEdits {
    // Fill: the pattern chosen (unset: the item's style), its colour, and
    // "塗りつぶさない", which overrides the pattern.
    std::optional<TBrushStyle> FillPattern;
    TColor FillColor = clWhite;
    bool NoFill = false;
    // Line: solid or dashed (unset: the item's style), "線を引かない", width
    // and colour.
    std::optional<TPenStyle> LineStyle;
    bool NoLine = false;
    std::int32_t LineWidth = 1;
    TColor LineColor = clBlack;

    float StretchX = 1.0f;
    float StretchY = 1.0f;
    std::int32_t Angle = 0; // 0 .. 359: the item turns until it stands at it
    std::int32_t X = 0;
    std::int32_t Y = 0;
    std::int32_t Priority = 0;

    std::optional<std::string> Text; // CP932; unset when the text was not edited
    TFont Font;
    std::int32_t Margin = 1;
    std::int32_t LineSpacing = 4;
    bool CenterH = true;
    bool CenterV = true;
    std::optional<TLineEnd> PStyle;
    std::optional<TLineEnd> DStyle;
    std::optional<TCurveStyle> CurveStyle;
};

// The name of the object editor's step in the edit history.
inline constexpr std::string_view kEditStepName = "オブジェクトの編集";

// The object editor's OK: the edits go to `node`, fill and line through its
// members too.
void ApplyItemEdits(TObjectTree& tree, TTreeNode* node, const TItemEdits& edits);
// After the editor closes on the canvas selection, every other selected node
// takes the first one's pen and brush.
void SpreadLineAndFill(TObjectTree& tree, const std::vector<TTreeNode*>& selection);

} // namespace qm
