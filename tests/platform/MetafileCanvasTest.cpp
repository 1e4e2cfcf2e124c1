#include "MetafileTestSupport.h"

#include "platform/ShiftJis.h"
#include "qtplatform/Bitmap.h"
#include "qtplatform/MetafileCanvas.h"
#include "qtplatform/RasterFonts.h"

#include <QFontMetricsF>

#include <uemf.h>

#include <array>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qm::test {
namespace {

using TKind = TCanvasCall::TKind;

struct TRecord {
    std::uint32_t type = 0;
    std::vector<char> bytes;

    template <typename T>
    T As() const
    {
        T value{};
        std::memcpy(&value, bytes.data(), std::min(sizeof(T), bytes.size()));
        return value;
    }
    std::uint32_t Word(std::size_t offset) const
    {
        std::uint32_t value = 0;
        std::memcpy(&value, bytes.data() + offset, sizeof(value));
        return value;
    }
};

// The records of a metafile in order, each checked to lie within the file.
std::vector<TRecord> Records(const std::vector<char>& file)
{
    std::vector<TRecord> records;
    std::size_t at = 0;
    while (at + 8 <= file.size()) {
        std::uint32_t type = 0;
        std::uint32_t size = 0;
        std::memcpy(&type, file.data() + at, 4);
        std::memcpy(&size, file.data() + at + 4, 4);
        EXPECT_GE(size, 8u);
        EXPECT_EQ(size % 4, 0u);
        EXPECT_LE(at + size, file.size());
        if (size < 8 || at + size > file.size())
            break;
        records.push_back({type, std::vector<char>(file.data() + at, file.data() + at + size)});
        at += size;
        if (type == U_EMR_EOF)
            break;
    }
    EXPECT_EQ(at, file.size()) << "bytes after the end-of-file record";
    return records;
}

std::vector<TRecord> RecordsOf(const std::vector<TRecord>& records, std::uint32_t type)
{
    std::vector<TRecord> selected;
    for (const TRecord& record : records) {
        if (record.type == type)
            selected.push_back(record);
    }
    return selected;
}

enum class TObjectKind { Pen, Brush, Font };

std::optional<TObjectKind> StockKind(std::uint32_t handle)
{
    switch (handle & ~U_STOCK_OBJECT) {
    case 0: case 1: case 2: case 3: case 4: case 5:
        return TObjectKind::Brush;
    case 6: case 7: case 8:
        return TObjectKind::Pen;
    case 10: case 11: case 12: case 13: case 14: case 16: case 17:
        return TObjectKind::Font;
    default:
        return std::nullopt;
    }
}

// The life of every object as a reader's handle table sees it: each is
// created on a free place inside the header's table, selected only while it
// exists, never deleted while selected, and gone by the end of the file.
struct TObjectAudit {
    int created = 0;
    std::size_t mostAlive = 0;
    std::vector<std::string> faults;
};

TObjectAudit AuditObjects(const std::vector<TRecord>& records)
{
    TObjectAudit audit;
    const std::uint32_t tableSize = records.front().As<U_EMRHEADER>().nHandles;
    std::map<std::uint32_t, TObjectKind> alive;
    std::map<TObjectKind, std::uint32_t> selected;
    const auto fault = [&](const std::string& what, std::uint32_t handle) {
        audit.faults.push_back(what + " " + std::to_string(handle));
    };
    const auto create = [&](std::uint32_t handle, TObjectKind kind) {
        ++audit.created;
        if (handle == 0 || handle >= tableSize)
            fault("created outside the table:", handle);
        if (!alive.emplace(handle, kind).second)
            fault("created over a live object:", handle);
        audit.mostAlive = std::max(audit.mostAlive, alive.size());
    };
    for (const TRecord& record : records) {
        const std::uint32_t handle = record.bytes.size() >= 12 ? record.Word(8) : 0;
        switch (record.type) {
        case U_EMR_CREATEPEN:
        case U_EMR_EXTCREATEPEN:
            create(handle, TObjectKind::Pen);
            break;
        case U_EMR_CREATEBRUSHINDIRECT:
            create(handle, TObjectKind::Brush);
            break;
        case U_EMR_EXTCREATEFONTINDIRECTW:
            create(handle, TObjectKind::Font);
            break;
        case U_EMR_SELECTOBJECT:
            if (handle & U_STOCK_OBJECT) {
                if (const auto kind = StockKind(handle))
                    selected[*kind] = handle;
                else
                    fault("unknown stock object:", handle);
            } else if (const auto found = alive.find(handle); found != alive.end()) {
                selected[found->second] = handle;
            } else {
                fault("selected without existing:", handle);
            }
            break;
        case U_EMR_DELETEOBJECT:
            if (const auto found = alive.find(handle); found == alive.end())
                fault("deleted without existing:", handle);
            else if (selected[found->second] == handle)
                fault("deleted while selected:", handle);
            else
                alive.erase(found);
            break;
        default:
            break;
        }
    }
    for (const auto& [handle, kind] : alive)
        fault("never deleted:", handle);
    return audit;
}

std::vector<TCanvasCall> PlayedCalls(const std::vector<char>& file)
{
    return Played(QByteArray(file.data(), static_cast<qsizetype>(file.size())), TMetafileFormat::Enhanced);
}

// Every kind of call the metafile records.
void DrawSample(TCanvas& canvas)
{
    canvas.SetPen({clRed, 1, psSolid, TPenMode::pmCopy});
    canvas.MoveTo(10, 10);
    canvas.LineTo(50, 10);
    canvas.LineTo(50, 40);
    canvas.SetPen({RGB(0, 128, 0), 5, psSolid, TPenMode::pmCopy});
    canvas.MoveTo(70, 70);
    canvas.LineTo(90, 110);
    canvas.SetBrush({clBlue, bsCross});
    canvas.Polygon(Points({{100, 100}, {140, 100}, {120, 130}}));
    canvas.SetPen({clBlack, 1, psClear, TPenMode::pmCopy});
    canvas.SetBrush({RGB(200, 100, 0), bsSolid});
    canvas.Polygon(Points({{-5, 200}, {390, 200}, {30, 250}}));
    canvas.SetPen({clWindowText, 2, psDash, TPenMode::pmCopy});
    canvas.Polyline(Points({{5, 300}, {60, 320}, {90, 300}}));
    canvas.SetBrush({clLime, bsClear});
    canvas.Rectangle(150, 10, 190, 50);
    canvas.SetBrush({clLime, bsFDiagonal});
    canvas.Ellipse(200, 10, 260, 40);
    TFont font;
    font.Name = Utf8ToCp932("ＭＳ Ｐゴシック");
    font.Height = -16;
    font.Style = fsBold | fsItalic | fsUnderline | fsStrikeOut;
    font.Color = RGB(10, 20, 30);
    canvas.SetFont(font, -450);
    canvas.TextOut(300, 200, Utf8ToCp932("ご"));
    canvas.TextOut(316, 216, "A");
}

TEST(MetafileCanvasTest, HeaderDescribesTheCanvasSizeOnANinetySixDpiDevice)
{
    for (const auto& [width, height] : {std::pair{400, 300}, std::pair{960, 97}, std::pair{1, 1}}) {
        TMetafileCanvas canvas(width, height);
        DrawSample(canvas);
        const std::vector<char> file = canvas.Finish();
        const std::vector<TRecord> records = Records(file);
        ASSERT_FALSE(records.empty());
        ASSERT_EQ(records.front().type, static_cast<std::uint32_t>(U_EMR_HEADER));
        EXPECT_EQ(records.back().type, static_cast<std::uint32_t>(U_EMR_EOF));
        const auto header = records.front().As<U_EMRHEADER>();
        EXPECT_EQ(header.dSignature, static_cast<std::uint32_t>(U_ENHMETA_SIGNATURE));
        EXPECT_EQ(header.nBytes, file.size());
        EXPECT_EQ(header.nRecords, records.size());
        // Bounds in pixels and frame in hundredths of a millimetre, far corner
        // inside, on a device of 96 pixels per inch.
        EXPECT_EQ(header.rclBounds.left, 0);
        EXPECT_EQ(header.rclBounds.top, 0);
        EXPECT_EQ(header.rclBounds.right, width - 1);
        EXPECT_EQ(header.rclBounds.bottom, height - 1);
        EXPECT_EQ(header.rclFrame.left, 0);
        EXPECT_EQ(header.rclFrame.top, 0);
        EXPECT_NEAR(header.rclFrame.right + 1, width * 2540.0 / 96, 1);
        EXPECT_NEAR(header.rclFrame.bottom + 1, height * 2540.0 / 96, 1);
        EXPECT_EQ(header.szlDevice.cx * 254, header.szlMillimeters.cx * 960);
        EXPECT_EQ(header.szlDevice.cy * 254, header.szlMillimeters.cy * 960);
        EXPECT_EQ(header.szlMicrometers.cx, header.szlMillimeters.cx * 1000);

        std::string error;
        const auto info = ReadEnhancedMetafile(std::span(file.data(), file.size()), error);
        ASSERT_TRUE(info) << error;
        EXPECT_EQ(info->Frame.PixelWidth, width);
        EXPECT_EQ(info->Frame.PixelHeight, height);
    }
}

TEST(MetafileCanvasTest, PlayedBackTheMetafileGivesTheDrawnCalls)
{
    TMetafileCanvas canvas(400, 400);
    DrawSample(canvas);
    TRecordingCanvas expected;
    DrawSample(expected);
    const std::vector<TCanvasCall> played = PlayedCalls(canvas.Finish());

    const std::vector<TCanvasCall> lines = CallsOf(played, TKind::LineTo);
    const std::vector<TCanvasCall> drawnLines = expected.CallsOf(TKind::LineTo);
    ASSERT_EQ(lines.size(), drawnLines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].Points, drawnLines[i].Points) << i;
        EXPECT_EQ(lines[i].Pen.Color, ColorToRGB(drawnLines[i].Pen.Color)) << i;
        EXPECT_EQ(lines[i].Pen.Width, drawnLines[i].Pen.Width) << i;
    }
    for (const TKind kind : {TKind::Polygon, TKind::Polyline, TKind::Rectangle, TKind::Ellipse}) {
        const std::vector<TCanvasCall> shapes = CallsOf(played, kind);
        const std::vector<TCanvasCall> drawnShapes = expected.CallsOf(kind);
        ASSERT_EQ(shapes.size(), drawnShapes.size()) << static_cast<int>(kind);
        for (std::size_t i = 0; i < shapes.size(); ++i) {
            EXPECT_EQ(shapes[i].Points, drawnShapes[i].Points);
            EXPECT_EQ(shapes[i].Pen.Style, drawnShapes[i].Pen.Style);
            EXPECT_EQ(shapes[i].Pen.Color, ColorToRGB(drawnShapes[i].Pen.Color));
            if (kind != TKind::Polyline) {
                EXPECT_EQ(shapes[i].Brush.Style, drawnShapes[i].Brush.Style);
                if (drawnShapes[i].Brush.Style != bsClear) {
                    EXPECT_EQ(shapes[i].Brush.Color, drawnShapes[i].Brush.Color);
                }
            }
        }
    }
    const std::vector<TCanvasCall> texts = CallsOf(played, TKind::TextOut);
    const std::vector<TCanvasCall> drawnTexts = expected.CallsOf(TKind::TextOut);
    ASSERT_EQ(texts.size(), drawnTexts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(texts[i].Points, drawnTexts[i].Points);
        EXPECT_EQ(texts[i].Text, drawnTexts[i].Text);
        EXPECT_EQ(texts[i].Font.Name, drawnTexts[i].Font.Name);
        EXPECT_EQ(texts[i].Font.Height, drawnTexts[i].Font.Height);
        EXPECT_EQ(texts[i].Font.Style, drawnTexts[i].Font.Style);
        EXPECT_EQ(texts[i].Font.Color, drawnTexts[i].Font.Color);
        EXPECT_EQ(texts[i].Escapement, drawnTexts[i].Escapement);
    }
}

