#include "WindowsMetafile.h"

#include "MetafileDevice.h"
#include "MetafileRecords.h"

#include <uwmf.h>

#include <cmath>
#include <cstddef>
#include <cstring>

namespace qm {

namespace {

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
// Logical units per inch of a placeable file that leaves it out.
constexpr std::uint16_t kDefaultUnitsPerInch = 1440;
constexpr std::uint16_t kHeaderWords = U_SIZE_WMRHEADER / 2;
constexpr std::uint32_t MM_ANISOTROPIC = 8;

// Calls `visit(function, record)` for the records from `offset` up to and
// including the end-of-file record. False, with the offset of the record at
// fault, when a record's size is unsound or the records end without one.
template <typename Visit>
bool ForEachRecord(std::span<const char> bytes, std::size_t offset, std::size_t& faultAt, Visit&& visit)
{
    const char* limit = bytes.data() + bytes.size();
    while (bytes.size() - offset >= U_SIZE_METARECORD) {
        std::uint32_t words = 0;
        std::uint16_t function = 0;
        std::memcpy(&words, bytes.data() + offset, sizeof(words));
        std::memcpy(&function, bytes.data() + offset + sizeof(words), sizeof(function));
        const std::uint64_t size = std::uint64_t{words} * 2;
        if (size < U_SIZE_METARECORD || size > bytes.size() - offset
            || U_WMRRECSAFE_get(bytes.data() + offset, limit) != size) {
            faultAt = offset;
            return false;
        }
        visit(function, TRecordBytes(bytes.data() + offset, static_cast<std::size_t>(size)));
        offset += static_cast<std::size_t>(size);
        if (function == 0)
            return true;
    }
    faultAt = offset;
    return false;
}

// A file without a placeable header is as large as the window its records
// set: the first window origin and extent.
std::optional<TMetafileFrame> WindowFrame(std::span<const char> bytes, std::size_t firstRecord)
{
    std::optional<U_POINT16> origin;
    std::optional<U_POINT16> extent;
    std::size_t faultAt = 0;
    ForEachRecord(bytes, firstRecord, faultAt, [&](std::uint16_t function, const TRecordBytes& record) {
        U_POINT16 point{};
        if (record.Size() < U_SIZE_WMRSETWINDOWORG)
            return;
        if ((function & U_WMR_MASK) == U_WMR_SETWINDOWORG && !origin && U_WMRSETWINDOWORG_get(record.Data(), &point))
            origin = point;
        if ((function & U_WMR_MASK) == U_WMR_SETWINDOWEXT && !extent && U_WMRSETWINDOWEXT_get(record.Data(), &point))
            extent = point;
    });
    if (!extent || extent->x == 0 || extent->y == 0)
        return std::nullopt;
    TMetafileFrame frame;
    frame.Left = origin ? origin->x : 0;
    frame.Top = origin ? origin->y : 0;
    frame.Width = extent->x;
    frame.Height = extent->y;
    frame.PixelWidth = std::abs(extent->x);
    frame.PixelHeight = std::abs(extent->y);
    return frame;
}

TMetafileFrame PlaceableFrame(const U_WMRPLACEABLE& placeable)
{
    const std::uint16_t unitsPerInch = placeable.Inch != 0 ? placeable.Inch : kDefaultUnitsPerInch;
    TMetafileFrame frame;
    frame.Left = placeable.Dst.left;
    frame.Top = placeable.Dst.top;
    frame.Width = placeable.Dst.right - placeable.Dst.left;
    frame.Height = placeable.Dst.bottom - placeable.Dst.top;
    frame.PixelWidth = std::llround(std::abs(frame.Width) * kPixelsPerInch / unitsPerInch);
    frame.PixelHeight = std::llround(std::abs(frame.Height) * kPixelsPerInch / unitsPerInch);
    return frame;
}

TLogicalPoint PointOf(const U_POINT16& point)
{
    return {static_cast<double>(point.x), static_cast<double>(point.y)};
}

class TWmfPlayer {
public:
    TWmfPlayer(TMetafileDevice& device, std::uint32_t objects) : device_(device), objects_(objects) {}

