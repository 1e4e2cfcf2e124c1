// An editor that makes an edit and lets autosave write it, for the test that
// kills it: reliability_autosave_child <folder>
// The settings file in <folder> sets the autosave interval; the drawing's
// bytes as a save writes them go to <folder>/expected.dof. Prints "written"
// once the recovery file is in place, then waits to be killed.
#include "FaultSaves.h"
#include "ScriptedDialogs.h"

#include "app/Autosave.h"
#include "app/EditorApplication.h"
#include "io/DocumentWriter.h"

#include <QApplication>
#include <QFile>

#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    qm::TEditorApplication editor({folder + QStringLiteral("/quillmark.ini"), folder, {}}, {}, nullptr,
                                  [](QWidget*, qm::TMessageForm1&) {
                                      return std::make_unique<qm::test::TScriptedDialogs>();
                                  });
    qm::TObjectTree& tree = editor.Tree();
    {
        const qm::TEditStepScope step(tree, "作成");
        qm::test::FillDrawing(tree, 50);
    }
    const QString recovery = editor.Autosave().Files().Drawing();
    while (!QFile::exists(recovery))
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    qm::WriteDocument(folder + QStringLiteral("/expected.dof"), tree, tree.CanvasGeometry());
    std::puts("written");
    std::fflush(stdout);
    for (;;)
        pause();
}
