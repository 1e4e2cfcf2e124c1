#include "MetafileTestSupport.h"

#include "platform/ShiftJis.h"

#include <uemf_utf.h>

#include <cmath>
#include <cstdlib>

namespace qm::test {
namespace {

using TKind = TCanvasCall::TKind;

char* LogPen(std::uint32_t* index, EMFHANDLES* handles, std::uint32_t style, std::int32_t width, TColor color)
{
    return createpen_set(index, handles, logpen_set(style, point32_set(width, width), Colorref(color)));
}

char* WidePen(std::uint32_t* index, EMFHANDLES* handles, std::uint32_t width, TColor color)
{
    PU_EXTLOGPEN pen = extlogpen_set(U_PS_GEOMETRIC | U_PS_SOLID | U_PS_ENDCAP_ROUND | U_PS_JOIN_ROUND, width,
                                     U_BS_SOLID, Colorref(color), 0, 0, nullptr);
    char* record = extcreatepen_set(index, handles, nullptr, 0, nullptr, pen);
    std::free(pen);
    return record;
}

char* Brush(std::uint32_t* index, EMFHANDLES* handles, std::uint32_t style, TColor color, std::uint32_t hatch = 0)
{
    const U_LOGBRUSH brush = logbrush_set(style, Colorref(color), static_cast<std::int32_t>(hatch));
    return createbrushindirect_set(index, handles, brush);
}

char* Font(std::uint32_t* index, EMFHANDLES* handles, std::int32_t height, std::int32_t escapement,
           std::int32_t weight, std::uint8_t italic, const char* faceUtf8)
{
    uint16_t* face = U_Utf8ToUtf16le(faceUtf8, 0, nullptr);
    U_LOGFONT logfont = logfont_set(height, 0, escapement, escapement, weight, italic, 0, 0, U_SHIFTJIS_CHARSET, 0, 0,
                                    0, 0, face);
    std::free(face);
    return extcreatefontindirectw_set(index, handles, reinterpret_cast<const char*>(&logfont), nullptr);
}

// Text without advances gets an advance offset of 0, as some writers leave it.
// UTF-16 code units as they are, unpaired surrogates too.
char* TextW(std::int32_t x, std::int32_t y, std::u16string units, std::vector<std::uint32_t> advances)
{
    std::vector<std::uint32_t> written = advances;
    written.resize(units.size());
    char* emrtext = emrtext_set(pointl_set(x, y), static_cast<U_NUM_STR>(units.size()), 2, units.data(),
                                U_ETO_NO_RECT, U_RCL_DEF, written.data());
    char* record = U_EMREXTTEXTOUTW_set(U_RCL_DEF, U_GM_COMPATIBLE, 1, 1, reinterpret_cast<PU_EMRTEXT>(emrtext));
    std::free(emrtext);
    if (advances.empty())
        std::memset(record + offsetof(U_EMREXTTEXTOUTW, emrtext) + sizeof(U_EMRTEXT), 0, sizeof(U_OFFDX));
    return record;
}

char* TextW(std::int32_t x, std::int32_t y, const char* utf8, std::vector<std::uint32_t> advances)
{
    size_t length = 0;
    uint16_t* text = U_Utf8ToUtf16le(utf8, 0, &length);
    const std::u16string units(reinterpret_cast<const char16_t*>(text), length);
    std::free(text);
    return TextW(x, y, units, std::move(advances));
}

char* Box(std::uint32_t type, std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom)
{
    const U_RECTL box = rectl_set(pointl_set(left, top), pointl_set(right, bottom));
    return type == U_EMR_ELLIPSE ? U_EMRELLIPSE_set(box) : U_EMRRECTANGLE_set(box);
}

char* Polygon16(std::uint32_t type, std::vector<U_POINT16> points)
{
    const auto count = static_cast<std::uint32_t>(points.size());
    return type == U_EMR_POLYGON16 ? U_EMRPOLYGON16_set(U_RCL_DEF, count, points.data())
                                   : U_EMRPOLYLINE16_set(U_RCL_DEF, count, points.data());
}

void ExpectShape(const TCanvasCall& call, TKind kind, std::vector<TCanvasPoint> points)
{
    EXPECT_EQ(static_cast<int>(call.Kind), static_cast<int>(kind));
    EXPECT_EQ(call.Points, points);
}

TEST(MetafilePlayerTest, EmfPensBrushesAndShapesBecomeCanvasCalls)
{
    TEmfWriter emf(200, 100);
    emf.Add(U_EMRSETBKMODE_set(U_TRANSPARENT));
    const std::uint32_t dashPen = emf.Make([](auto* i, auto* h) { return LogPen(i, h, U_PS_DASH, 0, clRed); });
    emf.Add(selectobject_set(dashPen, emf.Handles()));
    emf.Add(selectobject_set(emf.Make([](auto* i, auto* h) { return Brush(i, h, U_BS_SOLID, clLime); }),
                             emf.Handles()));
    emf.Add(Box(U_EMR_RECTANGLE, 10, 20, 50, 60));
    emf.Add(selectobject_set(emf.Make([](auto* i, auto* h) { return WidePen(i, h, 5, clBlue); }), emf.Handles()));
    emf.Add(selectobject_set(emf.Make([](auto* i, auto* h) { return Brush(i, h, U_BS_HATCHED, clRed, U_HS_CROSS); }),
                             emf.Handles()));
    emf.Add(Box(U_EMR_ELLIPSE, 60, 10, 120, 50));
    emf.Add(Polygon16(U_EMR_POLYGON16, {{10, 70}, {40, 90}, {5, 95}}));
    emf.Add(selectobject_set(U_NULL_PEN, emf.Handles()));
    emf.Add(Polygon16(U_EMR_POLYLINE16, {{0, 0}, {5, 5}}));
    emf.Add(selectobject_set(dashPen, emf.Handles()));
    emf.Add(U_EMRMOVETOEX_set(pointl_set(100, 80)));
    emf.Add(U_EMRLINETO_set(pointl_set(150, 85)));
    emf.Add(selectobject_set(U_NULL_BRUSH, emf.Handles()));
    const U_POINTL triangle[] = {{150, 10}, {190, 10}, {170, 40}};
    emf.Add(U_EMRPOLYGON_set(U_RCL_DEF, 3, triangle));

    const QByteArray bytes = emf.Finish();
    const std::vector<TCanvasCall> calls = Played(bytes, TMetafileFormat::Enhanced);
    ASSERT_EQ(calls.size(), 7u);
    ExpectShape(calls[0], TKind::Rectangle, {{10, 20}, {50, 60}});
    EXPECT_EQ(calls[0].Pen, (TPen{clRed, 1, psDash, TPenMode::pmCopy}));
    EXPECT_EQ(calls[0].Brush, (TBrush{clLime, bsSolid}));
    ExpectShape(calls[1], TKind::Ellipse, {{60, 10}, {120, 50}});
    EXPECT_EQ(calls[1].Pen, (TPen{clBlue, 5, psSolid, TPenMode::pmCopy}));
    EXPECT_EQ(calls[1].Brush, (TBrush{clRed, bsCross}));
    ExpectShape(calls[2], TKind::Polygon, {{10, 70}, {40, 90}, {5, 95}});
    EXPECT_EQ(calls[2].Pen.Width, 5);
    ExpectShape(calls[3], TKind::Polyline, {{0, 0}, {5, 5}});
    EXPECT_EQ(calls[3].Pen.Style, psClear);
    ExpectShape(calls[4], TKind::MoveTo, {{100, 80}});
    ExpectShape(calls[5], TKind::LineTo, {{100, 80}, {150, 85}});
    EXPECT_EQ(calls[5].Pen, (TPen{clRed, 1, psDash, TPenMode::pmCopy}));
    ExpectShape(calls[6], TKind::Polygon, {{150, 10}, {190, 10}, {170, 40}});
    EXPECT_EQ(calls[6].Brush.Style, bsClear);

    // The canvas's own pen and brush are back after playing.
    TRecordingCanvas canvas;
    const TPen gridPen{clSilver, 1, psSolid, TPenMode::pmCopy};
    canvas.SetPen(gridPen);
    canvas.SetBrush({clLime, bsSolid});
    ReadPicture(bytes, TMetafileFormat::Enhanced)->DrawOn(canvas, 0, 0);
    EXPECT_EQ(canvas.Pen(), gridPen);
    EXPECT_EQ(canvas.Brush(), (TBrush{clLime, bsSolid}));
}

TEST(MetafilePlayerTest, EmfHatchOnAnOpaqueBackgroundFillsItsGapsWithTheBackgroundColour)
{
    TEmfWriter emf(100, 100);
    emf.Add(U_EMRSETBKCOLOR_set(Colorref(clSilver)));
    const std::uint32_t hatch =
        emf.Make([](auto* i, auto* h) { return Brush(i, h, U_BS_HATCHED, clRed, U_HS_BDIAGONAL); });
    emf.Add(selectobject_set(hatch, emf.Handles()));
    emf.Add(Box(U_EMR_RECTANGLE, 0, 0, 40, 40));

    const std::vector<TCanvasCall> calls = Played(emf.Finish(), TMetafileFormat::Enhanced);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].Brush, (TBrush{clSilver, bsSolid}));
    EXPECT_EQ(calls[0].Pen.Style, psClear);
    EXPECT_EQ(calls[1].Brush, (TBrush{clRed, bsBDiagonal}));
    EXPECT_EQ(calls[1].Pen, TPen{});
    EXPECT_EQ(calls[0].Points, calls[1].Points);
}