    void Play(std::uint16_t function, const TRecordBytes& record)
    {
        const char* data = record.Data();
        const std::size_t size = record.Size();
        switch (function & U_WMR_MASK) {
        case U_WMR_SETBKCOLOR:
        case U_WMR_SETTEXTCOLOR:
            if (size >= U_SIZE_WMRSETBKCOLOR)
                PlayColor(function & U_WMR_MASK, data);
            break;
        case U_WMR_SETBKMODE:
        case U_WMR_SETMAPMODE:
        case U_WMR_SETROP2:
        case U_WMR_SETTEXTALIGN:
        case U_WMR_SELECTOBJECT:
        case U_WMR_DELETEOBJECT:
        case U_WMR_RESTOREDC:
            if (size >= U_SIZE_WMRSETMAPMODE)
                PlayValue(function & U_WMR_MASK, data);
            break;
        case U_WMR_SETWINDOWORG:
        case U_WMR_SETWINDOWEXT:
        case U_WMR_SETVIEWPORTORG:
        case U_WMR_SETVIEWPORTEXT:
        case U_WMR_OFFSETWINDOWORG:
        case U_WMR_OFFSETVIEWPORTORG:
        case U_WMR_LINETO:
        case U_WMR_MOVETO:
            if (size >= U_SIZE_WMRSETWINDOWORG)
                PlayPoint(function & U_WMR_MASK, data);
            break;
        case U_WMR_SCALEWINDOWEXT:
        case U_WMR_SCALEVIEWPORTEXT:
            if (size >= U_SIZE_WMRSCALEWINDOWEXT)
                PlayScale(function & U_WMR_MASK, data);
            break;
        case U_WMR_ELLIPSE:
        case U_WMR_RECTANGLE:
            if (size >= U_SIZE_WMRRECTANGLE)
                PlayBox(function & U_WMR_MASK, data);
            break;
        case U_WMR_SAVEDC:
            device_.SaveDC();
            break;
        case U_WMR_POLYGON:
        case U_WMR_POLYLINE:
            PlayPoly(function & U_WMR_MASK, record);
            break;
        case U_WMR_POLYPOLYGON:
            PlayPolyPolygon(record);
            break;
        case U_WMR_TEXTOUT:
            PlayTextOut(record);
            break;
        case U_WMR_EXTTEXTOUT:
            PlayExtTextOut(record);
            break;
        case U_WMR_CREATEPENINDIRECT:
        case U_WMR_CREATEBRUSHINDIRECT:
        case U_WMR_CREATEFONTINDIRECT:
            PlayCreate(function & U_WMR_MASK, record);
            break;
        case U_WMR_CREATEPALETTE:
        case U_WMR_CREATEPATTERNBRUSH:
        case U_WMR_DIBCREATEPATTERNBRUSH:
        case U_WMR_CREATEREGION:
        case U_WMR_CREATEBITMAP:
        case U_WMR_CREATEBITMAPINDIRECT:
            // They take a place in the table, which later indexes count on.
            objects_.PutInFreeSlot(TOtherObject{});
            break;
        default:
            break;
        }
    }

private:
    void PlayColor(std::uint16_t type, const char* data)
    {
        U_COLORREF color{};
        if (type == U_WMR_SETBKCOLOR && U_WMRSETBKCOLOR_get(data, &color))
            device_.SetBkColor(ColorOf(color));
        else if (type == U_WMR_SETTEXTCOLOR && U_WMRSETTEXTCOLOR_get(data, &color))
            device_.SetTextColor(ColorOf(color));
    }

    void PlayValue(std::uint16_t type, const char* data)
    {
        std::uint16_t value = 0;
        // Every one of these records holds a single 16-bit value.
        if (!U_WMRSETMAPMODE_get(data, &value))
            return;
        switch (type) {
        case U_WMR_SETBKMODE:
            device_.SetBkMode(value);
            break;
        case U_WMR_SETMAPMODE:
            device_.SetMapMode(value);
            break;
        case U_WMR_SETROP2:
            device_.SetRop2(value);
            break;
        case U_WMR_SETTEXTALIGN:
            device_.SetTextAlign(value);
            break;
        case U_WMR_SELECTOBJECT:
            if (const TMetafileObject* object = objects_.Find(value))
                device_.Select(*object);
            break;
        case U_WMR_DELETEOBJECT:
            objects_.Delete(value);
            break;
        default:
            device_.RestoreDC(static_cast<std::int16_t>(value));
            break;
        }
    }

