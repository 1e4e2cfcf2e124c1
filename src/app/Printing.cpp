#include "Printing.h"

#include "qtplatform/PainterCanvas.h"
#include "render/CanvasX.h"

#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <cmath>

namespace qm {

namespace {

// Draws the part `part` of the drawing (canvas pixels) scaled by `factor`,
// with the canvas origin at `origin` on the page.
void PrintPart(QPainter& painter, const TObjectTree& tree, std::int32_t width, std::int32_t height,
               const TCanvasBackground& background, QPointF origin, double factor, const QRectF& part)
{
    painter.save();
    painter.translate(origin);
    painter.scale(factor, factor);
    painter.setClipRect(part);
    {
        TPainterCanvas canvas(painter, width, height, {.Smooth = true, .TextAsCharacters = true});
        RenderDrawing(canvas, tree, width, height, background);
    }
    painter.restore();
}

// How many pages of `pageLength` canvas pixels a side of `length` takes.
int PagesFor(double length, double pageLength)
{
    constexpr double kRoundingSlack = 1e-6; // an exact fit is not one page more
    return std::max(1, static_cast<int>(std::ceil(length / pageLength - kRoundingSlack)));
}

} // namespace

bool PrintDrawing(QPrinter& printer, const TObjectTree& tree, std::int32_t width, std::int32_t height,
                  const TCanvasBackground& background, TPrintScale scale)
{
    QPainter painter;
    if (width < 1 || height < 1 || !painter.begin(&printer))
        return false;
    // The painter's origin is the printable area's top-left corner; the
    // device's own measures say how large the area is in its pixels.
    const QSizeF area(printer.width(), printer.height());
    const QRectF drawing(0, 0, width, height);
    TCanvasBackground withoutGrid = background;
    withoutGrid.ShowGrid = false;
    if (scale == TPrintScale::FitToPage) {
        const double factor = std::min(area.width() / width, area.height() / height);
        const QPointF centred((area.width() - width * factor) / 2, (area.height() - height * factor) / 2);
        PrintPart(painter, tree, width, height, withoutGrid, centred, factor, drawing);
        return painter.end();
    }
    const double factor = printer.logicalDpiX() / static_cast<double>(kPixelsPerInch);
    const QSizeF pagePart(area.width() / factor, area.height() / factor);
    const int columns = PagesFor(width, pagePart.width());
    const int rows = PagesFor(height, pagePart.height());
    bool pageOpen = true; // the painter begins on the first page
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            if (!pageOpen && !printer.newPage()) {
                painter.end();
                return false;
            }
            pageOpen = false;
            const QPointF corner(column * pagePart.width(), row * pagePart.height());
            PrintPart(painter, tree, width, height, withoutGrid, -corner * factor, factor,
                      QRectF(corner, pagePart) & drawing);
        }
    }
    return painter.end();
}

} // namespace qm
