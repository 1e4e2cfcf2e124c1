#pragma once

#include <QDialog>

class QProgressBar;
class QPushButton;

namespace qm {

// The progress dialog: a bar from 0 to 100 and "中止". Completed tells the
// caller whether the bar stood at its end when "中止" was pressed.
class TProgressForm1 : public QDialog {
    Q_OBJECT

public:
    explicit TProgressForm1(QWidget* parent = nullptr);

    QProgressBar* ProgressBar1() const { return progressBar1_; }
    bool Completed() const { return completed_; }

private:
    void Button1Click();

    QProgressBar* progressBar1_ = nullptr;
    QPushButton* button1_ = nullptr;
    bool completed_ = true;
};

} // namespace qm
