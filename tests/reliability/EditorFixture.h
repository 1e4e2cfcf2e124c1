#pragma once

#include "ScriptedDialogs.h"

#include "app/CanvasForm1.h"
#include "app/EditorApplication.h"
#include "app/MainForm1.h"
#include "app/SettingsFile.h"
#include "canvas/BitmapExport.h"
#include "canvas/MetafileExport.h"
#include "canvas/PictureLoader.h"
#include "platform/IniFile.h"
#include "platform/ShiftJis.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace qm::test {

// The tree in pre-order as captions, types, places and vertex counts.
inline std::string Describe(const TObjectTree& tree)
{
    std::string text;
    std::vector<std::pair<const TTreeNode*, int>> pending{{tree.FirstTopLevelNode(), 0}};
    while (!pending.empty()) {
        auto [node, depth] = pending.back();
        pending.pop_back();
        if (!node)
            continue;
        const TItemObject& item = *node->Data();
        text += std::string(static_cast<std::size_t>(depth), ' ') + item.Name + " "
            + std::to_string(StoredCode(item.ItemType)) + " " + std::to_string(item.X) + "," + std::to_string(item.Y)
            + " n" + std::to_string(item.Count) + "\n";
        pending.push_back({node->NextSibling(), depth});
        pending.push_back({node->FirstChild(), depth + 1});
    }
    return text;
}

inline std::string Bytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

inline void Put(const QString& path, const std::string& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

// The whole editor with its real readers and writers, questions answered
// from scripts, and a triangle drawn.
class TEditorFixture : public ::testing::Test {
protected:
    TEditorFixture()
        : app(Places(), Exporters(), LoadPicture, [this](QWidget*, TMessageForm1&) {
              auto scripted = std::make_unique<test::TScriptedDialogs>();
              dialogs = scripted.get();
              return scripted;
          })
    {
        app.Show();
        TObjectTree& tree = app.Tree();
        TTreeNode* polygon = tree.AddItem(tree.ObjectRoot(), Utf8ToCp932("三角"), itPolygon);
        for (const auto& [x, y] : {std::pair{40, 40}, {120, 40}, {80, 100}})
            tree.AddPoint(x, y, polygon);
        Canvas().Repaint();
        tree.ClearHistory(); // the drawing the tests start from counts as saved
    }

    TEditorApplication::TPlaces Places() const
    {
        return {folder.filePath(QStringLiteral("quillmark.ini")), folder.path(), QStringList{}};
    }
    static TFileCommands::TExporters Exporters()
    {
        TFileCommands::TExporters exporters;
        exporters.Bitmap = [](const TBitmap& surface, const QString& path) { ExportBitmap(surface, path); };
        exporters.Metafile = ExportMetafile;
        return exporters;
    }

    TCanvasWindow& Canvas() { return app.CanvasForm().Canvas(); }
    QString Path(const char* name) const { return folder.filePath(QString::fromUtf8(name)); }
    QString LastDir(const char* key) const
    {
        return ReadPathSetting(TIniFile(folder.filePath(QStringLiteral("quillmark.ini")).toStdString()), key);
    }
    QAction* MenuItem(const QString& caption) const { return test::MenuItem(*app.MainForm().menuBar(), caption); }
    // A file whose every read fails: the memory of this process read from
    // its start, which is never mapped. Root reads past any permission bits.
    QString Unreadable(const char* name) const
    {
        const QString path = Path(name);
        EXPECT_TRUE(QFile::link(QStringLiteral("/proc/self/mem"), path));
        return path;
    }
    // The text of the message box the menu command shows.
    QString MessageOf(const QString& caption)
    {
        QString shown;
        test::WhenModalShows([&shown](QWidget* box) {
            if (auto* message = qobject_cast<QMessageBox*>(box))
                shown = message->text();
        });
        MenuItem(caption)->trigger();
        return shown;
    }
    static QString CannotOpen(const QString& path)
    {
        return QStringLiteral("ファイル ") + path + QStringLiteral(" は開けません");
    }

    QTemporaryDir folder;
    test::TScriptedDialogs* dialogs = nullptr;
    mutable TEditorApplication app;
};

} // namespace qm::test
