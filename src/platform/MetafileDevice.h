#pragma once

#include "Canvas.h"

#include <cstdint>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <unordered_map>
#include <variant>
#include <vector>

namespace qm {

// The device context that the metafile player drives: the state a metafile's
// records set (objects, colours, modes, the mapping from logical units to the
// device) and the drawing calls they make, carried out on a TCanvas. EMF and
// WMF records decode into these calls, so both formats draw alike.

struct TLogicalPoint {
    double x = 0;
    double y = 0;
};

// Objects as the records create them, sizes in logical units; they become
// canvas pens, brushes and fonts at each drawing call, with the mapping then
// in force.
struct TLogicalPen {
    std::uint32_t Style = 0; // PS_* style in the low four bits
    double Width = 0;        // 0 draws one pixel wide
    bool Cosmetic = true;    // always one pixel wide
    TColor Color = clBlack;
};

struct TLogicalBrush {
    std::uint32_t Style = 0; // BS_*
    TColor Color = clWhite;
    std::uint32_t Hatch = 0; // HS_*
};

struct TLogicalFont {
    double Height = 16;           // negative: character height without leading
    std::int32_t Escapement = 0;  // tenths of a degree, counter-clockwise
    std::int32_t Weight = 400;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    std::uint8_t Charset = SHIFTJIS_CHARSET;
    std::string Name;             // CP932
};

// An object that takes a place in the table but is never drawn with
// (palettes, regions, pattern brushes, colour spaces).
struct TOtherObject {};

using TMetafileObject = std::variant<TLogicalPen, TLogicalBrush, TLogicalFont, TOtherObject>;

// The metafile's object table. Indexes come from the file and are checked
// against the size its header declares; entries are kept in a map, so a
// large declared size costs nothing until objects are made.
class TObjectTable {
public:
    explicit TObjectTable(std::uint32_t size) : size_(size) {}

    // EMF: the record names the index. False when it lies outside the table.
    bool Put(std::uint32_t index, TMetafileObject object);
    // WMF: the lowest free index; false when the table is full.
    bool PutInFreeSlot(TMetafileObject object);
    const TMetafileObject* Find(std::uint32_t index) const;
    void Delete(std::uint32_t index);

private:
    std::uint32_t size_;
    std::unordered_map<std::uint32_t, TMetafileObject> objects_;
    std::set<std::uint32_t> freed_; // free indexes below nextFree_
    std::uint32_t nextFree_ = 0;
};

// Where the metafile's device units land on the canvas, and the size of a
// device pixel for the fixed map modes.
struct TDevicePlacement {
    double ScaleX = 1;
    double ScaleY = 1;
    double OffsetX = 0;
    double OffsetY = 0;
    double PixelsPerMmX = kPixelsPerInch / 25.4;
    double PixelsPerMmY = kPixelsPerInch / 25.4;
};

// One character of a text record, CP932, with its advance in logical units
// when the record gives one.
struct TTextCharacter {
    std::string Cp932;
    std::optional<double> Advance;
};

class TMetafileDevice {
public:
    TMetafileDevice(TCanvas& canvas, const TDevicePlacement& placement);

    // Mapping.
    void SetMapMode(std::uint32_t mode);
    void SetWindowOrg(TLogicalPoint origin);
    void SetWindowExt(double x, double y);
    void SetViewportOrg(TLogicalPoint origin);
    void SetViewportExt(double x, double y);
    void OffsetWindowOrg(double dx, double dy);
    void OffsetViewportOrg(double dx, double dy);
    void ScaleWindowExt(double xNum, double xDenom, double yNum, double yDenom);
    void ScaleViewportExt(double xNum, double xDenom, double yNum, double yDenom);

    // Attributes.
    void SetTextColor(TColor color) { state_.TextColor = color; }
    void SetBkColor(TColor color) { state_.BkColor = color; }
    void SetBkMode(std::uint32_t mode) { state_.BkMode = mode; }
    void SetTextAlign(std::uint32_t align) { state_.TextAlign = align; }
    void SetRop2(std::uint32_t rop) { state_.Rop2 = rop; }
    void SaveDC();
    // A negative value counts back from the last save; a positive one names
    // a saved state by its number. Anything else is ignored.
    void RestoreDC(std::int32_t which);