TEST(MetafilePlayerTest, EmfMapModesWindowAndViewportPlaceTheLogicalUnits)
{
    TEmfWriter emf(200, 100);
    emf.Add(U_EMRSETMAPMODE_set(U_MM_ANISOTROPIC));
    emf.Add(U_EMRSETWINDOWORGEX_set(pointl_set(100, 100)));
    emf.Add(U_EMRSETWINDOWEXTEX_set(sizel_set(1000, 1000)));
    emf.Add(U_EMRSETVIEWPORTORGEX_set(pointl_set(10, 5)));
    emf.Add(U_EMRSETVIEWPORTEXTEX_set(sizel_set(100, 50)));
    emf.Add(selectobject_set(emf.Make([](auto* i, auto* h) { return LogPen(i, h, U_PS_SOLID, 40, clBlack); }),
                             emf.Handles()));
    emf.Add(Box(U_EMR_RECTANGLE, 100, 100, 600, 900));
    // Isotropic keeps the smaller scale on both axes.
    emf.Add(U_EMRSETMAPMODE_set(U_MM_ISOTROPIC));
    emf.Add(U_EMRSETWINDOWORGEX_set(pointl_set(0, 0)));
    emf.Add(U_EMRSETVIEWPORTORGEX_set(pointl_set(0, 0)));
    emf.Add(U_EMRSETWINDOWEXTEX_set(sizel_set(100, 100)));
    emf.Add(U_EMRSETVIEWPORTEXTEX_set(sizel_set(50, 200)));
    emf.Add(Box(U_EMR_ELLIPSE, 0, 0, 100, 100));
    // Fixed modes: 0.01 mm units with the y axis pointing up.
    emf.Add(U_EMRSETMAPMODE_set(U_MM_HIMETRIC));
    emf.Add(U_EMRSETVIEWPORTORGEX_set(pointl_set(0, 100)));
    emf.Add(Box(U_EMR_RECTANGLE, 0, 0, 1000, 1000));

    const std::vector<TCanvasCall> calls = Played(emf.Finish(), TMetafileFormat::Enhanced);
    ASSERT_EQ(calls.size(), 3u);
    ExpectShape(calls[0], TKind::Rectangle, {{10, 5}, {60, 45}});
    EXPECT_EQ(calls[0].Pen.Width, 4);
    ExpectShape(calls[1], TKind::Ellipse, {{0, 0}, {50, 50}});
    // 1000 hundredths of a millimetre are 37.8 pixels at 96 per inch.
    ExpectShape(calls[2], TKind::Rectangle, {{0, 62}, {38, 100}});
}

