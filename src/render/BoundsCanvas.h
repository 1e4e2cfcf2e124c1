#pragma once

#include "model/ItemObject.h"
#include "platform/Canvas.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace qm {

// What lets a redraw leave out an item that items drawn after it hide.
struct TOcclusion {
    // Pixels a solid fill of the item paints whatever lay below.
    TRect Cover{0, 0, -1, -1};
    // The fingerprint of the calls of an item that paints over every pixel
    // it touches, else 0: a twin drawn later hides it.
    std::uint64_t PaintsOverAs = 0;

    bool Hides() const { return !Cover.IsEmpty() || PaintsOverAs != 0; }
};

struct TItemBounds {
    TRect Bounds; // inclusive, generous; empty when the item draws nothing
    TOcclusion Occlusion;
};

// A canvas that paints nothing and gathers the box of every pixel the calls
// made on it could paint on the real one, generously: half the pen's width
// and two pixels more around every outline, a text character's cell turned
// any way about its corner. Text is measured by `measure`, the canvas the
// real drawing goes to, so that text lays out exactly as it does there.
//
// It also gathers what lets a redraw leave out items that others drawn
// later hide: the largest upright block the calls fill solid, whether every
// pixel they paint ends up the same whatever lay below, and a fingerprint
// of the calls, equal for items that paint the very same pixels.
class TBoundsCanvas final : public TCanvas {
public:
    explicit TBoundsCanvas(TCanvas& measure) : measure_(&measure) {}

    // As new, for the next item.
    void Reset() { *this = TBoundsCanvas(*measure_); }

    // Inclusive pixel box of what was drawn since Reset; empty when nothing.
    TRect Bounds() const;
    // The largest block of pixels a solid fill in the copying pen mode
    // covered whole, found for each fill about the centre of its bounding
    // box: nothing drawn before shows there. Empty when there was none.
    const TRect& Cover() const { return cover_; }
    // Whether every pixel painted was painted over what lay below without
    // mixing with it: every call in the copying pen mode, smoothed text only
    // within the cover.
    bool PaintsOver() const { return paintsOver_; }
    // The calls with the pens, brushes and fonts they drew with.
    std::uint64_t Fingerprint() const { return fingerprint_; }

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
    std::int32_t Width() const override { return measure_->Width(); }
    std::int32_t Height() const override { return measure_->Height(); }

private:
    // Pixels a stroke of the current pen reaches beyond its centre line.
    std::int64_t PenReach() const;
    void Add(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom, std::int64_t reach);
    void AddPoints(std::span<const TCanvasPoint> points, std::int64_t reach);
    void AddCover(std::span<const TCanvasPoint> points);
    TCanvas& Measure();
    // Into the fingerprint: a call, its numbers, the state it draws with.
    void Note(std::uint64_t value);
    void NotePoints(std::span<const TCanvasPoint> points);
    void NotePen();
    void NoteBrush();
    void NoteFont();

    TCanvas* measure_;
    std::int64_t left_ = 0;
    std::int64_t top_ = 0;
    std::int64_t right_ = -1;
    std::int64_t bottom_ = -1;
    bool empty_ = true;
    TRect cover_{0, 0, -1, -1};
    bool paintsOver_ = true;
    std::uint64_t fingerprint_ = 0;
    std::optional<TPen> notedPen_;
    std::optional<TBrush> notedBrush_;
    std::optional<TPenMode> notedPenMode_;
    std::optional<TFont> notedFont_;
    std::int32_t notedEscapement_ = 0;
};

} // namespace qm
