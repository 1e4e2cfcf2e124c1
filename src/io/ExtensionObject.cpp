#include "ExtensionObject.h"

#include "DocumentRecords.h"
#include "FileError.h"
#include "IniKeys.h"

#include "model/ObjectTree.h"
#include "platform/IniFile.h"
#include "platform/ShiftJis.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace qm {

namespace {

constexpr std::string_view kSystem = "System";
constexpr std::string_view kShared = "Item";
constexpr std::int32_t kExtensionFileType = 2;
constexpr std::int32_t kNoChild = -1;

const std::string& FailedName()
{
    static const std::string name = Utf8ToCp932("失敗");
    return name;
}

TPoint EntryOrZero(const TPointArray& points, std::int32_t index)
{
    return static_cast<std::size_t>(index) < points.size() ? points[static_cast<std::size_t>(index)] : TPoint{};
}

// Collects the writes of one save; any refused write fails the whole save.
class TSectionWriter {
public:
    explicit TSectionWriter(TIniFile& file) : file_(file) {}

    void Integer(std::string_view section, std::string_view key, std::int32_t value)
    {
        written_ = file_.WriteInteger(section, key, value) && written_;
    }
    void Float(std::string_view section, std::string_view key, float value)
    {
        written_ = file_.WriteFloat(section, key, value) && written_;
    }
    void String(std::string_view section, std::string_view key, std::string_view value)
    {
        written_ = file_.WriteString(section, key, value) && written_;
    }
    bool Written() const { return written_; }

private:
    TIniFile& file_;
    bool written_ = true;
};

void WriteItemSection(TSectionWriter& out, const std::string& section, const TTreeNode& node)
{
    const TItemObject& item = *node.Data();
    out.String(section, "Name", item.Name);
    out.Integer(section, "ItemType", StoredCode(item.ItemType));
    out.Integer(section, "CoItemCount", node.ChildCount());
    out.Integer(section, "X", item.X);
    out.Integer(section, "Y", item.Y);
    out.Float(section, "StretchX", item.StretchX);
    out.Float(section, "StretchY", item.StretchY);
    out.Integer(section, "Roll", item.Roll);
    out.Integer(section, "BrushColor", static_cast<std::int32_t>(item.Brush.Color));
    out.Integer(section, "BrushStyle", item.Brush.Style);
    out.Integer(section, "PenColor", static_cast<std::int32_t>(item.Pen.Color));
    out.Integer(section, "PenStyle", item.Pen.Style);
    out.Integer(section, "PenWidth", item.Pen.Width);
    out.Integer(section, "Count", item.Count);
    for (std::int32_t i = 0; i < item.Count; ++i) {
        const TPoint point = EntryOrZero(item.Points, i);
        out.Integer(section, NumberedKey("PX", i), point.x);
        out.Integer(section, NumberedKey("PY", i), point.y);
    }
    for (std::int32_t i = 0; i < ControlPointQuadruples(item.ItemType, item.Count); ++i) {
        const TPoint c1 = EntryOrZero(item.C1, i);
        const TPoint c2 = EntryOrZero(item.C2, i);
        out.Integer(section, NumberedKey("C1X", i), c1.x);
        out.Integer(section, NumberedKey("C1Y", i), c1.y);
        out.Integer(section, NumberedKey("C2X", i), c2.x);
        out.Integer(section, NumberedKey("C2Y", i), c2.y);
    }
    out.Integer(kShared, "CurveStyle", StoredCode(item.CurveStyle));
    out.Integer(kShared, "PStyle", StoredCode(item.PStyle));
    out.Integer(kShared, "DStyle", StoredCode(item.DStyle));
}

// A stretch as the item holds it, single precision: one beyond its range
// would become infinite, so like a value that does not convert it gives 0.
float ReadStretch(const TIniFile& file, const std::string& section, std::string_view key)
{
    const double stored = file.ReadFloat(section, key, 0);
    return std::abs(stored) <= std::numeric_limits<float>::max() ? static_cast<float>(stored) : 0.0f;
}

// One item of a file being inserted: its values and the number of children it names.
struct TStoredItem {
    TItemObject Item;
    std::int32_t ChildCount = 0;
};

// `pointsLeft`: how many more points the file may still name; an item's
// points are taken from it.
TStoredItem ReadItemSection(const TIniFile& file, const std::string& section, std::int64_t& pointsLeft,
                            const QString& path)
{
    TStoredItem stored;
    TItemObject& item = stored.Item;
    item.Name = file.ReadString(section, "Name", FailedName());
    item.ItemType = FromStoredCode<TItemType>(file.ReadInteger(section, "ItemType", StoredCode(itRectangle)));
    stored.ChildCount = file.ReadInteger(section, "CoItemCount", 0);
    item.X = file.ReadInteger(section, "X", 0);
    item.Y = file.ReadInteger(section, "Y", 0);
    item.StretchX = ReadStretch(file, section, "StretchX");
    item.StretchY = ReadStretch(file, section, "StretchY");
    item.Roll = file.ReadInteger(section, "Roll", 0);
    item.Brush.Color = static_cast<TColor>(file.ReadInteger(section, "BrushColor", 0));
    item.Brush.Style = BrushStyleFromOrdinal(file.ReadInteger(section, "BrushStyle", 0) & 0xFF);
    item.Pen.Color = static_cast<TColor>(file.ReadInteger(section, "PenColor", 0));
    item.Pen.Style = PenStyleFromOrdinal(file.ReadInteger(section, "PenStyle", 0) & 0xFF);
    item.Pen.Width = file.ReadInteger(section, "PenWidth", 0);
    const std::int32_t count = file.ReadInteger(section, "Count", 0);
    if (count > pointsLeft)
        ThrowPointCountTooLarge(path, count);
    pointsLeft -= std::max(count, 0);
    item.Count = count;
    if (count > 0) {
        item.Points.resize(static_cast<std::size_t>(count) + 1); // one spare entry, as the editor always kept
        for (std::int32_t j = 0; j < count; ++j) {
            item.Points[static_cast<std::size_t>(j)] = {file.ReadInteger(section, NumberedKey("PX", j), 0),
                                                        file.ReadInteger(section, NumberedKey("PY", j), 0)};
        }
        item.C1.resize(static_cast<std::size_t>(count));
        item.C2.resize(static_cast<std::size_t>(count));
        for (std::int32_t j = 0; j < ControlPointQuadruples(item.ItemType, count); ++j) {
            item.C1[static_cast<std::size_t>(j)] = {file.ReadInteger(section, NumberedKey("C1X", j), 0),
                                                    file.ReadInteger(section, NumberedKey("C1Y", j), 0)};
            item.C2[static_cast<std::size_t>(j)] = {file.ReadInteger(section, NumberedKey("C2X", j), 0),
                                                    file.ReadInteger(section, NumberedKey("C2Y", j), 0)};
        }
    }
    item.CurveStyle = FromStoredCode<TCurveStyle>(file.ReadInteger(kShared, "CurveStyle", StoredCode(csStraight)));
    item.PStyle = FromStoredCode<TLineEnd>(file.ReadInteger(kShared, "PStyle", StoredCode(lePlain)));
    item.DStyle = FromStoredCode<TLineEnd>(file.ReadInteger(kShared, "DStyle", StoredCode(lePlain)));
    return stored;
}

// A new node under `parent` with every default of a new item, then the stored
// values; id, priority, text and font stay those of a new item.
TTreeNode* AddStoredItem(TObjectTree& tree, TTreeNode* parent, TItemObject&& stored)
{
    TTreeNode* node = tree.AddItem(parent, stored.Name, stored.ItemType);
    tree.ChangeItem(node, [&stored](TItemObject& item) {
    item.X = stored.X;
    item.Y = stored.Y;
    item.StretchX = stored.StretchX;
    item.StretchY = stored.StretchY;
    item.Roll = stored.Roll;
    item.Brush = stored.Brush;
    item.Pen = stored.Pen;
    item.Count = stored.Count;
    item.Points = std::move(stored.Points);
    item.C1 = std::move(stored.C1);
    item.C2 = std::move(stored.C2);
    item.CurveStyle = stored.CurveStyle;
    item.PStyle = stored.PStyle;
    item.DStyle = stored.DStyle;
    });
    return node;
}

} // namespace