TEST(MetafilePlayerTest, EmfSavedStatesComeBackWithTheirObjectsAndMapping)
{
    TEmfWriter emf(100, 100);
    emf.Add(selectobject_set(emf.Make([](auto* i, auto* h) { return LogPen(i, h, U_PS_SOLID, 0, clRed); }),
                             emf.Handles()));
    emf.Add(U_EMRSAVEDC_set());
    emf.Add(selectobject_set(emf.Make([](auto* i, auto* h) { return WidePen(i, h, 3, clBlue); }), emf.Handles()));
    emf.Add(U_EMRSETWINDOWORGEX_set(pointl_set(-20, -10)));
    emf.Add(U_EMRSAVEDC_set());
    emf.Add(Box(U_EMR_RECTANGLE, 0, 0, 10, 10));
    emf.Add(U_EMRRESTOREDC_set(-7)); // deeper than saved: ignored
    emf.Add(U_EMRRESTOREDC_set(1));  // the first saved state, dropping both
    emf.Add(Box(U_EMR_RECTANGLE, 0, 0, 10, 10));
    emf.Add(U_EMRRESTOREDC_set(-1)); // nothing saved any more
    emf.Add(Box(U_EMR_RECTANGLE, 0, 0, 10, 10));

    const std::vector<TCanvasCall> calls = Played(emf.Finish(), TMetafileFormat::Enhanced);
    ASSERT_EQ(calls.size(), 3u);
    ExpectShape(calls[0], TKind::Rectangle, {{20, 10}, {30, 20}});
    EXPECT_EQ(calls[0].Pen.Color, clBlue);
    ExpectShape(calls[1], TKind::Rectangle, {{0, 0}, {10, 10}});
    EXPECT_EQ(calls[1].Pen.Color, clRed);
    EXPECT_EQ(calls[2].Pen.Color, clRed);
}

