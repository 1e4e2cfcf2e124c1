#pragma once

#include "UserDialogs.h"

class QWidget;

namespace qm {

class TMessageForm1;

// The questions asked with the program's real dialogs: the confirmation
// dialog TMessageForm1, and the shared colour dialog (ColorDialog1) and font
// dialog (FontDialog1), whose last values live here.
class TQtUserDialogs : public TUserDialogs {
public:
    // `parent` centres the colour and font dialogs; both must outlive this.
    TQtUserDialogs(QWidget* parent, TMessageForm1& messageForm);

    bool Confirm(const QString& question) override;
    std::optional<QString> ChooseOpenFile(const QString& title, const QString& filter,
                                          const QString& initialDir) override;
    std::optional<TSaveChoice> ChooseSaveFile(const QString& title, const QString& filter,
                                              const QString& initialDir) override;
    std::optional<TColor> ChooseColor() override;
    void PresetFont(const TFont& font) override;
    std::optional<TFont> ChooseFont() override;
    // Opens in the folder of the picture chosen last.
    std::optional<QString> ChoosePictureFile(const QString& title, const QString& filter) override;
    void ShowError(const QString& message) override;
    TSaveAnswer AskSaveChanges(const QString& documentName) override;
    // QPrintPreviewDialog with a choice of scale in its tool bar.
    bool PrintPreview(const TPrint& print) override;

    TColor DialogColor() const { return dialogColor_; }
    const TFont& DialogFont() const { return dialogFont_; }

private:
    QWidget* parent_;
    TMessageForm1& messageForm_;
    TColor dialogColor_ = clBlack;
    TFont dialogFont_;
    QString pictureFolder_;
    TPrintScale printScale_ = TPrintScale::FitToPage;
};

} // namespace qm
