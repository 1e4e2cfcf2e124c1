#include "EnhancedMetafile.h"

#include "MetafileDevice.h"
#include "MetafileRecords.h"
#include "ShiftJis.h"

#include <uemf.h>
#include <uemf_endian.h>
#include <uemf_safe.h>

#include <cmath>
#include <cstddef>

namespace qm {

namespace {

constexpr std::size_t kRecordHeaderSize = sizeof(U_EMR);
// Reference devices outside this range of pixels per millimetre are taken
// to be the 96 pixels-per-inch screen.
constexpr double kMinPixelsPerMm = 0.1;
constexpr double kMaxPixelsPerMm = 1000;

constexpr bool IsHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

constexpr bool IsLowSurrogate(char16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// UTF-16 code units as UTF-8. A surrogate without its partner becomes "?",
// which is what CP932 makes of it anyway.
std::string Utf16ToUtf8(std::span<const char16_t> units)
{
    std::string utf8;
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t code = units[i];
        if (IsHighSurrogate(units[i]) && i + 1 < units.size() && IsLowSurrogate(units[i + 1])) {
            code = 0x10000 + ((code - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (IsHighSurrogate(units[i]) || IsLowSurrogate(units[i])) {
            utf8 += '?';
            continue;
        }
        if (code < 0x80) {
            utf8 += static_cast<char>(code);
        } else if (code < 0x800) {
            utf8 += static_cast<char>(0xC0 | code >> 6);
            utf8 += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            utf8 += static_cast<char>(0xE0 | code >> 12);
            utf8 += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            utf8 += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            utf8 += static_cast<char>(0xF0 | code >> 18);
            utf8 += static_cast<char>(0x80 | (code >> 12 & 0x3F));
            utf8 += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            utf8 += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return utf8;
}

// Calls `visit(type, record)` for the records from `offset` up to and
// including the end-of-file record. False, with the offset of the record at
// fault, when a record's size is unsound or the records end without one.
template <typename Visit>
bool ForEachRecord(std::span<const char> bytes, std::size_t offset, std::size_t& faultAt, Visit&& visit)
{
    while (bytes.size() - offset >= kRecordHeaderSize) {
        U_EMR emr;
        std::memcpy(&emr, bytes.data() + offset, sizeof(emr));
        if (emr.nSize < kRecordHeaderSize || emr.nSize % 4 != 0 || emr.nSize > bytes.size() - offset) {
            faultAt = offset;
            return false;
        }
        visit(emr.iType, TRecordBytes(bytes.data() + offset, emr.nSize));
        offset += emr.nSize;
        if (emr.iType == U_EMR_EOF)
            return true;
    }
    faultAt = offset;
    return false;
}

double PixelsPerMm(std::int32_t pixels, std::int32_t millimetres)
{
    if (pixels > 0 && millimetres > 0) {
        const double ratio = static_cast<double>(pixels) / millimetres;
        if (ratio >= kMinPixelsPerMm && ratio <= kMaxPixelsPerMm)
            return ratio;
    }
    return kPixelsPerInch / 25.4;
}

// The frame in 0.01 mm gives the picture's place and size, as other readers
// take it; a header without a frame falls back on the bounds in device pixels.
TMetafileFrame FrameOf(const U_EMRHEADER& header, double pixelsPerMmX, double pixelsPerMmY)
{
    TMetafileFrame frame;
    const std::int64_t frameWidth = std::int64_t{header.rclFrame.right} - header.rclFrame.left;
    const std::int64_t frameHeight = std::int64_t{header.rclFrame.bottom} - header.rclFrame.top;
    if (frameWidth > 0 && frameHeight > 0) {
        frame.Left = header.rclFrame.left / 100.0 * pixelsPerMmX;
        frame.Top = header.rclFrame.top / 100.0 * pixelsPerMmY;
        frame.Width = frameWidth / 100.0 * pixelsPerMmX;
        frame.Height = frameHeight / 100.0 * pixelsPerMmY;
        frame.PixelWidth = std::llround(frameWidth * static_cast<double>(kPixelsPerInch) / 2540);
        frame.PixelHeight = std::llround(frameHeight * static_cast<double>(kPixelsPerInch) / 2540);
        return frame;
    }
    const std::int64_t boundsWidth = std::int64_t{header.rclBounds.right} - header.rclBounds.left + 1;
    const std::int64_t boundsHeight = std::int64_t{header.rclBounds.bottom} - header.rclBounds.top + 1;
    if (boundsWidth > 0 && boundsHeight > 0) {
        frame.Left = header.rclBounds.left;
        frame.Top = header.rclBounds.top;
        frame.Width = static_cast<double>(boundsWidth);
        frame.Height = static_cast<double>(boundsHeight);
        frame.PixelWidth = std::llround(boundsWidth / pixelsPerMmX * kPixelsPerInch / 25.4);
        frame.PixelHeight = std::llround(boundsHeight / pixelsPerMmY * kPixelsPerInch / 25.4);
    }
    return frame;
}

TLogicalFont FontOf(const U_LOGFONT& logfont)
{
    TLogicalFont font;
    font.Height = logfont.lfHeight;
    font.Escapement = logfont.lfEscapement;
    font.Weight = logfont.lfWeight;
    font.Italic = logfont.lfItalic != 0;
    font.Underline = logfont.lfUnderline != 0;
    font.StrikeOut = logfont.lfStrikeOut != 0;
    font.Charset = logfont.lfCharSet;
    std::size_t length = 0;
    while (length < U_LF_FACESIZE && logfont.lfFaceName[length] != 0)
        ++length;
    font.Name = Utf8ToCp932(Utf16ToUtf8({reinterpret_cast<const char16_t*>(logfont.lfFaceName), length}));
    return font;
}

// UTF-16 text as CP932 characters, a surrogate pair counting as one
// character with the advances of both its units.
std::vector<TTextCharacter> Utf16TextCharacters(std::span<const char16_t> units, std::span<const double> advances)
{
    std::vector<TTextCharacter> characters;
    for (std::size_t i = 0; i < units.size();) {
        const std::size_t length =
            IsHighSurrogate(units[i]) && i + 1 < units.size() && IsLowSurrogate(units[i + 1]) ? 2 : 1;
        TTextCharacter character;
        character.Cp932 = Utf8ToCp932(Utf16ToUtf8(units.subspan(i, length)));
        if (!advances.empty()) {
            double advance = 0;
            for (std::size_t k = i; k < i + length; ++k)
                advance += advances[k];
            character.Advance = advance;
        }
        characters.push_back(std::move(character));
        i += length;
    }
    return characters;
}

class TEmfPlayer {
public:
    TEmfPlayer(TMetafileDevice& device, std::uint32_t handles) : device_(device), objects_(handles) {}

    // Records the player does not know are skipped.
    void Play(std::uint32_t type, const TRecordBytes& record)
    {
        switch (type) {
        case U_EMR_POLYBEZIER:
        case U_EMR_POLYGON:
        case U_EMR_POLYLINE:
        case U_EMR_POLYBEZIERTO:
        case U_EMR_POLYLINETO:
            PlayPoly<std::int32_t>(type, record);
            break;
        case U_EMR_POLYBEZIER16:
            PlayPoly<std::int16_t>(U_EMR_POLYBEZIER, record);
            break;
        case U_EMR_POLYGON16:
            PlayPoly<std::int16_t>(U_EMR_POLYGON, record);
            break;
        case U_EMR_POLYLINE16:
            PlayPoly<std::int16_t>(U_EMR_POLYLINE, record);
            break;
        case U_EMR_POLYBEZIERTO16:
            PlayPoly<std::int16_t>(U_EMR_POLYBEZIERTO, record);
            break;
        case U_EMR_POLYLINETO16:
            PlayPoly<std::int16_t>(U_EMR_POLYLINETO, record);
            break;
        case U_EMR_POLYPOLYLINE:
        case U_EMR_POLYPOLYGON:
            PlayPolyPoly<std::int32_t>(type == U_EMR_POLYPOLYGON, record);
            break;
        case U_EMR_POLYPOLYLINE16:
        case U_EMR_POLYPOLYGON16:
            PlayPolyPoly<std::int16_t>(type == U_EMR_POLYPOLYGON16, record);
            break;
        case U_EMR_SETWINDOWEXTEX:
        case U_EMR_SETVIEWPORTEXTEX:
            PlayExtent(type, record);
            break;
        case U_EMR_SETWINDOWORGEX:
        case U_EMR_SETVIEWPORTORGEX:
        case U_EMR_MOVETOEX:
        case U_EMR_LINETO:
            PlayPoint(type, record);
            break;
        case U_EMR_SCALEVIEWPORTEXTEX:
        case U_EMR_SCALEWINDOWEXTEX:
            PlayScale(type, record);
            break;
        case U_EMR_SETMAPMODE:
        case U_EMR_SETBKMODE:
        case U_EMR_SETROP2:
        case U_EMR_SETTEXTALIGN:
        case U_EMR_SETTEXTCOLOR:
        case U_EMR_SETBKCOLOR:
        case U_EMR_RESTOREDC:
        case U_EMR_SELECTOBJECT:
        case U_EMR_DELETEOBJECT:
            PlayValue(type, record);
            break;
        case U_EMR_SAVEDC:
            device_.SaveDC();
            break;
        case U_EMR_ELLIPSE:
        case U_EMR_RECTANGLE:
            PlayBox(type, record);
            break;
        case U_EMR_CREATEPEN:
        case U_EMR_EXTCREATEPEN:
        case U_EMR_CREATEBRUSHINDIRECT:
        case U_EMR_EXTCREATEFONTINDIRECTW:
        case U_EMR_CREATEPALETTE:
        case U_EMR_CREATEMONOBRUSH:
        case U_EMR_CREATEDIBPATTERNBRUSHPT:
            PlayCreate(type, record);
            break;
        case U_EMR_EXTTEXTOUTA:
        case U_EMR_EXTTEXTOUTW:
            PlayText(type == U_EMR_EXTTEXTOUTW, record);
            break;
        default:
            PlayPath(type);
            break;
        }
    }

private:
    // libuemf's checks of a record: too short for its type, or with counts
    // that run past it. They read fields before they check them, so they run
    // only after our own reads have shown those fields to lie in the record.
    static bool Sound(const TRecordBytes& record)
    {
        std::uint32_t size = 0;
        std::uint32_t type = 0;
        // The last argument says the record is in this machine's byte order.
        return U_emf_record_sizeok(record.Data(), record.Data() + record.Size(), &size, &type, 1) != 0
               && U_emf_record_safe(record.Data()) != 0;
    }

    template <typename Coordinate>
    void PlayPoly(std::uint32_t type, const TRecordBytes& record)
    {
        const auto count = record.Get<std::uint32_t>(offsetof(U_EMRPOLYLINE, cptl));
        if (!count)
            return;
        const auto points = record.Points<Coordinate>(offsetof(U_EMRPOLYLINE, aptl), *count);
        if (!points || !Sound(record))
            return;
        switch (type) {
        case U_EMR_POLYBEZIER:
            device_.PolyBezier(*points);
            break;
        case U_EMR_POLYGON:
            device_.Polygon(*points);
            break;
        case U_EMR_POLYLINE:
            device_.Polyline(*points);
            break;
        case U_EMR_POLYBEZIERTO:
            device_.PolyBezierTo(*points);
            break;
        default:
            device_.PolylineTo(*points);
            break;
        }
    }

    template <typename Coordinate>
    void PlayPolyPoly(bool polygons, const TRecordBytes& record)
    {
        const auto polys = record.Get<std::uint32_t>(offsetof(U_EMRPOLYPOLYLINE, nPolys));
        const auto total = record.Get<std::uint32_t>(offsetof(U_EMRPOLYPOLYLINE, cptl));
        if (!polys || !total)
            return;
        const std::uint64_t countsAt = offsetof(U_EMRPOLYPOLYLINE, aPolyCounts);
        const auto counts = record.Counts<std::uint32_t>(countsAt, *polys);
        const auto points = record.Points<Coordinate>(countsAt + std::uint64_t{4} * *polys, *total);
        if (!counts || !points || !Sound(record))
            return;
        if (polygons)
            device_.PolyPolygon(*points, *counts);
        else
            device_.PolyPolyline(*points, *counts);
    }

    void PlayExtent(std::uint32_t type, const TRecordBytes& record)
    {
        const auto extent = record.Get<U_SIZEL>(offsetof(U_EMRSETWINDOWEXTEX, szlExtent));
        if (!extent || !Sound(record))
            return;
        if (type == U_EMR_SETWINDOWEXTEX)
            device_.SetWindowExt(extent->cx, extent->cy);
        else
            device_.SetViewportExt(extent->cx, extent->cy);
    }

    void PlayPoint(std::uint32_t type, const TRecordBytes& record)
    {
        const auto point = record.Get<U_POINTL>(offsetof(U_EMRSETWINDOWORGEX, ptlOrigin));
        if (!point || !Sound(record))
            return;
        const TLogicalPoint logical{static_cast<double>(point->x), static_cast<double>(point->y)};
        switch (type) {
        case U_EMR_SETWINDOWORGEX:
            device_.SetWindowOrg(logical);
            break;
        case U_EMR_SETVIEWPORTORGEX:
            device_.SetViewportOrg(logical);
            break;
        case U_EMR_MOVETOEX:
            device_.MoveTo(logical);
            break;
        default:
            device_.LineTo(logical);
            break;
        }
    }

    void PlayScale(std::uint32_t type, const TRecordBytes& record)
    {
        const auto scale = record.Get<U_EMRSCALEWINDOWEXTEX>(0);
        if (!scale || !Sound(record))
            return;
        if (type == U_EMR_SCALEWINDOWEXTEX)
            device_.ScaleWindowExt(scale->xNum, scale->xDenom, scale->yNum, scale->yDenom);
        else
            device_.ScaleViewportExt(scale->xNum, scale->xDenom, scale->yNum, scale->yDenom);
    }

    void PlayValue(std::uint32_t type, const TRecordBytes& record)
    {
        // Colours are COLORREFs: red in the low byte, as a TColor holds it.
        const auto value = record.Get<std::uint32_t>(offsetof(U_EMRSETMAPMODE, iMode));
        if (!value || !Sound(record))
            return;
        switch (type) {
        case U_EMR_SETMAPMODE:
            device_.SetMapMode(*value);
            break;
        case U_EMR_SETBKMODE:
            device_.SetBkMode(*value);
            break;
        case U_EMR_SETROP2:
            device_.SetRop2(*value);
            break;
        case U_EMR_SETTEXTALIGN:
            device_.SetTextAlign(*value);
            break;
        case U_EMR_SETTEXTCOLOR:
            device_.SetTextColor(*value);
            break;
        case U_EMR_SETBKCOLOR:
            device_.SetBkColor(*value);
            break;
        case U_EMR_RESTOREDC:
            device_.RestoreDC(static_cast<std::int32_t>(*value));
            break;
        case U_EMR_SELECTOBJECT:
            if (*value & U_STOCK_OBJECT)
                device_.SelectStock(*value & ~U_STOCK_OBJECT);
            else if (const TMetafileObject* object = objects_.Find(*value))
                device_.Select(*object);
            break;
        default:
            objects_.Delete(*value);
            break;
        }
    }

    void PlayBox(std::uint32_t type, const TRecordBytes& record)
    {
        const auto box = record.Get<U_RECTL>(offsetof(U_EMRELLIPSE, rclBox));
        if (!box || !Sound(record))
            return;
        const TLogicalPoint corner1{static_cast<double>(box->left), static_cast<double>(box->top)};
        const TLogicalPoint corner2{static_cast<double>(box->right), static_cast<double>(box->bottom)};
        if (type == U_EMR_ELLIPSE)
            device_.Ellipse(corner1, corner2);
        else
            device_.Rectangle(corner1, corner2);
    }

    void PlayCreate(std::uint32_t type, const TRecordBytes& record)
    {
        // Every creating record names its index right after the record header;
        // index 0 stands for the metafile itself.
        const auto index = record.Get<std::uint32_t>(offsetof(U_EMRCREATEPEN, ihPen));
        if (!index || *index == 0)
            return;
        const auto object = ObjectOf(type, record);
        if (object && Sound(record))
            objects_.Put(*index, *object);
    }

    static std::optional<TMetafileObject> ObjectOf(std::uint32_t type, const TRecordBytes& record)
    {
        switch (type) {
        case U_EMR_CREATEPEN: {
            const auto logpen = record.Get<U_LOGPEN>(offsetof(U_EMRCREATEPEN, lopn));
            if (!logpen)
                return std::nullopt;
            return TLogicalPen{logpen->lopnStyle, std::abs(static_cast<double>(logpen->lopnWidth.x)), false,
                               ColorOf(logpen->lopnColor)};
        }
        case U_EMR_EXTCREATEPEN: {
            const std::uint64_t at = offsetof(U_EMREXTCREATEPEN, elp);
            const auto style = record.Get<std::uint32_t>(at + offsetof(U_EXTLOGPEN, elpPenStyle));
            const auto width = record.Get<std::uint32_t>(at + offsetof(U_EXTLOGPEN, elpWidth));
            const auto brushStyle = record.Get<std::uint32_t>(at + offsetof(U_EXTLOGPEN, elpBrushStyle));
            const auto color = record.Get<U_COLORREF>(at + offsetof(U_EXTLOGPEN, elpColor));
            if (!style || !width || !brushStyle || !color)
                return std::nullopt;
            const bool cosmetic = (*style & U_PS_TYPE_MASK) != U_PS_GEOMETRIC;
            const std::uint32_t penStyle = *brushStyle == U_BS_NULL ? U_PS_NULL : *style;
            return TLogicalPen{penStyle, static_cast<double>(*width), cosmetic, ColorOf(*color)};
        }
        case U_EMR_CREATEBRUSHINDIRECT: {
            const auto logbrush = record.Get<U_LOGBRUSH>(offsetof(U_EMRCREATEBRUSHINDIRECT, lb));
            if (!logbrush)
                return std::nullopt;
            return TLogicalBrush{logbrush->lbStyle, ColorOf(logbrush->lbColor), logbrush->lbHatch};
        }
        case U_EMR_EXTCREATEFONTINDIRECTW: {
            const auto logfont = record.Get<U_LOGFONT>(offsetof(U_EMREXTCREATEFONTINDIRECTW, elfw));
            if (!logfont)
                return std::nullopt;
            return FontOf(*logfont);
        }
        default:
            return TOtherObject{};
        }
    }

    void PlayText(bool wide, const TRecordBytes& record)
    {
        const std::uint64_t at = offsetof(U_EMREXTTEXTOUTW, emrtext);
        const auto text = record.Get<U_EMRTEXT>(at);
        if (!text || (text->fOptions & U_ETO_GLYPH_INDEX) != 0)
            return;
        const std::uint64_t rectangle = (text->fOptions & U_ETO_NO_RECT) != 0 ? 0 : sizeof(U_RECTL);
        const auto offDx = record.Get<std::uint32_t>(at + sizeof(U_EMRTEXT) + rectangle);
        if (!offDx || !Sound(record))
            return;

        const std::uint64_t count = text->nChars;
        const std::uint64_t unitSize = wide ? 2 : 1;
        if (count == 0 || !record.Holds(text->offString, count, unitSize))
            return;

        // One advance per character unit, or per pair with vertical advances.
        std::vector<double> advances;
        const std::uint64_t perUnit = (text->fOptions & U_ETO_PDY) != 0 ? 2 : 1;
        if (*offDx != 0 && record.Holds(*offDx, count * perUnit, 4)) {
            advances.resize(static_cast<std::size_t>(count));
            for (std::size_t i = 0; i < advances.size(); ++i)
                advances[i] = *record.Get<std::int32_t>(*offDx + i * perUnit * 4);
        }

        const char* string = record.Data() + text->offString;
        std::vector<TTextCharacter> characters;
        if (wide) {
            std::vector<char16_t> units(static_cast<std::size_t>(count));
            std::memcpy(units.data(), string, units.size() * 2);
            characters = Utf16TextCharacters(units, advances);
        } else {
            characters = Cp932TextCharacters(std::string_view(string, static_cast<std::size_t>(count)), advances);
        }
        device_.TextOut({static_cast<double>(text->ptlReference.x), static_cast<double>(text->ptlReference.y)},
                        characters);
    }

    void PlayPath(std::uint32_t type)
    {
        switch (type) {
        case U_EMR_BEGINPATH:
            device_.BeginPath();
            break;
        case U_EMR_ENDPATH:
            device_.EndPath();
            break;
        case U_EMR_CLOSEFIGURE:
            device_.CloseFigure();
            break;
        case U_EMR_FILLPATH:
            device_.FillPath();
            break;
        case U_EMR_STROKEPATH:
            device_.StrokePath();
            break;
        case U_EMR_STROKEANDFILLPATH:
            device_.StrokeAndFillPath();
            break;
        case U_EMR_ABORTPATH:
            device_.AbortPath();
            break;
        default:
            break;
        }
    }

    TMetafileDevice& device_;
    TObjectTable objects_;
};

} // namespace

std::optional<TEnhancedMetafileInfo> ReadEnhancedMetafile(std::span<const char> bytes, std::string& error)
{
    U_EMRHEADER header{};
    if (bytes.size() < U_SIZE_EMRHEADER_MIN) {
        error = "拡張メタファイルのヘッダーがありません";
        return std::nullopt;
    }
    std::memcpy(&header, bytes.data(), std::min<std::size_t>(bytes.size(), sizeof(header)));
    if (header.emr.iType != U_EMR_HEADER || header.dSignature != U_ENHMETA_SIGNATURE
        || header.emr.nSize < U_SIZE_EMRHEADER_MIN || header.emr.nSize % 4 != 0 || header.emr.nSize > bytes.size()) {
        error = "拡張メタファイルのヘッダーが正しくありません";
        return std::nullopt;
    }
    // Fields past the header's own size belong to the next record.
    if (header.emr.nSize < sizeof(header))
        std::memset(reinterpret_cast<char*>(&header) + header.emr.nSize, 0, sizeof(header) - header.emr.nSize);

    std::size_t faultAt = 0;
    if (!ForEachRecord(bytes, header.emr.nSize, faultAt, [](std::uint32_t, const TRecordBytes&) {})) {
        error = faultAt >= bytes.size()
                    ? std::string("メタファイルの終わりのレコードがありません")
                    : std::to_string(faultAt) + " バイト目のレコードの大きさが正しくありません";
        return std::nullopt;
    }

    TEnhancedMetafileInfo info;
    info.PixelsPerMmX = PixelsPerMm(header.szlDevice.cx, header.szlMillimeters.cx);
    info.PixelsPerMmY = PixelsPerMm(header.szlDevice.cy, header.szlMillimeters.cy);
    info.Frame = FrameOf(header, info.PixelsPerMmX, info.PixelsPerMmY);
    info.Handles = header.nHandles;
    return info;
}

void PlayEnhancedMetafile(std::span<const char> bytes, const TEnhancedMetafileInfo& info, TCanvas& canvas,
                          double left, double top, double width, double height)
{
    const TMetafileFrame& frame = info.Frame;
    if (frame.Width <= 0 || frame.Height <= 0 || bytes.size() < U_SIZE_EMRHEADER_MIN)
        return;
    TDevicePlacement placement;
    placement.ScaleX = width / frame.Width;
    placement.ScaleY = height / frame.Height;
    placement.OffsetX = left - frame.Left * placement.ScaleX;
    placement.OffsetY = top - frame.Top * placement.ScaleY;
    placement.PixelsPerMmX = info.PixelsPerMmX;
    placement.PixelsPerMmY = info.PixelsPerMmY;

    TMetafileDevice device(canvas, placement);
    TEmfPlayer player(device, info.Handles);
    U_EMR emr;
    std::memcpy(&emr, bytes.data(), sizeof(emr));
    std::size_t faultAt = 0;
    ForEachRecord(bytes, emr.nSize, faultAt,
                  [&](std::uint32_t type, const TRecordBytes& record) { player.Play(type, record); });
}

} // namespace qm
