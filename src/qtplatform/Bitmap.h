#pragma once

#include "platform/Canvas.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace qm {

// An off-screen RGB picture with a canvas that draws on it. The header is
// free of Qt so that layers above the platform can own and draw on bitmaps;
// QtBitmap.h gives the platform and the windows the image itself.
class TBitmap final : public TGraphic {
public:
    TBitmap();
    TBitmap(std::int32_t width, std::int32_t height);
    ~TBitmap() override;
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    std::int32_t Width() const override;
    std::int32_t Height() const override;
    bool IsEmpty() const { return Width() == 0 || Height() == 0; }
    // A new picture of that size, black. Sizes below 1, or beyond what one
    // picture may hold (kMaxPixels), give an empty bitmap, on which drawing
    // does nothing.
    void SetSize(std::int32_t width, std::int32_t height);

    TCanvas& Canvas();
    // Runs `beside` with a second canvas over the same pixels, on a thread
    // kept for the bitmap, while `here` draws on Canvas() on this thread;
    // returns when both have ended, throwing what either threw. The two must
    // never paint the same pixels. With no thread to be had, both run here,
    // `beside` on Canvas() after `here`.
    void RunBeside(const std::function<void(TCanvas&)>& beside, const std::function<void()>& here);
    // The colour (0x00BBGGRR) at a pixel; black outside the picture.
    TColor Pixel(std::int32_t x, std::int32_t y) const;
    std::unique_ptr<TBitmap> Copy() const;

    void DrawOn(TCanvas& canvas, std::int32_t x, std::int32_t y) const override;

    static constexpr std::int64_t kMaxPixels = std::int64_t{1} << 27;

private:
    struct Impl;
    friend struct TBitmapAccess;
    std::unique_ptr<Impl> impl_;
};

} // namespace qm
