#include "MetafileCanvas.h"

#include "Bitmap.h"
#include "BitmapFile.h"
#include "RasterFonts.h"

#include "platform/Cp932Characters.h"
#include "platform/ShiftJis.h"

#include <uemf.h>
#include <uemf_utf.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

namespace qm {

namespace {

// The reference device: 96 pixels per inch, 960 pixels on 254 millimetres.
constexpr std::int32_t kDevicePixels = 960;
constexpr std::int32_t kDeviceMillimetres = 254;
// Hundredths of a millimetre per pixel of that device.
constexpr double kFrameUnitsPerPixel = 2540.0 / kPixelsPerInch;

// The most the recording buffer grows by at once.
constexpr std::size_t kMaxGrowth = std::size_t{1} << 28;

// Objects of one kind kept for reuse before the least recently used goes.
constexpr std::size_t kKeptObjects = 8;

// GDI's size for a font of height 0, which the raster canvas also uses.
constexpr std::int32_t kDefaultFontHeight = -12;
// Beyond this a height only comes from a damaged document.
constexpr std::int32_t kMaxFontHeight = 4096;

// The fixed part of a BMP file before its bitmap information.
constexpr std::size_t kBitmapFileHeaderSize = 14;

U_COLORREF ToColorref(TColor color)
{
    const TColor rgb = ColorToRGB(color);
    return colorref3_set(static_cast<std::uint8_t>(RedOf(rgb)), static_cast<std::uint8_t>(GreenOf(rgb)),
                         static_cast<std::uint8_t>(BlueOf(rgb)));
}

std::uint32_t ToPenStyle(TPenStyle style)
{
    switch (style) {
    case psDash:
        return U_PS_DASH;
    case psDot:
        return U_PS_DOT;
    case psDashDot:
        return U_PS_DASHDOT;
    case psDashDotDot:
        return U_PS_DASHDOTDOT;
    case psClear:
        return U_PS_NULL;
    case psInsideFrame:
        return U_PS_INSIDEFRAME;
    default:
        return U_PS_SOLID;
    }
}

std::int32_t ToHatch(TBrushStyle style)
{
    switch (style) {
    case bsHorizontal:
        return U_HS_HORIZONTAL;
    case bsVertical:
        return U_HS_VERTICAL;
    case bsFDiagonal:
        return U_HS_FDIAGONAL;
    case bsBDiagonal:
        return U_HS_BDIAGONAL;
    case bsCross:
        return U_HS_CROSS;
    default:
        return U_HS_DIAGCROSS;
    }
}

std::int32_t ToFontHeight(std::int32_t height)
{
    if (height == 0)
        return kDefaultFontHeight;
    return std::clamp(height, -kMaxFontHeight, kMaxFontHeight);
}

// UTF-16LE code units of CP932 text, without a terminator.
std::u16string ToUtf16(std::string_view cp932)
{
    const std::string utf8 = Cp932ToUtf8(cp932);
    std::size_t length = 0;
    uint16_t* units = U_Utf8ToUtf16le(utf8.c_str(), 0, &length);
    if (!units)
        return {};
    std::u16string text(reinterpret_cast<const char16_t*>(units), length);
    std::free(units);
    return text;
}

// The smallest rectangle, corners included, that holds the points.
U_RECTL BoundsOf(std::span<const TCanvasPoint> points)
{
    U_RECTL bounds = rectl_set(pointl_set(points[0].x, points[0].y), pointl_set(points[0].x, points[0].y));
    for (const TCanvasPoint& point : points) {
        bounds.left = std::min(bounds.left, point.x);
        bounds.top = std::min(bounds.top, point.y);
        bounds.right = std::max(bounds.right, point.x);
        bounds.bottom = std::max(bounds.bottom, point.y);
    }
    return bounds;
}

bool FitsIn16Bits(const U_RECTL& bounds)
{
    constexpr std::int32_t low = std::numeric_limits<std::int16_t>::min();
    constexpr std::int32_t high = std::numeric_limits<std::int16_t>::max();
    return bounds.left >= low && bounds.top >= low && bounds.right <= high && bounds.bottom <= high;
}

// A record with an owned buffer from libuemf.
struct TFreeRecord {
    void operator()(char* record) const { std::free(record); }
};
using TRecordBuffer = std::unique_ptr<char, TFreeRecord>;

// The objects of one kind that the recording holds: what each was made
// from, its handle, and which one the device has selected.
class TObjectSet {
public:
    struct TObject {
        std::string description;
        std::uint32_t handle = 0;
        std::uint64_t lastUse = 0;
    };

