#pragma once

#include "model/ItemObject.h"
#include "platform/Canvas.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace qm {

// A canvas that paints nothing and gathers the box of every pixel the calls
// made on it could paint on the real one, generously: half the pen's width
// and two pixels more around every outline, a text character's cell turned
// any way about its corner. Text is measured by `measure`, the canvas the
// real drawing goes to, so that text lays out exactly as it does there.
class TBoundsCanvas final : public TCanvas {
public:
    explicit TBoundsCanvas(TCanvas& measure) : measure_(measure) {}

    // Inclusive pixel box of what was drawn since Reset; empty when nothing.
    TRect Bounds() const;

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
    std::int32_t Width() const override { return measure_.Width(); }
    std::int32_t Height() const override { return measure_.Height(); }

private:
    // Pixels a stroke of the current pen reaches beyond its centre line.
    std::int64_t PenReach() const;
    void Add(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom, std::int64_t reach);
    void AddPoints(std::span<const TCanvasPoint> points, std::int64_t reach);
    TCanvas& Measure();

    TCanvas& measure_;
    std::int64_t left_ = 0;
    std::int64_t top_ = 0;
    std::int64_t right_ = -1;
    std::int64_t bottom_ = -1;
    bool empty_ = true;
};

} // namespace qm
