#pragma once

// A drawing for the benchmarks: items of every kind with random places,
// colours, fills and turns, the same on every run.
#include "model/ObjectTree.h"
#include "platform/ShiftJis.h"

#include <QGuiApplication>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qm::bench {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr int kItems = 10000;

// The raster canvas paints with QPainter, which needs a GUI application.
inline void EnsureGuiApplication()
{
    static int argc = 1;
    static char name[] = "quillmark_bench";
    static char* argv[] = {name, nullptr};
    if (!QGuiApplication::instance()) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        new QGuiApplication(argc, argv);
    }
}

// Repeatable numbers without the standard library's unspecified engines.
class TSequence {
public:
    int Next(int bound)
    {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<int>((state_ >> 33) % static_cast<std::uint64_t>(bound));
    }

private:
    std::uint64_t state_ = 12345;
};

enum class TKind { Rectangle, Ellipse, DashedLine, WideLine, Arrow, Spline, Bezier, Polygon, Count };

struct TDrawingOptions {
    // Only items of this kind, or every kind in turn.
    std::optional<TKind> onlyKind;
    bool withText = true;
    int items = kItems;
};

inline void AddItem(TObjectTree& tree, TKind kind, TSequence& random, bool withText, const std::string& text)
{
    const int x = random.Next(kWidth - 160) + 10;
    const int y = random.Next(kHeight - 160) + 10;
    const int w = random.Next(140) + 10;
    const int h = random.Next(140) + 10;
    TItemType type = itRectangle;
    std::vector<TPoint> vertices = {{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}};
    switch (kind) {
    case TKind::Ellipse:
        type = itEllipse;
        break;
    case TKind::DashedLine:
    case TKind::WideLine:
        type = itLine;
        vertices = {{x, y}, {x + w, y + h}};
        break;
    case TKind::Arrow:
        type = itArrow;
        vertices = {{x, y}, {x + w, y + h / 2}, {x + w / 2, y + h}};
        break;
    case TKind::Spline:
    case TKind::Bezier:
        type = itCurve;
        vertices = {{x, y}, {x + w / 3, y + h}, {x + 2 * w / 3, y}, {x + w, y + h}};
        break;
    case TKind::Polygon:
        type = itPolygon;
        vertices = {{x, y}, {x + w, y + h / 3}, {x + w / 2, y + h}, {x, y + 2 * h / 3}, {x + w / 4, y + h / 2}};
        break;
    default:
        break;
    }
    TTreeNode* node = tree.AddItem(tree.ObjectRoot(), "item", type);
    for (const TPoint& p : vertices)
        tree.AddPoint(p.x, p.y, node);
    tree.PointToCenter(node);
    tree.ChangeItem(node, [&](TItemObject& item) {
    item.Pen.Color = RGB(random.Next(256), random.Next(256), random.Next(256));
    item.Brush = {RGB(random.Next(256), random.Next(256), random.Next(256)),
                  static_cast<TBrushStyle>(random.Next(8))};
    item.Roll = random.Next(4) == 0 ? random.Next(360) : 0;
    switch (kind) {
    case TKind::DashedLine:
        item.Pen.Style = psDash;
        item.Pen.Width = 1 + random.Next(4);
        break;
    case TKind::WideLine:
        item.Pen.Width = 3 + random.Next(10);
        break;
    case TKind::Arrow:
        item.PStyle = leArrow;
        item.DStyle = leArrow;
        item.Pen.Width = 1 + random.Next(3);
        break;
    case TKind::Spline:
        item.CurveStyle = csSpline;
        break;
    case TKind::Bezier:
        item.CurveStyle = csBezier;
        break;
    default:
        break;
    }
    if (withText)
        item.Text = text;
    });
}

// Items of every kind on an 800 x 600 canvas, every tenth with a text.
inline void BuildDrawing(TObjectTree& tree, const TDrawingOptions& options)
{
    // 20 characters, kana and kanji, as CP932.
    const std::string text = Utf8ToCp932("図形の説明文をここに書きます。日本語の文");
    TSequence random;
    for (int i = 0; i < options.items; ++i) {
        const TKind kind = options.onlyKind.value_or(static_cast<TKind>(i % static_cast<int>(TKind::Count)));
        AddItem(tree, kind, random, options.withText && i % 10 == 0, text);
    }
}

} // namespace qm::bench
