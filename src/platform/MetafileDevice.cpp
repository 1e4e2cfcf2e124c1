#include "MetafileDevice.h"

#include "ShiftJis.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace qm {

namespace {

// GDI's values for the modes and styles the records carry.
enum : std::uint32_t {
    MM_TEXT = 1,
    MM_LOMETRIC = 2,
    MM_HIMETRIC = 3,
    MM_LOENGLISH = 4,
    MM_HIENGLISH = 5,
    MM_TWIPS = 6,
    MM_ISOTROPIC = 7,
    MM_ANISOTROPIC = 8,
};
enum : std::uint32_t { OPAQUE = 2 };
enum : std::uint32_t { R2_NOTXORPEN = 10 };
enum : std::uint32_t { BS_SOLID = 0, BS_NULL = 1, BS_HATCHED = 2 };
enum : std::uint32_t {
    PS_SOLID = 0,
    PS_DASH = 1,
    PS_DOT = 2,
    PS_DASHDOT = 3,
    PS_DASHDOTDOT = 4,
    PS_NULL = 5,
    PS_INSIDEFRAME = 6,
    PS_USERSTYLE = 7,
    PS_ALTERNATE = 8,
    PS_STYLE_MASK = 0x0F,
};
// Stock objects by their index (15, the default palette, draws nothing).
enum : std::uint32_t {
    WHITE_BRUSH = 0,
    LTGRAY_BRUSH = 1,
    GRAY_BRUSH = 2,
    DKGRAY_BRUSH = 3,
    BLACK_BRUSH = 4,
    NULL_BRUSH = 5,
    WHITE_PEN = 6,
    BLACK_PEN = 7,
    NULL_PEN = 8,
    OEM_FIXED_FONT = 10,
    ANSI_FIXED_FONT = 11,
    ANSI_VAR_FONT = 12,
    SYSTEM_FONT = 13,
    DEVICE_DEFAULT_FONT = 14,
    SYSTEM_FIXED_FONT = 16,
    DEFAULT_GUI_FONT = 17,
};
enum : std::uint32_t { HS_DIAGCROSS = 5 };
enum : std::uint32_t { TA_RIGHT = 2, TA_CENTER = 6, TA_BOTTOM = 8, TA_BASELINE = 24 };

// Canvas coordinates are held to this range: far outside any picture, yet
// small enough that a painter never meets an overflow.
constexpr double kFarCoordinate = 1 << 24;
// Pens and characters larger than these are no use on any canvas, and a
// hostile size would cost the canvas a huge stroke or glyph.
constexpr int kMaxPenWidth = 1024;
constexpr int kMaxFontHeight = 1024;
// Beyond these a hostile file only costs memory and time.
constexpr std::size_t kMaxSavedStates = 1024;
constexpr std::size_t kMaxPathPoints = std::size_t{1} << 20;
constexpr int kBezierSteps = 16;
constexpr int kEllipseSteps = 64;

std::int32_t ToPixel(double value)
{
    if (std::isnan(value))
        return 0;
    return static_cast<std::int32_t>(std::lround(std::clamp(value, -kFarCoordinate, kFarCoordinate)));
}

// COLORREF keeps flags in its top byte; a TColor would read them as a
// system colour.
TColor ColorOf(TColor colorref)
{
    return colorref & 0x00FFFFFF;
}

TPenStyle PenStyleOf(std::uint32_t style)
{
    switch (style & PS_STYLE_MASK) {
    case PS_DASH:
        return psDash;
    case PS_DOT:
        return psDot;
    case PS_DASHDOT:
        return psDashDot;
    case PS_DASHDOTDOT:
        return psDashDotDot;
    case PS_NULL:
        return psClear;
    case PS_INSIDEFRAME:
        return psInsideFrame;
    case PS_USERSTYLE: // the nearest fixed pattern
        return psDash;
    case PS_ALTERNATE: // every other pixel
        return psDot;
    default:
        return psSolid;
    }
}

TLogicalFont StockFont()
{
    TLogicalFont font;
    font.Name = Utf8ToCp932("ＭＳ ゴシック");
    return font;
}

} // namespace

bool TObjectTable::Put(std::uint32_t index, TMetafileObject object)
{
    if (index >= size_)
        return false;
    objects_.insert_or_assign(index, std::move(object));
    return true;
}

