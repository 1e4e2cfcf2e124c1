#include "DocumentRecords.h"

#include "FileError.h"
#include "FileStreamEx.h"

#include <QString>

namespace qm {

namespace {

constexpr std::int64_t kPointBytes = 8;      // x, y
constexpr std::int64_t kQuadrupleBytes = 16; // C1.x, C1.y, C2.x, C2.y

TPoint EntryOrZero(const TPointArray& points, std::int32_t index)
{
    return index >= 0 && static_cast<std::size_t>(index) < points.size() ? points[static_cast<std::size_t>(index)]
                                                                         : TPoint{};
}

[[noreturn]] void ThrowCorrupt(TFileStreamEx& stream, const char* what)
{
    const QString detail = QString::fromUtf8(what).arg(stream.Position());
    throw TFileError(TFileError::TKind::CannotOpen, stream.FileName(), detail.toStdString());
}

// A stored count whose values cannot all be in the rest of the file.
void CheckCount(TFileStreamEx& stream, std::int64_t count, std::int64_t bytesEach)
{
    if (count > 0 && count > stream.Remaining() / bytesEach)
        ThrowCorrupt(stream, "%1 バイト目の個数がファイルの大きさを超えています");
}

void WritePoint(TFileStreamEx& stream, const TPoint& point)
{
    stream.WriteInteger(point.x);
    stream.WriteInteger(point.y);
}

void ReadPoint(TFileStreamEx& stream, TPoint& point)
{
    stream.ReadInteger(point.x);
    stream.ReadInteger(point.y);
}

void ReadPoints(TFileStreamEx& stream, TItemObject* item)
{
    std::int32_t count = 0;
    stream.ReadInteger(count);
    CheckStream(stream);
    CheckCount(stream, count, kPointBytes);
    TPointArray points;
    if (count > 0) {
        points.resize(static_cast<std::size_t>(count) + 1); // one spare entry, as the editor always kept
        for (std::int32_t i = 0; i < count; ++i)
            ReadPoint(stream, points[static_cast<std::size_t>(i)]);
    }
    std::int32_t styles[3] = {};
    for (std::int32_t& style : styles)
        stream.ReadInteger(style);
    CheckStream(stream);
    if (!item)
        return;
    item->Count = count;
    if (count > 0)
        item->Points = std::move(points);
    item->CurveStyle = FromStoredCode<TCurveStyle>(styles[0]);
    item->PStyle = FromStoredCode<TLineEnd>(styles[1]);
    item->DStyle = FromStoredCode<TLineEnd>(styles[2]);
}

// Read with the Count and ItemType that the item holds by now; without an item
// there is no count and nothing to read.
void ReadControlPoints(TFileStreamEx& stream, TItemObject* item)
{
    if (!item)
        return;
    const std::int32_t quadruples = ControlPointQuadruples(item->ItemType, item->Count);
    CheckCount(stream, quadruples, kQuadrupleBytes);
    if (item->Count <= 0)
        return;
    TPointArray c1(static_cast<std::size_t>(item->Count));
    TPointArray c2(static_cast<std::size_t>(item->Count));
    for (std::int32_t i = 0; i < quadruples; ++i) {
        ReadPoint(stream, c1[static_cast<std::size_t>(i)]);
        ReadPoint(stream, c2[static_cast<std::size_t>(i)]);
    }
    CheckStream(stream);
    item->C1 = std::move(c1);
    item->C2 = std::move(c2);
}

void ReadText(TFileStreamEx& stream, TItemObject* item)
{
    TItemObject scratch;
    TItemObject& target = item ? *item : scratch;
    // All or nothing: a record cut short leaves the item as it was.
    std::string text = target.Text;
    std::int32_t margin = 0;
    std::int32_t lineSpacing = 0;
    bool centerH = false;
    bool centerV = false;
    TFont font = target.Font;
    stream.ReadString(text);
    stream.ReadInteger(margin);
    stream.ReadInteger(lineSpacing);
    stream.ReadBool(centerH);
    stream.ReadBool(centerV);
    stream.ReadFont(font);
    CheckStream(stream);
    target.Text = std::move(text);
    target.Margin = margin;
    target.LineSpacing = lineSpacing;
    target.CenterH = centerH;
    target.CenterV = centerV;
    target.Font = std::move(font);
}

} // namespace

bool IsCanvasSizeAllowed(std::int32_t width, std::int32_t height)
{
    return width >= 0 && height >= 0 && width <= kCanvasSideLimit && height <= kCanvasSideLimit
        && std::int64_t{width} * height <= kCanvasPixelLimit;
}

std::int32_t ControlPointQuadruples(TItemType itemType, std::int32_t count)
{
    if (count <= 0)
        return 0;
    return itemType == itPolygon ? count : count - 1;
}

void CheckStream(TFileStreamEx& stream)
{
    switch (stream.Fault()) {
    case TStreamFault::sfNone:
        return;
    case TStreamFault::sfShortRead:
        ThrowCorrupt(stream, "%1 バイト目でファイルが終わっています");
    case TStreamFault::sfCorruptLength:
        ThrowCorrupt(stream, "%1 バイト目の文字列の長さが壊れています");
    case TStreamFault::sfDeviceError:
        ThrowCorrupt(stream, "%1 バイト目が読み込めません");
    }
}

void WriteHeaderRecord(TFileStreamEx& stream)
{
    stream.WriteInteger(rcHeader);
    stream.WriteString(kDocumentHeaderText);
}

void WriteCanvasRecord(TFileStreamEx& stream, const TCanvasGeometry& canvas)
{
    stream.WriteInteger(rcCanvas);
    stream.WriteInteger(canvas.Width);
    stream.WriteInteger(canvas.Height);
    stream.WriteInteger(canvas.Grid);
}

void WriteItemRecord(TFileStreamEx& stream, TRecordCode code, const TItemObject& item, std::int32_t id,
                     std::int32_t parentId)
{
    stream.WriteInteger(code);
    if (code == rcNode) {
        stream.WriteInteger(StoredCode(item.ItemType));
        stream.WriteString(item.Name);
    }
    stream.WriteInteger(id);
    switch (code) {
    case rcNode:
        stream.WriteInteger(parentId);
        break;
    case rcPosition:
        stream.WriteInteger(item.X);
        stream.WriteInteger(item.Y);
        break;
    case rcStretch:
        stream.WriteFloat(item.StretchX);
        stream.WriteFloat(item.StretchY);
        break;
    case rcRoll:
        stream.WriteInteger(item.Roll);
        break;
    case rcPriority:
        stream.WriteInteger(item.Priority);
        break;
    case rcBrush:
        stream.WriteInteger(static_cast<std::int32_t>(item.Brush.Color));
        stream.WriteInteger(item.Brush.Style);
        break;
    case rcPen:
        stream.WriteInteger(static_cast<std::int32_t>(item.Pen.Color));
        stream.WriteInteger(item.Pen.Style);
        stream.WriteInteger(item.Pen.Width);
        break;
    case rcActive:
        stream.WriteBool(item.Active);
        break;
    case rcText:
        stream.WriteString(item.Text);
        stream.WriteInteger(item.Margin);
        stream.WriteInteger(item.LineSpacing);
        stream.WriteBool(item.CenterH);
        stream.WriteBool(item.CenterV);
        stream.WriteFont(item.Font);
        break;
    case rcPoints:
        stream.WriteInteger(item.Count);
        for (std::int32_t i = 0; i < item.Count; ++i)
            WritePoint(stream, EntryOrZero(item.Points, i));
        stream.WriteInteger(StoredCode(item.CurveStyle));
        stream.WriteInteger(StoredCode(item.PStyle));
        stream.WriteInteger(StoredCode(item.DStyle));
        break;
    case rcControlPoints:
        for (std::int32_t i = 0; i < ControlPointQuadruples(item.ItemType, item.Count); ++i) {
            WritePoint(stream, EntryOrZero(item.C1, i));
            WritePoint(stream, EntryOrZero(item.C2, i));
        }
        break;
    default:
        break;
    }
}

void ReadItemFields(TFileStreamEx& stream, TRecordCode code, TItemObject* item)
{
    // Fixed-size fields go through scratch values, so a record cut short
    // changes nothing.
    std::int32_t a = 0;
    std::int32_t b = 0;
    std::int32_t c = 0;
    float fa = 0;
    float fb = 0;
    bool flag = false;
    switch (code) {
    case rcPosition:
        stream.ReadInteger(a);
        stream.ReadInteger(b);
        CheckStream(stream);
        if (item) {
            item->X = a;
            item->Y = b;
        }
        break;
    case rcStretch:
        stream.ReadFloat(fa);
        stream.ReadFloat(fb);
        CheckStream(stream);
        if (item) {
            item->StretchX = fa;
            item->StretchY = fb;
        }
        break;
    case rcRoll:
        stream.ReadInteger(a);
        CheckStream(stream);
        if (item)
            item->Roll = a;
        break;
    case rcPriority:
        stream.ReadInteger(a);
        CheckStream(stream);
        if (item)
            item->Priority = a;
        break;
    case rcBrush:
        stream.ReadInteger(a);
        stream.ReadInteger(b);
        CheckStream(stream);
        if (item) {
            item->Brush.Color = static_cast<TColor>(a);
            item->Brush.Style = BrushStyleFromOrdinal(b & 0xFF);
        }
        break;
    case rcPen:
        stream.ReadInteger(a);
        stream.ReadInteger(b);
        stream.ReadInteger(c);
        CheckStream(stream);
        if (item) {
            item->Pen.Color = static_cast<TColor>(a);
            item->Pen.Style = PenStyleFromOrdinal(b & 0xFF);
            item->Pen.Width = c;
        }
        break;
    case rcActive:
        stream.ReadBool(flag);
        CheckStream(stream);
        if (item)
            item->Active = flag;
        break;
    case rcText:
        ReadText(stream, item);
        break;
    case rcPoints:
        ReadPoints(stream, item);
        break;
    case rcControlPoints:
        ReadControlPoints(stream, item);
        break;
    default:
        break;
    }
}

} // namespace qm
