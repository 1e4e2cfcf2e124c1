// Writes the seed inputs of the fuzz targets into fuzz/corpus with the
// project's own writers (metafiles with libuemf, which the picture loaders
// read): small, valid files that reach every kind of record.
//   make_fuzz_seeds <repository root>
#include "MetafileWriters.h"

#include "canvas/CanvasWindow.h"
#include "io/DocumentWriter.h"
#include "io/ExtensionObject.h"
#include "model/ObjectTree.h"
#include "platform/IniFile.h"
#include "platform/ShiftJis.h"
#include "qtplatform/Bitmap.h"
#include "qtplatform/BitmapFile.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include <uemf.h>
#include <uwmf.h>

#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <vector>

namespace qm {
namespace {

QString corpus;

QString SeedPath(const char* target, const char* name)
{
    QDir(corpus).mkpath(QString::fromLatin1(target));
    return QDir(corpus).filePath(QString::fromLatin1(target) + "/" + QString::fromLatin1(name));
}

void PutSeed(const char* target, const char* name, const char* bytes, std::size_t size)
{
    QFile file(SeedPath(target, name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(bytes, static_cast<qint64>(size)) != static_cast<qint64>(size)) {
        std::fprintf(stderr, "cannot write %s/%s\n", target, name);
        std::exit(1);
    }
}

void PutSeed(const char* target, const char* name, const QByteArray& bytes)
{
    PutSeed(target, name, bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

TTreeNode* AddFigure(TObjectTree& tree, TTreeNode* parent, const char* caption, TItemType type,
                     std::initializer_list<TPoint> vertices)
{
    TTreeNode* node = tree.AddItem(parent, Utf8ToCp932(caption), type);
    for (const TPoint& p : vertices)
        tree.AddPoint(p.x, p.y, node);
    tree.PointToCenter(node);
    return node;
}

// A group holding every kind of item, one with text, one turned and stretched.
TTreeNode* AddEveryKind(TObjectTree& tree, TTreeNode* parent)
{
    TTreeNode* group = tree.AddItem(parent, Utf8ToCp932("グループ"), itGroup);
    AddFigure(tree, group, "四角", itRectangle, {{10, 10}, {60, 10}, {60, 40}, {10, 40}});
    TTreeNode* ellipse = AddFigure(tree, group, "円", itEllipse, {{70, 10}, {110, 10}, {110, 50}, {70, 50}});
    tree.ChangeItem(ellipse, [](TItemObject& item) { item.Brush = {clRed, bsDiagCross}; });
    TTreeNode* arrow = AddFigure(tree, group, "矢印", itArrow, {{10, 60}, {80, 90}});
    tree.ChangeItem(arrow, [](TItemObject& item) {
        item.PStyle = leArrow;
        item.DStyle = FromStoredCode<TLineEnd>(2);
        item.Pen = {clBlue, 3, psDash, TPenMode::pmCopy};
    });
    TTreeNode* curve = AddFigure(tree, parent, "曲線", itCurve, {{10, 100}, {40, 130}, {70, 100}, {100, 130}});
    tree.ChangeItem(curve, [](TItemObject& item) { item.CurveStyle = csBezier; });
    TTreeNode* polygon = AddFigure(tree, parent, "多角形", itPolygon, {{120, 100}, {160, 140}, {120, 140}});
    tree.ChangeItem(polygon, [](TItemObject& item) {
        item.CurveStyle = csSpline;
        item.Text = Utf8ToCp932("文字\r\n二行目");
        item.Font.Style = fsBold | fsUnderline;
        item.Roll = 30;
        item.StretchX = 1.5f;
    });
    AddFigure(tree, parent, "線", itLine, {{0, 0}, {5, 5}});
    return group;
}

void WriteDocuments(const QString& sample)
{
    TObjectTree fresh;
    WriteDocument(SeedPath("document", "fresh.dof"), fresh, {400, 400, 10});

    TObjectTree every;
    AddEveryKind(every, every.ObjectRoot());
    TTreeNode* deep = every.ObjectRoot();
    for (int level = 0; level < 6; ++level)
        deep = every.AddItem(deep, "g", itGroup);
    every.MoveSubtree(every.TrashNode(), AddFigure(every, every.ObjectRoot(), "捨て", itLine, {{1, 1}, {2, 2}}));
    WriteDocument(SeedPath("document", "every-kind.dof"), every, {320, 200, 8});

    QFile::remove(SeedPath("document", "sample.dof"));
    QFile::copy(sample, SeedPath("document", "sample.dof"));
}

void WriteExtensionObjects()
{
    TObjectTree tree;
    TTreeNode* group = AddEveryKind(tree, tree.ObjectRoot());
    TTreeNode* line = AddFigure(tree, tree.ObjectRoot(), "線", itLine, {{3, 4}, {50, 60}});
    for (const auto& [name, node] : {std::pair{"group.ud2", group}, std::pair{"line.ud2", line}}) {
        QFile::remove(SeedPath("extension_object", name));
        WriteExtensionObject(SeedPath("extension_object", name), tree, node);
    }
}

void WriteTemplatesAndSettings(const QString& rectTemplate)
{
    QFile::remove(SeedPath("shape_template", "Rect.udf"));
    QFile::copy(rectTemplate, SeedPath("shape_template", "Rect.udf"));
    TIniFile own(SeedPath("shape_template", "own-type.udf").toStdString());
    own.BeginUpdate();
    own.WriteInteger("System", "FileType", 1);
    own.WriteString("Item", "Name", Utf8ToCp932("三角"));
    own.WriteInteger("Item", "ItemType", StoredCode(itCurve));
    own.WriteInteger("Item", "Count", 3);
    for (const auto& [i, x, y] : {std::tuple{0, 0, 0}, std::tuple{1, 40, -20}, std::tuple{2, -7, 35}}) {
        own.WriteInteger("Item", "PX" + std::to_string(i), x);
        own.WriteInteger("Item", "PY" + std::to_string(i), y);
    }
    own.WriteBool("Item", "CurveStyle", true);
    own.EndUpdate();

    TIniFile settings(SeedPath("settings", "quillmark.ini").toStdString());
    settings.BeginUpdate();
    WriteCanvasSettings(settings, {640, 480, 16});
    settings.WriteString("File", "LastDir", Utf8ToCp932("/home/user/図面/plan.dof"));
    settings.WriteString("File", "LastDir2", "/tmp/shape.ud2");
    settings.EndUpdate();
}

// A BMP file laid out by hand: the file header, an info header of
// `headerSize` bytes (12, the OS/2 core header, or 40), then `palette` and
// `pixels`.
struct TBitmapLayout {
    std::uint32_t headerSize = 40;
    std::int32_t width = 0;
    std::int32_t height = 0; // negative: rows from the top down
    std::uint16_t bitsPerPixel = 24;
    std::uint32_t compression = 0;
    std::vector<std::uint8_t> palette;
    std::vector<std::uint8_t> pixels;
};

void PutLittleEndian(std::vector<std::uint8_t>& bytes, std::uint32_t value, int size)
{
    for (int i = 0; i < size; ++i)
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void PutBitmapLayout(const char* name, const TBitmapLayout& layout)
{
    const auto pixelOffset = static_cast<std::uint32_t>(14 + layout.headerSize + layout.palette.size());
    std::vector<std::uint8_t> bytes{'B', 'M'};
    PutLittleEndian(bytes, pixelOffset + static_cast<std::uint32_t>(layout.pixels.size()), 4);
    PutLittleEndian(bytes, 0, 4);
    PutLittleEndian(bytes, pixelOffset, 4);
    PutLittleEndian(bytes, layout.headerSize, 4);
    const int sideBytes = layout.headerSize == 12 ? 2 : 4;
    PutLittleEndian(bytes, static_cast<std::uint32_t>(layout.width), sideBytes);
    PutLittleEndian(bytes, static_cast<std::uint32_t>(layout.height), sideBytes);
    PutLittleEndian(bytes, 1, 2); // planes
    PutLittleEndian(bytes, layout.bitsPerPixel, 2);
    if (layout.headerSize == 40) {
        PutLittleEndian(bytes, layout.compression, 4);
        PutLittleEndian(bytes, static_cast<std::uint32_t>(layout.pixels.size()), 4);
        PutLittleEndian(bytes, 2835, 4); // 72 dpi each way
        PutLittleEndian(bytes, 2835, 4);
        PutLittleEndian(bytes, 0, 4); // colours used: all the bit count allows
        PutLittleEndian(bytes, 0, 4);
    }
    bytes.insert(bytes.end(), layout.palette.begin(), layout.palette.end());
    bytes.insert(bytes.end(), layout.pixels.begin(), layout.pixels.end());
    PutSeed("picture_bmp", name, reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// The layouts a trace picture may come in besides the 24-bit one the program
// writes: palettes of 1, 4 and 8 bits, both run-length encodings, 16-bit bit
// fields, 32 bits, the OS/2 core header and rows from the top down.
void WriteBitmapLayouts()
{
    // Palette entries are blue, green, red and a reserved byte; three bytes
    // under the core header.
    const std::vector<std::uint8_t> twoColours = {0, 0, 0, 0, 255, 255, 255, 0};
    std::vector<std::uint8_t> sixteenColours;
    for (std::uint8_t i = 0; i < 16; ++i)
        sixteenColours.insert(sixteenColours.end(), {static_cast<std::uint8_t>(i * 16), 0,
                                                     static_cast<std::uint8_t>(255 - i * 16), 0});
    std::vector<std::uint8_t> coreColours;
    for (int i = 0; i < 256; ++i)
        coreColours.insert(coreColours.end(), {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), 128});
    std::vector<std::uint8_t> fullColours;
    for (int i = 0; i < 256; ++i)
        fullColours.insert(fullColours.end(), {0, static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i), 0});

    PutBitmapLayout("mono.bmp", {40, 12, 2, 1, 0, twoColours, {0xA5, 0xF0, 0, 0, 0x5A, 0x0F, 0, 0}});
    PutBitmapLayout("core-8bit.bmp", {12, 3, 2, 8, 0, coreColours, {0, 128, 255, 0, 64, 32, 16, 0}});
    PutBitmapLayout("top-down-4bit.bmp", {40, 5, -2, 4, 0, sixteenColours, {0x01, 0x23, 0x40, 0, 0xFE, 0xDC, 0xB0, 0}});
    // RLE8: a run, a literal run, end of line, a move, end of the bitmap.
    PutBitmapLayout("rle8.bmp", {40, 6, 3, 8, 1, fullColours,
                                 {3, 7, 0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 1, 1, 2, 9, 0, 1}});
    // RLE4: a run of two alternating colours, a literal run, end of the bitmap.
    PutBitmapLayout("rle4.bmp", {40, 6, 2, 4, 2, sixteenColours, {4, 0x3C, 0, 3, 0x12, 0x30, 0, 0, 6, 0xF0, 0, 1}});
    // 16 bits with the 5-6-5 masks after the header.
    std::vector<std::uint8_t> masks;
    PutLittleEndian(masks, 0xF800, 4);
    PutLittleEndian(masks, 0x07E0, 4);
    PutLittleEndian(masks, 0x001F, 4);
    PutBitmapLayout("bitfields-16bit.bmp", {40, 2, 2, 16, 3, masks, {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0xFF, 0xFF}});
    PutBitmapLayout("32bit.bmp", {40, 2, 1, 32, 0, {}, {255, 0, 0, 0, 0, 255, 0, 0}});
}

void WriteBitmaps()
{
    TBitmap bitmap(5, 3);
    TCanvas& canvas = bitmap.Canvas();
    canvas.SetBrush({clWhite, bsSolid});
    canvas.FillRect(0, 0, 5, 3);
    canvas.SetBrush({clRed, bsSolid});
    canvas.FillRect(1, 1, 3, 2);
    PutSeed("picture_bmp", "small.bmp", EncodeBitmapFile(bitmap, TBitmapFileFormat::Bmp));
    WriteBitmapLayouts();
}

U_COLORREF Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    return colorref3_set(r, g, b);
}

void WriteEnhancedMetafiles()
{
    {
        test::TEmfWriter emf(120, 80);
        std::uint32_t pen = 0;
        emf.Add(createpen_set(&pen, emf.Handles(), logpen_set(U_PS_DASH, point32_set(1, 1), Rgb(255, 0, 0))));
        emf.Add(selectobject_set(pen, emf.Handles()));
        std::uint32_t brush = 0;
        emf.Add(createbrushindirect_set(&brush, emf.Handles(), logbrush_set(U_BS_HATCHED, Rgb(0, 0, 255), U_HS_CROSS)));
        emf.Add(selectobject_set(brush, emf.Handles()));
        const U_POINTL triangle[] = {{10, 10}, {60, 10}, {35, 50}};
        emf.Add(U_EMRPOLYGON_set(U_RCL_DEF, 3, triangle));
        const U_POINT16 zigzag[] = {{0, 70}, {20, 60}, {40, 70}, {60, 60}};
        emf.Add(U_EMRPOLYLINE16_set(U_RCL_DEF, 4, zigzag));
        emf.Add(U_EMRPOLYBEZIER16_set(U_RCL_DEF, 4, zigzag));
        emf.Add(U_EMRRECTANGLE_set(rectl_set(pointl_set(70, 5), pointl_set(110, 30))));
        PU_EXTLOGPEN wide = extlogpen_set(U_PS_GEOMETRIC | U_PS_SOLID | U_PS_ENDCAP_ROUND | U_PS_JOIN_ROUND, 5,
                                          U_BS_SOLID, Rgb(0, 128, 0), 0, 0, nullptr);
        std::uint32_t widePen = 0;
        emf.Add(extcreatepen_set(&widePen, emf.Handles(), nullptr, 0, nullptr, wide));
        std::free(wide);
        emf.Add(selectobject_set(widePen, emf.Handles()));
        emf.Add(selectobject_set(U_NULL_BRUSH, emf.Handles()));
        emf.Add(U_EMRELLIPSE_set(rectl_set(pointl_set(70, 35), pointl_set(110, 75))));
        emf.Add(U_EMRMOVETOEX_set(pointl_set(5, 75)));
        emf.Add(U_EMRLINETO_set(pointl_set(115, 75)));
        const std::uint32_t counts[] = {3, 3};
        const U_POINT16 rings[] = {{0, 0}, {10, 0}, {0, 10}, {20, 20}, {30, 20}, {20, 30}};
        emf.Add(U_EMRPOLYPOLYGON16_set(U_RCL_DEF, 2, counts, 6, rings));
        emf.Add(deleteobject_set(&pen, emf.Handles()));
        PutSeed("picture_emf", "shapes.emf", emf.Finish());
    }
    {
        test::TEmfWriter emf(200, 100);
        emf.Add(U_EMRSETBKMODE_set(U_TRANSPARENT));
        emf.Add(U_EMRSETTEXTCOLOR_set(Rgb(0, 0, 255)));
        emf.Add(U_EMRSETTEXTALIGN_set(U_TA_BASELINE));
        std::uint16_t* face = U_Utf8ToUtf16le("ＭＳ ゴシック", 0, nullptr);
        U_LOGFONT logfont = logfont_set(-24, 0, 900, 900, U_FW_BOLD, 1, 0, 0, U_SHIFTJIS_CHARSET, 0, 0, 0, 0, face);
        std::free(face);
        std::uint32_t font = 0;
        emf.Add(extcreatefontindirectw_set(&font, emf.Handles(), reinterpret_cast<const char*>(&logfont), nullptr));
        emf.Add(selectobject_set(font, emf.Handles()));
        std::size_t length = 0;
        std::uint16_t* text = U_Utf8ToUtf16le("日本A", 0, &length);
        std::vector<std::uint32_t> advances(length, 20);
        char* emrtext = emrtext_set(pointl_set(30, 60), static_cast<U_NUM_STR>(length), 2, text, U_ETO_NO_RECT,
                                    U_RCL_DEF, advances.data());
        emf.Add(U_EMREXTTEXTOUTW_set(U_RCL_DEF, U_GM_COMPATIBLE, 1, 1, reinterpret_cast<PU_EMRTEXT>(emrtext)));
        std::free(text);
        std::free(emrtext);
        PutSeed("picture_emf", "text.emf", emf.Finish());
    }
    {
        test::TEmfWriter emf(100, 100);
        emf.Add(U_EMRSAVEDC_set());
        emf.Add(U_EMRSETMAPMODE_set(U_MM_ANISOTROPIC));
        emf.Add(U_EMRSETWINDOWEXTEX_set(sizel_set(1000, 1000)));
        emf.Add(U_EMRSETWINDOWORGEX_set(pointl_set(-20, -10)));
        emf.Add(U_EMRSETVIEWPORTEXTEX_set(sizel_set(100, 50)));
        emf.Add(U_EMRSETVIEWPORTORGEX_set(pointl_set(10, 5)));
        emf.Add(U_EMRSETROP2_set(U_R2_NOTXORPEN));
        emf.Add(U_EMRBEGINPATH_set());
        emf.Add(U_EMRMOVETOEX_set(pointl_set(100, 100)));
        emf.Add(U_EMRLINETO_set(pointl_set(900, 100)));
        emf.Add(U_EMRLINETO_set(pointl_set(500, 800)));
        emf.Add(U_EMRCLOSEFIGURE_set());
        emf.Add(U_EMRENDPATH_set());
        emf.Add(U_EMRSTROKEANDFILLPATH_set(U_RCL_DEF));
        emf.Add(U_EMRRESTOREDC_set(-1));
        emf.Add(U_EMRSETMAPMODE_set(U_MM_HIMETRIC));
        emf.Add(U_EMRRECTANGLE_set(rectl_set(pointl_set(0, 0), pointl_set(1000, -1000))));
        PutSeed("picture_emf", "mapping.emf", emf.Finish());
    }
}

void WriteWindowsMetafiles()
{
    {
        test::TWmfWriter wmf(120, 80);
        wmf.Add(U_WMRCREATEPENINDIRECT_set(U_PEN_set(U_PS_DASHDOT, 2, Rgb(0, 0, 0))));
        wmf.Add(U_WMRSELECTOBJECT_set(0));
        wmf.Add(U_WMRCREATEBRUSHINDIRECT_set(U_WLOGBRUSH_set(U_BS_HATCHED, Rgb(0, 255, 0), U_HS_VERTICAL)));
        wmf.Add(U_WMRSELECTOBJECT_set(1));
        wmf.Add(U_WMRRECTANGLE_set(U_RECT16{1, 2, 30, 40}));
        wmf.Add(U_WMRELLIPSE_set(U_RECT16{40, 0, 100, 60}));
        const U_POINT16 line[] = {{0, 70}, {50, 60}, {110, 75}};
        wmf.Add(U_WMRPOLYLINE_set(3, line));
        wmf.Add(U_WMRPOLYGON_set(3, line));
        const std::uint16_t counts[] = {3, 3};
        const U_POINT16 rings[] = {{0, 0}, {10, 0}, {0, 10}, {20, 20}, {30, 20}, {20, 30}};
        wmf.Add(U_WMRPOLYPOLYGON_set(2, counts, rings));
        wmf.Add(U_WMRMOVETO_set(point16_set(5, 5)));
        wmf.Add(U_WMRLINETO_set(point16_set(115, 75)));
        wmf.Add(U_WMRDELETEOBJECT_set(0));
        PutSeed("picture_wmf", "shapes.wmf", wmf.Finish(4));
    }
    {
        test::TWmfWriter wmf(200, 100);
        const std::string face = Utf8ToCp932("ＭＳ 明朝");
        std::string text = Utf8ToCp932("日本A");
        wmf.Add(U_WMRSETBKMODE_set(U_TRANSPARENT));
        U_FONT* font = U_FONT_set(-20, 0, 450, 450, 400, 0, 1, 0, U_SHIFTJIS_CHARSET, 0, 0, 0, 0,
                                  const_cast<char*>(face.c_str()));
        wmf.Add(U_WMRCREATEFONTINDIRECT_set(font));
        std::free(font);
        wmf.Add(U_WMRSELECTOBJECT_set(0));
        wmf.Add(U_WMRSETTEXTCOLOR_set(Rgb(255, 0, 0)));
        wmf.Add(U_WMRSETTEXTALIGN_set(U_TA_BASELINE));
        wmf.Add(U_WMRTEXTOUT_set(point16_set(30, 40), text.data()));
        std::int16_t advances[] = {20, 0, 20, 0, 9};
        wmf.Add(U_WMREXTTEXTOUT_set(point16_set(30, 70), 5, 0, text.data(), advances, U_RECT16{}));
        PutSeed("picture_wmf", "text.wmf", wmf.Finish(2));
    }
    {
        test::TWmfWriter wmf(100, 100);
        wmf.Add(U_WMRSAVEDC_set());
        wmf.Add(U_WMRSETMAPMODE_set(U_MM_ANISOTROPIC));
        wmf.Add(U_WMRSETWINDOWORG_set(point16_set(-500, 0)));
        wmf.Add(U_WMRSETWINDOWEXT_set(point16_set(2000, 1000)));
        wmf.Add(U_WMRSETVIEWPORTORG_set(point16_set(0, 10)));
        wmf.Add(U_WMRSETVIEWPORTEXT_set(point16_set(100, 50)));
        wmf.Add(U_WMRSETROP2_set(U_R2_NOTXORPEN));
        wmf.Add(U_WMRRECTANGLE_set(U_RECT16{200, 100, 1000, 500}));
        wmf.Add(U_WMRRESTOREDC_set(-1));
        wmf.Add(U_WMRELLIPSE_set(U_RECT16{0, 0, 50, 50}));
        PutSeed("picture_wmf", "mapping.wmf", wmf.Finish(1));
    }
}

} // namespace
} // namespace qm

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds <repository root>\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QDir root(QString::fromLocal8Bit(argv[1]));
    qm::corpus = root.filePath("fuzz/corpus");
    qm::WriteDocuments(root.filePath("examples/sample.dof"));
    qm::WriteExtensionObjects();
    qm::WriteTemplatesAndSettings(root.filePath("data/Rect.udf"));
    qm::WriteBitmaps();
    qm::WriteEnhancedMetafiles();
    qm::WriteWindowsMetafiles();
    return 0;
}