bool TObjectTable::PutInFreeSlot(TMetafileObject object)
{
    std::uint32_t index = 0;
    if (!freed_.empty()) {
        index = *freed_.begin();
        freed_.erase(freed_.begin());
    } else if (nextFree_ < size_) {
        index = nextFree_++;
    } else {
        return false;
    }
    objects_.insert_or_assign(index, std::move(object));
    return true;
}

const TMetafileObject* TObjectTable::Find(std::uint32_t index) const
{
    const auto found = objects_.find(index);
    return found == objects_.end() ? nullptr : &found->second;
}

void TObjectTable::Delete(std::uint32_t index)
{
    if (objects_.erase(index) != 0 && index < nextFree_)
        freed_.insert(index);
}

TMetafileDevice::TMetafileDevice(TCanvas& canvas, const TDevicePlacement& placement)
    : canvas_(canvas), placement_(placement)
{
    state_.Font = StockFont();
    UpdateMapping();
}

void TMetafileDevice::UpdateMapping()
{
    double scaleX = 1;
    double scaleY = 1;
    const auto fixed = [&](double millimetres) {
        scaleX = millimetres * placement_.PixelsPerMmX;
        scaleY = -millimetres * placement_.PixelsPerMmY;
    };
    switch (state_.MapMode) {
    case MM_LOMETRIC:
        fixed(0.1);
        break;
    case MM_HIMETRIC:
        fixed(0.01);
        break;
    case MM_LOENGLISH:
        fixed(0.254);
        break;
    case MM_HIENGLISH:
        fixed(0.0254);
        break;
    case MM_TWIPS:
        fixed(25.4 / 1440);
        break;
    case MM_ISOTROPIC:
    case MM_ANISOTROPIC:
        scaleX = state_.ViewportExt.x / state_.WindowExt.x;
        scaleY = state_.ViewportExt.y / state_.WindowExt.y;
        if (state_.MapMode == MM_ISOTROPIC) {
            const double common = std::min(std::abs(scaleX), std::abs(scaleY));
            scaleX = std::copysign(common, scaleX);
            scaleY = std::copysign(common, scaleY);
        }
        break;
    default:
        break;
    }
    mapping_.ScaleX = scaleX * placement_.ScaleX;
    mapping_.ScaleY = scaleY * placement_.ScaleY;
    mapping_.OffsetX = (state_.ViewportOrg.x - state_.WindowOrg.x * scaleX) * placement_.ScaleX + placement_.OffsetX;
    mapping_.OffsetY = (state_.ViewportOrg.y - state_.WindowOrg.y * scaleY) * placement_.ScaleY + placement_.OffsetY;
}

void TMetafileDevice::SetMapMode(std::uint32_t mode)
{
    if (mode < MM_TEXT || mode > MM_ANISOTROPIC)
        return;
    state_.MapMode = mode;
    UpdateMapping();
}

void TMetafileDevice::SetWindowOrg(TLogicalPoint origin)
{
    state_.WindowOrg = origin;
    UpdateMapping();
}

// GDI refuses an extent of zero, which would divide by zero.
void TMetafileDevice::SetWindowExt(double x, double y)
{
    if (x == 0 || y == 0)
        return;
    state_.WindowExt = {x, y};
    UpdateMapping();
}

void TMetafileDevice::SetViewportOrg(TLogicalPoint origin)
{
    state_.ViewportOrg = origin;
    UpdateMapping();
}

void TMetafileDevice::SetViewportExt(double x, double y)
{
    if (x == 0 || y == 0)
        return;
    state_.ViewportExt = {x, y};
    UpdateMapping();
}

void TMetafileDevice::OffsetWindowOrg(double dx, double dy)
{
    SetWindowOrg({state_.WindowOrg.x + dx, state_.WindowOrg.y + dy});
}

void TMetafileDevice::OffsetViewportOrg(double dx, double dy)
{
    SetViewportOrg({state_.ViewportOrg.x + dx, state_.ViewportOrg.y + dy});
}

void TMetafileDevice::ScaleWindowExt(double xNum, double xDenom, double yNum, double yDenom)
{
    if (xDenom != 0 && yDenom != 0)
        SetWindowExt(state_.WindowExt.x * xNum / xDenom, state_.WindowExt.y * yNum / yDenom);
}

void TMetafileDevice::ScaleViewportExt(double xNum, double xDenom, double yNum, double yDenom)
{
    if (xDenom != 0 && yDenom != 0)
        SetViewportExt(state_.ViewportExt.x * xNum / xDenom, state_.ViewportExt.y * yNum / yDenom);
}

