#pragma once

#include <QDialog>

#include <functional>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

namespace qm {

class TCanvasWindow;
class TGraphic;
class TUserDialogs;

// The canvas settings dialog "キャンバスの設定": canvas size and grid spacing
// (applied by "OK" only), their size in millimetres on this screen, and the
// grid and trace-image switches with the trace picture, which act on the
// canvas at once, while the dialog is open, whichever button closes it. The
// grid switch is the canvas's; the dialog shows it as it stands.
//
// A canvas larger than the spinners' maxima (800 × 600, grid 20; a settings
// file may hold more) widens the range for that use, so the spinners show
// the true size and "OK" keeps it unless the user lowers it; the spinners
// never go above that size nor the maxima.
class TCanvasForm2 : public QDialog {
    Q_OBJECT

public:
    // Reads a picture by its file extension; throws TFileError when the file
    // cannot be read as one.
    using TPictureLoader = std::function<std::unique_ptr<TGraphic>(const QString& path)>;

    // `canvas` and `dialogs` must outlive the dialog.
    TCanvasForm2(TCanvasWindow& canvas, TUserDialogs& dialogs, TPictureLoader loadPicture,
                 QWidget* parent = nullptr);
    ~TCanvasForm2() override;

    // The main menu's command: the spinners take the canvas size and grid
    // spacing, the dialog shows modally, and afterwards the canvas is redrawn
    // whichever button closed it. True after "OK".
    bool Execute();

    // The trace-image switch; the main menu's "トレース画像" toggles it.
    QCheckBox* CheckBox2() const { return checkBox2_; }
    // The trace picture (null until one is loaded).
    const TGraphic* Picture() const { return picture_.get(); }

    // Sets the main window's "トレース画像" check mark (CheckBox2Click does).
    void SetTraceMenuCheckReceiver(std::function<void(bool)> receiver) { traceMenuCheckReceiver_ = std::move(receiver); }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLayout* BuildSizeControls();
    QLayout* BuildTraceControls();

    void FormShow();
    void Edit1Change();
    void CheckBox1Click();
    void CheckBox2Click();
    void Button1Click();
    void Button3Click();

    void AddMemoLine(const char* caption, float millimetres);
    void SetTraceMenuChecked(bool checked);
    void UsePicture(std::unique_ptr<TGraphic> picture, const QString& path);
    void ShowPreview();

    TCanvasWindow& canvas_;
    TUserDialogs& dialogs_;
    TPictureLoader loadPicture_;
    std::unique_ptr<TGraphic> picture_;
    std::function<void(bool)> traceMenuCheckReceiver_;

    QPlainTextEdit* memo1_ = nullptr;
    QSpinBox* upDown1_ = nullptr;
    QSpinBox* upDown2_ = nullptr;
    QSpinBox* upDown3_ = nullptr;
    QCheckBox* checkBox1_ = nullptr;
    QCheckBox* checkBox2_ = nullptr;
    QLineEdit* edit4_ = nullptr;
    QPushButton* button3_ = nullptr;
    QLabel* image1_ = nullptr;
    QPushButton* button1_ = nullptr;
    QPushButton* button2_ = nullptr;
};

} // namespace qm
