#pragma once

#include "platform/Canvas.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qm {

// One drawing call with the canvas state it was made with.
struct TCanvasCall {
    enum class TKind { MoveTo, LineTo, Polygon, Polyline, Rectangle, Ellipse, FillRect, TextOut, DrawBitmap };

    TKind Kind = TKind::MoveTo;
    // LineTo: the pen position and the end point; TextOut, MoveTo and
    // DrawBitmap: the point; Rectangle, Ellipse, FillRect: the two corners;
    // Polygon, Polyline: the points.
    std::vector<TCanvasPoint> Points;
    std::string Text; // TextOut: the character, CP932
    TPen Pen;
    TBrush Brush;
    TFont Font;
    std::int32_t Escapement = 0;
};

// A canvas that draws nothing and logs every drawing call, so that the
// arithmetic of the drawing routines can be checked exactly. Characters
// measure a fixed width each, and every font the same ascent and descent.
class TRecordingCanvas final : public TCanvas {
public:
    explicit TRecordingCanvas(std::int32_t width = 1000, std::int32_t height = 1000);

    const std::vector<TCanvasCall>& Calls() const { return calls_; }
    void ClearCalls() { calls_.clear(); }
    // Only the calls of one kind, in order.
    std::vector<TCanvasCall> CallsOf(TCanvasCall::TKind kind) const;

    void SetCharacterWidths(std::int32_t singleByte, std::int32_t doubleByte);
    void SetTextMetrics(TTextMetrics metrics) { textMetrics_ = metrics; }

    void MoveTo(std::int32_t x, std::int32_t y) override;
    void LineTo(std::int32_t x, std::int32_t y) override;
    void Polygon(std::span<const TCanvasPoint> points) override;
    void Polyline(std::span<const TCanvasPoint> points) override;
    void Rectangle(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) override;
    void Ellipse(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) override;
    void FillRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) override;
    void TextOut(std::int32_t x, std::int32_t y, std::string_view character) override;
    std::int32_t TextWidth(std::string_view text) override;
    TTextMetrics TextMetrics() override { return textMetrics_; }
    void DrawBitmap(std::int32_t x, std::int32_t y, const TBitmap& bitmap) override;
    std::int32_t Width() const override { return width_; }
    std::int32_t Height() const override { return height_; }

private:
    void Log(TCanvasCall::TKind kind, std::vector<TCanvasPoint> points, std::string text = {});

    std::int32_t width_;
    std::int32_t height_;
    std::int32_t singleByteWidth_ = 6;
    std::int32_t doubleByteWidth_ = 12;
    TTextMetrics textMetrics_{10.5, 2.25};
    std::vector<TCanvasCall> calls_;
};

} // namespace qm
