#pragma once

#include <QIcon>

namespace qm {

// Positions in the tool-bar image list; the tool bars and menus refer to
// the images by these indexes.
enum TToolImage : int {
    tiRectangle = 0,
    tiEllipse = 1,
    tiLine = 2,
    tiArrow = 3,
    tiCurve = 4,
    tiPolygon = 5,
    tiNew = 6,
    tiOpen = 7,
    tiSave = 8,
    tiBold = 9,
    tiItalic = 10,
    tiUnderline = 11,
    tiEditObject = 12,
    tiDelete = 13,
    tiItemSelect = 14,
};

inline constexpr int kToolImageCount = 15;

// The 16 x 16 image at `index` of the list; an empty icon outside it.
QIcon ToolImage(int index);

// The program's icon at every size it was drawn (32 to 256 pixels).
QIcon ApplicationIcon();

} // namespace qm
