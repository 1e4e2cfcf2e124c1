// Speed of saving and opening documents of 1 000 to 1 000 000 items, and the
// memory an opened drawing takes, next to
// the plain algorithms as first described (a file reopened for every record;
// ids looked up by scanning the tree) as a baseline; and how fast corrupt
// counts are refused.
#include "../tests/io/IoTestSupport.h"
#include "HeapBytes.h"
#include "io/DocumentReader.h"
#include "io/DocumentWriter.h"
#include "io/FileError.h"
#include "io/FileStreamEx.h"
#include "platform/ShiftJis.h"

#include <benchmark/benchmark.h>

#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <chrono>

namespace qm {
namespace {

using bench::HeapBytes;

constexpr TCanvasGeometry kCanvas{1024, 768, 16};

const QTemporaryDir& ScratchDir()
{
    static const QTemporaryDir dir;
    return dir;
}

QString ScratchPath(const char* name)
{
    return ScratchDir().path() + "/" + name;
}

// Groups of ten under the Object root; shapes of every type with 2 to 6
// vertices; every second item carries a text.
std::unique_ptr<TObjectTree> MakeDrawing(int items)
{
    static const std::array<std::string, 6> names = {Utf8ToCp932("新しい四角形"), Utf8ToCp932("新しい円"),
                                                     Utf8ToCp932("新しい直線"), Utf8ToCp932("新しい矢印"),
                                                     Utf8ToCp932("新しい曲線"), Utf8ToCp932("新しい多角形")};
    static const std::array<int, 6> vertices = {4, 4, 2, 2, 5, 6};
    static const std::string text = Utf8ToCp932("テキストの行\r\n二行目");
    auto tree = std::make_unique<TObjectTree>();
    TTreeNode* group = nullptr;
    for (int i = 0; i < items; ++i) {
        if (i % 10 == 0) {
            group = tree->AddItem(tree->ObjectRoot(), Utf8ToCp932("新しいグループ"), itGroup);
            continue;
        }
        const int type = i % 6;
        TTreeNode* node = tree->AddItem(group, names[static_cast<std::size_t>(type)], FromStoredCode<TItemType>(type));
        for (int v = 0; v < vertices[static_cast<std::size_t>(type)]; ++v)
            tree->AddPoint(i % 800 + 13 * v, i % 600 + 7 * (v % 3), node);
        if (i % 2 == 0)
            tree->ChangeItem(node, [&text](TItemObject& item) { item.Text = text; });
    }
    return tree;
}

void ReportFile(benchmark::State& state, const QString& path, int items)
{
    state.counters["file_bytes"] = static_cast<double>(QFileInfo(path).size());
    state.counters["items"] = items;
}

void BM_SaveDocument(benchmark::State& state)
{
    const auto items = static_cast<int>(state.range(0));
    auto tree = MakeDrawing(items);
    const QString path = ScratchPath("save.dof");
    for (auto _ : state)
        WriteDocument(path, *tree, kCanvas);
    ReportFile(state, path, items);
}
BENCHMARK(BM_SaveDocument)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveDocument)->Arg(1'000'000)->Iterations(1)->Unit(benchmark::kMillisecond);

// The recovery file written a slice at a time, as autosave does between
// passes of the event loop: the longest single pause of the user interface
// (opening the file, a slice of 2000 nodes, the end record); the flush and
// rename, which autosave leaves to a thread of its own, apart.
void BM_AutosavePauses(benchmark::State& state)
{
    const auto tree = MakeDrawing(static_cast<int>(state.range(0)));
    const QString path = ScratchPath("autosave.dof");
    double longest = 0;
    double closeMs = 0;
    for (auto _ : state) {
        const auto timed = [&longest](auto&& pass) {
            const auto start = std::chrono::steady_clock::now();
            pass();
            longest = std::max(longest, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        };
        std::unique_ptr<TDocumentWriter> writer;
        timed([&] { writer = std::make_unique<TDocumentWriter>(path, *tree, kCanvas); });
        bool done = false;
        while (!done)
            timed([&] { done = writer->WriteSome(2000); });
        timed([&] { writer->WriteEnd(); });
        const auto closing = std::chrono::steady_clock::now();
        writer->Close();
        closeMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - closing).count();
    }
    state.counters["longest_pause_ms"] = longest;
    state.counters["close_on_thread_ms"] = closeMs;
}
BENCHMARK(BM_AutosavePauses)->Arg(100000)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AutosavePauses)->Arg(1'000'000)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_OpenDocument(benchmark::State& state)
{
    const auto items = static_cast<int>(state.range(0));
    const QString path = ScratchPath("open.dof");
    WriteDocument(path, *MakeDrawing(items), kCanvas);
    double treeBytes = 0;
    for (auto _ : state) {
        const std::size_t before = HeapBytes();
        TDocument document = ReadDocument(path);
        benchmark::DoNotOptimize(document.Tree->NodeCount());
        state.PauseTiming(); // freeing the tree is not part of opening it
        treeBytes = static_cast<double>(HeapBytes() - before);
        document.Tree.reset();
        state.ResumeTiming();
    }
    ReportFile(state, path, items);
    state.counters["tree_mb"] = treeBytes / (1 << 20);
}
BENCHMARK(BM_OpenDocument)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenDocument)->Arg(1'000'000)->Iterations(1)->Unit(benchmark::kMillisecond);