    explicit TObjectSet(std::uint32_t initialStock) : selected_(initialStock) {}

    std::uint32_t Selected() const { return selected_; }
    void SetSelected(std::uint32_t handle) { selected_ = handle; }
    // The kept object made from the description, or null.
    TObject* Find(const std::string& description)
    {
        const auto found = std::find_if(objects_.begin(), objects_.end(),
                                        [&](const TObject& object) { return object.description == description; });
        return found == objects_.end() ? nullptr : &*found;
    }
    bool Full() const { return objects_.size() >= kKeptObjects; }
    // Removes the least recently used object that is not selected and returns its handle.
    std::uint32_t TakeLeastRecentlyUsed()
    {
        auto oldest = objects_.end();
        for (auto object = objects_.begin(); object != objects_.end(); ++object) {
            if (object->handle != selected_ && (oldest == objects_.end() || object->lastUse < oldest->lastUse))
                oldest = object;
        }
        const std::uint32_t handle = oldest->handle;
        objects_.erase(oldest);
        return handle;
    }
    void Add(TObject object) { objects_.push_back(std::move(object)); }
    const std::vector<TObject>& Objects() const { return objects_; }
    void Clear() { objects_.clear(); }

private:
    std::vector<TObject> objects_;
    std::uint32_t selected_;
};

} // namespace

struct TMetafileCanvas::Recording {
    Recording(std::int32_t width, std::int32_t height);
    ~Recording();
    Recording(const Recording&) = delete;
    Recording& operator=(const Recording&) = delete;

    // Appends a record that libuemf built; a null one (out of memory) spoils the picture.
    void Add(char* record);
    template <typename Create>
    void Use(TObjectSet& objects, const std::string& description, Create&& create);
    void UseStock(TObjectSet& objects, std::uint32_t stockObject);
    void UsePen(const TPen& pen);
    void UseBrush(const TBrush& brush);
    void UseFont(const TFont& font, std::int32_t escapement);
    void UseTextColor(TColor color);
    void MoveDeviceTo(TCanvasPoint point);
    void AddPoints(bool closed, std::span<const TCanvasPoint> points);
    void AddText(TCanvasPoint at, std::span<const char16_t> text, std::vector<std::uint32_t> advances,
                 std::int32_t height, std::int32_t escapement);
    std::vector<char> Finish();

