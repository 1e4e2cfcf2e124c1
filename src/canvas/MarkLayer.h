#pragma once

#include "model/HugePages.h"
#include "model/ItemObject.h"
#include "platform/Canvas.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace qm {

// Marks drawn on the visible picture with the inverting pen: pure blue,
// not-xor, clear brush. A layer remembers what it drew, so erasing draws
// exactly the same shapes again and restores the picture byte for byte even
// when the selection has changed in between.
//
// Handles and circles keep their size apart from their place, so that a
// view at another scale draws them where they belong and as large on the
// screen as at 100 %.
class TMarkLayer {
public:
    bool Shown() const { return shapes_ && !shapes_->Shapes.empty(); }
    std::size_t Count() const { return shapes_ ? shapes_->Shapes.size() : 0; }
    // Room for `count` more shapes, added without moving the others.
    void Reserve(std::size_t count) { Writable().Shapes.reserve(Count() + count); }
    // The pixels the shapes cover, and a margin (empty when there are none).
    TRect Extent() const;

    void AddRectangle(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom, std::int32_t penWidth = 1);
    // A square handle of 2 x `half` about its centre.
    void AddHandle(std::int32_t cx, std::int32_t cy, std::int32_t half);
    void AddCircle(std::int32_t cx, std::int32_t cy, std::int32_t radius, std::int32_t penWidth = 1);
    void AddPolyline(const std::vector<TCanvasPoint>& points);
    void AddPolygon(const std::vector<TCanvasPoint>& points);

    // Draws the shapes added so far on the canvas; they count as shown.
    void Draw(TCanvas& canvas) const;
    // Draws them once more (removing them) and forgets them.
    void Erase(TCanvas& canvas);
    // The picture was overwritten: nothing of the layer is on it any more.
    void Forget() { shapes_.reset(); }

    // Sets the inverting pen and clear brush on `canvas`.
    static void SetUpInvertingPen(TCanvas& canvas, std::int32_t penWidth = 1);

private:
    friend class TMarkOverlay;

    // The inversions of larger layers are gathered and put on at once; for
    // fewer shapes, going over the whole canvas costs more than it saves.
    static constexpr std::size_t kShapesGathered = 4096;
    enum class TKind : std::uint8_t { Rectangle, Handle, Circle, Polyline, Polygon };
    // A selection of 100 000 items has over a million shapes: each is kept
    // small, its path (if any) among the layer's points.
    struct TShape {
        TKind Kind;
        std::int32_t PenWidth;
        // Two corners of a rectangle; the centre of a handle or circle. Of
        // a polyline or polygon, the place of its first point among the
        // layer's points (A.x) and their count (A.y).
        TCanvasPoint A;
        TCanvasPoint B;
        std::int32_t Size = 0; // half a handle's side, a circle's radius

        friend bool operator==(const TShape&, const TShape&) = default;
    };
    struct TShapes {
        std::vector<TShape, THugePageAllocator<TShape>> Shapes;
        std::vector<TCanvasPoint, THugePageAllocator<TCanvasPoint>> Points; // of the paths, one after another
        // Of all the shapes, kept as they come: a large selection's marks
        // are asked for it at every redraw.
        TRect Extent{0, 0, -1, -1};

        std::span<const TCanvasPoint> PathOf(const TShape& shape) const
        {
            return std::span(Points).subspan(static_cast<std::size_t>(shape.A.x), static_cast<std::size_t>(shape.A.y));
        }
        friend bool operator==(const TShapes&, const TShapes&) = default;
    };
    // Draws one shape with canvas units mapped to `scale` view pixels, view
    // pixel `origin` at the canvas's corner; sizes and pen widths stay in
    // view pixels.
    static void DrawShape(TCanvas& canvas, const TShapes& shapes, const TShape& shape, double scale,
                          TCanvasPoint origin);
    // The shapes that reach into `area` of the view, on a canvas holding that
    // area; the inversions of many gathered.
    static void DrawAll(TCanvas& canvas, const TShapes& shapes, double scale, const TRect& area);
    // The view pixels the shape may touch at `scale`.
    static TRect ExtentOf(const TShapes& shapes, const TShape& shape, double scale);

    // The shapes to add to: the layer's own, not the ones an overlay shares.
    TShapes& Writable();
    // Adds the shape, its path already among the points.
    void Add(const TShape& shape);
    void AddPath(TKind kind, const std::vector<TCanvasPoint>& points);

    // Shared with the overlay while shown, so that a large selection's marks
    // are not copied there.
    std::shared_ptr<TShapes> shapes_;
};

// What the inverting pen has drawn on the picture and not drawn again: the
// marks and rubber bands showing now, for a view that draws the drawing at
// another scale and the marks over it. As on the picture, a layer drawn a
// second time is gone. Layers are kept whole, as drawn: a large selection's
// marks come and go as one block, without a lookup per shape.
class TMarkOverlay {
public:
    bool Empty() const { return layers_.empty(); }
    std::size_t Count() const;
    TRect Extent() const;
    // The layer's shapes were drawn once more with the inverting pen.
    void Toggle(const TMarkLayer& layer);
    // The picture was overwritten.
    void Clear() { layers_.clear(); }

    // Draws the shapes with the inverting pen on a canvas holding `area` of
    // the view (its top-left corner at the canvas's), canvas unit u at view
    // pixel u x `scale` (the middle of the unit). Shapes outside the area
    // cost a test each: a scrolled view of a large selection draws the few
    // in sight.
    void Draw(TCanvas& canvas, double scale, const TRect& area) const;

private:
    // The inverting pen's result does not depend on the order of the
    // shapes, nor on whether a pair drawn twice is kept or dropped.
    std::vector<std::shared_ptr<const TMarkLayer::TShapes>> layers_;
};

} // namespace qm
