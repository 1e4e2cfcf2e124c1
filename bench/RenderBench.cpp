// Frame time of the editor: a full render of a 10 000-item drawing onto an
// 800 x 600 surface (background, grid, every item), and the same drawing
// split by kind of item to show where the time goes. CPU time counts every
// thread of the process, Qt's painting helpers included.
#include "render/DocumentRenderer.h"

#include "platform/ShiftJis.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qm {
namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr int kItems = 10000;

// The raster canvas paints with QPainter, which needs a GUI application.
void EnsureGuiApplication()
{
    static int argc = 1;
    static char name[] = "render_bench";
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
};

void AddItem(TObjectTree& tree, TKind kind, TSequence& random, bool withText, const std::string& text)
{
    const int x = random.Next(kWidth - 160) + 10;
    const int y = random.Next(kHeight - 160) + 10;
    const int w = random.Next(140) + 10;
    const int h = random.Next(140) + 10;
    std::int32_t type = itRectangle;
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
    TItemObject& item = *node->Data();
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
        item.PStyle = 1;
        item.DStyle = 1;
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
}

void BuildDrawing(TObjectTree& tree, const TDrawingOptions& options)
{
    // 20 characters, kana and kanji, as CP932.
    const std::string text = Utf8ToCp932("図形の説明文をここに書きます。日本語の文");
    TSequence random;
    for (int i = 0; i < kItems; ++i) {
        const TKind kind = options.onlyKind.value_or(static_cast<TKind>(i % static_cast<int>(TKind::Count)));
        AddItem(tree, kind, random, options.withText && i % 10 == 0, text);
    }
}

void RenderDrawing(benchmark::State& state, const TDrawingOptions& options)
{
    EnsureGuiApplication();
    TObjectTree tree;
    BuildDrawing(tree, options);
    TBitmapX surface;
    surface.InitBitmap(kWidth, kHeight);
    TCanvasBackground background;
    background.ShowGrid = true;
    // The editor renders after every change; measure the frames after the
    // first, whose glyph images are already made.
    TDocumentRenderer(tree, surface).RepaintAll();
    for (auto _ : state) {
        ClearCanvas(surface, background);
        TDocumentRenderer(tree, surface).RepaintAll();
        benchmark::DoNotOptimize(surface.Bitmap().Pixel(400, 300)); // ends painting: the frame is complete
    }
    state.SetItemsProcessed(state.iterations() * kItems);
}

void BM_FullRender(benchmark::State& state)
{
    RenderDrawing(state, {});
}
BENCHMARK(BM_FullRender)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

void BM_FullRenderWithoutText(benchmark::State& state)
{
    RenderDrawing(state, {.onlyKind = std::nullopt, .withText = false});
}
BENCHMARK(BM_FullRenderWithoutText)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

// 10 000 items of one kind, without text: the cost of each kind.
void BM_RenderKind(benchmark::State& state)
{
    const auto kind = static_cast<TKind>(state.range(0));
    static const char* const names[] = {"rectangles", "ellipses", "dashed lines", "wide lines",
                                        "arrows",     "splines",  "beziers",      "polygons"};
    state.SetLabel(names[state.range(0)]);
    RenderDrawing(state, {.onlyKind = kind, .withText = false});
}
BENCHMARK(BM_RenderKind)->DenseRange(0, static_cast<int>(TKind::Count) - 1)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

// 10 000 items, each with the 20-character text: text alone.
void BM_RenderTextOnly(benchmark::State& state)
{
    EnsureGuiApplication();
    TObjectTree tree;
    BuildDrawing(tree, {.onlyKind = TKind::Rectangle, .withText = true});
    std::vector<TTreeNode*> texted;
    for (TTreeNode* node = tree.ObjectRoot()->FirstChild(); node; node = node->NextSibling())
        if (!node->Data()->Text.empty())
            texted.push_back(node);
    TBitmapX surface;
    surface.InitBitmap(kWidth, kHeight);
    const auto drawTexts = [&] {
        for (TTreeNode* node : texted) {
            const TItemObject& item = *node->Data();
            TRect rect;
            tree.PointToXY(node, rect);
            surface.Font = item.Font;
            surface.TextDrawEx2(rect, item.Text, item.Roll);
        }
    };
    drawTexts();
    for (auto _ : state) {
        drawTexts();
        benchmark::DoNotOptimize(surface.Bitmap().Pixel(400, 300));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(texted.size()) * 20);
    state.SetLabel("characters");
}
BENCHMARK(BM_RenderTextOnly)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

} // namespace
} // namespace qm
