#pragma once

#include "UserDialogs.h"

#include "canvas/CanvasWindow.h"
#include "canvas/MainState.h"
#include "io/DocumentReader.h"
#include "model/ObjectTree.h"

#include <QString>

#include <functional>

namespace qm {

class TFileJob;
struct TFileFormat;

// The file menu's commands and the extension object commands, without
// widgets: every question goes through TUserDialogs, and every failure to
// read or write a file is thrown as TFileError for the one guard around
// commands to show. The settings file is opened by each command and closed
// at its end.
//
// Large documents are read and written by a file job, away from the
// user-interface thread: such a command returns at once, and its end (the
// drawing replaced, the saved mark set) comes when the job has completed,
// or never when it failed or was cancelled.
class TFileCommands {
public:
    // Writers that take the place of the file format list's own for the
    // bitmap and the metafile type (empty: the list's); they throw TFileError.
    struct TExporters {
        std::function<void(const TBitmap& surface, const QString& path)> Bitmap;
        std::function<void(const QString& path, const TObjectTree& tree, std::int32_t width, std::int32_t height)>
            Metafile;
    };

    TFileCommands(TObjectTree& tree, TCanvasWindow& canvas, TMainState& main, TUserDialogs& dialogs,
                  TFileJob& job, QString settingsPath, QString executableDir, TExporters exporters);

    // Files of this size on are opened, and drawings of this many nodes on
    // saved, by the file job: a tenth of a second of work or more.
    static constexpr qint64 kBackgroundOpenBytes = qint64{4} << 20;
    static constexpr std::size_t kBackgroundSaveNodes = 30000;

    // "新規作成(&N)": asks (to save a modified drawing first), then NewDocument.
    void New1Click();
    // The new-document initialiser: an empty tree, the canvas from the
    // settings file, tools and paste off, Save disabled.
    void NewDocument();
    // "開く(&O)...": reads the chosen document first, so a file that cannot
    // be read leaves the open drawing as it was.
    void Open1Click();
    // Opens `path` in place of the drawing (the second half of Open).
    void OpenDocument(const QString& path);
    // Before the editor closes: an open under way is given up, a save under
    // way is waited for.
    void FinishFileJob();
    // Opens a recovery file as the modified drawing of `documentPath` (empty:
    // a drawing never saved); throws TFileError as Open does.
    void OpenRecovered(const QString& recoveryFile, const QString& documentPath);
    // "上書き保存(&S)": writes the drawing to its own file; a drawing without
    // one is saved with Save As.
    void Save1Click();
    // "名前をつけて保存(&A)...": the document, or an export, by the file type
    // chosen from the list of file formats (FileFormats.h); the name gets
    // the type's extension.
    void SaveAs1Click();
    // "拡張オブジェクトとして保存": the one selected node.
    void N1Click();
    // "拡張オブジェクトの挿入".
    void Load1Click();

    // The canvas as the document's canvas record holds it.
    TCanvasGeometry CanvasGeometry() const;

    // The drawing's own file: the document it was opened from or last saved
    // as; empty for a new drawing. Each running editor keeps its own, so two
    // editors never save over each other's drawing.
    const QString& DocumentPath() const { return documentPath_; }
    // The name the title and the questions show: the file's name, or "無題".
    QString DocumentName() const;
    // Before the drawing is given up: when it is modified, asks whether to
    // save it. True when the caller may go on (saved, or the changes given
    // up), false when the user cancelled or the save did not happen. A save
    // that fails throws, or, run by the file job, shows its error there.
    bool MayDiscardChanges();
    // Told when the drawing's own file changes (open, new, save as).
    std::function<void()> DocumentChanged;

private:
    void ApplyCanvasGeometry(const TCanvasGeometry& geometry);
    // Saves the drawing (Save1Click); true when it is saved now.
    bool SaveDocument();
    // New and Open give up the drawing: a modified one after the question to
    // save it, an unmodified one after the confirmation of old.
    bool MayReplaceDrawing();
    void ShowDocument(TDocument& document, const QString& documentPath);
    // Shows the opened document and remembers its folder.
    void OpenedDocument(TDocument& document, const QString& path);
    // Saves the drawing as a document to `path`; once it is in place the
    // drawing counts as saved and `saved` runs.
    void WriteDrawing(const QString& path, std::function<void()> saved);
    void SetDocumentPath(const QString& path);
    // Writes the drawing as the canvas shows it, without the grid, in an
    // export format.
    void Export(const TFileFormat& format, const QString& path);

    TObjectTree& tree_;
    TCanvasWindow& canvas_;
    TMainState& main_;
    TUserDialogs& dialogs_;
    TFileJob& job_;
    bool opening_ = false; // the file job reads a document
    QString settingsPath_;
    QString executableDir_;
    TExporters exporters_;
    QString documentPath_;
};

// Appends `extension` (".dof", ".bmp", ...) unless the name's last four
// characters are exactly it, case included: "a.DOF" becomes "a.DOF.dof".
QString WithExtension(const QString& path, const QString& extension);

} // namespace qm
