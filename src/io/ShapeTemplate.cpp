#include "ShapeTemplate.h"

#include "FileError.h"
#include "IniKeys.h"

#include "model/ObjectTree.h"
#include "platform/IniFile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

namespace qm {

namespace {

// "FileType" of a template that gives its own "ItemType" (a polygon when it
// names none).
constexpr std::int32_t kOwnItemType = 1;
constexpr TItemType kOwnItemTypeDefault = itPolygon;

const unsigned char kBuiltInRect[] = {
#include "BuiltInRectTemplate.inc"
};

} // namespace

TTreeNode* ReadShapeTemplate(const QString& path, TObjectTree& tree, TItemType itemType, std::int32_t canvasWidth,
                             std::int32_t canvasHeight)
{
    const TIniFile file(path.toStdString());
    if (!file.Readable())
        throw TFileError(TFileError::TKind::CannotOpen, path);
    const std::string name = file.ReadString("Item", "Name", "error");
    if (file.ReadInteger("System", "FileType", 0) == kOwnItemType)
        itemType = FromStoredCode<TItemType>(file.ReadInteger("Item", "ItemType", StoredCode(kOwnItemTypeDefault)));
    const std::int32_t count = file.ReadInteger("Item", "Count", 0);
    if (count > MaxPointCount(QFileInfo(path).size()))
        ThrowPointCountTooLarge(path, count);

    TTreeNode* node = tree.AddItem(tree.ObjectRoot(), name, itemType);
    if (count > 0) {
        // The points relative to the new item's anchor (0, 0); the default
        // control points are computed once all of them are in.
        TPointArray points;
        points.reserve(static_cast<std::size_t>(count));
        for (std::int32_t i = 0; i < count; ++i)
            points.push_back({file.ReadInteger("Item", NumberedKey("PX", i), 0),
                              file.ReadInteger("Item", NumberedKey("PY", i), 0)});
        tree.ChangeItem(node, [&points, count](TItemObject& item) {
            item.Points = std::move(points);
            item.Count = count;
        });
        tree.CarvePoint(node);
    }
    const bool spline = file.ReadBool("Item", "CurveStyle", node->Data()->CurveStyle != csStraight);
    tree.ChangeItem(node, [spline](TItemObject& item) { item.CurveStyle = spline ? csSpline : csStraight; });
    tree.MoveItem(canvasWidth / 2, canvasHeight / 2, node);
    return node;
}

QString InstalledDataFolder(const QString& executableDir)
{
    // QM_DATA_FROM_BINARY: the data folder relative to the executable's, from the install rules.
    return QDir::cleanPath(QDir(executableDir).filePath(QStringLiteral(QM_DATA_FROM_BINARY)));
}

QStringList RectTemplateFolders(const QString& executableDir)
{
    return {executableDir, InstalledDataFolder(executableDir)};
}

std::string_view BuiltInRectTemplate()
{
    return {reinterpret_cast<const char*>(kBuiltInRect), sizeof kBuiltInRect};
}

TTreeNode* ReadRectTemplate(const QStringList& folders, TObjectTree& tree, TItemType itemType,
                            std::int32_t canvasWidth, std::int32_t canvasHeight)
{
    const QString fileName = QString::fromLatin1(kRectTemplateName.data(), kRectTemplateName.size());
    for (const QString& folder : folders) {
        const QString path = QDir(folder).filePath(fileName);
        if (!QFileInfo(path).isFile())
            continue;
        // A damaged file must not take the tools away (nor throw out of a
        // mouse handler): the built-in copy stands in, as for a missing one.
        try {
            return ReadShapeTemplate(path, tree, itemType, canvasWidth, canvasHeight);
        } catch (const TFileError&) {
            break;
        }
    }
    // The settings reader works on files: hand it the built-in copy as one.
    QTemporaryFile builtIn(QDir::temp().filePath("quillmark-XXXXXX.udf"));
    const std::string_view text = BuiltInRectTemplate();
    if (builtIn.open())
        builtIn.write(text.data(), static_cast<qint64>(text.size()));
    builtIn.close();
    return ReadShapeTemplate(builtIn.fileName(), tree, itemType, canvasWidth, canvasHeight);
}

} // namespace qm