    void PlayPoint(std::uint16_t type, const char* data)
    {
        U_POINT16 point{};
        switch (type) {
        case U_WMR_SETWINDOWORG:
            if (U_WMRSETWINDOWORG_get(data, &point))
                device_.SetWindowOrg(PointOf(point));
            break;
        case U_WMR_SETWINDOWEXT:
            if (U_WMRSETWINDOWEXT_get(data, &point))
                device_.SetWindowExt(point.x, point.y);
            break;
        case U_WMR_SETVIEWPORTORG:
            if (U_WMRSETVIEWPORTORG_get(data, &point))
                device_.SetViewportOrg(PointOf(point));
            break;
        case U_WMR_SETVIEWPORTEXT:
            if (U_WMRSETVIEWPORTEXT_get(data, &point))
                device_.SetViewportExt(point.x, point.y);
            break;
        case U_WMR_OFFSETWINDOWORG:
            if (U_WMROFFSETWINDOWORG_get(data, &point))
                device_.OffsetWindowOrg(point.x, point.y);
            break;
        case U_WMR_OFFSETVIEWPORTORG:
            if (U_WMROFFSETVIEWPORTORG_get(data, &point))
                device_.OffsetViewportOrg(point.x, point.y);
            break;
        case U_WMR_LINETO:
            if (U_WMRLINETO_get(data, &point))
                device_.LineTo(PointOf(point));
            break;
        default:
            if (U_WMRMOVETO_get(data, &point))
                device_.MoveTo(PointOf(point));
            break;
        }
    }

    void PlayScale(std::uint16_t type, const char* data)
    {
        U_POINT16 denominator{};
        U_POINT16 numerator{};
        if (type == U_WMR_SCALEWINDOWEXT && U_WMRSCALEWINDOWEXT_get(data, &denominator, &numerator))
            device_.ScaleWindowExt(numerator.x, denominator.x, numerator.y, denominator.y);
        else if (type == U_WMR_SCALEVIEWPORTEXT && U_WMRSCALEVIEWPORTEXT_get(data, &denominator, &numerator))
            device_.ScaleViewportExt(numerator.x, denominator.x, numerator.y, denominator.y);
    }

    void PlayBox(std::uint16_t type, const char* data)
    {
        U_RECT16 box{};
        const int read = type == U_WMR_ELLIPSE ? U_WMRELLIPSE_get(data, &box) : U_WMRRECTANGLE_get(data, &box);
        if (!read)
            return;
        const TLogicalPoint corner1{static_cast<double>(box.left), static_cast<double>(box.top)};
        const TLogicalPoint corner2{static_cast<double>(box.right), static_cast<double>(box.bottom)};
        if (type == U_WMR_ELLIPSE)
            device_.Ellipse(corner1, corner2);
        else
            device_.Rectangle(corner1, corner2);
    }

    void PlayPoly(std::uint16_t type, const TRecordBytes& record)
    {
        const auto count = record.Get<std::int16_t>(offsetof(U_WMRPOLYGON, nPoints));
        if (!count || *count < 0)
            return;
        const auto points =
            record.Points<std::int16_t>(offsetof(U_WMRPOLYGON, aPoints), static_cast<std::uint64_t>(*count));
        if (!points)
            return;
        if (type == U_WMR_POLYGON)
            device_.Polygon(*points);
        else
            device_.Polyline(*points);
    }

    void PlayPolyPolygon(const TRecordBytes& record)
    {
        const std::uint64_t at = offsetof(U_WMRPOLYPOLYGON, PPolygon);
        const auto polygons = record.Get<std::uint16_t>(at + offsetof(U_POLYPOLYGON, nPolys));
        if (!polygons)
            return;
        const std::uint64_t countsAt = at + offsetof(U_POLYPOLYGON, aPolyCounts);
        const auto counts = record.Counts<std::uint16_t>(countsAt, *polygons);
        if (!counts)
            return;
        std::uint64_t total = 0;
        for (const std::uint32_t count : *counts)
            total += count;
        const auto points = record.Points<std::int16_t>(countsAt + std::uint64_t{2} * *polygons, total);
        if (points)
            device_.PolyPolygon(*points, *counts);
    }