    // Objects: a copy becomes the current pen, brush or font.
    void Select(const TMetafileObject& object);
    // EMF stock objects, by their index without the stock bit.
    void SelectStock(std::uint32_t index);

    // Drawing, in logical units.
    void MoveTo(TLogicalPoint point);
    void LineTo(TLogicalPoint point);
    void Polyline(std::span<const TLogicalPoint> points);
    void PolylineTo(std::span<const TLogicalPoint> points);
    void Polygon(std::span<const TLogicalPoint> points);
    // Polygons filled together (alternate rule), so inner rings make holes.
    void PolyPolygon(std::span<const TLogicalPoint> points, std::span<const std::uint32_t> counts);
    void PolyPolyline(std::span<const TLogicalPoint> points, std::span<const std::uint32_t> counts);
    // Cubic Bezier pieces: a start point, then three points per piece.
    void PolyBezier(std::span<const TLogicalPoint> points);
    // The same from the current position: three points per piece.
    void PolyBezierTo(std::span<const TLogicalPoint> points);
    void Rectangle(TLogicalPoint corner1, TLogicalPoint corner2);
    void Ellipse(TLogicalPoint corner1, TLogicalPoint corner2);
    // Text at the reference point, placed by the text alignment.
    void TextOut(TLogicalPoint reference, std::span<const TTextCharacter> characters);

    // Paths: between BeginPath and EndPath lines and shapes are collected;
    // the fill and stroke records then draw them once.
    void BeginPath();
    void EndPath();
    void AbortPath();
    void CloseFigure();
    void FillPath();
    void StrokePath();
    void StrokeAndFillPath();

private:
    struct TDcState {
        TLogicalPen Pen;
        TLogicalBrush Brush;
        TLogicalFont Font;
        TColor TextColor = clBlack;
        TColor BkColor = clWhite;
        std::uint32_t BkMode = 2; // opaque
        std::uint32_t TextAlign = 0;
        std::uint32_t Rop2 = 13; // copy pen
        std::uint32_t MapMode = 1; // text
        TLogicalPoint WindowOrg;
        TLogicalPoint WindowExt{1, 1};
        TLogicalPoint ViewportOrg;
        TLogicalPoint ViewportExt{1, 1};
        TLogicalPoint Position;
    };

    struct TFigure {
        std::vector<TLogicalPoint> Points;
        bool Closed = false;
    };

    // logical -> canvas, one axis at a time: canvas = logical * Scale + Offset.
    struct TMapping {
        double ScaleX = 1;
        double ScaleY = 1;
        double OffsetX = 0;
        double OffsetY = 0;
    };

    void UpdateMapping();
    TCanvasPoint ToCanvas(TLogicalPoint point) const;
    const std::vector<TCanvasPoint>& ToCanvas(std::span<const TLogicalPoint> points);
    TPen CanvasPen() const;
    TBrush CanvasBrush() const;
    TFont CanvasFont() const;
    // Runs `draw` with the canvas pen and brush set for an outline, a fill or
    // both. With an opaque background a hatch first gets the background
    // colour under it, as GDI fills the gaps between its lines.
    template <typename Draw>
    void DrawShape(bool stroke, bool fill, Draw&& draw);
    void FillFigures(std::span<const TFigure> figures);
    void StrokeFigures(std::span<const TFigure> figures);
    std::vector<TLogicalPoint> FlattenBeziers(TLogicalPoint start, std::span<const TLogicalPoint> controls) const;
    std::vector<TLogicalPoint> EllipsePoints(TLogicalPoint corner1, TLogicalPoint corner2) const;
    // The path being collected takes the points instead of the canvas.
    bool InPath() const { return pathOpen_; }
    void AddToPath(std::span<const TLogicalPoint> points, bool startsFigure, bool closed);

    TCanvas& canvas_;
    TDevicePlacement placement_;
    TDcState state_;
    std::vector<TDcState> saved_;
    TMapping mapping_;
    std::vector<TCanvasPoint> canvasPoints_;
    bool pathOpen_ = false;
    std::vector<TFigure> path_;
    std::size_t pathPoints_ = 0;
};

} // namespace qm
