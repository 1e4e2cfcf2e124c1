#pragma once

#include "platform/Canvas.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace qm {

// A canvas that records its drawing as an enhanced metafile (EMF) of a
// fixed size in pixels: one logical unit is one pixel of a 96 dpi reference
// device, and the header's bounds and frame cover the whole canvas, so
// other programs show the picture at that size.
//
// Pens, brushes and fonts become metafile objects when a drawing call first
// needs them. A few objects of each kind are kept while they may serve again,
// so a run of drawing with alternating state creates nothing new; all of them
// are deselected and deleted before the end of the file. Wide pens are
// geometric with round ends and joins. Hatches and text leave the background
// as it is. Text is measured exactly as the raster canvas measures it, so a
// layout comes out the same in both.
class TMetafileCanvas final : public TCanvas {
public:
    // Sizes below one pixel are taken as one.
    TMetafileCanvas(std::int32_t width, std::int32_t height);
    ~TMetafileCanvas() override;
    TMetafileCanvas(const TMetafileCanvas&) = delete;
    TMetafileCanvas& operator=(const TMetafileCanvas&) = delete;

    // Ends the recording: the bytes of the metafile file. Drawing after this
    // records nothing. Empty when the picture could not be built (out of
    // memory) or was finished before.
    std::vector<char> Finish();

    // A line of zero length draws nothing and is not recorded.
    void LineTo(std::int32_t x, std::int32_t y) override;
    void Polygon(std::span<const TCanvasPoint> points) override;
    void Polyline(std::span<const TCanvasPoint> points) override;
    void Rectangle(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) override;
    void Ellipse(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) override;
    void FillRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) override;
    void TextOut(std::int32_t x, std::int32_t y, std::string_view character) override;
    std::int32_t TextWidth(std::string_view text) override;
    TTextMetrics TextMetrics() override;
    // Recorded as device-independent pixels at their own size.
    void DrawBitmap(std::int32_t x, std::int32_t y, const TBitmap& bitmap) override;
    std::int32_t Width() const override { return width_; }
    std::int32_t Height() const override { return height_; }

private:
    struct Recording;

    std::int32_t width_;
    std::int32_t height_;
    std::unique_ptr<Recording> recording_;
};

} // namespace qm