void TMetafileDevice::SaveDC()
{
    if (saved_.size() < kMaxSavedStates)
        saved_.push_back(state_);
}

void TMetafileDevice::RestoreDC(std::int32_t which)
{
    std::size_t keep = 0;
    if (which < 0) {
        const std::uint64_t back = static_cast<std::uint64_t>(-static_cast<std::int64_t>(which));
        if (back > saved_.size())
            return;
        keep = saved_.size() - back;
    } else if (which > 0 && static_cast<std::size_t>(which) <= saved_.size()) {
        keep = static_cast<std::size_t>(which) - 1;
    } else {
        return;
    }
    state_ = saved_[keep];
    saved_.resize(keep);
    UpdateMapping();
}

void TMetafileDevice::Select(const TMetafileObject& object)
{
    if (const auto* pen = std::get_if<TLogicalPen>(&object))
        state_.Pen = *pen;
    else if (const auto* brush = std::get_if<TLogicalBrush>(&object))
        state_.Brush = *brush;
    else if (const auto* font = std::get_if<TLogicalFont>(&object))
        state_.Font = *font;
}

void TMetafileDevice::SelectStock(std::uint32_t index)
{
    const auto brush = [&](TColor color, std::uint32_t style) { state_.Brush = {style, color, 0}; };
    const auto pen = [&](TColor color, std::uint32_t style) { state_.Pen = {style, 0, true, color}; };
    switch (index) {
    case WHITE_BRUSH:
        brush(clWhite, BS_SOLID);
        break;
    case LTGRAY_BRUSH:
        brush(0xC0C0C0, BS_SOLID);
        break;
    case GRAY_BRUSH:
        brush(0x808080, BS_SOLID);
        break;
    case DKGRAY_BRUSH:
        brush(0x404040, BS_SOLID);
        break;
    case BLACK_BRUSH:
        brush(clBlack, BS_SOLID);
        break;
    case NULL_BRUSH:
        brush(clWhite, BS_NULL);
        break;
    case WHITE_PEN:
        pen(clWhite, PS_SOLID);
        break;
    case BLACK_PEN:
        pen(clBlack, PS_SOLID);
        break;
    case NULL_PEN:
        pen(clBlack, PS_NULL);
        break;
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case ANSI_VAR_FONT:
    case SYSTEM_FONT:
    case DEVICE_DEFAULT_FONT:
    case SYSTEM_FIXED_FONT:
    case DEFAULT_GUI_FONT:
        state_.Font = StockFont();
        break;
    default:
        break;
    }
}

TCanvasPoint TMetafileDevice::ToCanvas(TLogicalPoint point) const
{
    return {ToPixel(point.x * mapping_.ScaleX + mapping_.OffsetX),
            ToPixel(point.y * mapping_.ScaleY + mapping_.OffsetY)};
}

const std::vector<TCanvasPoint>& TMetafileDevice::ToCanvas(std::span<const TLogicalPoint> points)
{
    canvasPoints_.resize(points.size());
    std::transform(points.begin(), points.end(), canvasPoints_.begin(),
                   [this](TLogicalPoint point) { return ToCanvas(point); });
    return canvasPoints_;
}

TPen TMetafileDevice::CanvasPen() const
{
    TPen pen;
    pen.Color = ColorOf(state_.Pen.Color);
    pen.Style = PenStyleOf(state_.Pen.Style);
    const double width = state_.Pen.Cosmetic ? 1 : state_.Pen.Width * std::abs(mapping_.ScaleX);
    pen.Width = std::clamp(ToPixel(width), 1, kMaxPenWidth);
    pen.Mode = state_.Rop2 == R2_NOTXORPEN ? TPenMode::pmNotXor : TPenMode::pmCopy;
    return pen;
}

TBrush TMetafileDevice::CanvasBrush() const
{
    TBrush brush;
    brush.Color = ColorOf(state_.Brush.Color);
    if (state_.Brush.Style == BS_NULL)
        brush.Style = bsClear;
    else if (state_.Brush.Style == BS_HATCHED && state_.Brush.Hatch <= HS_DIAGCROSS)
        brush.Style = static_cast<TBrushStyle>(bsHorizontal + static_cast<std::int32_t>(state_.Brush.Hatch));
    else
        brush.Style = bsSolid; // pattern brushes are drawn in their colour
    return brush;
}