TEST(MetafilePlayerTest, EmfTextTurnsWithTheEscapementAndUsesTheRecordsAdvances)
{
    TEmfWriter emf(200, 100);
    emf.Add(U_EMRSETBKMODE_set(U_TRANSPARENT));
    emf.Add(U_EMRSETTEXTCOLOR_set(Colorref(clBlue)));
    emf.Add(selectobject_set(
        emf.Make([](auto* i, auto* h) { return Font(i, h, -24, 900, U_FW_BOLD, 1, "ＭＳ ゴシック"); }),
        emf.Handles()));
    emf.Add(TextW(50, 80, "Aあ", {10, 20}));

    const std::vector<TCanvasCall> calls = Played(emf.Finish(), TMetafileFormat::Enhanced);
    ASSERT_EQ(calls.size(), 2u);
    ExpectShape(calls[0], TKind::TextOut, {{50, 80}});
    EXPECT_EQ(calls[0].Text, "A");
    // Turned a quarter counter-clockwise, the second character sits above.
    ExpectShape(calls[1], TKind::TextOut, {{50, 70}});
    EXPECT_EQ(calls[1].Text, Utf8ToCp932("あ"));
    const TFont& font = calls[1].Font;
    EXPECT_EQ(font.Name, Utf8ToCp932("ＭＳ ゴシック"));
    EXPECT_EQ(font.Height, -24);
    EXPECT_EQ(font.Style, fsBold | fsItalic);
    EXPECT_EQ(font.Color, clBlue);
    EXPECT_EQ(font.Charset, SHIFTJIS_CHARSET);
    EXPECT_EQ(calls[1].Escapement, 900);
}

TEST(MetafilePlayerTest, EmfTextSurrogatePairsAreOneCharacterAndUnpairedHalvesAQuestionMark)
{
    TEmfWriter emf(200, 100);
    // "A", U+20BB7 as a pair (not in CP932), a low and a high half that
    // pair with nothing, "あ".
    emf.Add(TextW(50, 80, std::u16string{u'A', 0xD842, 0xDFB7, 0xDC00, 0xD800, u'あ'}, {10, 3, 4, 5, 6, 7}));

    const std::vector<TCanvasCall> calls = Played(emf.Finish(), TMetafileFormat::Enhanced);
    ASSERT_EQ(calls.size(), 5u);
    const std::string texts[] = {"A", "?", "?", "?", Utf8ToCp932("あ")};
    // The pair advances by both its units' advances.
    const std::int32_t lefts[] = {50, 60, 67, 72, 78};
    for (std::size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].Text, texts[i]) << i;
        EXPECT_EQ(calls[i].Points.front().x, lefts[i]) << i;
    }
}

