#include "MetafilePicture.h"

#include <algorithm>
#include <span>

namespace qm {

namespace {

std::int32_t ShownSide(std::int64_t pixels)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(pixels, 0, TMetafilePicture::kMaxSide));
}

} // namespace

std::unique_ptr<TMetafilePicture> TMetafilePicture::FromBytes(std::vector<char> bytes, TMetafileFormat format,
                                                              std::string& error)
{
    const std::span<const char> data(bytes);
    if (format == TMetafileFormat::Enhanced) {
        if (auto info = ReadEnhancedMetafile(data, error))
            return std::unique_ptr<TMetafilePicture>(new TMetafilePicture(std::move(bytes), *info));
    } else if (auto info = ReadWindowsMetafile(data, error)) {
        return std::unique_ptr<TMetafilePicture>(new TMetafilePicture(std::move(bytes), *info));
    }
    return nullptr;
}

TMetafilePicture::TMetafilePicture(std::vector<char> bytes, TInfo info) : bytes_(std::move(bytes)), info_(std::move(info)) {}

const TMetafileFrame& TMetafilePicture::Frame() const
{
    return std::visit([](const auto& info) -> const TMetafileFrame& { return info.Frame; }, info_);
}

std::int32_t TMetafilePicture::Width() const
{
    return ShownSide(Frame().PixelWidth);
}

std::int32_t TMetafilePicture::Height() const
{
    return ShownSide(Frame().PixelHeight);
}

void TMetafilePicture::DrawOn(TCanvas& canvas, std::int32_t x, std::int32_t y) const
{
    Play(canvas, x, y, static_cast<double>(Frame().PixelWidth), static_cast<double>(Frame().PixelHeight));
}

void TMetafilePicture::DrawStretched(TCanvas& canvas, std::int32_t x, std::int32_t y, std::int32_t width,
                                     std::int32_t height) const
{
    if (Width() == 0 || Height() == 0)
        return;
    const double scaleX = static_cast<double>(width) / Width();
    const double scaleY = static_cast<double>(height) / Height();
    Play(canvas, x, y, static_cast<double>(Frame().PixelWidth) * scaleX,
         static_cast<double>(Frame().PixelHeight) * scaleY);
}

void TMetafilePicture::Play(TCanvas& canvas, double left, double top, double width, double height) const
{
    // The records set the canvas's pen, brush and font as they go; what the
    // caller had set comes back afterwards, so the grid drawn over a trace
    // picture keeps its own pen.
    struct TRestoreState {
        TCanvas& canvas;
        TPen pen = canvas.Pen();
        TBrush brush = canvas.Brush();
        TFont font = canvas.Font();
        std::int32_t escapement = canvas.FontEscapement();
        ~TRestoreState()
        {
            canvas.SetPen(pen);
            canvas.SetBrush(brush);
            canvas.SetFont(font, escapement);
        }
    } restore{canvas};
    const std::span<const char> data(bytes_);
    if (const auto* enhanced = std::get_if<TEnhancedMetafileInfo>(&info_))
        PlayEnhancedMetafile(data, *enhanced, canvas, left, top, width, height);
    else
        PlayWindowsMetafile(data, std::get<TWindowsMetafileInfo>(info_), canvas, left, top, width, height);
}

} // namespace qm