TEST(MetafileCanvasTest, ObjectsAreReusedAndEveryOneIsDeselectedAndDeleted)
{
    // Two pens and two brushes taking turns are made once each.
    TMetafileCanvas alternating(100, 100);
    for (int i = 0; i < 50; ++i) {
        alternating.SetPen({i % 2 ? clRed : clBlue, 3, psSolid, TPenMode::pmCopy});
        alternating.SetBrush({i % 2 ? clLime : clBlack, i % 2 ? bsSolid : bsCross});
        alternating.Polygon(Points({{0, 0}, {10, i}, {20, 0}}));
        alternating.SetPen({clBlack, 1, psClear, TPenMode::pmCopy});
        alternating.Polygon(Points({{0, 0}, {10, i}, {20, 0}}));
    }
    const std::vector<TRecord> records = Records(alternating.Finish());
    const TObjectAudit audit = AuditObjects(records);
    EXPECT_TRUE(audit.faults.empty()) << ::testing::PrintToString(audit.faults);
    EXPECT_EQ(audit.created, 4);
    EXPECT_EQ(RecordsOf(records, U_EMR_EXTCREATEPEN).size(), 2u);

    // Many pens, brushes and fonts: a bounded number alive at once, the
    // table large enough for them, none left over.
    TMetafileCanvas many(100, 100);
    for (int i = 0; i < 40; ++i) {
        many.SetPen({RGB(i, 0, 0), 1 + i % 3, psSolid, TPenMode::pmCopy});
        many.SetBrush({RGB(0, i, 0), bsSolid});
        many.Rectangle(i, i, i + 10, i + 10);
        TFont font;
        font.Height = -10 - i;
        many.SetFont(font, i * 10);
        many.TextOut(i, i, "x");
    }
    const TObjectAudit manyAudit = AuditObjects(Records(many.Finish()));
    EXPECT_TRUE(manyAudit.faults.empty()) << ::testing::PrintToString(manyAudit.faults);
    EXPECT_EQ(manyAudit.created, 120);
    EXPECT_LE(manyAudit.mostAlive, 3u * 8u);
}

