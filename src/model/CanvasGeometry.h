#pragma once

#include <cstdint>

namespace qm {

// The drawing's canvas as the document stores it: its size and its grid
// spacing, in pixels.
struct TCanvasGeometry {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::int32_t Grid = 0;

    friend bool operator==(const TCanvasGeometry&, const TCanvasGeometry&) = default;
};

} // namespace qm
