#pragma once

#include "RecordingCanvas.h"

#include "render/SurfaceX.h"

#include <ostream>
#include <vector>

namespace qm {

// Tests print points and strokes readably.
inline std::ostream& operator<<(std::ostream& out, const TCanvasPoint& p)
{
    return out << '(' << p.x << ", " << p.y << ')';
}

namespace test {

// The shared primitives drawing on a recording canvas.
class TRecordingSurface final : public TSurfaceX {
public:
    explicit TRecordingSurface(TSurfaceTraits traits = {}, std::int32_t width = 1000, std::int32_t height = 1000)
        : TSurfaceX(traits), canvas(width, height)
    {
    }
    TCanvas& Canvas() override { return canvas; }

    TRecordingCanvas canvas;
};

struct TStroke {
    TCanvasPoint from;
    TCanvasPoint to;

    friend bool operator==(const TStroke&, const TStroke&) = default;
    friend std::ostream& operator<<(std::ostream& out, const TStroke& s) { return out << s.from << "-" << s.to; }
};

// Every LineTo as a stroke from the pen position.
inline std::vector<TStroke> Strokes(const TRecordingCanvas& canvas)
{
    std::vector<TStroke> strokes;
    for (const TCanvasCall& call : canvas.CallsOf(TCanvasCall::TKind::LineTo))
        strokes.push_back({call.Points[0], call.Points[1]});
    return strokes;
}

inline TStroke HorizontalStroke(std::int32_t fromX, std::int32_t toX, std::int32_t y)
{
    return {{fromX, y}, {toX, y}};
}

inline TStroke VerticalStroke(std::int32_t x, std::int32_t fromY, std::int32_t toY)
{
    return {{x, fromY}, {x, toY}};
}

} // namespace test
} // namespace qm