TEST(MetafileCanvasTest, PensBrushesAndFontsAreWrittenAsGdiDescribesThem)
{
    TMetafileCanvas canvas(100, 100);
    canvas.SetPen({RGB(1, 2, 3), 1, psDot, TPenMode::pmCopy});
    canvas.MoveTo(0, 0);
    canvas.LineTo(10, 10);
    canvas.SetPen({RGB(4, 5, 6), 7, psSolid, TPenMode::pmCopy});
    canvas.LineTo(20, 10);
    canvas.SetBrush({RGB(7, 8, 9), bsBDiagonal});
    canvas.Polygon(Points({{0, 0}, {10, 0}, {5, 5}}));
    TFont font;
    font.Name = Utf8ToCp932("ＭＳ 明朝");
    font.Height = -20;
    font.Style = fsBold | fsUnderline;
    canvas.SetFont(font, 900);
    canvas.TextOut(30, 40, Utf8ToCp932("漢"));
    const std::vector<TRecord> records = Records(canvas.Finish());

    const std::vector<TRecord> thin = RecordsOf(records, U_EMR_CREATEPEN);
    ASSERT_EQ(thin.size(), 1u);
    const U_LOGPEN logPen = thin[0].As<U_EMRCREATEPEN>().lopn;
    EXPECT_EQ(logPen.lopnStyle, static_cast<std::uint32_t>(U_PS_DOT));
    EXPECT_EQ(logPen.lopnWidth.x, 1);
    EXPECT_EQ(logPen.lopnColor.Red, 1);
    EXPECT_EQ(logPen.lopnColor.Blue, 3);

    // Some readers draw a plain pen one pixel wide: wide pens are geometric.
    const std::vector<TRecord> wide = RecordsOf(records, U_EMR_EXTCREATEPEN);
    ASSERT_EQ(wide.size(), 1u);
    const U_EXTLOGPEN extPen = wide[0].As<U_EMREXTCREATEPEN>().elp;
    EXPECT_EQ(extPen.elpPenStyle,
              static_cast<std::uint32_t>(U_PS_GEOMETRIC | U_PS_SOLID | U_PS_ENDCAP_ROUND | U_PS_JOIN_ROUND));
    EXPECT_EQ(extPen.elpWidth, 7u);
    EXPECT_EQ(extPen.elpBrushStyle, static_cast<std::uint32_t>(U_BS_SOLID));
    EXPECT_EQ(extPen.elpColor.Green, 5);

    const std::vector<TRecord> brushes = RecordsOf(records, U_EMR_CREATEBRUSHINDIRECT);
    ASSERT_EQ(brushes.size(), 1u);
    const U_LOGBRUSH logBrush = brushes[0].As<U_EMRCREATEBRUSHINDIRECT>().lb;
    EXPECT_EQ(logBrush.lbStyle, static_cast<std::uint32_t>(U_BS_HATCHED));
    EXPECT_EQ(logBrush.lbHatch, U_HS_BDIAGONAL);
    EXPECT_EQ(logBrush.lbColor.Blue, 9);

    const std::vector<TRecord> fonts = RecordsOf(records, U_EMR_EXTCREATEFONTINDIRECTW);
    ASSERT_EQ(fonts.size(), 1u);
    const U_LOGFONT logFont = fonts[0].As<U_EMREXTCREATEFONTINDIRECTW>().elfw.elfLogFont;
    EXPECT_EQ(logFont.lfHeight, -20);
    EXPECT_EQ(logFont.lfEscapement, 900);
    EXPECT_EQ(logFont.lfOrientation, 900);
    EXPECT_EQ(logFont.lfWeight, U_FW_BOLD);
    EXPECT_EQ(logFont.lfItalic, 0);
    EXPECT_EQ(logFont.lfUnderline, 1);
    EXPECT_EQ(logFont.lfCharSet, U_SHIFTJIS_CHARSET);
    const std::u16string face = u"ＭＳ 明朝";
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(logFont.lfFaceName), face.size() + 1),
              face + u'\0');

    // The text is UTF-16 with the advance the raster canvas measures.
    const std::vector<TRecord> texts = RecordsOf(records, U_EMR_EXTTEXTOUTW);
    ASSERT_EQ(texts.size(), 1u);
    const auto text = texts[0].As<U_EMREXTTEXTOUTW>();
    EXPECT_EQ(text.emrtext.ptlReference.x, 30);
    EXPECT_EQ(text.emrtext.ptlReference.y, 40);
    ASSERT_EQ(text.emrtext.nChars, 1u);
    char16_t unit = 0;
    std::memcpy(&unit, texts[0].bytes.data() + text.emrtext.offString, 2);
    EXPECT_EQ(unit, u'漢');
    std::uint32_t advance = 0;
    std::uint32_t offDx = 0;
    std::memcpy(&offDx, texts[0].bytes.data() + offsetof(U_EMREXTTEXTOUTW, emrtext) + sizeof(U_EMRTEXT)
                             + sizeof(U_RECTL), 4);
    std::memcpy(&advance, texts[0].bytes.data() + offDx, 4);
    TBitmap raster(10, 10);
    raster.Canvas().SetFont(font);
    EXPECT_EQ(static_cast<std::int32_t>(advance), raster.Canvas().TextWidth(Utf8ToCp932("漢")));
}

