#include "VectorFile.h"

#include "PainterCanvas.h"
#include "SvgPaintDevice.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>

namespace qm {

namespace {

constexpr double kPointsPerPixel = 72.0 / kPixelsPerInch;

std::vector<char> BytesOf(const QByteArray& bytes)
{
    return std::vector<char>(bytes.begin(), bytes.end());
}

// Draws on the device through a painter canvas that keeps text as text;
// false when the device cannot be painted on.
bool PaintOn(QPaintDevice& device, std::int32_t width, std::int32_t height, const std::function<void(TCanvas&)>& draw)
{
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    {
        TPainterCanvas canvas(painter, width, height, {.Smooth = true, .TextAsCharacters = true});
        draw(canvas);
    }
    return painter.end();
}

std::vector<char> DrawSvg(std::int32_t width, std::int32_t height, const std::string& title,
                          const std::function<void(TCanvas&)>& draw)
{
    TSvgPaintDevice device(width, height, QString::fromStdString(title));
    if (!PaintOn(device, width, height, draw))
        return {};
    return BytesOf(device.Document());
}

std::vector<char> DrawPdf(std::int32_t width, std::int32_t height, const std::string& title,
                          const std::function<void(TCanvas&)>& draw)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(kPixelsPerInch);
        writer.setCreator(QStringLiteral("Quillmark"));
        writer.setTitle(QString::fromStdString(title));
        const QPageSize page(QSizeF(width * kPointsPerPixel, height * kPointsPerPixel), QPageSize::Point,
                             QString(), QPageSize::ExactMatch);
        if (!writer.setPageLayout(QPageLayout(page, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)))
            || !PaintOn(writer, width, height, draw))
            return {};
    }
    return BytesOf(buffer.data());
}

} // namespace

std::vector<char> DrawVectorFile(TVectorFormat format, std::int32_t width, std::int32_t height,
                                 const std::string& title, const std::function<void(TCanvas&)>& draw)
{
    width = std::max(width, 1);
    height = std::max(height, 1);
    return format == TVectorFormat::Svg ? DrawSvg(width, height, title, draw) : DrawPdf(width, height, title, draw);
}

} // namespace qm
