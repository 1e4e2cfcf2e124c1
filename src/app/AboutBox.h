#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace qm {

// The version dialog "バージョン情報": the icon, "Quillmark" and the
// executable's version on a bevelled panel, "OK" below it.
class TAboutBox : public QDialog {
    Q_OBJECT

public:
    explicit TAboutBox(QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* programIcon_ = nullptr;
    QLabel* productName_ = nullptr;
    QLabel* version_ = nullptr;
    QPushButton* okButton_ = nullptr;
};

} // namespace qm