TEST(MetafileCanvasTest, TextMeasuresAsOnTheRasterCanvas)
{
    TMetafileCanvas canvas(10, 10);
    TBitmap raster(10, 10);
    for (const char* face : {"ＭＳ Ｐゴシック", "ＭＳ ゴシック", "ＭＳ 明朝", ""}) {
        for (const TFontStyles style : {TFontStyles{0}, TFontStyles{fsBold}, TFontStyles{fsItalic | fsUnderline}}) {
            TFont font;
            font.Name = Utf8ToCp932(face);
            font.Height = -13;
            font.Style = style;
            canvas.SetFont(font, 300);
            raster.Canvas().SetFont(font, 300);
            const std::string text = Utf8ToCp932("Wide ごみ箱 iIl1 ①～");
            EXPECT_EQ(canvas.TextWidth(text), raster.Canvas().TextWidth(text)) << face;
            EXPECT_GT(canvas.TextWidth(text), 0);
            // Ascent and descent, which place text by its baseline, unrounded
            // as Qt gives them for the font.
            const TTextMetrics metrics = raster.Canvas().TextMetrics();
            const QFontMetricsF qt(ToQFont(font));
            EXPECT_EQ(metrics.Ascent, qt.ascent()) << face;
            EXPECT_EQ(metrics.Descent, qt.descent()) << face;
            EXPECT_GT(metrics.Ascent, metrics.Descent) << face;
            EXPECT_GT(metrics.Descent, 0) << face;
            EXPECT_EQ(canvas.TextMetrics().Ascent, metrics.Ascent) << face;
            EXPECT_EQ(canvas.TextMetrics().Descent, metrics.Descent) << face;
        }
    }
}