TFont TMetafileDevice::CanvasFont() const
{
    TFont font;
    const TLogicalFont& logical = state_.Font;
    if (logical.Height != 0) {
        const double height = logical.Height * std::abs(mapping_.ScaleY);
        const std::int32_t pixels = std::clamp(ToPixel(height), -kMaxFontHeight, kMaxFontHeight);
        font.Height = pixels != 0 ? pixels : (height < 0 ? -1 : 1);
    }
    font.Name = logical.Name;
    font.Style = static_cast<TFontStyles>((logical.Weight >= 600 ? fsBold : 0) | (logical.Italic ? fsItalic : 0)
                                          | (logical.Underline ? fsUnderline : 0)
                                          | (logical.StrikeOut ? fsStrikeOut : 0));
    font.Color = ColorOf(state_.TextColor);
    font.Charset = logical.Charset;
    return font;
}

template <typename Draw>
void TMetafileDevice::DrawShape(bool stroke, bool fill, Draw&& draw)
{
    const TPen pen = CanvasPen();
    const TBrush brush = CanvasBrush();
    TPen noPen = pen;
    noPen.Style = psClear;
    if (fill && state_.BkMode == OPAQUE && brush.Style >= bsHorizontal) {
        canvas_.SetPen(noPen);
        canvas_.SetBrush({ColorOf(state_.BkColor), bsSolid});
        draw();
    }
    canvas_.SetPen(stroke ? pen : noPen);
    canvas_.SetBrush(fill ? brush : TBrush{brush.Color, bsClear});
    draw();
}

void TMetafileDevice::MoveTo(TLogicalPoint point)
{
    state_.Position = point;
    if (InPath()) {
        AddToPath(std::span(&point, 1), true, false);
        return;
    }
    const TCanvasPoint to = ToCanvas(point);
    canvas_.MoveTo(to.x, to.y);
}

void TMetafileDevice::LineTo(TLogicalPoint point)
{
    if (InPath()) {
        AddToPath(std::span(&point, 1), false, false);
        state_.Position = point;
        return;
    }
    const TCanvasPoint from = ToCanvas(state_.Position);
    const TCanvasPoint to = ToCanvas(point);
    state_.Position = point;
    DrawShape(true, false, [&] {
        // The mapping may have changed since the move.
        if (canvas_.PenPos() != from)
            canvas_.MoveTo(from.x, from.y);
        canvas_.LineTo(to.x, to.y);
    });
}

void TMetafileDevice::Polyline(std::span<const TLogicalPoint> points)
{
    if (InPath()) {
        AddToPath(points, true, false);
        return;
    }
    if (points.size() < 2)
        return;
    const std::vector<TCanvasPoint>& corners = ToCanvas(points);
    DrawShape(true, false, [&] { canvas_.Polyline(corners); });
}

void TMetafileDevice::PolylineTo(std::span<const TLogicalPoint> points)
{
    if (points.empty())
        return;
    if (InPath()) {
        AddToPath(points, false, false);
    } else {
        std::vector<TLogicalPoint> path;
        path.reserve(points.size() + 1);
        path.push_back(state_.Position);
        path.insert(path.end(), points.begin(), points.end());
        Polyline(path);
    }
    state_.Position = points.back();
}

void TMetafileDevice::Polygon(std::span<const TLogicalPoint> points)
{
    if (InPath()) {
        AddToPath(points, true, true);
        return;
    }
    if (points.size() < 2)
        return;
    const std::vector<TCanvasPoint>& corners = ToCanvas(points);
    DrawShape(true, true, [&] { canvas_.Polygon(corners); });
}

namespace {

// The polygons of a poly-record, as spans of the points; counts that run
// past the points end the list.
std::vector<std::span<const TLogicalPoint>> SplitPolygons(std::span<const TLogicalPoint> points,
                                                          std::span<const std::uint32_t> counts)
{
    std::vector<std::span<const TLogicalPoint>> polygons;
    std::size_t start = 0;
    for (const std::uint32_t count : counts) {
        if (count > points.size() - start)
            break;
        polygons.push_back(points.subspan(start, count));
        start += count;
    }
    return polygons;
}

} // namespace

void TMetafileDevice::PolyPolygon(std::span<const TLogicalPoint> points, std::span<const std::uint32_t> counts)
{
    std::vector<TFigure> figures;
    for (const auto polygon : SplitPolygons(points, counts)) {
        if (InPath())
            AddToPath(polygon, true, true);
        else
            figures.push_back({{polygon.begin(), polygon.end()}, true});
    }
    if (figures.size() == 1) {
        Polygon(figures.front().Points);
    } else if (!figures.empty()) {
        FillFigures(figures);
        StrokeFigures(figures);
    }
}

