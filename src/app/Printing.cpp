#include "Printing.h"

#include "qtplatform/PainterCanvas.h"
#include "render/CanvasX.h"

#include <QPainter>
#include <QPrinter>

#include <algorithm>

namespace qm {

bool PrintDrawing(QPrinter& printer, const TObjectTree& tree, std::int32_t width, std::int32_t height,
                  const TCanvasBackground& background, TPrintScale scale)
{
    QPainter painter;
    if (width < 1 || height < 1 || !painter.begin(&printer))
        return false;
    // The painter's origin is the printable area's top-left corner; the
    // device's own measures say how large the area is in its pixels.
    const QRectF area(0, 0, printer.width(), printer.height());
    double factor = printer.logicalDpiX() / static_cast<double>(kPixelsPerInch);
    QPointF offset(0, 0);
    if (scale == TPrintScale::FitToPage) {
        factor = std::min(area.width() / width, area.height() / height);
        offset = QPointF((area.width() - width * factor) / 2, (area.height() - height * factor) / 2);
    }
    painter.translate(offset);
    painter.scale(factor, factor);
    painter.setClipRect(QRectF(0, 0, width, height));
    TCanvasBackground withoutGrid = background;
    withoutGrid.ShowGrid = false;
    {
        TPainterCanvas canvas(painter, width, height, {.Smooth = true, .TextAsCharacters = true});
        RenderDrawing(canvas, tree, width, height, withoutGrid);
    }
    return painter.end();
}

} // namespace qm
