#pragma once

#include "Printing.h"

#include "canvas/MainState.h"
#include "platform/GraphicsObjects.h"

#include <QString>

#include <functional>
#include <optional>

class QPrinter;

namespace qm {

// Every question the program asks the user. The forms implement it with real
// dialogs; tests implement it with scripted answers, so commands run without
// a screen.
//
// The colour and font dialogs are one each for the whole program and keep
// what they last held: the colour dialog opens on the colour last chosen in
// it, the font dialog on the font it last held.
class TUserDialogs : public TQuestions {
public:
    // A file chosen in a save dialog, with the 1-based index of the file type
    // the user picked in its filter.
    struct TSaveChoice {
        QString Path;
        int FilterIndex = 1;
    };

    // Filters are written "description|mask|description|mask", masks such as
    // "*dof". The open dialog; the chosen existing file, or nothing.
    virtual std::optional<QString> ChooseOpenFile(const QString& title, const QString& filter,
                                                   const QString& initialDir) = 0;
    // The save dialog, which asks before overwriting; or nothing when cancelled.
    virtual std::optional<TSaveChoice> ChooseSaveFile(const QString& title, const QString& filter,
                                                      const QString& initialDir) = 0;

    // The colour dialog; the chosen colour, or nothing when cancelled.
    virtual std::optional<TColor> ChooseColor() = 0;

    // Sets the font the font dialog opens on next (the font bar presets it).
    virtual void PresetFont(const TFont& font) = 0;
    // The font dialog; the chosen font, or nothing when cancelled.
    virtual std::optional<TFont> ChooseFont() = 0;

    // The picture open dialog with `title` and `filter` (pairs of description
    // and patterns, all separated by "|", as the forms list them); the chosen
    // path, or nothing when cancelled.
    virtual std::optional<QString> ChoosePictureFile(const QString& title, const QString& filter) = 0;

    // The application's error message box with `message`.
    virtual void ShowError(const QString& message) = 0;

    // "「name」への変更を保存しますか？" with 保存する, 保存しない and キャンセル.
    enum class TSaveAnswer { Save, Discard, Cancel };
    virtual TSaveAnswer AskSaveChanges(const QString& documentName) = 0;

    // "印刷(&P)...": the print preview, which shows the drawing at the scale
    // chosen in it (fitted to the page or at 100 %) and whose print button
    // opens the print dialog. `print` draws the drawing on a printer at a
    // scale, for the preview and for printing. True when it was printed.
    using TPrint = std::function<void(QPrinter& printer, TPrintScale scale)>;
    virtual bool PrintPreview(const TPrint& print) = 0;
};

} // namespace qm
