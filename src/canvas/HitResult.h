#pragma once

#include <cstdint>

namespace qm {

// What a press on the canvas hit.
enum class THitKind : std::int32_t {
    None,
    SelectionMark, // a selected item's box, one of its handles or its rotation handle
    Vertex,        // a vertex mark of a line, arrow, curve or polygon
    FirstControl,  // a mark of a segment's first control point (C1)
    SecondControl, // a mark of a segment's second control point (C2)
};

// The part of a selection mark that a press hit, and with it what a drag
// does: the body moves the selection, a handle moves the edges it lies on,
// the rotation handle turns the selection.
enum class TMarkPart : std::int32_t {
    None,
    Body,
    TopLeft,
    BottomLeft,
    BottomRight,
    TopRight,
    TopMiddle,
    LeftMiddle,
    BottomMiddle,
    RightMiddle,
    Rotation,
};

struct THit {
    THitKind Kind = THitKind::None;
    TMarkPart Part = TMarkPart::None; // for a selection mark
    std::int32_t Index = 0;           // for a point mark: the vertex or the segment

    bool IsPointMark() const
    {
        return Kind == THitKind::Vertex || Kind == THitKind::FirstControl || Kind == THitKind::SecondControl;
    }

    friend bool operator==(const THit&, const THit&) = default;
};

} // namespace qm