void TMetafileDevice::PolyPolyline(std::span<const TLogicalPoint> points, std::span<const std::uint32_t> counts)
{
    for (const auto polyline : SplitPolygons(points, counts))
        Polyline(polyline);
}

std::vector<TLogicalPoint> TMetafileDevice::FlattenBeziers(TLogicalPoint start,
                                                           std::span<const TLogicalPoint> controls) const
{
    std::vector<TLogicalPoint> flat;
    flat.reserve(controls.size() / 3 * kBezierSteps + 1);
    flat.push_back(start);
    TLogicalPoint from = start;
    for (std::size_t i = 0; i + 3 <= controls.size(); i += 3) {
        const TLogicalPoint c1 = controls[i];
        const TLogicalPoint c2 = controls[i + 1];
        const TLogicalPoint to = controls[i + 2];
        for (int step = 1; step <= kBezierSteps; ++step) {
            const double t = static_cast<double>(step) / kBezierSteps;
            const double u = 1 - t;
            const double a = u * u * u;
            const double b = 3 * u * u * t;
            const double c = 3 * u * t * t;
            const double d = t * t * t;
            flat.push_back({a * from.x + b * c1.x + c * c2.x + d * to.x, a * from.y + b * c1.y + c * c2.y + d * to.y});
        }
        from = to;
    }
    return flat;
}

void TMetafileDevice::PolyBezier(std::span<const TLogicalPoint> points)
{
    if (points.empty())
        return;
    Polyline(FlattenBeziers(points.front(), points.subspan(1)));
}

void TMetafileDevice::PolyBezierTo(std::span<const TLogicalPoint> points)
{
    if (points.size() < 3)
        return;
    const std::vector<TLogicalPoint> flat = FlattenBeziers(state_.Position, points);
    PolylineTo(std::span(flat).subspan(1));
}

void TMetafileDevice::Rectangle(TLogicalPoint corner1, TLogicalPoint corner2)
{
    if (InPath()) {
        const TLogicalPoint corners[] = {corner1, {corner2.x, corner1.y}, corner2, {corner1.x, corner2.y}};
        AddToPath(corners, true, true);
        return;
    }
    const TCanvasPoint a = ToCanvas(corner1);
    const TCanvasPoint b = ToCanvas(corner2);
    DrawShape(true, true, [&] {
        canvas_.Rectangle(std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y));
    });
}

std::vector<TLogicalPoint> TMetafileDevice::EllipsePoints(TLogicalPoint corner1, TLogicalPoint corner2) const
{
    const double centreX = (corner1.x + corner2.x) / 2;
    const double centreY = (corner1.y + corner2.y) / 2;
    const double radiusX = (corner2.x - corner1.x) / 2;
    const double radiusY = (corner2.y - corner1.y) / 2;
    std::vector<TLogicalPoint> points;
    for (int step = 0; step < kEllipseSteps; ++step) {
        const double angle = 2 * std::numbers::pi * step / kEllipseSteps;
        points.push_back({centreX + radiusX * std::cos(angle), centreY + radiusY * std::sin(angle)});
    }
    return points;
}

void TMetafileDevice::Ellipse(TLogicalPoint corner1, TLogicalPoint corner2)
{
    if (InPath()) {
        AddToPath(EllipsePoints(corner1, corner2), true, true);
        return;
    }
    const TCanvasPoint a = ToCanvas(corner1);
    const TCanvasPoint b = ToCanvas(corner2);
    DrawShape(true, true, [&] {
        canvas_.Ellipse(std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y));
    });
}