// Documents of a few dozen bytes whose counts and lengths ask for up to a
// billion entries: each is refused without reading or reserving that much.
void BM_RefuseCorruptCounts(benchmark::State& state)
{
    std::vector<QString> paths;
    for (const test::TCorruptDocument& document : test::CorruptCountDocuments()) {
        paths.push_back(ScratchPath("corrupt") + QString::number(paths.size()) + ".dof");
        test::PutFile(paths.back(), document.Bytes);
    }
    for (auto _ : state) {
        for (const QString& path : paths) {
            try {
                ReadDocument(path);
                state.SkipWithError("a corrupt document was read");
                return;
            } catch (const TFileError&) {
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(paths.size()));
}
BENCHMARK(BM_RefuseCorruptCounts)->Unit(benchmark::kMicrosecond);

// --- Baseline: the plain algorithms -----------------------------------------

// The file is created holding only the end record; every record then opens
// it again, goes back over the end record, writes itself and a new end record.
void WriteDocumentByAppending(const QString& path, const TObjectTree& tree)
{
    {
        TFileStreamEx stream;
        stream.InitFile(path, TFileStreamEx::fmCreate);
        stream.WriteInteger(rcEnd);
        stream.CloseFile();
    }
    auto append = [&path](auto&& writeRecord) {
        TFileStreamEx stream;
        stream.InitFile(path, TFileStreamEx::fmOpenReadWrite);
        stream.Seek(-4, TFileStreamEx::soFromEnd);
        writeRecord(stream);
        stream.WriteInteger(rcEnd);
        stream.CloseFile();
    };
    append([](TFileStreamEx& s) { WriteHeaderRecord(s); });
    append([](TFileStreamEx& s) { WriteCanvasRecord(s, kCanvas); });
    std::int32_t id = 0;
    std::vector<std::pair<const TTreeNode*, std::int32_t>> pending{{tree.ObjectRoot(), 0}};
    while (!pending.empty()) {
        const auto [node, parentId] = pending.back();
        pending.pop_back();
        ++id;
        for (std::int32_t code = rcNode; code <= rcControlPoints; ++code) {
            append([&](TFileStreamEx& s) {
                WriteItemRecord(s, static_cast<TRecordCode>(code), *node->Data(), id, parentId);
            });
        }
        for (const TTreeNode* child = node->LastChild(); child; child = child->PrevSibling())
            pending.emplace_back(child, id);
    }
}

// A scan of every node in tree order; the last node when none has the id.
TTreeNode* ScanForId(const TObjectTree& tree, std::int32_t id)
{
    TTreeNode* last = nullptr;
    std::vector<TTreeNode*> pending;
    if (tree.FirstTopLevelNode())
        pending.push_back(tree.FirstTopLevelNode());
    while (!pending.empty()) {
        TTreeNode* node = pending.back();
        pending.pop_back();
        if (node->Data()->Id == id)
            return node;
        last = node;
        if (node->NextSibling())
            pending.push_back(node->NextSibling());
        if (node->FirstChild())
            pending.push_back(node->FirstChild());
    }
    return last;
}

std::unique_ptr<TObjectTree> ReadDocumentByScanning(const QString& path)
{
    auto tree = std::make_unique<TObjectTree>(TObjectTree::Empty);
    TFileStreamEx stream;
    stream.InitFile(path, TFileStreamEx::fmOpenRead);
    std::int32_t records = 0;
    std::int32_t code = 0;
    while (stream.ReadInteger(code) == 0 && code != rcEnd) {
        ++records;
        std::int32_t value = 0;
        std::string text;
        if (code == rcHeader) {
            stream.ReadString(text);
        } else if (code == rcCanvas) {
            for (int i = 0; i < 3; ++i)
                stream.ReadInteger(value);
        } else if (code == rcNode) {
            std::int32_t type = 0, id = 0, parentId = 0;
            stream.ReadInteger(type);
            stream.ReadString(text);
            stream.ReadInteger(id);
            stream.ReadInteger(parentId);
            TTreeNode* node = tree->AddItem(ScanForId(*tree, parentId), text, FromStoredCode<TItemType>(type));
            tree->SetItemId(node, id);
            tree->MarkFixedNode(node);
        } else if (code > rcNode && code <= rcControlPoints) {
            stream.ReadInteger(value);
            const auto record = static_cast<TRecordCode>(code);
            if (TTreeNode* node = ScanForId(*tree, value))
                tree->ChangeItem(node, [&](TItemObject& item) { ReadItemFields(stream, record, &item); });
            else
                ReadItemFields(stream, record, nullptr);
        }
    }
    tree->SetItemCounter(records);
    return tree;
}

void BM_SaveDocumentByAppending(benchmark::State& state)
{
    const auto items = static_cast<int>(state.range(0));
    auto tree = MakeDrawing(items);
    const QString path = ScratchPath("append.dof");
    for (auto _ : state)
        WriteDocumentByAppending(path, *tree);
    ReportFile(state, path, items);
}
BENCHMARK(BM_SaveDocumentByAppending)->Arg(1000)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_OpenDocumentByScanning(benchmark::State& state)
{
    const auto items = static_cast<int>(state.range(0));
    const QString path = ScratchPath("scan.dof");
    WriteDocument(path, *MakeDrawing(items), kCanvas);
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadDocumentByScanning(path)->NodeCount());
    ReportFile(state, path, items);
}
BENCHMARK(BM_OpenDocumentByScanning)->Arg(1000)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace qm