TEST(MetafileCanvasTest, PlayedOntoARasterCanvasFillsAndLinesCoverTheSamePixels)
{
    const auto draw = [](TCanvas& canvas) {
        canvas.SetBrush({clBlue, bsSolid});
        canvas.FillRect(3, 4, 20, 30);
        canvas.SetBrush({clRed, bsDiagCross});
        canvas.FillRect(25, 4, 60, 30);
        canvas.SetPen({clLime, 1, psSolid, TPenMode::pmCopy});
        canvas.MoveTo(5, 40);
        canvas.LineTo(55, 52);
        canvas.SetPen({clBlack, 4, psSolid, TPenMode::pmCopy});
        canvas.LineTo(20, 58);
        canvas.SetPen({clBlack, 1, psClear, TPenMode::pmCopy});
        canvas.SetBrush({RGB(1, 2, 250), bsSolid});
        canvas.Polygon(Points({{40, 35}, {62, 38}, {50, 62}}));
    };
    TBitmap expected(64, 64);
    expected.Canvas().SetBrush({clWhite, bsSolid});
    expected.Canvas().FillRect(0, 0, 64, 64);
    draw(expected.Canvas());
    TMetafileCanvas recording(64, 64);
    draw(recording);
    const std::vector<char> file = recording.Finish();
    TBitmap played(64, 64);
    played.Canvas().SetBrush({clWhite, bsSolid});
    played.Canvas().FillRect(0, 0, 64, 64);
    ReadPicture(QByteArray(file.data(), static_cast<qsizetype>(file.size())), TMetafileFormat::Enhanced)
        ->DrawOn(played.Canvas(), 0, 0);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(played.Pixel(x, y), expected.Pixel(x, y)) << x << "," << y;
    }
}