void WriteExtensionObject(const QString& path, const TObjectTree& tree, const TTreeNode* node)
{
    if (!node)
        return;
    TIniFile file(path.toStdString());
    file.BeginUpdate(); // never ended on failure: nothing reaches the file
    TSectionWriter out(file);
    out.Integer(kSystem, "FileType", kExtensionFileType);
    out.String(kSystem, "Owner", "Unkown");

    // Sections are numbered in writing order: an item, then each child with
    // all of its descendants, depth first.
    struct TPending {
        const TTreeNode* Node;
        std::string ParentSection; // empty for the saved object
        std::int32_t Position;     // among the parent's children, in tree order
    };
    std::vector<TPending> pending{{node, {}, 0}};
    std::int32_t nextSection = 0;
    while (!pending.empty()) {
        const TPending current = std::move(pending.back());
        pending.pop_back();
        const std::string section = std::to_string(nextSection);
        if (!current.ParentSection.empty())
            out.Integer(current.ParentSection, NumberedKey("CoItem", current.Position), nextSection);
        ++nextSection;
        WriteItemSection(out, section, *current.Node);

        std::unordered_map<const TTreeNode*, std::int32_t> positions;
        std::int32_t position = 0;
        for (const TTreeNode* child = current.Node->FirstChild(); child; child = child->NextSibling())
            positions.emplace(child, position++);
        const std::vector<TTreeNode*> children = tree.ChildrenByPriority(current.Node);
        for (auto child = children.rbegin(); child != children.rend(); ++child)
            pending.push_back({*child, section, positions.at(*child)});
    }
    if (!out.Written() || !file.EndUpdate())
        throw TFileError(TFileError::TKind::CannotCreate, path);
}

