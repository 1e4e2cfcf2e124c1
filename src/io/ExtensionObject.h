#pragma once

#include <QString>

namespace qm {

class TObjectTree;
class TTreeNode;

// Extension object files (".ud2"): one item or group with everything below it,
// as an INI file. Section "System" holds "FileType" 2 and "Owner"; every item
// has a numbered section of its own (0 for the saved object, then 1, 2, ... in
// writing order), whose "CoItem<k>" keys name the sections of its children by
// their position k in the tree. "CurveStyle", "PStyle" and "DStyle" stand once
// per file, in section "Item", with the values of the item written last.

// Saves `node` and its descendants, children in drawing order (ascending
// priority, equal priorities in tree order). Entries of the file that are not
// written stay as they were. The file is written once, when complete; throws
// TFileError ("ファイル %s を作成できません") when that fails.
void WriteExtensionObject(const QString& path, const TObjectTree& tree, const TTreeNode* node);

// Inserts the object of an extension object file under `parent` and returns
// its node; null when the file's "FileType" is present and not 2. A missing key
// takes its default; the children of an item are read up to the first missing
// "CoItem" entry. Each section is read at most once per insert: a "CoItem"
// naming a section read already (a loop, or two parents sharing a child) ends
// the reading of that item's children like a missing one.
//
// Throws TFileError ("ファイル %s は開けません") when the file cannot be read,
// names more points (over all its items) than it could possibly hold, or
// would take the tree past kMaxDocumentNodes; nothing is inserted then.
TTreeNode* InsertExtensionObject(const QString& path, TObjectTree& tree, TTreeNode* parent);

} // namespace qm
