#pragma once

#include "RasterFonts.h"

#include "platform/Canvas.h"
#include "platform/PixelRaster.h"

#include <QImage>
#include <QPainter>

#include <map>
#include <optional>
#include <tuple>
#include <vector>

namespace qm {

// GDI drawing on a QImage (Format_RGB32): shapes without anti-aliasing, pens
// wider than one pixel with round ends and joins, hatch brushes as 8 x 8
// patterns anchored at the image origin that leave their gaps untouched, pen
// mode not-xor (drawing twice restores the pixels), system colours resolved
// at each drawing call. Text is smoothed in grayscale. Lines, polygon fills,
// rectangle fills, one-pixel rectangle frames, small not-xor ellipse
// outlines and text (from glyph and outline images that Qt draws once) are
// rasterised by PixelRaster; pictures, other ellipses and rectangles and
// styled pens go through QPainter.
class TRasterCanvas final : public TCanvas {
public:
    // The image must outlive the canvas; call Finish before it is resized,
    // copied or read by anyone else.
    explicit TRasterCanvas(QImage& image);
    ~TRasterCanvas() override;
    TRasterCanvas(const TRasterCanvas&) = delete;
    TRasterCanvas& operator=(const TRasterCanvas&) = delete;

    // Ends painting; the next drawing call starts again.
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
    void SetClip(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) override;
    void ClearClip() override;
    void BeginInversions() override { gatherInversions_ = true; }
    void EndInversions() override;
    std::int32_t Width() const override { return image_.width(); }
    std::int32_t Height() const override { return image_.height(); }

private:
    // The painter, begun if needed; null when the image cannot be painted.
    QPainter* Painter();
    // The painter set up for an outline with the pen, or for a fill with
    // the brush, in the canvas's pen mode.
    QPainter* StrokePainter();
    QPainter* FillPainter();
    TPixelView Pixels();
    // Where to gather a stroke in `paint`: null unless gathering inversions
    // in the paint's colour.
    TInversionParity* Gathering(TPixelPaint paint);
    // Puts the gathered inversions on the pixels: before drawing that does
    // not invert, and before anyone else reads the pixels.
    void SettleInversions();
    // Before drawing with the pen, which inverts only in not-xor mode.
    void SettleInversionsForPen()
    {
        if (Pen().Mode != TPenMode::pmNotXor)
            SettleInversions();
    }
    // Hands the clip to the painter and the pixel view.
    void ApplyClip();
    // One segment with the current plain pen, end pixel left out.
    void StrokeSegment(TCanvasPoint from, TCanvasPoint to);
    const QVector<QPoint>& ToQPoints(std::span<const TCanvasPoint> points);
    // The pixels Qt's outline with the not-xor pen `pen` inverts, of an
    // ellipse in a box of `width` x `height` pixels, as offsets from the
    // box's corner; measured once per size and pen width.
    const TPixelStamp& EllipseOutline(std::int32_t width, std::int32_t height, const TPen& pen);
    // The direction of the baseline at `escapement` tenths of a degree.
    struct TBaseline {
        std::int32_t escapement = 0;
        double alongX = 1;
        double alongY = 0;
    };
    const TBaseline& BaselineAt(std::int32_t escapement);

    // What the painter was last set up for, so that a run of strokes with
    // one pen or fills with one brush does not set it up again.
    enum class TSetup { Other, Stroke, Fill };

    QImage& image_;
    QPainter painter_;
    TSetup setup_ = TSetup::Other;
    TPixelView pixels_;
    bool pixelsKnown_ = false;
    TPen setupPen_;
    TBrush setupBrush_;
    TRasterFontCache fonts_;
    // A text is drawn a character at a time, all at one escapement.
    TBaseline baseline_;
    QVector<QPoint> pointBuffer_;
    std::map<std::tuple<std::int32_t, std::int32_t, std::int32_t>, TPixelStamp> ellipseOutlines_;
    std::optional<QRect> clip_;
    bool gatherInversions_ = false;
    std::optional<TInversionParity> inversions_;
};

} // namespace qm
