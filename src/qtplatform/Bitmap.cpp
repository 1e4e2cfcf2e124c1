#include "Bitmap.h"

#include "BesideThread.h"
#include "QtBitmap.h"
#include "RasterCanvas.h"

#include <system_error>

namespace qm {

struct TBitmap::Impl {
    QImage image;
    TRasterCanvas canvas{image};
    // Made when first asked for, and kept with its canvas's glyphs.
    std::unique_ptr<TBesideThread> beside;
};

struct TBitmapAccess {
    static const QImage& FinishedImage(const TBitmap& bitmap)
    {
        bitmap.impl_->canvas.Finish();
        return bitmap.impl_->image;
    }
    static QImage& Image(TBitmap& bitmap)
    {
        bitmap.impl_->canvas.Finish();
        return bitmap.impl_->image;
    }
};

TBitmap::TBitmap() : impl_(std::make_unique<Impl>()) {}

TBitmap::TBitmap(std::int32_t width, std::int32_t height) : TBitmap()
{
    SetSize(width, height);
}

TBitmap::~TBitmap() = default;

std::int32_t TBitmap::Width() const
{
    return impl_->image.width();
}

std::int32_t TBitmap::Height() const
{
    return impl_->image.height();
}

void TBitmap::SetSize(std::int32_t width, std::int32_t height)
{
    impl_->canvas.Finish();
    if (width < 1 || height < 1 || std::int64_t{width} * height > kMaxPixels) {
        impl_->image = QImage();
        return;
    }
    impl_->image = QImage(width, height, QImage::Format_RGB32);
    impl_->image.fill(Qt::black);
}

TCanvas& TBitmap::Canvas()
{
    return impl_->canvas;
}

void TBitmap::RunBeside(const std::function<void(TCanvas&)>& beside, const std::function<void()>& here)
{
    if (!impl_->beside && !impl_->image.isNull()) {
        try {
            impl_->beside = std::make_unique<TBesideThread>();
        } catch (const std::system_error&) {
        }
    }
    if (!impl_->beside) {
        here();
        beside(impl_->canvas);
        return;
    }
    // The pixels become the image's own before either canvas paints, so
    // that neither painter copies them away from the other.
    impl_->canvas.Finish();
    impl_->beside->Start(impl_->image, beside);
    try {
        here();
    } catch (...) {
        impl_->beside->Wait();
        throw;
    }
    impl_->beside->Wait();
}

TColor TBitmap::Pixel(std::int32_t x, std::int32_t y) const
{
    const QImage& image = BitmapImage(*this);
    if (!image.valid(x, y))
        return clBlack;
    const QRgb pixel = image.pixel(x, y);
    return RGB(qRed(pixel), qGreen(pixel), qBlue(pixel));
}

std::unique_ptr<TBitmap> TBitmap::Copy() const
{
    auto copy = std::make_unique<TBitmap>();
    copy->impl_->image = BitmapImage(*this).copy();
    return copy;
}

void TBitmap::DrawOn(TCanvas& canvas, std::int32_t x, std::int32_t y) const
{
    canvas.DrawBitmap(x, y, *this);
}

const QImage& BitmapImage(const TBitmap& bitmap)
{
    return TBitmapAccess::FinishedImage(bitmap);
}

std::unique_ptr<TBitmap> BitmapFromImage(const QImage& image)
{
    auto bitmap = std::make_unique<TBitmap>();
    if (!image.isNull() && std::int64_t{image.width()} * image.height() <= TBitmap::kMaxPixels)
        TBitmapAccess::Image(*bitmap) = image.convertToFormat(QImage::Format_RGB32);
    return bitmap;
}

} // namespace qm
