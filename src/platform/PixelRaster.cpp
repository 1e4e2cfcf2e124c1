#include "PixelRaster.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <utility>
#include <vector>

namespace qm {

namespace {

// Products of two int32 differences need more than 64 bits.
using TWide = __int128;

// Divisions for a positive denominator; 128-bit division is slow, and
// drawings rarely need it.
template <typename Int>
Int CeilDivide(Int numerator, Int denominator)
{
    Int quotient = numerator / denominator;
    if (numerator % denominator != 0 && numerator > 0)
        ++quotient;
    return quotient;
}

std::int64_t CeilDiv(TWide numerator, std::int64_t denominator)
{
    constexpr TWide kLimit = std::numeric_limits<std::int64_t>::max();
    if (numerator <= kLimit && numerator >= -kLimit)
        return CeilDivide(static_cast<std::int64_t>(numerator), denominator);
    return static_cast<std::int64_t>(CeilDivide(numerator, TWide{denominator}));
}

std::int64_t FloorDiv(TWide numerator, std::int64_t denominator)
{
    return -CeilDiv(-numerator, denominator);
}

void Put(std::uint32_t& pixel, TPixelPaint paint)
{
    if (paint.mode == TPenMode::pmCopy)
        pixel = paint.argb;
    else
        pixel = ~(paint.argb ^ pixel) | 0xFF000000u;
}

// Pixels first .. last (inclusive) of row y where `mask` has the column's bit.
void PaintSpan(const TPixelView& view, std::int64_t y, std::int64_t first, std::int64_t last, std::uint8_t mask,
               TPixelPaint paint)
{
    if (mask == 0)
        return;
    first = std::max<std::int64_t>(first, view.Left());
    last = std::min<std::int64_t>(last, view.Right() - 1);
    if (first > last || y < view.Top() || y >= view.Bottom())
        return;
    std::uint32_t* row = view.bits + y * view.stride;
    if (mask == 0xFF && paint.mode == TPenMode::pmCopy) {
        std::fill(row + first, row + last + 1, paint.argb);
        return;
    }
    // Visit only the columns of the pattern: one in eight per bit.
    for (int column = 0; column < 8; ++column) {
        if (((mask >> column) & 1) == 0)
            continue;
        for (std::int64_t x = first + ((column - first) & 7); x <= last; x += 8)
            Put(row[x], paint);
    }
}

bool IsEmpty(const TPixelView& view)
{
    return !view.bits || view.Left() >= view.Right() || view.Top() >= view.Bottom();
}

// The x range where k (x - origin) + m lies in [low, high]; false for none.
bool SolveBand(double k, double m, double low, double high, double origin, double& from, double& to)
{
    if (k == 0) {
        if (m < low || m > high)
            return false;
        from = -std::numeric_limits<double>::infinity();
        to = std::numeric_limits<double>::infinity();
        return true;
    }
    const double a = origin + (low - m) / k;
    const double b = origin + (high - m) / k;
    from = std::min(a, b);
    to = std::max(a, b);
    return true;
}

// One polygon edge walked row by row: the first pixel column right of the
// crossing, ceil(x - 0.5), kept exact as a quotient and a remainder.
struct TEdge {
    std::int64_t firstRow = 0;
    std::int64_t lastRow = 0;
    std::int64_t column = 0;
    std::int64_t remainder = 0; // column * denominator - numerator
    std::int64_t denominator = 0;
    std::int64_t columnStep = 0;
    std::int64_t remainderStep = 0;

