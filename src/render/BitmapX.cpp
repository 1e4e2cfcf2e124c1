#include "BitmapX.h"

namespace qm {

TBitmapX::TBitmapX() : bitmap_(std::make_unique<TBitmap>()) {}

void TBitmapX::InitBitmap(std::int32_t width, std::int32_t height)
{
    bitmap_->SetSize(width, height);
    WhiteClear();
}

void TBitmapX::WhiteClear()
{
    WhiteClear2(clWhite);
}

void TBitmapX::WhiteClear2(TColor color)
{
    TCanvas& canvas = Canvas();
    canvas.SetBrush({color, bsSolid});
    canvas.FillRect(0, 0, bitmap_->Width(), bitmap_->Height());
}

void TBitmapX::BitmapResize(std::int32_t width, std::int32_t height)
{
    const std::unique_ptr<TBitmap> old = bitmap_->Copy();
    bitmap_ = std::make_unique<TBitmap>();
    InitBitmap(width, height);
    Canvas().Draw(0, 0, *old);
}

std::int32_t TBitmapX::GetDisplayInfo(const TCanvas& canvas, int index)
{
    return canvas.GetDeviceCaps(index);
}

} // namespace qm