    EMFTRACK* track = nullptr;
    EMFHANDLES* handles = nullptr;
    bool spoiled = false;
    std::uint64_t uses = 0;
    TObjectSet pens{U_BLACK_PEN};
    TObjectSet brushes{U_WHITE_BRUSH};
    TObjectSet fonts{U_SYSTEM_FONT};
    TPenMode penMode = TPenMode::pmCopy;
    U_COLORREF textColor = colorref3_set(0, 0, 0);
    TCanvasPoint devicePosition;
    TRasterFontCache measure;
    std::vector<U_POINTL> points32;
    std::vector<U_POINT16> points16;
};

TMetafileCanvas::Recording::Recording(std::int32_t width, std::int32_t height)
{
    if (emf_start("/dev/null", 1 << 20, 1 << 20, &track) != 0 || emf_htable_create(128, 128, &handles) != 0) {
        spoiled = true;
        return;
    }
    // Bounds in pixels and frame in hundredths of a millimetre, both with
    // their far corner inside, describe the same area on the reference device.
    const auto frameEdge = [](std::int32_t pixels) {
        return static_cast<std::int32_t>(std::min<double>(std::ceil(pixels * kFrameUnitsPerPixel) - 1,
                                                          std::numeric_limits<std::int32_t>::max()));
    };
    const U_RECTL bounds = rectl_set(pointl_set(0, 0), pointl_set(width - 1, height - 1));
    const U_RECTL frame = rectl_set(pointl_set(0, 0), pointl_set(frameEdge(width), frameEdge(height)));
    Add(U_EMRHEADER_set(bounds, frame, nullptr, 0, nullptr, sizel_set(kDevicePixels, kDevicePixels),
                        sizel_set(kDeviceMillimetres, kDeviceMillimetres), 0));
    // Hatches and text keep what lies below; fills use the alternate rule.
    Add(U_EMRSETBKMODE_set(U_TRANSPARENT));
    Add(U_EMRSETPOLYFILLMODE_set(U_ALTERNATE));
    Add(U_EMRSETTEXTALIGN_set(U_TA_TOP | U_TA_LEFT | U_TA_NOUPDATECP));
    Add(U_EMRSETTEXTCOLOR_set(textColor));
}

TMetafileCanvas::Recording::~Recording()
{
    if (track)
        emf_free(&track);
    if (handles)
        emf_htable_free(&handles);
}

void TMetafileCanvas::Recording::Add(char* record)
{
    // libuemf grows its buffer by a fixed step; a step as large as the
    // buffer keeps a long recording linear in time.
    if (track)
        track->chunk = static_cast<std::uint32_t>(std::clamp<std::size_t>(track->allocated, track->chunk, kMaxGrowth));
    if (!record || spoiled || emf_append(reinterpret_cast<U_ENHMETARECORD*>(record), track, U_REC_FREE) != 0) {
        std::free(record);
        spoiled = true;
    }
}

template <typename Create>
void TMetafileCanvas::Recording::Use(TObjectSet& objects, const std::string& description, Create&& create)
{
    ++uses;
    if (TObjectSet::TObject* found = objects.Find(description)) {
        found->lastUse = uses;
        if (objects.Selected() != found->handle) {
            Add(selectobject_set(found->handle, handles));
            objects.SetSelected(found->handle);
        }
        return;
    }
    if (objects.Full()) {
        std::uint32_t handle = objects.TakeLeastRecentlyUsed();
        Add(deleteobject_set(&handle, handles));
    }
    std::uint32_t handle = 0;
    Add(create(&handle));
    Add(selectobject_set(handle, handles));
    objects.SetSelected(handle);
    objects.Add({description, handle, uses});
}

void TMetafileCanvas::Recording::UseStock(TObjectSet& objects, std::uint32_t stockObject)
{
    if (objects.Selected() == stockObject)
        return;
    Add(selectobject_set(stockObject, handles));
    objects.SetSelected(stockObject);
}

void TMetafileCanvas::Recording::UsePen(const TPen& pen)
{
    if (pen.Mode != penMode) {
        Add(U_EMRSETROP2_set(pen.Mode == TPenMode::pmNotXor ? U_R2_NOTXORPEN : U_R2_COPYPEN));
        penMode = pen.Mode;
    }
    if (pen.Style == psClear) {
        UseStock(pens, U_NULL_PEN);
        return;
    }
    const U_COLORREF color = ToColorref(pen.Color);
    const std::uint32_t style = ToPenStyle(pen.Style);
    // Some readers draw a plain pen one pixel wide whatever its width.
    const bool wide = pen.Width > 1;
    const std::uint32_t width = wide ? static_cast<std::uint32_t>(pen.Width) : 1;
    std::string description(sizeof(color) + sizeof(style) + sizeof(width), '\0');
    std::memcpy(description.data(), &color, sizeof(color));
    std::memcpy(description.data() + sizeof(color), &style, sizeof(style));
    std::memcpy(description.data() + sizeof(color) + sizeof(style), &width, sizeof(width));
    Use(pens, description, [&](std::uint32_t* handle) -> char* {
        if (!wide)
            return createpen_set(handle, handles, logpen_set(style, point_set(1, 0), color));
        PU_EXTLOGPEN extended = extlogpen_set(U_PS_GEOMETRIC | style | U_PS_ENDCAP_ROUND | U_PS_JOIN_ROUND, width,
                                              U_BS_SOLID, color, 0, 0, nullptr);
        char* record = extended ? extcreatepen_set(handle, handles, nullptr, 0, nullptr, extended) : nullptr;
        std::free(extended);
        return record;
    });
}

void TMetafileCanvas::Recording::UseBrush(const TBrush& brush)
{
    if (brush.Style == bsClear) {
        UseStock(brushes, U_NULL_BRUSH);
        return;
    }
    const U_LOGBRUSH logBrush = brush.Style == bsSolid
        ? logbrush_set(U_BS_SOLID, ToColorref(brush.Color), 0)
        : logbrush_set(U_BS_HATCHED, ToColorref(brush.Color), ToHatch(brush.Style));
    const std::string description(reinterpret_cast<const char*>(&logBrush), sizeof(logBrush));
    Use(brushes, description, [&](std::uint32_t* handle) { return createbrushindirect_set(handle, handles, logBrush); });
}

void TMetafileCanvas::Recording::UseFont(const TFont& font, std::int32_t escapement)
{
    std::u16string face = ToUtf16(font.Name);
    face.resize(std::min<std::size_t>(face.size(), U_LF_FACESIZE - 1));
    // Our text is CP932: the default character set of this system is Shift-JIS.
    const std::uint8_t charset = font.Charset == DEFAULT_CHARSET ? U_SHIFTJIS_CHARSET : font.Charset;
    const U_LOGFONT logFont = logfont_set(ToFontHeight(font.Height), 0, escapement, escapement,
                                          font.Has(fsBold) ? U_FW_BOLD : U_FW_NORMAL, font.Has(fsItalic),
                                          font.Has(fsUnderline), font.Has(fsStrikeOut), charset, U_OUT_DEFAULT_PRECIS,
                                          U_CLIP_DEFAULT_PRECIS, U_DEFAULT_QUALITY, U_DEFAULT_PITCH,
                                          reinterpret_cast<uint16_t*>(face.data()));
    const std::string description(reinterpret_cast<const char*>(&logFont), sizeof(logFont));
    Use(fonts, description, [&](std::uint32_t* handle) {
        return extcreatefontindirectw_set(handle, handles, reinterpret_cast<const char*>(&logFont), nullptr);
    });
}

void TMetafileCanvas::Recording::UseTextColor(TColor color)
{
    const U_COLORREF colorref = ToColorref(color);
    if (std::memcmp(&colorref, &textColor, sizeof(colorref)) == 0)
        return;
    Add(U_EMRSETTEXTCOLOR_set(colorref));
    textColor = colorref;
}

void TMetafileCanvas::Recording::MoveDeviceTo(TCanvasPoint point)
{
    if (point == devicePosition)
        return;
    Add(U_EMRMOVETOEX_set(pointl_set(point.x, point.y)));
    devicePosition = point;
}

void TMetafileCanvas::Recording::AddPoints(bool closed, std::span<const TCanvasPoint> points)
{
    const U_RECTL bounds = BoundsOf(points);
    const auto count = static_cast<std::uint32_t>(points.size());
    // Windows writes the short form whenever the points fit it.
    if (FitsIn16Bits(bounds)) {
        points16.clear();
        for (const TCanvasPoint& point : points)
            points16.push_back(point16_set(static_cast<std::int16_t>(point.x), static_cast<std::int16_t>(point.y)));
        Add(closed ? U_EMRPOLYGON16_set(bounds, count, points16.data())
                   : U_EMRPOLYLINE16_set(bounds, count, points16.data()));
        return;
    }
    points32.clear();
    for (const TCanvasPoint& point : points)
        points32.push_back(pointl_set(point.x, point.y));
    Add(closed ? U_EMRPOLYGON_set(bounds, count, points32.data()) : U_EMRPOLYLINE_set(bounds, count, points32.data()));
}

void TMetafileCanvas::Recording::AddText(TCanvasPoint at, std::span<const char16_t> text,
                                         std::vector<std::uint32_t> advances, std::int32_t height,
                                         std::int32_t escapement)
{
    // The bounds are those of the turned cells: escapement turns
    // counter-clockwise on a screen whose y axis points down.
    std::int64_t width = 0;
    for (const std::uint32_t advance : advances)
        width += advance;
    const double angle = escapement / 10.0 * (3.14159265358979323846 / 180.0);
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    std::array<TCanvasPoint, 4> corners;
    const std::array<std::pair<double, double>, 4> cell = {
        std::pair{0.0, 0.0}, {static_cast<double>(width), 0.0}, {0.0, static_cast<double>(height)},
        {static_cast<double>(width), static_cast<double>(height)}};
    for (std::size_t i = 0; i < cell.size(); ++i) {
        const auto [dx, dy] = cell[i];
        corners[i] = {static_cast<std::int32_t>(std::clamp(at.x + dx * c + dy * s, -2e9, 2e9)),
                      static_cast<std::int32_t>(std::clamp(at.y - dx * s + dy * c, -2e9, 2e9))};
    }
    // The advances place the characters as measured here, whatever font
    // the reader substitutes. The unused rectangle stays in the record, as
    // some readers expect it there.
    std::u16string units(text.begin(), text.end());
    advances.resize(units.size(), 0);
    TRecordBuffer emrtext(emrtext_set(pointl_set(at.x, at.y), static_cast<U_NUM_STR>(units.size()), 2,
                                      units.data(), 0, U_RCL_DEF, advances.data()));
    if (!emrtext) {
        spoiled = true;
        return;
    }
    const auto scale = static_cast<U_FLOAT>(kFrameUnitsPerPixel);
    Add(U_EMREXTTEXTOUTW_set(BoundsOf(corners), U_GM_COMPATIBLE, scale, scale,
                             reinterpret_cast<PU_EMRTEXT>(emrtext.get())));
}

std::vector<char> TMetafileCanvas::Recording::Finish()
{
    // No object of ours stays selected, and every one is deleted.
    if (!pens.Objects().empty())
        UseStock(pens, U_BLACK_PEN);
    if (!brushes.Objects().empty())
        UseStock(brushes, U_WHITE_BRUSH);
    if (!fonts.Objects().empty())
        UseStock(fonts, U_SYSTEM_FONT);
    for (TObjectSet* objects : {&pens, &brushes, &fonts}) {
        for (const TObjectSet::TObject& object : objects->Objects()) {
            std::uint32_t handle = object.handle;
            Add(deleteobject_set(&handle, handles));
        }
        objects->Clear();
    }
    if (!spoiled)
        Add(U_EMREOF_set(0, nullptr, track));
    if (spoiled || emf_finish(track, handles) != 0)
        return {};
    return std::vector<char>(track->buf, track->buf + track->used);
}

TMetafileCanvas::TMetafileCanvas(std::int32_t width, std::int32_t height)
    : width_(std::max(width, 1)), height_(std::max(height, 1)),
      recording_(std::make_unique<Recording>(width_, height_))
{
    // Without a buffer there is nothing to record into: Finish gives no bytes.
    if (recording_->spoiled)
        recording_.reset();
}

TMetafileCanvas::~TMetafileCanvas() = default;

std::vector<char> TMetafileCanvas::Finish()
{
    if (!recording_)
        return {};
    std::vector<char> bytes = recording_->Finish();
    recording_.reset();
    return bytes;
}

void TMetafileCanvas::LineTo(std::int32_t x, std::int32_t y)
{
    const TCanvasPoint from = PenPos();
    SetPenPos({x, y});
    if (!recording_ || from == TCanvasPoint{x, y} || Pen().Style == psClear)
        return;
    recording_->UsePen(Pen());
    recording_->MoveDeviceTo(from);
    recording_->Add(U_EMRLINETO_set(pointl_set(x, y)));
    recording_->devicePosition = {x, y};
}

void TMetafileCanvas::Polygon(std::span<const TCanvasPoint> points)
{
    if (!recording_ || points.size() < 2 || (Pen().Style == psClear && Brush().Style == bsClear))
        return;
    recording_->UsePen(Pen());
    recording_->UseBrush(Brush());
    recording_->AddPoints(true, points);
}

void TMetafileCanvas::Polyline(std::span<const TCanvasPoint> points)
{
    if (!recording_ || points.size() < 2 || Pen().Style == psClear)
        return;
    recording_->UsePen(Pen());
    recording_->AddPoints(false, points);
}

void TMetafileCanvas::Rectangle(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom)
{
    if (!recording_)
        return;
    recording_->UsePen(Pen());
    recording_->UseBrush(Brush());
    recording_->Add(U_EMRRECTANGLE_set(rectl_set(pointl_set(left, top), pointl_set(right, bottom))));
}

void TMetafileCanvas::Ellipse(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom)
{
    if (!recording_)
        return;
    recording_->UsePen(Pen());
    recording_->UseBrush(Brush());
    recording_->Add(U_EMRELLIPSE_set(rectl_set(pointl_set(left, top), pointl_set(right, bottom))));
}

void TMetafileCanvas::FillRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom)
{
    if (!recording_ || left >= right || top >= bottom || Brush().Style == bsClear)
        return;
    // Without a pen a rectangle leaves out its right and bottom edges, so
    // the box grows by one to fill (left, top) .. (right, bottom) exclusive.
    recording_->UsePen({clBlack, 1, psClear, TPenMode::pmCopy});
    recording_->UseBrush(Brush());
    const std::int32_t grownRight = right == std::numeric_limits<std::int32_t>::max() ? right : right + 1;
    const std::int32_t grownBottom = bottom == std::numeric_limits<std::int32_t>::max() ? bottom : bottom + 1;
    recording_->Add(U_EMRRECTANGLE_set(rectl_set(pointl_set(left, top), pointl_set(grownRight, grownBottom))));
}