    static std::uint64_t EvenLength(std::int16_t length) { return (static_cast<std::uint64_t>(length) + 1) & ~1u; }

    void PlayTextOut(const TRecordBytes& record)
    {
        const auto length = record.Get<std::int16_t>(offsetof(U_WMRTEXTOUT, Length));
        if (!length || *length < 0 || !record.Holds(offsetof(U_WMRTEXTOUT, String) + EvenLength(*length), 2, 2))
            return;
        U_POINT16 point{};
        std::int16_t checkedLength = 0;
        const char* string = nullptr;
        if (!U_WMRTEXTOUT_get(record.Data(), &point, &checkedLength, &string))
            return;
        device_.TextOut(PointOf(point),
                        Cp932TextCharacters(std::string_view(string, static_cast<std::size_t>(*length)), {}));
    }

    void PlayExtTextOut(const TRecordBytes& record)
    {
        const auto y = record.Get<std::int16_t>(offsetof(U_WMREXTTEXTOUT, y));
        const auto x = record.Get<std::int16_t>(offsetof(U_WMREXTTEXTOUT, x));
        const auto length = record.Get<std::int16_t>(offsetof(U_WMREXTTEXTOUT, Length));
        const auto options = record.Get<std::uint16_t>(offsetof(U_WMREXTTEXTOUT, Opts));
        if (!y || !x || !length || *length < 0 || !options)
            return;
        std::uint64_t stringAt = U_SIZE_WMREXTTEXTOUT;
        if ((*options & (U_ETO_OPAQUE | U_ETO_CLIPPED)) != 0)
            stringAt += U_SIZE_RECT16;
        const auto characters = static_cast<std::uint64_t>(*length);
        if (!record.Holds(stringAt, characters, 1))
            return;
        // The advances are optional: present when the record holds them.
        std::vector<double> advances;
        const std::uint64_t advancesAt = stringAt + EvenLength(*length);
        if (characters > 0 && record.Holds(advancesAt, characters, 2)) {
            for (std::uint64_t i = 0; i < characters; ++i)
                advances.push_back(*record.Get<std::int16_t>(advancesAt + 2 * i));
        }
        const std::string_view text(record.Data() + stringAt, static_cast<std::size_t>(characters));
        device_.TextOut({static_cast<double>(*x), static_cast<double>(*y)}, Cp932TextCharacters(text, advances));
    }

    void PlayCreate(std::uint16_t type, const TRecordBytes& record)
    {
        if (const auto object = ObjectOf(type, record))
            objects_.PutInFreeSlot(*object);
    }

    static std::optional<TMetafileObject> ObjectOf(std::uint16_t type, const TRecordBytes& record)
    {
        if (type == U_WMR_CREATEPENINDIRECT) {
            U_PEN pen{};
            if (record.Size() < U_SIZE_WMRCREATEPENINDIRECT || !U_WMRCREATEPENINDIRECT_get(record.Data(), &pen))
                return std::nullopt;
            const auto width = static_cast<std::int16_t>(pen.Widthw[0]);
            return TLogicalPen{pen.Style, std::abs(static_cast<double>(width)), false, ColorOf(pen.Color)};
        }
        if (type == U_WMR_CREATEBRUSHINDIRECT) {
            const std::uint64_t at = offsetof(U_WMRCREATEBRUSHINDIRECT, brush);
            const auto style = record.Get<std::uint16_t>(at + offsetof(U_WLOGBRUSH, Style));
            const auto color = record.Get<U_COLORREF>(at + offsetof(U_WLOGBRUSH, Color));
            const auto hatch = record.Get<std::uint16_t>(at + offsetof(U_WLOGBRUSH, Hatch));
            if (!style || !color || !hatch)
                return std::nullopt;
            return TLogicalBrush{*style, ColorOf(*color), *hatch};
        }
        return FontOf(record);
    }