TEST(MetafilePlayerTest, EmfTextAlignmentMovesTheCellFromTheReferencePoint)
{
    TEmfWriter emf(200, 100);
    emf.Add(selectobject_set(emf.Make([](auto* i, auto* h) { return Font(i, h, -24, 0, U_FW_NORMAL, 0, "IPAGothic"); }),
                             emf.Handles()));
    emf.Add(U_EMRSETTEXTALIGN_set(U_TA_BASELINE | U_TA_RIGHT));
    emf.Add(TextW(100, 50, "AB", {}));

    const std::vector<TCanvasCall> calls = Played(emf.Finish(), TMetafileFormat::Enhanced);
    ASSERT_EQ(calls.size(), 2u);
    // Without advances the canvas measures: 6 pixels a character here. The
    // cell's top lies the canvas's ascent of the font above the baseline.
    const TTextMetrics metrics = TRecordingCanvas().TextMetrics();
    const double frameScaleY = 100 / (2644 / 100.0 * 960 / 254);
    const auto top = static_cast<std::int32_t>(std::lround(50 * frameScaleY - metrics.Ascent));
    EXPECT_EQ(calls[0].Points.front().y, top);
    EXPECT_EQ(calls[1].Points.front().y, top);
    EXPECT_EQ(calls[0].Points.front().x, 88);
    EXPECT_EQ(calls[1].Points.front().x, 94);

    // Placed by the bottom of the cell: ascent and descent above the
    // reference point; centred: half the text's width to its left.
    TEmfWriter bottom(200, 100);
    bottom.Add(selectobject_set(
        bottom.Make([](auto* i, auto* h) { return Font(i, h, -24, 0, U_FW_NORMAL, 0, "IPAGothic"); }),
        bottom.Handles()));
    bottom.Add(U_EMRSETTEXTALIGN_set(U_TA_BOTTOM | U_TA_CENTER));
    bottom.Add(TextW(100, 50, "AB", {}));
    const std::vector<TCanvasCall> centred = Played(bottom.Finish(), TMetafileFormat::Enhanced);
    ASSERT_EQ(centred.size(), 2u);
    EXPECT_EQ(centred[0].Points.front().y,
              static_cast<std::int32_t>(std::lround(50 * frameScaleY - metrics.Ascent - metrics.Descent)));
    EXPECT_EQ(centred[0].Points.front().x, 94);
    EXPECT_EQ(centred[1].Points.front().x, 100);
}

TEST(MetafilePlayerTest, EmfPathsAndPolyPolygonsFillTogetherAndOutlineEachRing)
{
    TEmfWriter emf(200, 100);
    emf.Add(U_EMRSETBKMODE_set(U_TRANSPARENT));
    emf.Add(U_EMRBEGINPATH_set());
    emf.Add(U_EMRMOVETOEX_set(pointl_set(10, 10)));
    emf.Add(U_EMRLINETO_set(pointl_set(50, 10)));
    emf.Add(U_EMRLINETO_set(pointl_set(50, 50)));
    emf.Add(U_EMRCLOSEFIGURE_set());
    emf.Add(U_EMRENDPATH_set());
    emf.Add(U_EMRSTROKEANDFILLPATH_set(U_RCL_DEF));
    const U_POINT16 rings[] = {{100, 0}, {140, 0}, {140, 40}, {110, 10}, {120, 10}, {120, 20}};
    const std::uint32_t counts[] = {3, 3};
    emf.Add(U_EMRPOLYPOLYGON16_set(U_RCL_DEF, 2, counts, 6, rings));

    const std::vector<TCanvasCall> calls = Played(emf.Finish(), TMetafileFormat::Enhanced);
    ASSERT_EQ(calls.size(), 5u);
    ExpectShape(calls[0], TKind::Polygon, {{10, 10}, {50, 10}, {50, 50}, {10, 10}, {10, 10}});
    EXPECT_EQ(calls[0].Pen.Style, psClear);
    ExpectShape(calls[1], TKind::Polyline, {{10, 10}, {50, 10}, {50, 50}, {10, 10}});
    EXPECT_EQ(calls[1].Brush.Style, bsClear);
    // Each ring joins the first point of the first ring there and back.
    ExpectShape(calls[2], TKind::Polygon,
                {{100, 0}, {140, 0}, {140, 40}, {100, 0}, {100, 0}, {110, 10}, {120, 10}, {120, 20}, {110, 10},
                 {100, 0}});
    ExpectShape(calls[3], TKind::Polyline, {{100, 0}, {140, 0}, {140, 40}, {100, 0}});
    ExpectShape(calls[4], TKind::Polyline, {{110, 10}, {120, 10}, {120, 20}, {110, 10}});
}