void TMetafileDevice::TextOut(TLogicalPoint reference, std::span<const TTextCharacter> characters)
{
    if (characters.empty() || InPath())
        return;
    const TFont font = CanvasFont();
    canvas_.SetFont(font, state_.Font.Escapement);

    std::vector<double> advances;
    advances.reserve(characters.size());
    double total = 0;
    for (const TTextCharacter& character : characters) {
        const double advance = character.Advance ? *character.Advance * std::abs(mapping_.ScaleX)
                                                 : canvas_.TextWidth(character.Cp932);
        advances.push_back(advance);
        total += advance;
    }

    // Along the baseline and down across it, turned with the escapement.
    const double angle = state_.Font.Escapement / 10.0 * std::numbers::pi / 180;
    const double alongX = std::cos(angle);
    const double alongY = -std::sin(angle);
    const double downX = -alongY;
    const double downY = alongX;

    double along = 0;
    if ((state_.TextAlign & TA_CENTER) == TA_CENTER)
        along = -total / 2;
    else if (state_.TextAlign & TA_RIGHT)
        along = -total;
    double down = 0;
    if ((state_.TextAlign & TA_BASELINE) != 0) {
        const TTextMetrics metrics = canvas_.TextMetrics();
        down = (state_.TextAlign & TA_BASELINE) == TA_BASELINE ? -metrics.Ascent
                                                               : -(metrics.Ascent + metrics.Descent);
    }

    const double referenceX = reference.x * mapping_.ScaleX + mapping_.OffsetX;
    const double referenceY = reference.y * mapping_.ScaleY + mapping_.OffsetY;
    const double startX = referenceX + along * alongX + down * downX;
    const double startY = referenceY + along * alongY + down * downY;
    // A character whose cell cannot reach the canvas is not drawn at all.
    const double reach = 2.0 * std::abs(font.Height);
    double pen = 0;
    for (std::size_t i = 0; i < characters.size(); ++i) {
        const double x = startX + pen * alongX;
        const double y = startY + pen * alongY;
        const double cell = reach + std::abs(advances[i]);
        if (!characters[i].Cp932.empty() && x + cell >= 0 && y + cell >= 0 && x - cell <= canvas_.Width()
            && y - cell <= canvas_.Height())
            canvas_.TextOut(ToPixel(x), ToPixel(y), characters[i].Cp932);
        pen += advances[i];
    }
}

void TMetafileDevice::AddToPath(std::span<const TLogicalPoint> points, bool startsFigure, bool closed)
{
    if (points.size() + 1 > kMaxPathPoints - pathPoints_)
        return;
    if (startsFigure || path_.empty() || path_.back().Closed) {
        path_.emplace_back();
        if (!startsFigure)
            path_.back().Points.push_back(state_.Position);
    }
    TFigure& figure = path_.back();
    figure.Points.insert(figure.Points.end(), points.begin(), points.end());
    figure.Closed = closed;
    pathPoints_ += points.size() + 1;
}

void TMetafileDevice::BeginPath()
{
    pathOpen_ = true;
    path_.clear();
    pathPoints_ = 0;
}

void TMetafileDevice::EndPath()
{
    pathOpen_ = false;
}

void TMetafileDevice::AbortPath()
{
    pathOpen_ = false;
    path_.clear();
    pathPoints_ = 0;
}

void TMetafileDevice::CloseFigure()
{
    if (InPath() && !path_.empty())
        path_.back().Closed = true;
}

// All figures as one polygon, each ring joined to the first point of the
// first: the joins are walked there and back, so the alternate rule fills
// exactly the rings' own area, holes included.
void TMetafileDevice::FillFigures(std::span<const TFigure> figures)
{
    std::vector<TLogicalPoint> joined;
    for (const TFigure& figure : figures) {
        if (figure.Points.size() < 2)
            continue;
        const TLogicalPoint anchor = joined.empty() ? figure.Points.front() : joined.front();
        joined.insert(joined.end(), figure.Points.begin(), figure.Points.end());
        joined.push_back(figure.Points.front());
        joined.push_back(anchor);
    }
    if (joined.empty())
        return;
    const std::vector<TCanvasPoint>& corners = ToCanvas(joined);
    DrawShape(false, true, [&] { canvas_.Polygon(corners); });
}

void TMetafileDevice::StrokeFigures(std::span<const TFigure> figures)
{
    for (const TFigure& figure : figures) {
        if (figure.Points.size() < 2)
            continue;
        std::vector<TLogicalPoint> outline = figure.Points;
        if (figure.Closed)
            outline.push_back(figure.Points.front());
        const std::vector<TCanvasPoint>& corners = ToCanvas(outline);
        DrawShape(true, false, [&] { canvas_.Polyline(corners); });
    }
}

void TMetafileDevice::FillPath()
{
    if (InPath())
        return;
    FillFigures(path_);
    path_.clear();
    pathPoints_ = 0;
}

void TMetafileDevice::StrokePath()
{
    if (InPath())
        return;
    StrokeFigures(path_);
    path_.clear();
    pathPoints_ = 0;
}

void TMetafileDevice::StrokeAndFillPath()
{
    if (InPath())
        return;
    FillFigures(path_);
    StrokeFigures(path_);
    path_.clear();
    pathPoints_ = 0;
}

} // namespace qm
