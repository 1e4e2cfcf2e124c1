// Nothing is lost when the editor dies: autosave writes the drawing to a
// recovery file, and the next editor offers it back.
#include "EditorFixture.h"
#include "FaultSaves.h"

#include "app/Autosave.h"
#include "io/DocumentWriter.h"

#include <QProcess>

#include <csignal>

namespace qm::test {
namespace {

using RecoveryTest = TEditorFixture;

// A recovery folder of the test's own for the editors it starts.
struct TDataHome {
    explicit TDataHome(const QString& path) : previous(qgetenv("XDG_DATA_HOME"))
    {
        qputenv("XDG_DATA_HOME", path.toUtf8());
    }
    ~TDataHome() { qputenv("XDG_DATA_HOME", previous); }
    QByteArray previous;
};

TEST_F(RecoveryTest, AnEditorKilledAfterAnAutosaveIsRecoveredByteForByte)
{
    const TDataHome home(Path("data"));
    Put(Path("quillmark.ini"), "[Edit]\r\nAutosaveSeconds=1\r\n");
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), Path("data"));
    child.setProcessEnvironment(environment);
    child.start(QStringLiteral(QM_AUTOSAVE_CHILD), {folder.path()});
    ASSERT_TRUE(child.waitForStarted());
    while (!child.canReadLine() && child.waitForReadyRead(30000)) {
    }
    ASSERT_EQ(child.readLine().trimmed(), QByteArray("written"));
    ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
    ASSERT_TRUE(child.waitForFinished());

    ASSERT_EQ(TRecoveryFiles::LeftBehind().size(), 1u);
    TEditorApplication restarted(Places(), Exporters(), LoadPicture, [](QWidget*, TMessageForm1&) {
        auto scripted = std::make_unique<TScriptedDialogs>();
        scripted->confirmAnswers = {true};
        return scripted;
    });
    restarted.OfferRecovery();
    auto& answers = static_cast<TScriptedDialogs&>(restarted.Dialogs());
    ASSERT_EQ(answers.questions.size(), 1u);
    EXPECT_EQ(answers.questions[0], QStringLiteral("前回保存されずに終了した図面があります。復元しますか？"));
    EXPECT_TRUE(restarted.Tree().History().IsModified());
    WriteDocument(Path("recovered.dof"), restarted.Tree(), restarted.Tree().CanvasGeometry());
    EXPECT_EQ(Bytes(Path("recovered.dof")), Bytes(Path("expected.dof")));
    EXPECT_TRUE(TRecoveryFiles::LeftBehind().empty()); // offered once
}

TEST_F(RecoveryTest, NoDeletesTheRecoveryFileAndADamagedOneIsKeptAside)
{
    const TDataHome home(Path("data"));
    const std::string drawing = Describe(app.Tree());
    QDir().mkpath(TRecoveryFiles::Folder());
    const TRecoveryFiles declined{TRecoveryFiles::Folder() + QStringLiteral("/declined")};
    WriteDocument(declined.Drawing(), app.Tree(), app.Tree().CanvasGeometry());
    dialogs->confirmAnswers = {false};
    app.OfferRecovery();
    EXPECT_FALSE(QFile::exists(declined.Drawing()));

    const TRecoveryFiles damaged{TRecoveryFiles::Folder() + QStringLiteral("/damaged")};
    Put(damaged.Drawing(), "\x03\x00\x00\x00 not a drawing");
    dialogs->confirmAnswers = {true};
    app.OfferRecovery();
    ASSERT_EQ(dialogs->errors.size(), 1u);
    EXPECT_TRUE(dialogs->errors[0].startsWith(CannotOpen(damaged.Drawing()))) << dialogs->errors[0].toStdString();
    EXPECT_TRUE(QFile::exists(damaged.Drawing() + QStringLiteral(".damaged")));
    EXPECT_EQ(Describe(app.Tree()), drawing);
    EXPECT_TRUE(TRecoveryFiles::LeftBehind().empty());
}

// The recovery file follows the drawing: written while it is modified, gone
// once it is saved; an edit between two slices starts the file over.
TEST_F(RecoveryTest, TheRecoveryFileIsWrittenWhileModifiedAndGoesOnSave)
{
    const TDataHome home(Path("data"));
    TAutosave autosave(app.Tree(), [] { return QStringLiteral("/somewhere/plan.dof"); }, 0);
    TObjectTree& tree = app.Tree();
    FillDrawing(tree, 3000); // more than one slice
    autosave.WriteNow();
    ASSERT_TRUE(QFile::exists(autosave.Files().Drawing()));
    EXPECT_EQ(autosave.Files().OriginalPath(), QStringLiteral("/somewhere/plan.dof"));
    WriteDocument(Path("now.dof"), tree, tree.CanvasGeometry());
    EXPECT_EQ(Bytes(autosave.Files().Drawing()), Bytes(Path("now.dof")));

    dialogs->saveAnswers.push_back(TUserDialogs::TSaveChoice{Path("plan"), 1});
    MenuItem(QStringLiteral("名前をつけて保存(&A)..."))->trigger();
    EXPECT_FALSE(QFile::exists(autosave.Files().Drawing()));
}

} // namespace
} // namespace qm::test