    static std::optional<TMetafileObject> FontOf(const TRecordBytes& record)
    {
        const std::uint64_t at = offsetof(U_WMRCREATEFONTINDIRECT, font);
        if (!record.Holds(at, 1, U_SIZE_FONT_CORE))
            return std::nullopt;
        U_FONT logfont{};
        std::memcpy(&logfont, record.Data() + at, U_SIZE_FONT_CORE);
        TLogicalFont font;
        font.Height = logfont.Height;
        font.Escapement = logfont.Escapement;
        font.Weight = logfont.Weight;
        font.Italic = logfont.Italic != 0;
        font.Underline = logfont.Underline != 0;
        font.StrikeOut = logfont.StrikeOut != 0;
        font.Charset = logfont.CharSet;
        // The face name ends at its first zero byte, at 32 bytes, or with the record.
        const std::size_t nameAt = static_cast<std::size_t>(at) + U_SIZE_FONT_CORE;
        const std::size_t room = std::min<std::size_t>(record.Size() - nameAt, U_LF_FACESIZE);
        const std::string_view name(record.Data() + nameAt, room);
        font.Name = std::string(name.substr(0, name.find('\0')));
        return font;
    }

    TMetafileDevice& device_;
    TObjectTable objects_;
};

} // namespace

std::optional<TWindowsMetafileInfo> ReadWindowsMetafile(std::span<const char> bytes, std::string& error)
{
    const TRecordBytes file(bytes.data(), bytes.size());
    const auto key = file.Get<std::uint32_t>(0);
    const std::size_t headerAt = key == kPlaceableKey ? U_SIZE_WMRPLACEABLE : 0;
    // Room for the header and at least the end-of-file record. The structs
    // have the file's layout up to their padding at the end.
    if (!file.Holds(headerAt, 1, U_SIZE_WMRHEADER + U_SIZE_WMREOF)) {
        error = "メタファイルのヘッダーがありません";
        return std::nullopt;
    }
    U_WMRPLACEABLE placeable{};
    U_WMRHEADER header{};
    if (headerAt != 0)
        std::memcpy(&placeable, bytes.data(), U_SIZE_WMRPLACEABLE);
    std::memcpy(&header, bytes.data() + headerAt, U_SIZE_WMRHEADER);
    if ((header.iType != 1 && header.iType != 2) || header.Size16w != kHeaderWords
        || (header.version != 0x0100 && header.version != 0x0300)) {
        error = "メタファイルのヘッダーが正しくありません";
        return std::nullopt;
    }

    TWindowsMetafileInfo info;
    info.FirstRecord = headerAt + U_SIZE_WMRHEADER;
    info.Objects = header.nObjects;
    std::size_t faultAt = 0;
    if (!ForEachRecord(bytes, info.FirstRecord, faultAt, [](std::uint16_t, const TRecordBytes&) {})) {
        error = faultAt >= bytes.size()
                    ? std::string("メタファイルの終わりのレコードがありません")
                    : std::to_string(faultAt) + " バイト目のレコードの大きさが正しくありません";
        return std::nullopt;
    }
    if (key == kPlaceableKey) {
        info.Frame = PlaceableFrame(placeable);
    } else if (const auto frame = WindowFrame(bytes, info.FirstRecord)) {
        info.Frame = *frame;
    } else {
        error = "メタファイルの大きさがわかりません";
        return std::nullopt;
    }
    return info;
}

void PlayWindowsMetafile(std::span<const char> bytes, const TWindowsMetafileInfo& info, TCanvas& canvas,
                         double left, double top, double width, double height)
{
    const TMetafileFrame& frame = info.Frame;
    if (frame.Width == 0 || frame.Height == 0 || width == 0 || height == 0)
        return;
    // The frame maps onto the box as the window onto the viewport; records
    // that set a window of their own take its place.
    TMetafileDevice device(canvas, TDevicePlacement{});
    device.SetMapMode(MM_ANISOTROPIC);
    device.SetWindowOrg({frame.Left, frame.Top});
    device.SetWindowExt(frame.Width, frame.Height);
    device.SetViewportOrg({left, top});
    device.SetViewportExt(width, height);
    TWmfPlayer player(device, info.Objects);
    std::size_t faultAt = 0;
    ForEachRecord(bytes, info.FirstRecord, faultAt,
                  [&](std::uint16_t function, const TRecordBytes& record) { player.Play(function, record); });
}

} // namespace qm
