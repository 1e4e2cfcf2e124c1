// The whole editor under seeded random input: presses, drags, double clicks,
// wheel turns and keys (the clipboard, undo and redo, Delete, Escape, Return,
// F2, letters, Japanese through input method events) sent as real Qt events
// to the real windows, on the sample drawing. The run fails on a crash or a
// sanitizer report, and when the drawing no longer saves and reopens to the
// same bytes. QUILLMARK_RANDOM_INPUT_SECONDS sets how long the new seeds run
// (a few seconds by default; CI's sanitizer build runs a minute).
#include "EditorFixture.h"

#include "app/TreeForm1.h"
#include "io/DocumentReader.h"
#include "io/DocumentWriter.h"

#include <QInputMethodEvent>
#include <QTest>
#include <QToolBar>
#include <QTreeView>

#include <chrono>
#include <random>

namespace qm::test {
namespace {

// Runs replayed on every run, by seed and number of events: a fixed one, and
// each run that once failed (the new-seed test prints its seed).
struct TKeptRun {
    unsigned seed;
    int events;
};
constexpr TKeptRun kKeptRuns[] = {
    {1, 400},
};

class RandomInputTest : public TEditorFixture {
protected:
    RandomInputTest()
    {
        dialogs->confirmAnswers.assign(100000, true);
        // A copy: a random Ctrl+S saves the drawing over the file it was
        // opened from, and the sample drawing is the repository's.
        const QString sample = Path("sample.dof");
        EXPECT_TRUE(QFile::copy(QStringLiteral(QM_SAMPLE_DOCUMENT), sample));
        files().OpenDocument(sample);
        Canvas().Repaint();
        app.CanvasForm().activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&app.CanvasForm()));
        // Modal dialogs the input opens (the object editor, the canvas
        // settings, a message) are closed as soon as they show.
        closeModals.setInterval(20);
        QObject::connect(&closeModals, &QTimer::timeout, [] {
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
        });
        closeModals.start();
    }
    TFileCommands& files() { return app.Files(); }

    // One random event to one of the editor's windows.
    void Send(std::mt19937& random)
    {
        const auto pick = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
        QWidget* picture = app.CanvasForm().findChild<TCanvasPicture*>();
        const QPoint at(pick(picture->width()), pick(picture->height()));
        QWidget* focused = QApplication::focusWidget() ? QApplication::focusWidget() : picture;
        switch (pick(12)) {
        case 0: QTest::mouseClick(picture, Qt::LeftButton, pick(4) == 0 ? Qt::ShiftModifier : Qt::NoModifier, at); break;
        case 1: QTest::mouseDClick(picture, Qt::LeftButton, {}, at); break;
        case 2: {
            QTest::mousePress(picture, Qt::LeftButton, {}, at);
            const QPoint to(pick(picture->width()), pick(picture->height()));
            QMouseEvent move(QEvent::MouseMove, to, picture->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, {});
            QApplication::sendEvent(picture, &move);
            QTest::mouseRelease(picture, Qt::LeftButton, {}, to);
            break;
        }
        case 3: {
            QWheelEvent wheel(at, picture->mapToGlobal(at), {}, {0, pick(2) ? 120 : -120}, Qt::NoButton,
                              pick(2) ? Qt::ControlModifier : Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(picture, &wheel);
            break;
        }
        case 4: {
            static const Qt::Key keys[] = {Qt::Key_C, Qt::Key_X, Qt::Key_V, Qt::Key_Z, Qt::Key_Y};
            QTest::keyClick(focused, keys[pick(5)], Qt::ControlModifier);
            break;
        }
        case 5: {
            static const Qt::Key keys[] = {Qt::Key_Delete, Qt::Key_Escape, Qt::Key_Return, Qt::Key_F2, Qt::Key_Backspace};
            QTest::keyClick(focused, keys[pick(5)]);
            break;
        }
        case 6: QTest::keyClicks(focused, QStringLiteral("ab")); break;
        case 7: {
            QInputMethodEvent composing(QStringLiteral("にほん"), {});
            QApplication::sendEvent(focused, &composing);
            QInputMethodEvent committed;
            committed.setCommitString(QStringLiteral("日本語"));
            QApplication::sendEvent(focused, &committed);
            break;
        }
        case 8: {
            auto* view = app.TreeForm().findChild<QTreeView*>();
            const QModelIndex index = view->indexAt(QPoint(pick(view->width()), pick(view->height())));
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
            break;
        }
        case 9: {
            // A shape tool from the tool bar.
            const QList<QToolBar*> bars = app.MainForm().findChildren<QToolBar*>();
            QToolBar* bar = bars.at(pick(static_cast<int>(bars.size())));
            if (!bar->actions().isEmpty())
                bar->actions().at(pick(static_cast<int>(bar->actions().size())))->trigger();
            break;
        }
        default: QTest::mouseClick(picture, Qt::LeftButton, {}, at); break;
        }
    }

    // The drawing saves, reopens and saves again to the same bytes.
    void ExpectTheDrawingSavesAndReopens(unsigned seed, int events)
    {
        WriteDocument(Path("first.dof"), app.Tree(), app.Tree().CanvasGeometry());
        TDocument reopened = ReadDocument(Path("first.dof"));
        WriteDocument(Path("second.dof"), *reopened.Tree, reopened.Canvas.value_or(TCanvasGeometry{}));
        EXPECT_EQ(Bytes(Path("first.dof")), Bytes(Path("second.dof"))) << "seed " << seed << ", events " << events;
    }

    QTimer closeModals;
};

TEST_F(RandomInputTest, KeptRunsStillPass)
{
    for (const TKeptRun& run : kKeptRuns) {
        std::mt19937 random(run.seed);
        for (int event = 0; event < run.events; ++event)
            Send(random);
        ExpectTheDrawingSavesAndReopens(run.seed, run.events);
    }
}

TEST_F(RandomInputTest, NewSeedsForAWhile)
{
    const int seconds = qEnvironmentVariableIsSet("QUILLMARK_RANDOM_INPUT_SECONDS")
        ? qEnvironmentVariableIntValue("QUILLMARK_RANDOM_INPUT_SECONDS")
        : 5;
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    std::printf("random input seed %u\n", seed); // a failure is replayed as a kept run
    std::fflush(stdout);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    int events = 0;
    while (std::chrono::steady_clock::now() < end) {
        Send(random);
        ++events;
        if (events % 200 == 0)
            ExpectTheDrawingSavesAndReopens(seed, events);
    }
    ExpectTheDrawingSavesAndReopens(seed, events);
    std::printf("%d events\n", events);
}

} // namespace
} // namespace qm::test
