#include "ItemObject.h"

#include "platform/ShiftJis.h"

#include <algorithm>

namespace qm {

int TItemObject::VertexCount() const
{
    return std::clamp(Count, 0, static_cast<std::int32_t>(std::min<std::size_t>(Points.size(), INT32_MAX)));
}

int TItemObject::SegmentCount() const
{
    const int vertices = VertexCount();
    if (vertices == 0)
        return 0;
    return ItemType == itPolygon ? vertices : vertices - 1;
}

const TFont& DefaultItemFont()
{
    static const TFont font = [] {
        TFont f;
        f.Name = Utf8ToCp932("ＭＳ Ｐゴシック");
        f.Height = -12;
        f.Charset = SHIFTJIS_CHARSET;
        f.Color = clWindowText;
        f.Style = 0;
        return f;
    }();
    return font;
}

} // namespace qm