TTreeNode* InsertExtensionObject(const QString& path, TObjectTree& tree, TTreeNode* parent)
{
    const QFileInfo info(path);
    QFile probe(path);
    if (!info.isFile() || !probe.open(QIODevice::ReadOnly))
        throw TFileError(TFileError::TKind::CannotOpen, path);
    probe.close();
    const TIniFile file(path.toStdString());
    if (!file.Readable())
        throw TFileError(TFileError::TKind::CannotOpen, path);
    if (file.ReadInteger(kSystem, "FileType", kExtensionFileType) != kExtensionFileType)
        return nullptr;
    // One budget for the whole file: each item may not name the most points
    // a file of this size holds, or a small file of many items would ask for
    // gigabytes.
    std::int64_t pointsLeft = MaxPointCount(info.size());

    struct TOpenItem {
        TTreeNode* Node;
        std::string Section;
        std::int32_t ChildCount;
        std::int32_t NextChild = 0;
    };
    const auto checkRoom = [&tree, &path] {
        if (tree.NodeCount() >= kMaxDocumentNodes) {
            const QString detail = QStringLiteral("図形の数が %1 個を超えます").arg(kMaxDocumentNodes);
            throw TFileError(TFileError::TKind::CannotOpen, path, detail.toStdString());
        }
    };
    checkRoom();
    std::unordered_set<std::int32_t> sectionsRead{0};
    TStoredItem top = ReadItemSection(file, "0", pointsLeft, path);
    TTreeNode* topNode = AddStoredItem(tree, parent, std::move(top.Item));
    std::vector<TOpenItem> open{{topNode, "0", top.ChildCount}};
    try {
        while (!open.empty()) {
            TOpenItem& current = open.back();
            if (current.NextChild >= current.ChildCount) {
                open.pop_back();
                continue;
            }
            const std::int32_t section = file.ReadInteger(current.Section, NumberedKey("CoItem", current.NextChild++),
                                                          kNoChild);
            if (section == kNoChild || !sectionsRead.insert(section).second) {
                current.NextChild = current.ChildCount; // the rest of the children are not read
                continue;
            }
            checkRoom();
            TStoredItem child = ReadItemSection(file, std::to_string(section), pointsLeft, path);
            TTreeNode* childNode = AddStoredItem(tree, current.Node, std::move(child.Item));
            open.push_back({childNode, std::to_string(section), child.ChildCount});
        }
    } catch (...) {
        tree.DeleteSubtree(topNode);
        throw;
    }
    return topNode;
}

} // namespace qm