TEST(MetafilePlayerTest, EmfObjectIndexesOutsideTheTableAreSkipped)
{
    TEmfWriter emf(100, 100);
    const std::uint32_t red = emf.Make([](auto* i, auto* h) { return LogPen(i, h, U_PS_SOLID, 0, clRed); });
    emf.Add(U_EMRCREATEPEN_set(5000, logpen_set(U_PS_SOLID, point32_set(9, 9), Colorref(clBlue))));
    emf.Add(U_EMRSELECTOBJECT_set(5000));
    emf.Add(Box(U_EMR_RECTANGLE, 0, 0, 10, 10));
    emf.Add(U_EMRSELECTOBJECT_set(red));
    std::uint32_t deleted = red;
    emf.Add(deleteobject_set(&deleted, emf.Handles()));
    emf.Add(U_EMRDELETEOBJECT_set(77777));
    emf.Add(Box(U_EMR_RECTANGLE, 0, 0, 10, 10));
    emf.Add(U_EMRSELECTOBJECT_set(red)); // deleted: the red pen stays selected all the same
    emf.Add(U_EMRSELECTOBJECT_set(0));   // the metafile itself
    emf.Add(Box(U_EMR_RECTANGLE, 0, 0, 10, 10));

    const std::vector<TCanvasCall> calls = Played(emf.Finish(), TMetafileFormat::Enhanced);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].Pen, TPen{});
    EXPECT_EQ(calls[1].Pen.Color, clRed);
    EXPECT_EQ(calls[2].Pen.Color, clRed);
}

TEST(MetafilePlayerTest, WmfFontFaceNameAndTextAreCp932)
{
    const std::string face = Utf8ToCp932("ＭＳ 明朝");
    std::string text = Utf8ToCp932("日本A");
    TWmfWriter wmf(200, 100);
    wmf.Add(U_WMRSETBKMODE_set(U_TRANSPARENT));
    U_FONT* font = U_FONT_set(-20, 0, 450, 450, 400, 0, 1, 0, U_SHIFTJIS_CHARSET, 0, 0, 0, 0,
                              const_cast<char*>(face.c_str()));
    wmf.Add(U_WMRCREATEFONTINDIRECT_set(font));
    std::free(font);
    wmf.Add(U_WMRSELECTOBJECT_set(0));
    wmf.Add(U_WMRSETTEXTCOLOR_set(Colorref(clRed)));
    wmf.Add(U_WMRTEXTOUT_set(point16_set(30, 40), text.data()));
    const std::int16_t advances[] = {20, 0, 20, 0, 9};
    wmf.Add(U_WMREXTTEXTOUT_set(point16_set(30, 70), 5, 0, text.data(), const_cast<std::int16_t*>(advances),
                                U_RECT16{}));

    const std::vector<TCanvasCall> calls = Played(wmf.Finish(), TMetafileFormat::Windows);
    ASSERT_EQ(calls.size(), 6u);
    // Measured by the canvas: a double-byte character is 12 pixels here.
    ExpectShape(calls[0], TKind::TextOut, {{30, 40}});
    EXPECT_EQ(calls[0].Text, Utf8ToCp932("日"));
    ExpectShape(calls[1], TKind::TextOut, {{38, 32}});
    EXPECT_EQ(calls[1].Text, Utf8ToCp932("本"));
    ExpectShape(calls[2], TKind::TextOut, {{47, 23}});
    EXPECT_EQ(calls[2].Text, "A");
    // Given advances count per byte.
    ExpectShape(calls[4], TKind::TextOut, {{44, 56}});
    EXPECT_EQ(calls[0].Font.Name, face);
    EXPECT_EQ(calls[0].Font.Height, -20);
    EXPECT_EQ(calls[0].Font.Style, fsUnderline);
    EXPECT_EQ(calls[0].Font.Color, clRed);
    EXPECT_EQ(calls[0].Escapement, 450);
}