TEST(MetafileCanvasTest, BitmapsAreRecordedAsDeviceIndependentPixels)
{
    TBitmap bitmap(3, 2);
    bitmap.Canvas().SetBrush({RGB(10, 20, 30), bsSolid});
    bitmap.Canvas().FillRect(0, 0, 3, 2);
    bitmap.Canvas().SetBrush({RGB(200, 100, 50), bsSolid});
    bitmap.Canvas().FillRect(2, 0, 3, 1);
    TMetafileCanvas canvas(50, 50);
    canvas.DrawBitmap(7, 9, bitmap);
    const std::vector<TRecord> records = RecordsOf(Records(canvas.Finish()), U_EMR_STRETCHDIBITS);
    ASSERT_EQ(records.size(), 1u);
    const auto stretch = records[0].As<U_EMRSTRETCHDIBITS>();
    EXPECT_EQ(stretch.Dest.x, 7);
    EXPECT_EQ(stretch.Dest.y, 9);
    EXPECT_EQ(stretch.cDest.x, 3);
    EXPECT_EQ(stretch.cDest.y, 2);
    const auto info = [&] {
        U_BITMAPINFOHEADER header{};
        std::memcpy(&header, records[0].bytes.data() + stretch.offBmiSrc, sizeof(header));
        return header;
    }();
    EXPECT_EQ(info.biWidth, 3);
    EXPECT_EQ(info.biHeight, 2);
    EXPECT_EQ(info.biBitCount, 24);
    // Rows run bottom-up, 4-byte aligned, blue first: the top row's last pixel.
    const char* pixels = records[0].bytes.data() + stretch.offBitsSrc;
    const int rowBytes = 12;
    EXPECT_EQ(static_cast<unsigned char>(pixels[rowBytes + 6]), 50);
    EXPECT_EQ(static_cast<unsigned char>(pixels[rowBytes + 8]), 200);
    EXPECT_EQ(static_cast<unsigned char>(pixels[0]), 30);
}

