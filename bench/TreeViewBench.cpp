// The tree window on documents of 100 000 items: opening one (the model is
// reset and the view lays out and paints), adding the items one by one while
// the window shows them, a new document deleting them all, and a tenth of
// them put to the front.
#include "../tests/canvas/CanvasTestSupport.h"
#include "../tests/app/ScriptedDialogs.h"
#include "app/EditForm1.h"
#include "app/TreeForm1.h"
#include "canvas/CanvasWindow.h"
#include "canvas/EditCommands.h"

#include <QApplication>
#include <QTreeView>

#include <benchmark/benchmark.h>

#include <string>

namespace qm {
namespace {

constexpr int kItems = 100000;

struct TShownTree {
    TShownTree()
        : canvas(tree, main, textBox, TCanvasGeometry{400, 400, 10}, QStringList{}),
          commands(tree, canvas, main, textBox, dialogs), editor(tree, dialogs),
          form(tree, canvas, commands, editor)
    {
        form.show();
        Show();
    }
    // Lays out and paints the window now, as the event loop would.
    void Show() { form.TreeView1()->viewport()->repaint(); }

    TObjectTree tree;
    TMainState main;
    test::TFakeTextBox textBox;
    test::TScriptedDialogs dialogs;
    TCanvasWindow canvas;
    TEditCommands commands;
    TEditForm1 editor;
    TTreeForm1 form;
};

// `groups` groups of kItems / groups items each; 1: all items in "Object".
void AddItems(TObjectTree& tree, int groups)
{
    const int perGroup = kItems / groups;
    for (int g = 0; g < groups; ++g) {
        TTreeNode* parent = groups == 1 ? tree.ObjectRoot() : tree.AddItem(tree.ObjectRoot(), "group", itGroup);
        for (int i = 0; i < perGroup; ++i)
            tree.AddItem(parent, "item" + std::to_string(i), itRectangle);
    }
}

void BM_OpenDocument(benchmark::State& state)
{
    TShownTree shown;
    for (auto _ : state) {
        state.PauseTiming();
        {
            TObjectTree opened;
            AddItems(opened, static_cast<int>(state.range(0)));
            state.ResumeTiming();
            shown.tree.ReplaceContents(opened);
            shown.form.TreeView1()->scrollToBottom();
            shown.Show();
            state.PauseTiming();
        } // the drawing shown before leaves with `opened`, untimed
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenDocument)->Arg(1)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_AddItemsWhileShown(benchmark::State& state)
{
    TShownTree shown;
    for (auto _ : state) {
        AddItems(shown.tree, static_cast<int>(state.range(0)));
        shown.Show();
        state.PauseTiming();
        shown.tree.NewDocument();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_AddItemsWhileShown)->Arg(1)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_NewDocumentWhileShown(benchmark::State& state)
{
    TShownTree shown;
    for (auto _ : state) {
        state.PauseTiming();
        TObjectTree opened;
        AddItems(opened, static_cast<int>(state.range(0)));
        shown.tree.ReplaceContents(opened);
        shown.Show();
        state.ResumeTiming();
        shown.tree.NewDocument();
        shown.Show();
    }
}
BENCHMARK(BM_NewDocumentWhileShown)->Arg(1)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(3);

// "最前面へ移動" on every tenth of 100 000 items while the window shows
// them: each item that moves is one row moved in the view. Undone untimed.
void BM_BringToFrontWhileShown(benchmark::State& state)
{
    TShownTree shown;
    AddItems(shown.tree, 1);
    shown.tree.ClearHistory();
    shown.Show();
    for (auto _ : state) {
        state.PauseTiming();
        shown.canvas.ClearSelection();
        int k = 0;
        for (TTreeNode* node = shown.tree.ObjectRoot()->FirstChild(); node; node = node->NextSibling(), ++k) {
            if (k % 10 == 1)
                shown.canvas.ToggleSelection(node);
        }
        state.ResumeTiming();
        shown.commands.RestackSelection(TObjectTree::TRestack::ToFront);
        shown.Show();
        state.PauseTiming();
        shown.commands.Undo();
        shown.Show();
        shown.tree.ClearHistory();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_BringToFrontWhileShown)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
} // namespace qm

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