TEST(MetafilePlayerTest, WmfObjectsTakeTheLowestFreePlace)
{
    TWmfWriter wmf(100, 100);
    wmf.Add(U_WMRCREATEPENINDIRECT_set(U_PEN_set(U_PS_SOLID, 1, Colorref(clRed))));            // 0
    wmf.Add(U_WMRCREATEBRUSHINDIRECT_set(U_WLOGBRUSH_set(U_BS_HATCHED, Colorref(clLime), U_HS_VERTICAL))); // 1
    wmf.Add(U_WMRDELETEOBJECT_set(0));
    wmf.Add(U_WMRCREATEPENINDIRECT_set(U_PEN_set(U_PS_DOT, 4, Colorref(clBlue)))); // 0 again
    U_PALETTE palette{0x0300, 1, {{0, 0, 0, 0}}};
    wmf.Add(U_WMRCREATEPALETTE_set(&palette));                                        // 2
    wmf.Add(U_WMRCREATEPENINDIRECT_set(U_PEN_set(U_PS_DASHDOT, 2, Colorref(clBlack)))); // 3
    wmf.Add(U_WMRSELECTOBJECT_set(0));
    wmf.Add(U_WMRSELECTOBJECT_set(1));
    wmf.Add(U_WMRRECTANGLE_set(U_RECT16{1, 2, 30, 40}));
    wmf.Add(U_WMRSELECTOBJECT_set(3));
    wmf.Add(U_WMRSELECTOBJECT_set(900)); // no such object
    const U_POINT16 line[] = {{0, 0}, {10, 0}, {10, 10}};
    wmf.Add(U_WMRPOLYLINE_set(3, line));

    const std::vector<TCanvasCall> calls = Played(wmf.Finish(), TMetafileFormat::Windows);
    ASSERT_EQ(calls.size(), 3u);
    // The default opaque background fills the hatch's gaps first.
    ExpectShape(calls[1], TKind::Rectangle, {{1, 2}, {30, 40}});
    EXPECT_EQ(calls[1].Pen, (TPen{clBlue, 4, psDot, TPenMode::pmCopy}));
    EXPECT_EQ(calls[1].Brush, (TBrush{clLime, bsVertical}));
    ExpectShape(calls[2], TKind::Polyline, {{0, 0}, {10, 0}, {10, 10}});
    EXPECT_EQ(calls[2].Pen, (TPen{clBlack, 2, psDashDot, TPenMode::pmCopy}));
}

TEST(MetafilePlayerTest, WmfWindowRecordsMapOntoThePlaceableBoxAndStretch)
{
    TWmfWriter wmf(200, 100);
    wmf.Add(U_WMRSETWINDOWORG_set(point16_set(0, 0)));
    wmf.Add(U_WMRSETWINDOWEXT_set(point16_set(2000, 1000)));
    wmf.Add(U_WMRSAVEDC_set());
    wmf.Add(U_WMRSETWINDOWORG_set(point16_set(-500, 0)));
    wmf.Add(U_WMRELLIPSE_set(U_RECT16{0, 0, 100, 100}));
    wmf.Add(U_WMRRESTOREDC_set(-1));
    wmf.Add(U_WMRRECTANGLE_set(U_RECT16{200, 100, 1000, 500}));
    const QByteArray bytes = wmf.Finish();

    const auto picture = ReadPicture(bytes, TMetafileFormat::Windows);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->Width(), 200);
    EXPECT_EQ(picture->Height(), 100);
    TRecordingCanvas canvas;
    picture->DrawOn(canvas, 5, 7);
    picture->DrawStretched(canvas, 0, 0, 100, 50);
    const auto& calls = canvas.Calls();
    ASSERT_EQ(calls.size(), 4u);
    ExpectShape(calls[0], TKind::Ellipse, {{55, 7}, {65, 17}});
    ExpectShape(calls[1], TKind::Rectangle, {{25, 17}, {105, 57}});
    ExpectShape(calls[3], TKind::Rectangle, {{10, 5}, {50, 25}});
}

} // namespace
} // namespace qm::test
