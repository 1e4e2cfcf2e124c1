#include "MetafileTestSupport.h"

#include "qtplatform/Bitmap.h"
#include "qtplatform/QtPicture.h"

#include <uemf_utf.h>

#include <limits>
#include <random>

namespace qm::test {
namespace {

// A metafile with a record of every kind the player knows something about.
QByteArray SampleEmf()
{
    TEmfWriter emf(120, 80);
    emf.Add(U_EMRSETBKMODE_set(U_TRANSPARENT));
    emf.Add(U_EMRSETMAPMODE_set(U_MM_ANISOTROPIC));
    emf.Add(U_EMRSETWINDOWEXTEX_set(sizel_set(1200, 800)));
    emf.Add(U_EMRSETVIEWPORTEXTEX_set(sizel_set(120, 80)));
    emf.Add(U_EMRSAVEDC_set());
    const std::uint32_t pen = emf.Make([](std::uint32_t* index, EMFHANDLES* handles) {
        return createpen_set(index, handles, logpen_set(U_PS_DASH, point32_set(20, 20), colorref3_set(255, 0, 0)));
    });
    emf.Add(selectobject_set(pen, emf.Handles()));
    const std::uint32_t brush = emf.Make([](std::uint32_t* index, EMFHANDLES* handles) {
        return createbrushindirect_set(index, handles, logbrush_set(U_BS_HATCHED, colorref3_set(0, 0, 255), 2));
    });
    emf.Add(selectobject_set(brush, emf.Handles()));
    uint16_t* face = U_Utf8ToUtf16le("ＭＳ ゴシック", 0, nullptr);
    const U_LOGFONT logfont = logfont_set(-120, 0, 300, 300, 700, 0, 1, 0, U_SHIFTJIS_CHARSET, 0, 0, 0, 0, face);
    std::free(face);
    const std::uint32_t font = emf.Make([&](std::uint32_t* index, EMFHANDLES* handles) {
        return extcreatefontindirectw_set(index, handles, reinterpret_cast<const char*>(&logfont), nullptr);
    });
    emf.Add(selectobject_set(font, emf.Handles()));
    emf.Add(U_EMRRECTANGLE_set(rectl_set(pointl_set(10, 10), pointl_set(500, 400))));
    emf.Add(U_EMRELLIPSE_set(rectl_set(pointl_set(100, 100), pointl_set(900, 700))));
    const U_POINT16 points[] = {{0, 0}, {300, 50}, {100, 600}, {700, 700}};
    emf.Add(U_EMRPOLYGON16_set(U_RCL_DEF, 4, points));
    emf.Add(U_EMRPOLYBEZIER16_set(U_RCL_DEF, 4, points));
    const std::uint32_t counts[] = {2, 2};
    emf.Add(U_EMRPOLYPOLYGON16_set(U_RCL_DEF, 2, counts, 4, points));
    uint16_t* text = U_Utf8ToUtf16le("字A", 0, nullptr);
    std::uint32_t advances[] = {120, 60};
    char* emrtext = emrtext_set(pointl_set(200, 300), 2, 2, text, 0, rectl_set(pointl_set(0, 0), pointl_set(9, 9)),
                                advances);
    emf.Add(U_EMREXTTEXTOUTW_set(U_RCL_DEF, U_GM_COMPATIBLE, 1, 1, reinterpret_cast<PU_EMRTEXT>(emrtext)));
    std::free(text);
    std::free(emrtext);
    emf.Add(U_EMRBEGINPATH_set());
    emf.Add(U_EMRMOVETOEX_set(pointl_set(5, 5)));
    emf.Add(U_EMRLINETO_set(pointl_set(800, 5)));
    emf.Add(U_EMRENDPATH_set());
    emf.Add(U_EMRSTROKEPATH_set(U_RCL_DEF));
    emf.Add(U_EMRRESTOREDC_set(-1));
    return emf.Finish();
}

QByteArray SampleWmf()
{
    const std::string face = "\x82\x6C\x82\x72 \x96\xBE\x92\xA9"; // ＭＳ 明朝
    std::string text = "\x93\xFA\x96\x7B" "A";                     // 日本A
    TWmfWriter wmf(120, 80);
    wmf.Add(U_WMRSETBKMODE_set(U_TRANSPARENT));
    wmf.Add(U_WMRSETWINDOWEXT_set(point16_set(1200, 800)));
    wmf.Add(U_WMRSAVEDC_set());
    wmf.Add(U_WMRCREATEPENINDIRECT_set(U_PEN_set(U_PS_SOLID, 30, colorref3_set(255, 0, 0))));
    wmf.Add(U_WMRSELECTOBJECT_set(0));
    wmf.Add(U_WMRCREATEBRUSHINDIRECT_set(U_WLOGBRUSH_set(U_BS_HATCHED, colorref3_set(0, 255, 0), U_HS_CROSS)));
    wmf.Add(U_WMRSELECTOBJECT_set(1));
    U_FONT* font = U_FONT_set(-100, 0, 900, 900, 400, 0, 0, 0, U_SHIFTJIS_CHARSET, 0, 0, 0, 0,
                              const_cast<char*>(face.c_str()));
    wmf.Add(U_WMRCREATEFONTINDIRECT_set(font));
    std::free(font);
    wmf.Add(U_WMRSELECTOBJECT_set(2));
    wmf.Add(U_WMRRECTANGLE_set(U_RECT16{10, 10, 500, 400}));
    const U_POINT16 points[] = {{0, 0}, {300, 50}, {100, 600}, {700, 700}};
    wmf.Add(U_WMRPOLYGON_set(4, points));
    const std::uint16_t counts[] = {2, 2};
    wmf.Add(U_WMRPOLYPOLYGON_set(2, counts, points));
    wmf.Add(U_WMRTEXTOUT_set(point16_set(200, 300), text.data()));
    const std::int16_t advances[] = {100, 0, 100, 0, 50};
    wmf.Add(U_WMREXTTEXTOUT_set(point16_set(20, 30), 5, U_ETO_CLIPPED, text.data(),
                                const_cast<std::int16_t*>(advances), U_RECT16{0, 0, 9, 9}));
    wmf.Add(U_WMRDELETEOBJECT_set(0));
    wmf.Add(U_WMRRESTOREDC_set(-1));
    return wmf.Finish();
}

// Offsets of the records of one type, EMF.
std::vector<std::size_t> EmfRecords(const QByteArray& bytes, std::uint32_t type)
{
    std::vector<std::size_t> offsets;
    for (std::size_t offset = 0; offset + 8 <= static_cast<std::size_t>(bytes.size());) {
        U_EMR emr;
        std::memcpy(&emr, bytes.constData() + offset, sizeof(emr));
        if (emr.iType == type)
            offsets.push_back(offset);
        if (emr.nSize < 8)
            break;
        offset += emr.nSize;
    }
    return offsets;
}

// Offsets of the records of one type (low byte of the function), WMF.
std::vector<std::size_t> WmfRecords(const QByteArray& bytes, std::uint8_t type)
{
    std::vector<std::size_t> offsets;
    const auto size = static_cast<std::size_t>(bytes.size());
    for (std::size_t offset = U_SIZE_WMRPLACEABLE + U_SIZE_WMRHEADER; offset + 6 <= size;) {
        std::uint32_t words = 0;
        std::memcpy(&words, bytes.constData() + offset, 4);
        if (static_cast<std::uint8_t>(bytes[static_cast<qsizetype>(offset + 4)]) == type)
            offsets.push_back(offset);
        if (words < 3)
            break;
        offset += std::size_t{words} * 2;
    }
    return offsets;
}

template <typename T>
void Poke(QByteArray& bytes, std::size_t offset, T value)
{
    ASSERT_LE(offset + sizeof(T), static_cast<std::size_t>(bytes.size()));
    std::memcpy(bytes.data() + offset, &value, sizeof(T));
}

// Reads the bytes; when they pass, plays them. False with a reason when refused.
bool ReadsAndPlays(const QByteArray& bytes, TMetafileFormat format, std::vector<TCanvasCall>* calls = nullptr)
{
    std::string error;
    const auto picture = TMetafilePicture::FromBytes(PlayerBytes(bytes), format, error);
    if (!picture) {
        EXPECT_FALSE(error.empty());
        return false;
    }
    TRecordingCanvas canvas;
    picture->DrawOn(canvas, 0, 0);
    if (calls)
        *calls = canvas.Calls();
    return true;
}

std::size_t CountOf(const std::vector<TCanvasCall>& calls, TCanvasCall::TKind kind)
{
    return CallsOf(calls, kind).size();
}

TEST(MetafileHostileTest, FilesCutShortAnywhereAreRefusedWithAReason)
{
    for (const auto& [bytes, format] : {std::pair{SampleEmf(), TMetafileFormat::Enhanced},
                                        std::pair{SampleWmf(), TMetafileFormat::Windows}}) {
        ASSERT_TRUE(ReadsAndPlays(bytes, format));
        for (qsizetype length = 0; length < bytes.size(); ++length)
            EXPECT_FALSE(ReadsAndPlays(bytes.left(length), format)) << length;
    }
}

TEST(MetafileHostileTest, UnsoundRecordSizesAreRefused)
{
    const QByteArray emf = SampleEmf();
    const std::size_t rectangle = EmfRecords(emf, U_EMR_RECTANGLE).at(0);
    for (const std::uint32_t size : {0u, 4u, 6u, 26u, 0xFFFFFFF0u, 0x80000000u}) {
        QByteArray damaged = emf;
        Poke(damaged, rectangle + offsetof(U_EMR, nSize), size);
        std::string error;
        EXPECT_FALSE(TMetafilePicture::FromBytes(PlayerBytes(damaged), TMetafileFormat::Enhanced, error)) << size;
        EXPECT_NE(error.find(std::to_string(rectangle)), std::string::npos) << error;
    }
    QByteArray badHeader = emf;
    Poke(badHeader, offsetof(U_EMRHEADER, dSignature), std::uint32_t{0x12345678});
    EXPECT_FALSE(ReadsAndPlays(badHeader, TMetafileFormat::Enhanced));

    const QByteArray wmf = SampleWmf();
    const std::size_t wmfRectangle = WmfRecords(wmf, U_WMR_RECTANGLE).at(0);
    for (const std::uint32_t words : {0u, 2u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        QByteArray damaged = wmf;
        Poke(damaged, wmfRectangle, words);
        EXPECT_FALSE(ReadsAndPlays(damaged, TMetafileFormat::Windows)) << words;
    }
    QByteArray badVersion = wmf;
    Poke(badVersion, U_SIZE_WMRPLACEABLE + offsetof(U_WMRHEADER, version), std::uint16_t{0x0200});
    EXPECT_FALSE(ReadsAndPlays(badVersion, TMetafileFormat::Windows));
}

TEST(MetafileHostileTest, EmfCountsAndOffsetsBeyondTheirRecordSkipOnlyThatRecord)
{
    const QByteArray emf = SampleEmf();
    std::vector<TCanvasCall> intact;
    ASSERT_TRUE(ReadsAndPlays(emf, TMetafileFormat::Enhanced, &intact));
    const std::size_t polygons = CountOf(intact, TCanvasCall::TKind::Polygon);

    // 0x20000000 points of 8 bytes wrap to 0 in 32 bits.
    for (const std::uint32_t count : {5u, 0x20000000u, 0x40000000u, 0xFFFFFFFFu}) {
        QByteArray damaged = emf;
        Poke(damaged, EmfRecords(emf, U_EMR_POLYGON16).at(0) + offsetof(U_EMRPOLYGON16, cpts), count);
        std::vector<TCanvasCall> calls;
        ASSERT_TRUE(ReadsAndPlays(damaged, TMetafileFormat::Enhanced, &calls));
        EXPECT_EQ(CountOf(calls, TCanvasCall::TKind::Polygon), polygons - 1) << count;
        EXPECT_EQ(CountOf(calls, TCanvasCall::TKind::Rectangle), 1u);
    }
    QByteArray polys = emf;
    Poke(polys, EmfRecords(emf, U_EMR_POLYPOLYGON16).at(0) + offsetof(U_EMRPOLYPOLYGON16, nPolys), 0xFFFFFFFFu);
    std::vector<TCanvasCall> calls;
    ASSERT_TRUE(ReadsAndPlays(polys, TMetafileFormat::Enhanced, &calls));
    EXPECT_EQ(CountOf(calls, TCanvasCall::TKind::Polygon), polygons - 1);

    const std::size_t text = EmfRecords(emf, U_EMR_EXTTEXTOUTW).at(0) + offsetof(U_EMREXTTEXTOUTW, emrtext);
    for (const auto& [field, value] : {std::pair{offsetof(U_EMRTEXT, nChars), 0x7FFFFFFFu},
                                       std::pair{offsetof(U_EMRTEXT, offString), 0xFFFFFFF0u}}) {
        QByteArray damaged = emf;
        Poke(damaged, text + field, value);
        ASSERT_TRUE(ReadsAndPlays(damaged, TMetafileFormat::Enhanced, &calls));
        EXPECT_EQ(CountOf(calls, TCanvasCall::TKind::TextOut), 0u);
    }

    // A font record too short for its font: the font is never made, and
    // selecting it changes nothing.
    const std::size_t font = EmfRecords(emf, U_EMR_EXTCREATEFONTINDIRECTW).at(0);
    const auto fontSize = static_cast<qsizetype>(reinterpret_cast<const U_EMR*>(emf.constData() + font)->nSize);
    QByteArray truncatedFont = emf.left(static_cast<qsizetype>(font) + 16);
    Poke(truncatedFont, font + offsetof(U_EMR, nSize), std::uint32_t{16});
    truncatedFont += emf.mid(static_cast<qsizetype>(font) + fontSize);
    ASSERT_TRUE(ReadsAndPlays(truncatedFont, TMetafileFormat::Enhanced, &calls));
    const auto texts = CallsOf(calls, TCanvasCall::TKind::TextOut);
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.front().Escapement, 0);
}

TEST(MetafileHostileTest, WmfCountsBeyondTheirRecordSkipOnlyThatRecord)
{
    const QByteArray wmf = SampleWmf();
    std::vector<TCanvasCall> intact;
    ASSERT_TRUE(ReadsAndPlays(wmf, TMetafileFormat::Windows, &intact));
    const std::size_t polygons = CountOf(intact, TCanvasCall::TKind::Polygon);
    const std::size_t texts = CountOf(intact, TCanvasCall::TKind::TextOut);

    for (const std::int16_t count : {std::int16_t{5}, std::int16_t{32767}, std::int16_t{-1}}) {
        QByteArray damaged = wmf;
        Poke(damaged, WmfRecords(wmf, U_WMR_POLYGON).at(0) + offsetof(U_WMRPOLYGON, nPoints), count);
        std::vector<TCanvasCall> calls;
        ASSERT_TRUE(ReadsAndPlays(damaged, TMetafileFormat::Windows, &calls));
        EXPECT_EQ(CountOf(calls, TCanvasCall::TKind::Polygon), polygons - 1) << count;
    }
    QByteArray polys = wmf;
    Poke(polys, WmfRecords(wmf, U_WMR_POLYPOLYGON).at(0) + offsetof(U_WMRPOLYPOLYGON, PPolygon), std::uint16_t{65535});
    std::vector<TCanvasCall> calls;
    ASSERT_TRUE(ReadsAndPlays(polys, TMetafileFormat::Windows, &calls));
    EXPECT_EQ(CountOf(calls, TCanvasCall::TKind::Polygon), polygons - 1);

    for (const std::int16_t length : {std::int16_t{30000}, std::int16_t{-5}}) {
        QByteArray damaged = wmf;
        Poke(damaged, WmfRecords(wmf, U_WMR_TEXTOUT).at(0) + offsetof(U_WMRTEXTOUT, Length), length);
        Poke(damaged, WmfRecords(wmf, U_WMR_EXTTEXTOUT).at(0) + offsetof(U_WMREXTTEXTOUT, Length), length);
        ASSERT_TRUE(ReadsAndPlays(damaged, TMetafileFormat::Windows, &calls));
        EXPECT_EQ(CountOf(calls, TCanvasCall::TKind::TextOut), 0u) << length;
    }
    // No room in the table: objects are dropped and selections find nothing.
    QByteArray noTable = wmf;
    Poke(noTable, U_SIZE_WMRPLACEABLE + offsetof(U_WMRHEADER, nObjects), std::uint16_t{0});
    ASSERT_TRUE(ReadsAndPlays(noTable, TMetafileFormat::Windows, &calls));
    EXPECT_EQ(CountOf(calls, TCanvasCall::TKind::TextOut), texts);
    EXPECT_EQ(calls.front().Pen, TPen{});
}

TEST(MetafileHostileTest, HugeDeclaredSizesAllocateNothing)
{
    QByteArray emf = SampleEmf();
    Poke(emf, offsetof(U_EMRHEADER, rclFrame), U_RECTL{std::numeric_limits<std::int32_t>::min(), 0,
                                                        std::numeric_limits<std::int32_t>::max(),
                                                        std::numeric_limits<std::int32_t>::max()});
    QByteArray wmf = SampleWmf();
    Poke(wmf, offsetof(U_WMRPLACEABLE, Dst), U_RECT16{-32768, -32768, 32767, 32767});
    Poke(wmf, offsetof(U_WMRPLACEABLE, Inch), std::uint16_t{1});
    for (const auto& [bytes, format] : {std::pair{emf, TMetafileFormat::Enhanced},
                                        std::pair{wmf, TMetafileFormat::Windows}}) {
        const auto picture = ReadPicture(bytes, format);
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->Width(), TMetafilePicture::kMaxSide);
        EXPECT_EQ(picture->Height(), TMetafilePicture::kMaxSide);
        TBitmap surface(40, 30);
        picture->DrawOn(surface.Canvas(), 0, 0);
        const QImage preview = StretchedPictureImage(*picture, 120, 120);
        EXPECT_EQ(preview.size(), QSize(120, 120));
    }
}

TEST(MetafileHostileTest, HugeFontsAreHeldAndTextFarOffTheCanvasIsNotDrawn)
{
    TEmfWriter emf(100, 100);
    const std::string face = "IPAGothic";
    uint16_t* name = U_Utf8ToUtf16le(face.c_str(), 0, nullptr);
    const U_LOGFONT logfont = logfont_set(-900000, 0, 0, 0, 400, 0, 0, 0, U_SHIFTJIS_CHARSET, 0, 0, 0, 0, name);
    std::free(name);
    emf.Add(selectobject_set(emf.Make([&](std::uint32_t* index, EMFHANDLES* handles) {
        return extcreatefontindirectw_set(index, handles, reinterpret_cast<const char*>(&logfont), nullptr);
    }), emf.Handles()));
    for (const std::int32_t x : {10, 2000000}) {
        uint16_t* text = U_Utf8ToUtf16le("A", 0, nullptr);
        std::uint32_t advance = 10;
        char* emrtext = emrtext_set(pointl_set(x, 10), 1, 2, text, U_ETO_NO_RECT, U_RCL_DEF, &advance);
        emf.Add(U_EMREXTTEXTOUTW_set(U_RCL_DEF, U_GM_COMPATIBLE, 1, 1, reinterpret_cast<PU_EMRTEXT>(emrtext)));
        std::free(text);
        std::free(emrtext);
    }
    std::vector<TCanvasCall> calls;
    ASSERT_TRUE(ReadsAndPlays(emf.Finish(), TMetafileFormat::Enhanced, &calls));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].Font.Height, -1024);
}

