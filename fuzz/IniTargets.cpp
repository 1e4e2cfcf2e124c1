// INI files from outside: extension objects (".ud2"), shape templates
// (".udf") and the settings file's canvas section.
#include "FuzzSupport.h"
#include "FuzzTargets.h"

#include "canvas/CanvasWindow.h"
#include "io/ExtensionObject.h"
#include "io/FileError.h"
#include "io/ShapeTemplate.h"
#include "platform/IniFile.h"
#include "render/BitmapX.h"
#include "render/DocumentRenderer.h"

#include <QFile>

#include <vector>

namespace qm::fuzz {

namespace {

constexpr std::int32_t kCanvasSide = 400;
constexpr std::int32_t kSurfaceSide = 48;

// What an extension object keeps of an item, in pre-order, with the number
// of children of each.
std::string StoredShape(const TTreeNode* top)
{
    std::string shape;
    const auto add = [&shape](const auto& value) {
        shape.append(reinterpret_cast<const char*>(&value), sizeof value);
    };
    std::vector<const TTreeNode*> pending{top};
    while (!pending.empty()) {
        const TTreeNode* node = pending.back();
        pending.pop_back();
        const TItemObject& item = *node->Data();
        shape += item.Name;
        shape += '\0';
        for (const std::int32_t value :
             {StoredCode(item.ItemType), node->ChildCount(), item.X, item.Y, item.Roll, item.Count,
              static_cast<std::int32_t>(item.Brush.Color), static_cast<std::int32_t>(item.Brush.Style),
              static_cast<std::int32_t>(item.Pen.Color), static_cast<std::int32_t>(item.Pen.Style), item.Pen.Width,
              StoredCode(item.CurveStyle), StoredCode(item.PStyle), StoredCode(item.DStyle)})
            add(value);
        add(item.StretchX);
        add(item.StretchY);
        for (const TPointArray* points : {&item.Points, &item.C1, &item.C2}) {
            add(points->size());
            for (const TPoint& point : *points)
                add(point);
        }
        std::vector<const TTreeNode*> children;
        for (const TTreeNode* child = node->FirstChild(); child; child = child->NextSibling())
            children.push_back(child);
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
    return shape;
}

void RenderOnce(const TObjectTree& tree)
{
    TBitmapX surface;
    surface.InitBitmap(kSurfaceSide, kSurfaceSide);
    TDocumentRenderer(tree, surface).RepaintAll();
}

} // namespace

int ExtensionObjectInput(const std::uint8_t* data, std::size_t size)
{
    TObjectTree tree;
    const std::size_t nodesBefore = tree.NodeCount();
    TTreeNode* inserted = nullptr;
    try {
        inserted = InsertExtensionObject(InputFile(QStringLiteral("input.ud2"), data, size), tree, tree.ObjectRoot());
    } catch (const TFileError&) {
        RequireThat(tree.NodeCount() == nodesBefore, "a refused extension object left nodes behind");
        return 0;
    }
    if (!inserted)
        return 0;
    RenderOnce(tree);
    // Saved again and inserted again, the object comes back as it was read.
    const QString saved = ScratchPath(QStringLiteral("saved.ud2"));
    QFile::remove(saved);
    TTreeNode* again = nullptr;
    try {
        WriteExtensionObject(saved, tree, inserted);
        again = InsertExtensionObject(saved, tree, tree.ObjectRoot());
    } catch (const TFileError& error) {
        RequireThat(false, error.what());
    }
    RequireThat(again && StoredShape(again) == StoredShape(inserted),
                "a saved extension object inserts as another object");
    return 0;
}

int ShapeTemplateInput(const std::uint8_t* data, std::size_t size)
{
    TObjectTree tree;
    try {
        ReadShapeTemplate(InputFile(QStringLiteral("input.udf"), data, size), tree, itRectangle, kCanvasSide,
                          kCanvasSide);
    } catch (const TFileError&) {
        return 0;
    }
    RenderOnce(tree);
    return 0;
}

int SettingsInput(const std::uint8_t* data, std::size_t size)
{
    const QString path = InputFile(QStringLiteral("quillmark.ini"), data, size);
    const TCanvasGeometry read = ReadCanvasSettings(TIniFile(path.toStdString()));
    // The settings written at exit read back as written, whatever else the
    // file holds, and leave every other line in place.
    TIniFile settings(path.toStdString());
    const std::string lastDir = settings.ReadString("File", "LastDir", "");
    const TCanvasGeometry written{read.Height & 0xFFF, read.Grid & 0xFFF, read.Width};
    if (!WriteCanvasSettings(settings, written))
        return 0; // a file that cannot be rewritten is left alone
    const TIniFile reread(path.toStdString());
    RequireThat(ReadCanvasSettings(reread) == written, "canvas settings read back other than written");
    RequireThat(reread.ReadString("File", "LastDir", "") == lastDir, "writing the canvas settings changed LastDir");
    return 0;
}

} // namespace qm::fuzz
