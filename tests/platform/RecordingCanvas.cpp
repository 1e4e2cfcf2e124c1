#include "RecordingCanvas.h"

#include "platform/Cp932Characters.h"

#include <algorithm>
#include <limits>

namespace qm {

TRecordingCanvas::TRecordingCanvas(std::int32_t width, std::int32_t height) : width_(width), height_(height) {}

std::vector<TCanvasCall> TRecordingCanvas::CallsOf(TCanvasCall::TKind kind) const
{
    std::vector<TCanvasCall> selected;
    std::copy_if(calls_.begin(), calls_.end(), std::back_inserter(selected),
                 [kind](const TCanvasCall& call) { return call.Kind == kind; });
    return selected;
}

void TRecordingCanvas::SetCharacterWidths(std::int32_t singleByte, std::int32_t doubleByte)
{
    singleByteWidth_ = singleByte;
    doubleByteWidth_ = doubleByte;
}

void TRecordingCanvas::Log(TCanvasCall::TKind kind, std::vector<TCanvasPoint> points, std::string text)
{
    calls_.push_back({kind, std::move(points), std::move(text), Pen(), Brush(), Font(), FontEscapement()});
}

void TRecordingCanvas::MoveTo(std::int32_t x, std::int32_t y)
{
    TCanvas::MoveTo(x, y);
    Log(TCanvasCall::TKind::MoveTo, {{x, y}});
}

void TRecordingCanvas::LineTo(std::int32_t x, std::int32_t y)
{
    Log(TCanvasCall::TKind::LineTo, {PenPos(), {x, y}});
    SetPenPos({x, y});
}

void TRecordingCanvas::Polygon(std::span<const TCanvasPoint> points)
{
    Log(TCanvasCall::TKind::Polygon, {points.begin(), points.end()});
}

void TRecordingCanvas::Polyline(std::span<const TCanvasPoint> points)
{
    Log(TCanvasCall::TKind::Polyline, {points.begin(), points.end()});
}

void TRecordingCanvas::Rectangle(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom)
{
    Log(TCanvasCall::TKind::Rectangle, {{left, top}, {right, bottom}});
}

void TRecordingCanvas::Ellipse(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom)
{
    Log(TCanvasCall::TKind::Ellipse, {{left, top}, {right, bottom}});
}

void TRecordingCanvas::FillRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom)
{
    Log(TCanvasCall::TKind::FillRect, {{left, top}, {right, bottom}});
}

void TRecordingCanvas::TextOut(std::int32_t x, std::int32_t y, std::string_view character)
{
    Log(TCanvasCall::TKind::TextOut, {{x, y}}, std::string(character));
}

std::int32_t TRecordingCanvas::TextWidth(std::string_view text)
{
    std::int64_t width = 0;
    ForEachCp932Character(text, [&](std::string_view one) {
        width += one.size() == 2 ? doubleByteWidth_ : singleByteWidth_;
    });
    return static_cast<std::int32_t>(std::min<std::int64_t>(width, std::numeric_limits<std::int32_t>::max()));
}

void TRecordingCanvas::DrawBitmap(std::int32_t x, std::int32_t y, const TBitmap&)
{
    Log(TCanvasCall::TKind::DrawBitmap, {{x, y}});
}

} // namespace qm
