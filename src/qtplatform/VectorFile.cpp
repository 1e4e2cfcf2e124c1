#include "VectorFile.h"

#include "PainterCanvas.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <algorithm>
#include <utility>
#include <map>

namespace qm {

namespace {

constexpr double kPointsPerPixel = 72.0 / kPixelsPerInch;

std::vector<char> BytesOf(const QByteArray& bytes)
{
    return std::vector<char>(bytes.begin(), bytes.end());
}

// The text of a CSS string inside an XML attribute: quoted, and nothing in
// it that could end the string or the attribute.
std::string QuotedFamily(const std::string& name)
{
    std::string quoted = "'";
    for (const char c : name) {
        switch (c) {
        case '&': quoted += "&amp;"; break;
        case '<': quoted += "&lt;"; break;
        case '>': quoted += "&gt;"; break;
        case '"': quoted += "&quot;"; break;
        case '\'': quoted += "\\27 "; break;
        case '\\': quoted += "\\5c "; break;
        default:
            if (static_cast<unsigned char>(c) >= 0x20)
                quoted += c;
        }
    }
    return quoted + "'";
}

// QSvgGenerator names one family per text: the one that draws it. The face
// name the drawing gave follows it as a fallback, where each family drawn
// stands for one face name only.
QByteArray WithFallbackFamilies(QByteArray svg, const std::vector<TPainterCanvas::TTextFamily>& families)
{
    std::map<std::string, std::vector<std::string>> named;
    for (const TPainterCanvas::TTextFamily& family : families)
        named[family.Drawn].push_back(family.Named);
    for (const auto& [drawn, names] : named) {
        if (names.size() != 1 || names.front().empty())
            continue;
        const QByteArray attribute = QByteArray("font-family=\"") + QByteArray::fromStdString(drawn) + "\"";
        const QByteArray replacement = QByteArray("font-family=\"") + QByteArray::fromStdString(drawn) + ", "
            + QByteArray::fromStdString(QuotedFamily(names.front())) + "\"";
        svg.replace(attribute, replacement);
    }
    return svg;
}

// The generator gives the picture's size in millimetres, rounded so that a
// reader may make it a pixel larger; in pixels it is exact.
QByteArray WithPixelSize(QByteArray svg, std::int32_t width, std::int32_t height)
{
    const qsizetype root = svg.indexOf("<svg ");
    if (root < 0)
        return svg;
    for (const auto& [name, value] : {std::pair{QByteArray(" width=\""), width}, {QByteArray(" height=\""), height}}) {
        const qsizetype rootEnd = svg.indexOf('>', root);
        const qsizetype start = svg.indexOf(name, root);
        const qsizetype end = start < 0 ? -1 : svg.indexOf('"', start + name.size());
        if (start < 0 || end < 0 || end > rootEnd)
            continue;
        svg.replace(start + name.size(), end - start - name.size(), QByteArray::number(value));
    }
    return svg;
}

std::vector<char> DrawSvg(std::int32_t width, std::int32_t height, const std::string& title,
                          const std::function<void(TCanvas&)>& draw)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    std::vector<TPainterCanvas::TTextFamily> families;
    {
        QSvgGenerator generator;
        generator.setOutputDevice(&buffer);
        generator.setSize(QSize(width, height));
        generator.setViewBox(QRect(0, 0, width, height));
        generator.setResolution(kPixelsPerInch);
        // The generator writes these as they are.
        generator.setTitle(QString::fromStdString(title).toHtmlEscaped());
        generator.setDescription(QStringLiteral("Quillmark"));
        QPainter painter;
        if (!painter.begin(&generator))
            return {};
        TPainterCanvas canvas(painter, width, height, {.Smooth = true, .TextAsCharacters = true});
        draw(canvas);
        canvas.Finish();
        families = canvas.TextFamilies();
        if (!painter.end())
            return {};
    }
    return BytesOf(WithFallbackFamilies(WithPixelSize(buffer.data(), width, height), families));
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
        if (!writer.setPageLayout(QPageLayout(page, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0))))
            return {};
        QPainter painter;
        if (!painter.begin(&writer))
            return {};
        {
            TPainterCanvas canvas(painter, width, height, {.Smooth = true, .TextAsCharacters = true});
            draw(canvas);
        }
        if (!painter.end())
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
