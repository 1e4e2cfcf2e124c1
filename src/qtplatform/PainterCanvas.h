#pragma once

#include "platform/Canvas.h"

#include <cstdint>
#include <memory>

// Only named here, so that the layers above the platform can hold a painter
// canvas without Qt's headers; whoever makes one has a QPainter already.
class QPainter;

namespace qm {

class TRasterFontCache;

struct TPainterCanvasOptions {
    // Shapes with smoothed (anti-aliased) edges; otherwise hard-edged as the
    // raster canvas draws them. Text is smoothed either way.
    bool Smooth = false;
    // Text as characters that a reader can select and search (the vector
    // files), in a font that names the family that really draws it, then the
    // face name the drawing gave; otherwise as the glyphs the raster canvas
    // draws.
    bool TextAsCharacters = false;
};

// The canvas on any QPainter: a zoomed or smoothed view of the canvas
// window, a printer page, a PDF or SVG document. The painter's transform
// when the canvas is made maps canvas units to the device and stays the
// base of every drawing call, so the same drawing comes out at any scale as
// vectors.
//
// It draws what TRasterCanvas draws, shape for shape: strokes centred on the
// pixel at their coordinates (a thin line one unit wide, leaving out its end
// as GDI does; wider pens with round ends and joins), fills covering the
// pixels inside their outline with the right and bottom edges left out,
// Qt's 8 x 8 hatches anchored at the canvas origin with transparent gaps and
// turning and growing with the drawing, text measured exactly as the raster
// canvas measures it and placed by the top-left corner of the character
// cell, turned counter-clockwise by the escapement. Lines that follow on
// from each other with one pen are gathered into one path, so a vector file
// holds one element for an outline or a run of dashes, not one per stroke.
// A stroke thinner than a device pixel is drawn one device pixel wide.
class TPainterCanvas final : public TCanvas {
public:
    // `painter` must be active and outlive the canvas. `width` x `height`
    // is the area in canvas units. `fonts`, when given, is kept by the caller
    // between canvases (a window repainting); otherwise the canvas has its own.
    TPainterCanvas(QPainter& painter, std::int32_t width, std::int32_t height, TPainterCanvasOptions options = {},
                   TRasterFontCache* fonts = nullptr);
    ~TPainterCanvas() override;
    TPainterCanvas(const TPainterCanvas&) = delete;
    TPainterCanvas& operator=(const TPainterCanvas&) = delete;

    // Draws what is still gathered and leaves the painter as it was given.
    // The destructor does this too.
    void Finish();

    void LineTo(std::int32_t x, std::int32_t y) override;
    void Polygon(std::span<const TCanvasPoint> points) override;
    void Polyline(std::span<const TCanvasPoint> points) override;
    void Rectangle(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) override;
    void Ellipse(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) override;
    void FillRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) override;
    void TextOut(std::int32_t x, std::int32_t y, std::string_view character) override;
    std::int32_t TextWidth(std::string_view text) override;
    TTextMetrics TextMetrics() override;
    void DrawBitmap(std::int32_t x, std::int32_t y, const TBitmap& bitmap) override;
    std::int32_t Width() const override { return width_; }
    std::int32_t Height() const override { return height_; }

private:
    struct Impl;

    // A rectangle, or the ellipse in it.
    void Box(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom, bool round);

    std::int32_t width_;
    std::int32_t height_;
    std::unique_ptr<Impl> impl_;
};

} // namespace qm
