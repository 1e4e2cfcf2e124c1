#pragma once

#include "GraphicsObjects.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace qm {

struct TCanvasPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;

    friend bool operator==(const TCanvasPoint&, const TCanvasPoint&) = default;
};

class TCanvas;

// Anything that can be drawn onto a canvas with its top-left corner at a
// point: bitmaps, and later metafiles played through the canvas.
class TGraphic {
public:
    virtual ~TGraphic() = default;
    virtual std::int32_t Width() const = 0;
    virtual std::int32_t Height() const = 0;
    virtual void DrawOn(TCanvas& canvas, std::int32_t x, std::int32_t y) const = 0;
};

class TBitmap;

// The extent of a font's character cell about its baseline, in pixels, with
// the fractions the font's design gives.
struct TTextMetrics {
    double Ascent = 0;  // from the top of the cell down to the baseline
    double Descent = 0; // from the baseline down to the bottom of the cell
};

// Device capability indexes of GetDeviceCaps.
inline constexpr int HORZSIZE = 4;
inline constexpr int VERTSIZE = 6;
inline constexpr int HORZRES = 8;
inline constexpr int VERTRES = 10;
inline constexpr int LOGPIXELSX = 88;
inline constexpr int LOGPIXELSY = 90;

// A drawing target with the state and operations of a GDI device context.
// Pen, brush and font are plain state read by every drawing call, so a
// recording implementation can emit them where they are used. Coordinates
// follow GDI: a line leaves out its end pixel, a filled shape without a pen
// leaves out its right and bottom edges, and Rectangle/Ellipse/FillRect take
// the exclusive corner (right, bottom).
class TCanvas {
public:
    virtual ~TCanvas() = default;

    const TPen& Pen() const { return pen_; }
    const TBrush& Brush() const { return brush_; }
    const TFont& Font() const { return font_; }
    // Tenths of a degree, counter-clockwise on the screen as GDI turns text.
    std::int32_t FontEscapement() const { return escapement_; }

    void SetPen(const TPen& pen) { pen_ = pen; }
    void SetBrush(const TBrush& brush) { brush_ = brush; }
    // A font with escapement 0 is upright; characters then turn about the
    // top-left corner of their cell.
    void SetFont(const TFont& font, std::int32_t escapement = 0)
    {
        font_ = font;
        escapement_ = escapement;
    }

    TCanvasPoint PenPos() const { return penPos_; }
    virtual void MoveTo(std::int32_t x, std::int32_t y) { penPos_ = {x, y}; }
    // From the pen position to (x, y), end pixel excluded; a line of zero
    // length draws nothing. The pen position moves to (x, y).
    virtual void LineTo(std::int32_t x, std::int32_t y) = 0;
    // Filled with the brush (alternate fill rule) and outlined with the pen.
    virtual void Polygon(std::span<const TCanvasPoint> points) = 0;
    virtual void Polyline(std::span<const TCanvasPoint> points) = 0;
    virtual void Rectangle(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) = 0;
    virtual void Ellipse(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) = 0;
    // Fills with the brush whatever the pen and pen mode; a clear brush fills nothing.
    virtual void FillRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) = 0;
    // One character (one CP932 byte or a double-byte pair) in the font's
    // colour with the top-left corner of its cell at (x, y), turned by the
    // font's escapement; the background is left as it is.
    virtual void TextOut(std::int32_t x, std::int32_t y, std::string_view character) = 0;
    // Width of CP932 text in the current font, upright. Always the sum of the
    // widths of its characters (no kerning), as GDI measures.
    virtual std::int32_t TextWidth(std::string_view text) = 0;
    // Ascent and descent of the current font as this canvas draws it (GDI's
    // GetTextMetrics), for placing text by its baseline or its bottom.
    virtual TTextMetrics TextMetrics() = 0;

    void Draw(std::int32_t x, std::int32_t y, const TGraphic& graphic) { graphic.DrawOn(*this, x, y); }
    // The pixels of a bitmap, copied with their top-left corner at (x, y).
    virtual void DrawBitmap(std::int32_t x, std::int32_t y, const TBitmap& bitmap) = 0;

    // Limits drawing to the pixels left <= x < right, top <= y < bottom
    // until ClearClip, for drawing a part of a picture again: a call paints
    // inside it exactly the pixels it paints without it. Canvases that are
    // never drawn in parts ignore it.
    virtual void SetClip(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom)
    {
        (void)left, (void)top, (void)right, (void)bottom;
    }
    virtual void ClearClip() {}

    // Drawing with a not-xor pen by the hundred thousand (the marks of a
    // large selection) may be gathered until EndInversions and put on the
    // pixels at once: inverted pixels end the same whatever the order. Any
    // other drawing in between first puts on what was gathered.
    virtual void BeginInversions() {}
    virtual void EndInversions() {}

    // The area that shows; drawing beyond it is lost.
    virtual std::int32_t Width() const = 0;
    virtual std::int32_t Height() const = 0;

    // Every canvas reports the same reference screen of 96 pixels per inch,
    // so sizes never depend on the display the program runs on.
    virtual std::int32_t GetDeviceCaps(int index) const;

protected:
    void SetPenPos(TCanvasPoint position) { penPos_ = position; }

private:
    TPen pen_;
    TBrush brush_;
    TFont font_;
    std::int32_t escapement_ = 0;
    TCanvasPoint penPos_;
};

} // namespace qm
