#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace qm {

// The confirmation dialog: a question with "OK" and "キャンセル". Only "OK"
// confirms; "キャンセル", Esc and the window's close button do not.
class TMessageForm1 : public QDialog {
    Q_OBJECT

public:
    explicit TMessageForm1(QWidget* parent = nullptr);

    QLabel* Label1() const { return label1_; }
    bool Confirmed() const { return confirmed_; }

    // Shows `question` modally and returns Confirmed.
    bool Ask(const QString& question);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void Button1Click();
    void Button2Click();

    QLabel* label1_ = nullptr;
    QPushButton* button1_ = nullptr;
    QPushButton* button2_ = nullptr;
    bool confirmed_ = false;
};

} // namespace qm
