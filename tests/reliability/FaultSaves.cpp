#include "FaultSaves.h"

#include "canvas/BitmapExport.h"
#include "canvas/MetafileExport.h"
#include "io/DocumentWriter.h"
#include "io/ExtensionObject.h"
#include "model/ObjectTree.h"
#include "platform/ShiftJis.h"
#include "qtplatform/Bitmap.h"

#include <array>
#include <stdexcept>

namespace qm::test {

namespace {

constexpr std::array kNames{std::pair{TSaveKind::Document, std::string_view("document")},
                            std::pair{TSaveKind::ExtensionObject, std::string_view("object")},
                            std::pair{TSaveKind::Bitmap, std::string_view("bitmap")},
                            std::pair{TSaveKind::Metafile, std::string_view("metafile")}};

} // namespace

// A group of `items` named, labelled octagons spread over the canvas.
TTreeNode* FillDrawing(TObjectTree& tree, int items)
{
    TTreeNode* group = tree.AddItem(tree.ObjectRoot(), Utf8ToCp932("グループ"), itGroup);
    for (int i = 0; i < items; ++i) {
        TTreeNode* node = tree.AddItem(group, Utf8ToCp932("多角形") + std::to_string(i), itPolygon);
        const std::int32_t x = i * 37 % 760;
        const std::int32_t y = i * 53 % 560;
        tree.MoveItem(x, y, node);
        for (const auto& [dx, dy] : {std::pair{0, -20}, {14, -14}, {20, 0}, {14, 14}, {0, 20}, {-14, 14}, {-20, 0}, {-14, -14}})
            tree.AddPoint(x + dx, y + dy, node);
        tree.ChangeItem(node, [i](TItemObject& item) { item.Text = Utf8ToCp932("文字") + std::to_string(i); });
    }
    return group;
}


TSaveKind SaveKindNamed(std::string_view name)
{
    for (const auto& [kind, kindName] : kNames) {
        if (kindName == name)
            return kind;
    }
    throw std::invalid_argument("no such save");
}

std::string_view NameOf(TSaveKind kind)
{
    for (const auto& [each, name] : kNames) {
        if (each == kind)
            return name;
    }
    return {};
}

QString ExtensionOf(TSaveKind kind)
{
    switch (kind) {
    case TSaveKind::Document:
        return QStringLiteral(".dof");
    case TSaveKind::ExtensionObject:
        return QStringLiteral(".ud2");
    case TSaveKind::Bitmap:
        return QStringLiteral(".bmp");
    case TSaveKind::Metafile:
        return QStringLiteral(".emf");
    }
    return {};
}

void SaveDrawing(TSaveKind kind, const QString& path, int size, const std::function<void()>& beforeWriting)
{
    TObjectTree tree;
    TBitmap surface;
    TTreeNode* group = nullptr;
    if (kind == TSaveKind::Bitmap) {
        surface.SetSize(size, size);
        surface.Canvas().SetBrush({static_cast<TColor>(0x336699 + size), bsSolid});
        surface.Canvas().FillRect(0, 0, size, size);
    } else {
        group = FillDrawing(tree, size);
    }
    if (beforeWriting)
        beforeWriting();
    switch (kind) {
    case TSaveKind::Document:
        WriteDocument(path, tree, {800, 600, 10});
        break;
    case TSaveKind::ExtensionObject:
        WriteExtensionObject(path, tree, group);
        break;
    case TSaveKind::Bitmap:
        ExportBitmap(surface, path);
        break;
    case TSaveKind::Metafile:
        ExportMetafile(path, tree, 800, 600);
        break;
    }
}

} // namespace qm::test
