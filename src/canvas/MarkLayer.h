#pragma once

#include "platform/Canvas.h"

#include <cstdint>
#include <vector>

namespace qm {

// Marks drawn on the visible picture with the inverting pen: pure blue,
// not-xor, clear brush. A layer remembers what it drew, so erasing draws
// exactly the same shapes again and restores the picture byte for byte even
// when the selection has changed in between.
class TMarkLayer {
public:
    bool Shown() const { return !shapes_.empty(); }

    void AddRectangle(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom, std::int32_t penWidth = 1);
    void AddCircle(std::int32_t cx, std::int32_t cy, std::int32_t radius, std::int32_t penWidth = 1);
    void AddPolyline(std::vector<TCanvasPoint> points);
    void AddPolygon(std::vector<TCanvasPoint> points);

    // Draws the shapes added so far; they count as shown.
    void Draw(TCanvas& canvas) const;
    // Draws them once more (removing them) and forgets them.
    void Erase(TCanvas& canvas);
    // The picture was overwritten: nothing of the layer is on it any more.
    void Forget() { shapes_.clear(); }

    // Sets the inverting pen and clear brush on `canvas`.
    static void SetUpInvertingPen(TCanvas& canvas, std::int32_t penWidth = 1);

private:
    enum class TKind { Rectangle, Ellipse, Polyline, Polygon };
    struct TShape {
        TKind Kind;
        std::int32_t PenWidth;
        std::vector<TCanvasPoint> Points; // two corners for rectangles and ellipses
    };

    std::vector<TShape> shapes_;
};

} // namespace qm
