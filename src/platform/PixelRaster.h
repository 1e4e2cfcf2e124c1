#pragma once

#include "Canvas.h"
#include "GraphicsObjects.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace qm {

// 32-bit pixels 0xFFRRGGBB in rows `stride` pixels apart (a QImage of
// Format_RGB32). Drawing touches only the pixels inside the clip as well
// (the part of a picture being drawn again); which pixels a shape covers
// never depends on it.
struct TPixelView {
    std::uint32_t* bits = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::ptrdiff_t stride = 0;
    std::int32_t clipLeft = 0;
    std::int32_t clipTop = 0;
    std::int32_t clipRight = INT32_MAX; // exclusive
    std::int32_t clipBottom = INT32_MAX;

    // The drawable columns [Left(), Right()) and rows [Top(), Bottom()).
    std::int32_t Left() const { return clipLeft > 0 ? clipLeft : 0; }
    std::int32_t Top() const { return clipTop > 0 ? clipTop : 0; }
    std::int32_t Right() const { return clipRight < width ? clipRight : width; }
    std::int32_t Bottom() const { return clipBottom < height ? clipBottom : height; }
};

// What a drawn pixel becomes: the colour (0xFFRRGGBB), or with not-xor the
// inverse of colour xor pixel, which drawing twice undoes.
struct TPixelPaint {
    std::uint32_t argb = 0xFF000000;
    TPenMode mode = TPenMode::pmCopy;
};

// The shapes that make up nearly every drawing, rasterised here with GDI's
// rules instead of through QPainter: a render draws hundreds of thousands
// of them, and QPainter's set-up per call costs more than their pixels.
// Pixel (x, y) has its centre at (x + 0.5, y + 0.5) for fills and at (x, y)
// for lines, as in GDI. Coordinates may lie anywhere in the int32 range;
// only rows and columns inside the view are visited.

// A one-pixel line without its end pixel (Bresenham, major axis stepping).
void DrawThinLine(const TPixelView& view, TCanvasPoint from, TCanvasPoint to, TPixelPaint paint);
// A line `width` pixels wide with round ends: every pixel whose point lies
// within width / 2 of the segment. An even width has one row or column more
// below and right of the axis than above and left of it.
void DrawWideLine(const TPixelView& view, TCanvasPoint from, TCanvasPoint to, std::int32_t width, TPixelPaint paint);
// The alternate-rule interior of a polygon: pixels whose centres lie inside,
// so right and bottom edges are left out. Hatch styles paint only their
// 8 x 8 pattern, anchored at the view's origin, and leave the rest.
void FillPolygon(const TPixelView& view, std::span<const TCanvasPoint> points, TBrushStyle style, TPixelPaint paint);

// Paints the pixels at `origin` plus each offset: a shape whose pixels were
// found once, stamped wherever it is drawn again.
void PaintOffsets(const TPixelView& view, TCanvasPoint origin, std::span<const TCanvasPoint> offsets,
                  TPixelPaint paint);

// A shape's pixels found once, to stamp wherever it is drawn again: as
// offsets from a corner, and, when the shape is at most 64 pixels wide, as
// a word of bits per row as well.
class TPixelStamp {
public:
    explicit TPixelStamp(std::vector<TCanvasPoint> offsets);

    std::span<const TCanvasPoint> Offsets() const { return offsets_; }
    // Bit b of row r: the pixel at offset (Left() + b, Top() + r). Empty for
    // a wider shape.
    std::span<const std::uint64_t> Rows() const { return rows_; }
    std::int32_t Left() const { return left_; }
    std::int32_t Top() const { return top_; }
    std::int32_t Width() const { return width_; }

private:
    std::vector<TCanvasPoint> offsets_;
    std::vector<std::uint64_t> rows_;
    std::int32_t left_ = 0;
    std::int32_t top_ = 0;
    std::int32_t width_ = 0;
};

// Not-xor drawing in one colour, gathered and put on the pixels at once.
// A pixel inverted twice is as it was, so only the parity of the times each
// pixel is drawn counts, whatever the order. A run along a row or a column
// costs two bit flips however long it is: the frames and handles of a large
// selection's marks, over a million shapes, cost that instead of their
// pixels. Three planes of one bit per pixel: run edges along rows, run
// edges along columns, and single pixels.
class TInversionParity {
public:
    TInversionParity(std::int32_t width, std::int32_t height, std::uint32_t argb);

    std::uint32_t Argb() const { return argb_; }
    // The pixels DrawThinLine inverts inside `view`, when the line runs
    // along a row or a column; false (nothing gathered) for any other line.
    bool ToggleThinLine(const TPixelView& view, TCanvasPoint from, TCanvasPoint to);
    // The pixels PaintOffsets inverts inside `view` for the stamp's offsets.
    void ToggleStamp(const TPixelView& view, TCanvasPoint origin, const TPixelStamp& stamp);
    // Inverts the gathered pixels of `view`, a view of the size given, and
    // forgets them.
    void ApplyTo(const TPixelView& view);

private:
    // Inclusive runs and single pixels, already inside the view.
    void ToggleRowRun(std::int64_t y, std::int64_t first, std::int64_t last);
    void ToggleColumnRun(std::int64_t x, std::int64_t first, std::int64_t last);
    static void Flip(std::vector<std::uint64_t>& plane, std::size_t wordsPerRow, std::int64_t x, std::int64_t y);
    // Flips the bits of `bits` at columns x .. x + 63 of row y of a plane.
    static void FlipWord(std::vector<std::uint64_t>& plane, std::size_t wordsPerRow, std::int64_t x, std::int64_t y,
                         std::uint64_t bits);

    std::int32_t width_;
    std::int32_t height_;
    std::uint32_t argb_;
    // Bits 0 .. width of a row: a run's end may flip the bit past the last column.
    std::size_t wordsPerRow_;
    std::vector<std::uint64_t> rowEdges_;    // height rows
    std::vector<std::uint64_t> columnEdges_; // height + 1 rows
    std::vector<std::uint64_t> single_;      // height rows
};

// Blends a colour over the pixels of a box by a coverage of 0 (pixel kept)
// to 255 (colour), one byte per pixel, row after row: smoothed text.
void BlendCoverage(const TPixelView& view, std::int64_t left, std::int64_t top, std::int32_t width,
                   std::int32_t height, const std::uint8_t* coverage, std::uint32_t argb);

// The columns (bit c: x % 8 == c) that a brush style paints on a row.
std::uint8_t HatchRowMask(TBrushStyle style, std::int32_t y);

} // namespace qm
