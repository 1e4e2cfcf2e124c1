#pragma once

#include "model/CanvasGeometry.h"
#include "model/ItemObject.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qm {

class TFileStreamEx;

// Record codes of the document file (".dof"). Every record starts with its
// code; the fields that follow depend on it, and there are no lengths.
enum TRecordCode : std::int32_t {
    rcEnd = 1,
    rcHeader = 3,
    rcCanvas = 4,
    rcNode = 10,        // ItemType, Name, Id, parent's Id
    rcPosition = 11,    // Id, X, Y
    rcStretch = 12,     // Id, StretchX, StretchY
    rcRoll = 13,        // Id, Roll
    rcPriority = 14,    // Id, Priority
    rcBrush = 15,       // Id, colour, style
    rcPen = 16,         // Id, colour, style, width
    rcActive = 17,      // Id, Active
    rcText = 18,        // Id, Text, Margin, LineSpacing, CenterH, CenterV, Font
    rcPoints = 19,      // Id, Count, Count x (x, y), CurveStyle, PStyle, DStyle
    rcControlPoints = 20, // Id, (C1.x, C1.y, C2.x, C2.y) per segment
};

inline constexpr std::string_view kDocumentHeaderText = "Quillmark 1.1 dof";

// The largest canvas a document or the settings may ask for: 32767 pixels a
// side and 2^25 pixels in all, so each of the canvas's bitmaps stays within
// 128 MB. A negative side is no size at all.
inline constexpr std::int32_t kCanvasSideLimit = 32767;
inline constexpr std::int64_t kCanvasPixelLimit = std::int64_t{1} << 25;
bool IsCanvasSizeAllowed(std::int32_t width, std::int32_t height);

// The most nodes a drawing read from files may hold. A node record takes 20
// bytes of a file and some 650 bytes of memory, so without a bound a file
// of a few hundred megabytes would take the memory away; at the bound a
// tree takes about 1.3 GB.
inline constexpr std::size_t kMaxDocumentNodes = 2'000'000;

// Control-point quadruples of an item's control-points record: one per segment,
// Count - 1 for open figures and Count for a polygon, none without vertices.
std::int32_t ControlPointQuadruples(TItemType itemType, std::int32_t count);

void WriteHeaderRecord(TFileStreamEx& stream);
void WriteCanvasRecord(TFileStreamEx& stream, const TCanvasGeometry& canvas);
// One of the records rcNode .. rcControlPoints of an item filed under `id`.
// Array entries the item lacks are written as (0, 0), so the record always
// holds as many values as its counts say.
void WriteItemRecord(TFileStreamEx& stream, TRecordCode code, const TItemObject& item, std::int32_t id,
                     std::int32_t parentId);

// Reads the fields that follow the id of an item record (rcPosition ..
// rcControlPoints) into `item`; with a null item they are read and dropped.
// Counts are checked against the bytes left before anything is allocated.
// Throws TFileError when the file ends early or holds a corrupt count or length.
void ReadItemFields(TFileStreamEx& stream, TRecordCode code, TItemObject* item);

// Throws TFileError when the stream has met a short read or a corrupt length.
void CheckStream(TFileStreamEx& stream);

} // namespace qm