    // Without a branch: whether the remainder borrows follows the slope's
    // fraction, which the processor cannot predict.
    void Advance()
    {
        remainder -= remainderStep;
        const std::int64_t borrow = remainder >> 63; // -1 when negative
        remainder += denominator & borrow;
        column += columnStep - borrow;
    }
};

// The edge from a to b, or false when it crosses no row centre in the view.
bool MakeEdge(TCanvasPoint a, TCanvasPoint b, const TPixelView& view, TEdge& edge)
{
    if (a.y == b.y)
        return false;
    if (a.y > b.y)
        std::swap(a, b);
    // Row centres y + 0.5 in [a.y, b.y): rows a.y .. b.y - 1.
    edge.firstRow = std::max<std::int64_t>(a.y, view.Top());
    edge.lastRow = std::min<std::int64_t>(b.y, view.Bottom()) - 1;
    if (edge.firstRow > edge.lastRow)
        return false;
    const std::int64_t dy = std::int64_t{b.y} - a.y;
    const std::int64_t dx = std::int64_t{b.x} - a.x;
    // The crossing at row y is a.x + (y + 0.5 - a.y) dx / dy, so
    // ceil(x - 0.5) = ceil(numerator / (2 dy)) with a numerator that grows
    // by 2 dx per row.
    edge.denominator = 2 * dy;
    const TWide numerator = TWide{2} * a.x * dy - dy + (TWide{2} * (edge.firstRow - a.y) + 1) * dx;
    edge.column = CeilDiv(numerator, edge.denominator);
    edge.remainder = static_cast<std::int64_t>(TWide{edge.column} * edge.denominator - numerator);
    edge.columnStep = FloorDiv(TWide{2} * dx, edge.denominator);
    edge.remainderStep = 2 * dx - edge.columnStep * edge.denominator;
    return true;
}

} // namespace

std::uint8_t HatchRowMask(TBrushStyle style, std::int32_t y)
{
    const int row = y & 7;
    const auto forward = static_cast<std::uint8_t>(1u << row);
    const auto backward = static_cast<std::uint8_t>(1u << (7 - row));
    const std::uint8_t horizontal = row == 3 ? 0xFF : 0x00;
    const std::uint8_t vertical = 1u << 4;
    switch (style) {
    case bsClear:
        return 0x00;
    case bsHorizontal:
        return horizontal;
    case bsVertical:
        return vertical;
    case bsFDiagonal:
        return forward;
    case bsBDiagonal:
        return backward;
    case bsCross:
        return horizontal | vertical;
    case bsDiagCross:
        return forward | backward;
    default:
        return 0xFF;
    }
}

void DrawThinLine(const TPixelView& view, TCanvasPoint from, TCanvasPoint to, TPixelPaint paint)
{
    if (IsEmpty(view))
        return;
    const std::int64_t dx = std::int64_t{to.x} - from.x;
    const std::int64_t dy = std::int64_t{to.y} - from.y;
    if (dx == 0 && dy == 0)
        return;
    const bool xMajor = std::abs(dx) >= std::abs(dy);
    const std::int64_t steps = xMajor ? std::abs(dx) : std::abs(dy);
    const std::int64_t minorSteps = xMajor ? std::abs(dy) : std::abs(dx);
    const std::int64_t majorSign = (xMajor ? dx : dy) < 0 ? -1 : 1;
    const std::int64_t minorSign = (xMajor ? dy : dx) < 0 ? -1 : 1;
    const std::int64_t majorStart = xMajor ? from.x : from.y;
    const std::int64_t minorStart = xMajor ? from.y : from.x;
    const std::int64_t majorLow = xMajor ? view.Left() : view.Top();
    const std::int64_t majorEnd = xMajor ? view.Right() : view.Bottom();
    const std::int64_t minorLow = xMajor ? view.Top() : view.Left();
    const std::int64_t minorEnd = xMajor ? view.Bottom() : view.Right();

    // Steps i = 0 .. steps - 1 (the end pixel is left out) whose major
    // coordinate lies in the view.
    std::int64_t first = 0;
    std::int64_t last = steps - 1;
    if (majorSign > 0) {
        first = std::max(first, majorLow - majorStart);
        last = std::min(last, majorEnd - 1 - majorStart);
    } else {
        first = std::max(first, majorStart - majorEnd + 1);
        last = std::min(last, majorStart - majorLow);
    }
    if (first > last)
        return;
    if (minorSteps == 0) {
        // A row or a column: the frames and handles of marks, by the million.
        if (minorStart < minorLow || minorStart >= minorEnd)
            return;
        const std::int64_t low = majorSign > 0 ? majorStart + first : majorStart - last;
        const std::int64_t high = majorSign > 0 ? majorStart + last : majorStart - first;
        const std::ptrdiff_t step = xMajor ? 1 : view.stride;
        std::uint32_t* pixel = xMajor ? view.bits + minorStart * view.stride + low : view.bits + low * view.stride + minorStart;
        for (std::int64_t at = low; at <= high; ++at, pixel += step)
            Put(*pixel, paint);
        return;
    }

    // Minor offset at step i: i * minorSteps / steps rounded, halves down.
    const std::int64_t denominator = 2 * steps;
    const TWide numerator = TWide{2} * first * minorSteps + steps - 1;
    std::int64_t offset = FloorDiv(numerator, denominator);
    auto remainder = static_cast<std::int64_t>(numerator - TWide{offset} * denominator);
    // Walk an index: one pixel along the major axis per step, one row or
    // column along the minor axis when the offset grows. The minor
    // coordinate may lie outside the view; only pixels inside are touched.
    const std::int64_t majorStride = (xMajor ? 1 : view.stride) * majorSign;
    const std::int64_t minorStride = (xMajor ? view.stride : 1) * minorSign;
    std::int64_t minor = minorStart + minorSign * offset;
    const std::int64_t major = majorStart + majorSign * first;
    std::int64_t index = xMajor ? minor * view.stride + major : major * view.stride + minor;
    for (std::int64_t i = first; i <= last; ++i) {
        if (minor >= minorLow && minor < minorEnd)
            Put(view.bits[index], paint);
        index += majorStride;
        remainder += 2 * minorSteps - denominator;
        const std::int64_t carry = ~(remainder >> 63); // -1 when the minor coordinate moves on
        remainder += denominator & ~carry;
        minor += minorSign & carry;
        index += minorStride & carry;
    }
}

void DrawWideLine(const TPixelView& view, TCanvasPoint from, TCanvasPoint to, std::int32_t width, TPixelPaint paint)
{
    if (IsEmpty(view) || (from.x == to.x && from.y == to.y))
        return;
    const double radius = width / 2.0;
    const double shift = width % 2 == 0 ? 0.5 : 0.0;
    const double ax = from.x + shift;
    const double ay = from.y + shift;
    const double bx = to.x + shift;
    const double by = to.y + shift;
    const double length = std::hypot(bx - ax, by - ay);
    const double ux = (bx - ax) / length;
    const double uy = (by - ay) / length;

    const auto firstRow = std::max<double>(std::ceil(std::min(ay, by) - radius), view.Top());
    const auto lastRow = std::min<double>(std::floor(std::max(ay, by) + radius), view.Bottom() - 1);
    for (double y = firstRow; y <= lastRow; ++y) {
        double low = std::numeric_limits<double>::infinity();
        double high = -std::numeric_limits<double>::infinity();
        for (const auto& [cx, cy] : {std::pair{ax, ay}, std::pair{bx, by}}) {
            const double dy = y - cy;
            if (std::abs(dy) <= radius) {
                const double half = std::sqrt(radius * radius - dy * dy);
                low = std::min(low, cx - half);
                high = std::max(high, cx + half);
            }
        }
        // The band between the end circles: along the segment 0 .. length,
        // across it within the radius.
        double alongFrom = 0;
        double alongTo = 0;
        double acrossFrom = 0;
        double acrossTo = 0;
        if (SolveBand(ux, (y - ay) * uy, 0, length, ax, alongFrom, alongTo)
            && SolveBand(uy, -(y - ay) * ux, -radius, radius, ax, acrossFrom, acrossTo)) {
            const double bandFrom = std::max(alongFrom, acrossFrom);
            const double bandTo = std::min(alongTo, acrossTo);
            if (bandFrom <= bandTo) {
                low = std::min(low, bandFrom);
                high = std::max(high, bandTo);
            }
        }
        if (low <= high)
            PaintSpan(view, static_cast<std::int64_t>(y), static_cast<std::int64_t>(std::ceil(low)),
                      static_cast<std::int64_t>(std::floor(high)), 0xFF, paint);
    }
}

namespace {

// Calls `visit(x, y)` for each pixel at `origin` plus an offset that lies
// inside the view.
template <typename Visit>
void ForEachOffsetInView(const TPixelView& view, TCanvasPoint origin, std::span<const TCanvasPoint> offsets,
                         Visit&& visit)
{
    for (const TCanvasPoint& offset : offsets) {
        const std::int64_t x = std::int64_t{origin.x} + offset.x;
        const std::int64_t y = std::int64_t{origin.y} + offset.y;
        if (x >= view.Left() && x < view.Right() && y >= view.Top() && y < view.Bottom())
            visit(x, y);
    }
}

} // namespace

void PaintOffsets(const TPixelView& view, TCanvasPoint origin, std::span<const TCanvasPoint> offsets,
                  TPixelPaint paint)
{
    ForEachOffsetInView(view, origin, offsets,
                        [&](std::int64_t x, std::int64_t y) { Put(view.bits[y * view.stride + x], paint); });
}

TPixelStamp::TPixelStamp(std::vector<TCanvasPoint> offsets) : offsets_(std::move(offsets))
{
    if (offsets_.empty())
        return;
    std::int32_t right = offsets_.front().x;
    std::int32_t bottom = offsets_.front().y;
    left_ = right;
    top_ = bottom;
    for (const TCanvasPoint& offset : offsets_) {
        left_ = std::min(left_, offset.x);
        top_ = std::min(top_, offset.y);
        right = std::max(right, offset.x);
        bottom = std::max(bottom, offset.y);
    }
    width_ = right - left_ + 1;
    if (width_ > 64)
        return;
    rows_.resize(static_cast<std::size_t>(bottom - top_ + 1));
    for (const TCanvasPoint& offset : offsets_)
        rows_[static_cast<std::size_t>(offset.y - top_)] ^= std::uint64_t{1} << (offset.x - left_);
}

TInversionParity::TInversionParity(std::int32_t width, std::int32_t height, std::uint32_t argb)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      argb_(argb),
      wordsPerRow_(static_cast<std::size_t>(width_) / 64 + 1),
      rowEdges_(wordsPerRow_ * static_cast<std::size_t>(height_)),
      columnEdges_(wordsPerRow_ * (static_cast<std::size_t>(height_) + 1)),
      single_(wordsPerRow_ * static_cast<std::size_t>(height_))
{
}

void TInversionParity::Flip(std::vector<std::uint64_t>& plane, std::size_t wordsPerRow, std::int64_t x,
                            std::int64_t y)
{
    plane[static_cast<std::size_t>(y) * wordsPerRow + static_cast<std::size_t>(x) / 64] ^= std::uint64_t{1} << (x % 64);
}

void TInversionParity::ToggleRowRun(std::int64_t y, std::int64_t first, std::int64_t last)
{
    Flip(rowEdges_, wordsPerRow_, first, y);
    Flip(rowEdges_, wordsPerRow_, last + 1, y);
}

void TInversionParity::ToggleColumnRun(std::int64_t x, std::int64_t first, std::int64_t last)
{
    Flip(columnEdges_, wordsPerRow_, x, first);
    Flip(columnEdges_, wordsPerRow_, x, last + 1);
}

bool TInversionParity::ToggleThinLine(const TPixelView& view, TCanvasPoint from, TCanvasPoint to)
{
    const bool alongRow = from.y == to.y;
    if (!alongRow && from.x != to.x)
        return false;
    if (IsEmpty(view) || (from.x == to.x && from.y == to.y))
        return true;
    // The pixels from `from` up to, not including, `to`.
    const std::int64_t start = alongRow ? from.x : from.y;
    const std::int64_t end = alongRow ? to.x : to.y;
    std::int64_t first = start < end ? start : end + 1;
    std::int64_t last = start < end ? end - 1 : start;
    const std::int64_t across = alongRow ? from.y : from.x;
    if (across < (alongRow ? view.Top() : view.Left()) || across >= (alongRow ? view.Bottom() : view.Right()))
        return true;
    first = std::max<std::int64_t>(first, alongRow ? view.Left() : view.Top());
    last = std::min<std::int64_t>(last, (alongRow ? view.Right() : view.Bottom()) - 1);
    if (first > last)
        return true;
    if (alongRow)
        ToggleRowRun(across, first, last);
    else
        ToggleColumnRun(across, first, last);
    return true;
}

void TInversionParity::FlipWord(std::vector<std::uint64_t>& plane, std::size_t wordsPerRow, std::int64_t x,
                                std::int64_t y, std::uint64_t bits)
{
    const std::size_t at = static_cast<std::size_t>(y) * wordsPerRow + static_cast<std::size_t>(x) / 64;
    const auto shift = static_cast<unsigned>(x % 64);
    plane[at] ^= bits << shift;
    if (shift != 0 && (bits >> (64 - shift)) != 0)
        plane[at + 1] ^= bits >> (64 - shift);
}

void TInversionParity::ToggleStamp(const TPixelView& view, TCanvasPoint origin, const TPixelStamp& stamp)
{
    const std::int64_t left = std::int64_t{origin.x} + stamp.Left();
    const std::int64_t top = std::int64_t{origin.y} + stamp.Top();
    const auto rows = static_cast<std::int64_t>(stamp.Rows().size());
    if (rows != 0 && left >= view.Left() && left + stamp.Width() <= view.Right() && top >= view.Top()
        && top + rows <= view.Bottom()) {
        for (std::int64_t r = 0; r < rows; ++r)
            FlipWord(single_, wordsPerRow_, left, top + r, stamp.Rows()[static_cast<std::size_t>(r)]);
        return;
    }
    ForEachOffsetInView(view, origin, stamp.Offsets(),
                        [this](std::int64_t x, std::int64_t y) { Flip(single_, wordsPerRow_, x, y); });
}

void TInversionParity::ApplyTo(const TPixelView& view)
{
    if (!view.bits || view.width != width_ || view.height != height_)
        return;
    // Bit x of the result: the xor of the bits 0 .. x of a word.
    const auto prefixXor = [](std::uint64_t bits) {
        for (int shift = 1; shift < 64; shift *= 2)
            bits ^= bits << shift;
        return bits;
    };
    std::vector<std::uint64_t> columnsOn(wordsPerRow_);
    const TPixelPaint paint{argb_, TPenMode::pmNotXor};
    for (std::size_t y = 0; y < static_cast<std::size_t>(height_); ++y) {
        const std::size_t row = y * wordsPerRow_;
        std::uint32_t* pixels = view.bits + static_cast<std::ptrdiff_t>(y) * view.stride;
        std::uint64_t rowOn = 0;
        for (std::size_t word = 0; word < wordsPerRow_; ++word) {
            columnsOn[word] ^= columnEdges_[row + word];
            const std::uint64_t along = prefixXor(rowEdges_[row + word]) ^ rowOn;
            rowOn = along & (std::uint64_t{1} << 63) ? ~std::uint64_t{0} : 0;
            for (std::uint64_t flips = along ^ columnsOn[word] ^ single_[row + word]; flips != 0; flips &= flips - 1) {
                const std::size_t x = word * 64 + static_cast<std::size_t>(std::countr_zero(flips));
                if (x < static_cast<std::size_t>(width_))
                    Put(pixels[x], paint);
            }
        }
    }
    std::fill(rowEdges_.begin(), rowEdges_.end(), 0);
    std::fill(columnEdges_.begin(), columnEdges_.end(), 0);
    std::fill(single_.begin(), single_.end(), 0);
}

void BlendCoverage(const TPixelView& view, std::int64_t left, std::int64_t top, std::int32_t width,
                   std::int32_t height, const std::uint8_t* coverage, std::uint32_t argb)
{
    if (IsEmpty(view))
        return;
    const std::int64_t firstRow = std::max<std::int64_t>(top, view.Top());
    const std::int64_t endRow = std::min<std::int64_t>(top + height, view.Bottom());
    const std::int64_t firstColumn = std::max<std::int64_t>(left, view.Left());
    const std::int64_t endColumn = std::min<std::int64_t>(left + width, view.Right());
    const auto mix = [](std::uint32_t from, std::uint32_t to, std::uint32_t amount, int shift) {
        const std::uint32_t a = (from >> shift) & 0xFF;
        const std::uint32_t b = (to >> shift) & 0xFF;
        return ((a * (255 - amount) + b * amount + 127) / 255) << shift;
    };
    for (std::int64_t y = firstRow; y < endRow; ++y) {
        std::uint32_t* row = view.bits + y * view.stride;
        const std::uint8_t* source = coverage + (y - top) * width - left;
        for (std::int64_t x = firstColumn; x < endColumn; ++x) {
            const std::uint32_t amount = source[x];
            if (amount == 0)
                continue;
            if (amount == 255) {
                row[x] = argb;
                continue;
            }
            row[x] = 0xFF000000u | mix(row[x], argb, amount, 16) | mix(row[x], argb, amount, 8) | mix(row[x], argb, amount, 0);
        }
    }
}

void FillPolygon(const TPixelView& view, std::span<const TCanvasPoint> points, TBrushStyle style, TPixelPaint paint)
{
    if (IsEmpty(view) || points.size() < 3 || style == bsClear)
        return;
    std::vector<TEdge> edges;
    edges.reserve(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        TEdge edge;
        if (MakeEdge(points[i], points[(i + 1) % points.size()], view, edge))
            edges.push_back(edge);
    }
    if (edges.empty())
        return;
    std::sort(edges.begin(), edges.end(), [](const TEdge& a, const TEdge& b) { return a.firstRow < b.firstRow; });

    std::vector<TEdge*> active;
    std::vector<std::int64_t> crossings;
    std::size_t next = 0;
    std::int64_t nextEnd = std::numeric_limits<std::int64_t>::max();
    for (std::int64_t y = edges.front().firstRow; next < edges.size() || !active.empty(); ++y) {
        if (active.empty() && next < edges.size())
            y = std::max(y, edges[next].firstRow);
        while (next < edges.size() && edges[next].firstRow == y) {
            active.push_back(&edges[next]);
            nextEnd = std::min(nextEnd, edges[next].lastRow);
            ++next;
        }
        const std::uint8_t mask = HatchRowMask(style, static_cast<std::int32_t>(y));
        if (active.size() == 2) {
            // A convex outline crosses each row twice: no list to sort.
            const std::int64_t a = active[0]->column;
            const std::int64_t b = active[1]->column;
            PaintSpan(view, y, std::min(a, b), std::max(a, b) - 1, mask, paint);
        } else {
            crossings.clear();
            for (const TEdge* edge : active) {
                // Few crossings per row: insertion keeps them sorted.
                auto at = crossings.end();
                while (at != crossings.begin() && *(at - 1) > edge->column)
                    --at;
                crossings.insert(at, edge->column);
            }
            for (std::size_t k = 0; k + 1 < crossings.size(); k += 2)
                PaintSpan(view, y, crossings[k], crossings[k + 1] - 1, mask, paint);
        }
        for (TEdge* edge : active)
            edge->Advance();
        if (y == nextEnd) {
            std::erase_if(active, [y](const TEdge* edge) { return edge->lastRow == y; });
            nextEnd = std::numeric_limits<std::int64_t>::max();
            for (const TEdge* edge : active)
                nextEnd = std::min(nextEnd, edge->lastRow);
        }
    }
}

} // namespace qm
