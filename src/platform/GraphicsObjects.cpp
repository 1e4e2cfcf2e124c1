#include "GraphicsObjects.h"

#include <cstdlib>
#include <limits>

namespace qm {

TPenStyle PenStyleFromOrdinal(std::int32_t ordinal)
{
    return ordinal >= psSolid && ordinal <= psInsideFrame ? static_cast<TPenStyle>(ordinal) : psSolid;
}

TBrushStyle BrushStyleFromOrdinal(std::int32_t ordinal)
{
    return ordinal >= bsSolid && ordinal <= bsDiagCross ? static_cast<TBrushStyle>(ordinal) : bsSolid;
}

std::int32_t MulDiv(std::int32_t a, std::int32_t b, std::int32_t c)
{
    if (c == 0)
        return -1;
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    const std::int64_t magnitude = (std::llabs(product) + std::llabs(static_cast<std::int64_t>(c)) / 2)
        / std::llabs(static_cast<std::int64_t>(c));
    const std::int64_t result = ((product < 0) != (c < 0)) ? -magnitude : magnitude;
    if (result > std::numeric_limits<std::int32_t>::max() || result < std::numeric_limits<std::int32_t>::min())
        return -1;
    return static_cast<std::int32_t>(result);
}

namespace {

std::int32_t Negated(std::int32_t value)
{
    return value == std::numeric_limits<std::int32_t>::min() ? std::numeric_limits<std::int32_t>::max() : -value;
}

} // namespace

std::int32_t TFont::Size() const
{
    return Negated(MulDiv(Height, 72, kPixelsPerInch));
}

void TFont::SetSize(std::int32_t points)
{
    Height = Negated(MulDiv(points, kPixelsPerInch, 72));
}

} // namespace qm