void TMetafileCanvas::TextOut(std::int32_t x, std::int32_t y, std::string_view character)
{
    if (!recording_ || character.empty())
        return;
    std::u16string text;
    std::vector<std::uint32_t> advances;
    ForEachCp932Character(character, [&](std::string_view one) {
        const std::u16string units = ToUtf16(one);
        const auto advance = static_cast<std::uint32_t>(recording_->measure.TextWidth(Font(), one));
        text += units;
        // A character of two code units takes its advance on the first.
        advances.push_back(advance);
        advances.resize(text.size(), 0);
    });
    if (text.empty())
        return;
    recording_->UseFont(Font(), FontEscapement());
    recording_->UseTextColor(Font().Color);
    const std::int32_t height = std::abs(ToFontHeight(Font().Height));
    recording_->AddText({x, y}, text, std::move(advances), height, FontEscapement());
}

std::int32_t TMetafileCanvas::TextWidth(std::string_view text)
{
    if (!recording_)
        return 0;
    return recording_->measure.TextWidth(Font(), text);
}

TTextMetrics TMetafileCanvas::TextMetrics()
{
    if (!recording_)
        return {};
    return recording_->measure.TextMetrics(Font());
}

void TMetafileCanvas::DrawBitmap(std::int32_t x, std::int32_t y, const TBitmap& bitmap)
{
    if (!recording_ || bitmap.IsEmpty())
        return;
    // A BMP file without its file header is a packed device-independent
    // bitmap: the bitmap information, then the rows.
    QByteArray file = EncodeBitmapFile(bitmap, TBitmapFileFormat::Bmp);
    if (file.size() <= static_cast<qsizetype>(kBitmapFileHeaderSize + sizeof(U_BITMAPINFOHEADER))) {
        recording_->spoiled = true;
        return;
    }
    char* dib = file.data() + kBitmapFileHeaderSize;
    const auto infoSize = sizeof(U_BITMAPINFOHEADER);
    const auto pixelBytes = static_cast<std::uint32_t>(file.size() - kBitmapFileHeaderSize - infoSize);
    const U_POINTL size = pointl_set(bitmap.Width(), bitmap.Height());
    const auto farEdge = [](std::int32_t start, std::int32_t length) {
        return static_cast<std::int32_t>(
            std::min<std::int64_t>(std::int64_t{start} + length - 1, std::numeric_limits<std::int32_t>::max()));
    };
    const U_RECTL bounds =
        rectl_set(pointl_set(x, y), pointl_set(farEdge(x, bitmap.Width()), farEdge(y, bitmap.Height())));
    recording_->Add(U_EMRSTRETCHDIBITS_set(bounds, pointl_set(x, y), size, pointl_set(0, 0), size, U_DIB_RGB_COLORS,
                                           U_SRCCOPY, reinterpret_cast<PU_BITMAPINFO>(dib), pixelBytes,
                                           dib + infoSize));
}

} // namespace qm
