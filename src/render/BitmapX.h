#pragma once

#include "SurfaceX.h"

#include "qtplatform/Bitmap.h"

#include <cstdint>
#include <memory>

namespace qm {

// The off-screen raster surface on which the canvas window renders the
// whole document: one bitmap and the primitives of TSurfaceX drawing on it.
class TBitmapX final : public TSurfaceX {
public:
    TBitmapX();

    TCanvas& Canvas() override { return bitmap_->Canvas(); }
    const TBitmap& Bitmap() const { return *bitmap_; }
    TBitmap& Bitmap() { return *bitmap_; }

    // Sets the size, then WhiteClear.
    void InitBitmap(std::int32_t width, std::int32_t height);
    void WhiteClear();
    void WhiteClear2(TColor color);
    // A new size; the old picture stays at the top-left corner, cut off
    // where the bitmap shrinks and white where it grows.
    void BitmapResize(std::int32_t width, std::int32_t height);
    // The device capability `index` (HORZSIZE, HORZRES, ...) of the canvas's device.
    static std::int32_t GetDisplayInfo(const TCanvas& canvas, int index);

private:
    std::unique_ptr<TBitmap> bitmap_;
};

} // namespace qm