TEST(MetafileCanvasTest, PointsBeyondSixteenBitsTakeTheLongRecords)
{
    TMetafileCanvas canvas(100, 100);
    const std::vector<TCanvasPoint> small = Points({{-5, 20}, {32767, 20}, {30, -32768}});
    const std::vector<TCanvasPoint> far = Points({{-5, 20}, {40000, 20}, {30, 25}});
    canvas.Polygon(small);
    canvas.Polygon(far);
    canvas.Polyline(far);
    const std::vector<TRecord> records = Records(canvas.Finish());
    const auto pointsOf = [](const TRecord& record, std::size_t offset, std::size_t count, std::size_t coordinate) {
        std::vector<TCanvasPoint> points;
        for (std::size_t i = 0; i < count; ++i) {
            std::int32_t xy[2] = {0, 0};
            for (std::size_t k = 0; k < 2; ++k) {
                if (coordinate == 2) {
                    std::int16_t value = 0;
                    std::memcpy(&value, record.bytes.data() + offset + (2 * i + k) * 2, 2);
                    xy[k] = value;
                } else {
                    std::memcpy(&xy[k], record.bytes.data() + offset + (2 * i + k) * 4, 4);
                }
            }
            points.push_back({xy[0], xy[1]});
        }
        return points;
    };
    const std::vector<TRecord> short16 = RecordsOf(records, U_EMR_POLYGON16);
    ASSERT_EQ(short16.size(), 1u);
    EXPECT_EQ(pointsOf(short16[0], offsetof(U_EMRPOLYGON16, apts), 3, 2), small);
    const std::vector<TRecord> long32 = RecordsOf(records, U_EMR_POLYGON);
    ASSERT_EQ(long32.size(), 1u);
    EXPECT_EQ(pointsOf(long32[0], offsetof(U_EMRPOLYGON, aptl), 3, 4), far);
    const auto bounds = long32[0].As<U_EMRPOLYGON>().rclBounds;
    EXPECT_EQ(bounds.left, -5);
    EXPECT_EQ(bounds.right, 40000);
    EXPECT_EQ(bounds.bottom, 25);
    ASSERT_EQ(RecordsOf(records, U_EMR_POLYLINE).size(), 1u);
}

TEST(MetafileCanvasTest, ZeroLengthLinesAndFinishedCanvasesRecordNothing)
{
    TMetafileCanvas canvas(0, -5);
    EXPECT_EQ(canvas.Width(), 1);
    EXPECT_EQ(canvas.Height(), 1);
    canvas.MoveTo(4, 4);
    canvas.LineTo(4, 4);
    const std::vector<char> file = canvas.Finish();
    EXPECT_TRUE(RecordsOf(Records(file), U_EMR_LINETO).empty());
    EXPECT_TRUE(CallsOf(PlayedCalls(file), TKind::LineTo).empty());
    canvas.LineTo(8, 8);
    EXPECT_TRUE(canvas.Finish().empty());
}

} // namespace
} // namespace qm::test