TEST(MetafileHostileTest, RandomDamageIsRefusedOrPlayedWithoutHarm)
{
    std::mt19937 random(20240605);
    for (const auto& [sample, format] : {std::pair{SampleEmf(), TMetafileFormat::Enhanced},
                                         std::pair{SampleWmf(), TMetafileFormat::Windows}}) {
        int played = 0;
        for (int round = 0; round < 3000; ++round) {
            QByteArray damaged = sample;
            const int changes = 1 + static_cast<int>(random() % 4);
            for (int change = 0; change < changes; ++change) {
                const auto at = static_cast<std::size_t>(random() % static_cast<std::uint32_t>(damaged.size() - 3));
                if (random() % 2)
                    damaged[static_cast<qsizetype>(at)] = static_cast<char>(random());
                else
                    Poke(damaged, at & ~std::size_t{1}, static_cast<std::uint32_t>(random()));
            }
            std::string error;
            const auto picture = TMetafilePicture::FromBytes(PlayerBytes(damaged), format, error);
            if (!picture) {
                EXPECT_FALSE(error.empty());
                continue;
            }
            ++played;
            TRecordingCanvas recording;
            picture->DrawOn(recording, 0, 0);
            if (round % 25 == 0) {
                TBitmap surface(64, 48);
                picture->DrawOn(surface.Canvas(), 0, 0);
            }
        }
        // Most damage hits coordinates and colours, which still play.
        EXPECT_GT(played, 1000);
    }
}

} // namespace
} // namespace qm::test
