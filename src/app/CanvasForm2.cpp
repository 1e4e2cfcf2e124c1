#include "CanvasForm2.h"

#include "UserDialogs.h"
#include "canvas/CanvasWindow.h"
#include "io/FileError.h"
#include "platform/FloatFormat.h"
#include "qtplatform/QtPicture.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTextDocument>
#include <QVBoxLayout>

#include <algorithm>

namespace qm {

namespace {

constexpr int kMaxWidth = 800;
constexpr int kMaxHeight = 600;
constexpr int kMinGrid = 1;
constexpr int kMaxGrid = 20;
constexpr int kPreviewSize = 120;

const QString kPictureDialogTitle = QStringLiteral("トレース用画像の設定");
const QString kPictureDialogFilter = QStringLiteral(
    "すべてのファイル (*.bmp;*.*.emf;*.wmf)|*.bmp;*.emf;*.wmf|ビットマップ (*.bmp)|*.bmp|"
    "エンハンス メタファイル (*.emf)|*.emf|メタファイル (*.wmf)|*.wmf");

QSpinBox* NewSpin(const char* name, int low, int high, QWidget* parent)
{
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(QString::fromLatin1(name));
    spin->setRange(low, high);
    return spin;
}

// Shows `value` with the range widened to hold it where it lies outside.
void LoadSpin(QSpinBox* spin, int low, int high, int value)
{
    spin->setRange(std::min(low, value), std::max(high, value));
    spin->setValue(value);
}

QLabel* NewLabel(const char* name, const char* caption, QWidget* buddy, QWidget* parent)
{
    auto* label = new QLabel(QString::fromUtf8(caption), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setBuddy(buddy);
    return label;
}

QPushButton* NewButton(const char* name, const char* caption, QWidget* parent)
{
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

QCheckBox* NewCheckBox(const char* name, const char* caption, bool checked, QWidget* parent)
{
    auto* box = new QCheckBox(QString::fromUtf8(caption), parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setChecked(checked);
    return box;
}

} // namespace

TCanvasForm2::TCanvasForm2(TCanvasWindow& canvas, TUserDialogs& dialogs, TPictureLoader loadPicture,
                           QWidget* parent)
    : QDialog(parent), canvas_(canvas), dialogs_(dialogs), loadPicture_(std::move(loadPicture))
{
    setObjectName(QStringLiteral("CanvasForm2"));
    setWindowTitle(QStringLiteral("キャンバスの設定"));
    setFixedSize(365, 225);
    setFont(QFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));

    image1_ = new QLabel(this);
    image1_->setObjectName(QStringLiteral("Image1"));
    image1_->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    image1_->setFixedSize(kPreviewSize + 2, kPreviewSize + 2);
    image1_->setAlignment(Qt::AlignCenter);
    button1_ = NewButton("Button1", "OK", this);
    button1_->setDefault(true);
    button2_ = NewButton("Button2", "キャンセル", this);
    connect(button1_, &QPushButton::clicked, this, &TCanvasForm2::Button1Click);
    connect(button2_, &QPushButton::clicked, this, &QDialog::reject);

    auto* settings = new QVBoxLayout;
    settings->addLayout(BuildSizeControls());
    settings->addLayout(BuildTraceControls());
    settings->addStretch();
    auto* previewAndButtons = new QVBoxLayout;
    previewAndButtons->addWidget(image1_);
    previewAndButtons->addStretch();
    previewAndButtons->addWidget(button1_);
    previewAndButtons->addWidget(button2_);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addLayout(settings, 1);
    layout->addLayout(previewAndButtons);
}

TCanvasForm2::~TCanvasForm2()
{
    // The canvas must not draw a picture freed with the dialog.
    canvas_.SetTracePicture(nullptr);
}

QLayout* TCanvasForm2::BuildSizeControls()
{
    auto* label4 = new QLabel(QStringLiteral("キャンバス情報"), this);
    label4->setObjectName(QStringLiteral("Label4"));
    memo1_ = new QPlainTextEdit(this);
    memo1_->setObjectName(QStringLiteral("Memo1"));
    memo1_->setReadOnly(true);
    memo1_->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Sized for its four lines, so it needs no scroll bars.
    memo1_->document()->setDocumentMargin(2);
    memo1_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memo1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memo1_->setFixedHeight(4 * memo1_->fontMetrics().lineSpacing() + 8);

    upDown1_ = NewSpin("UpDown1", 0, kMaxWidth, this);
    upDown2_ = NewSpin("UpDown2", 0, kMaxHeight, this);
    upDown3_ = NewSpin("UpDown3", kMinGrid, kMaxGrid, this);
    upDown3_->setValue(10);
    for (QSpinBox* spin : {upDown1_, upDown2_, upDown3_})
        connect(spin, &QSpinBox::valueChanged, this, &TCanvasForm2::Edit1Change);
    checkBox1_ = NewCheckBox("CheckBox1", "グリッドを表示する", canvas_.ShowGrid(), this);
    connect(checkBox1_, &QCheckBox::toggled, this, &TCanvasForm2::CheckBox1Click);

    auto* spins = new QGridLayout;
    spins->addWidget(NewLabel("Label1", "Width", upDown1_, this), 0, 0);
    spins->addWidget(upDown1_, 0, 1);
    spins->addWidget(NewLabel("Label2", "Height", upDown2_, this), 0, 2);
    spins->addWidget(upDown2_, 0, 3);
    spins->addWidget(NewLabel("Label3", "グリッド", upDown3_, this), 1, 0);
    spins->addWidget(upDown3_, 1, 1);
    spins->addWidget(checkBox1_, 1, 2, 1, 2);
    spins->setColumnStretch(1, 1);
    spins->setColumnStretch(3, 1);

    auto* column = new QVBoxLayout;
    column->addWidget(label4);
    column->addWidget(memo1_);
    column->addLayout(spins);
    return column;
}

QLayout* TCanvasForm2::BuildTraceControls()
{
    checkBox2_ = NewCheckBox("CheckBox2", "トレース用画像を使う", canvas_.TraceSwitches().UseTraceImage, this);
    connect(checkBox2_, &QCheckBox::toggled, this, &TCanvasForm2::CheckBox2Click);
    edit4_ = new QLineEdit(this);
    edit4_->setObjectName(QStringLiteral("Edit4"));
    edit4_->setReadOnly(true);
    edit4_->setEnabled(false);
    button3_ = NewButton("Button3", "参照", this);
    button3_->setEnabled(false);
    connect(button3_, &QPushButton::clicked, this, &TCanvasForm2::Button3Click);

    auto* file = new QHBoxLayout;
    file->addWidget(edit4_, 1);
    file->addWidget(button3_);
    auto* column = new QVBoxLayout;
    column->addWidget(checkBox2_);
    column->addLayout(file);
    return column;
}

bool TCanvasForm2::Execute()
{
    LoadSpin(upDown1_, 0, kMaxWidth, canvas_.ImageWidth());
    LoadSpin(upDown2_, 0, kMaxHeight, canvas_.ImageHeight());
    LoadSpin(upDown3_, kMinGrid, kMaxGrid, canvas_.GridStep());
    const bool confirmed = exec() == QDialog::Accepted;
    canvas_.Repaint();
    return confirmed;
}

void TCanvasForm2::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TCanvasForm2::AddMemoLine(const char* caption, float millimetres)
{
    memo1_->appendPlainText(QString::fromUtf8(caption) + QString::fromStdString(FormatFloat(millimetres))
                            + QStringLiteral("mm"));
    memo1_->moveCursor(QTextCursor::Start);
}

void TCanvasForm2::FormShow()
{
    // The main menu and the bitmap export switch the grid too.
    const QSignalBlocker quiet(checkBox1_);
    checkBox1_->setChecked(canvas_.ShowGrid());
    const float mmPerPixel = canvas_.MmPerPixel();
    memo1_->clear();
    AddMemoLine("１pixel = ", mmPerPixel);
    AddMemoLine("現在の幅   = ", static_cast<float>(canvas_.ImageWidth()) * mmPerPixel);
    AddMemoLine("現在の高さ = ", static_cast<float>(canvas_.ImageHeight()) * mmPerPixel);
}

void TCanvasForm2::Edit1Change()
{
    const float mmPerPixel = canvas_.MmPerPixel();
    memo1_->clear();
    AddMemoLine("１pixel = ", mmPerPixel);
    AddMemoLine("現在の幅   = ", static_cast<float>(upDown1_->value()) * mmPerPixel);
    AddMemoLine("現在の高さ = ", static_cast<float>(upDown2_->value()) * mmPerPixel);
    AddMemoLine("グリッド　 = ", static_cast<float>(upDown3_->value()) * mmPerPixel);
}

void TCanvasForm2::CheckBox1Click()
{
    canvas_.SetShowGrid(checkBox1_->isChecked());
    canvas_.Repaint();
}

void TCanvasForm2::CheckBox2Click()
{
    // The file box, not the check box, tells which way to switch.
    const bool switchOn = !edit4_->isEnabled();
    edit4_->setEnabled(switchOn);
    button3_->setEnabled(switchOn);
    SetTraceMenuChecked(switchOn);
    canvas_.SetUseTraceImage(checkBox2_->isChecked());
    canvas_.Repaint();
}

void TCanvasForm2::SetTraceMenuChecked(bool checked)
{
    canvas_.SetTraceMenuChecked(checked);
    if (traceMenuCheckReceiver_)
        traceMenuCheckReceiver_(checked);
}

void TCanvasForm2::Button3Click()
{
    const std::optional<QString> path = dialogs_.ChoosePictureFile(kPictureDialogTitle, kPictureDialogFilter);
    if (!path)
        return;
    if (!QFileInfo(*path).isFile()) {
        checkBox2_->setChecked(false);
        edit4_->setEnabled(false);
        button3_->setEnabled(false);
        return;
    }
    // The picture replaces the previous one only once it has been read.
    try {
        std::unique_ptr<TGraphic> picture = loadPicture_(*path);
        if (!picture)
            throw TFileError(TFileError::TKind::CannotOpen, *path);
        UsePicture(std::move(picture), *path);
    } catch (const std::exception& error) {
        dialogs_.ShowError(QString::fromStdString(error.what()));
    }
}

void TCanvasForm2::UsePicture(std::unique_ptr<TGraphic> picture, const QString& path)
{
    picture_ = std::move(picture);
    canvas_.SetTracePicture(picture_.get());
    edit4_->setText(QDir::toNativeSeparators(path));
    ShowPreview();
    canvas_.Repaint();
}

void TCanvasForm2::ShowPreview()
{
    // Played straight at the preview's size: a large picture costs no large image.
    const QImage image = StretchedPictureImage(*picture_, kPreviewSize, kPreviewSize);
    image1_->setPixmap(image.isNull() ? QPixmap() : QPixmap::fromImage(image));
}

void TCanvasForm2::Button1Click()
{
    canvas_.ApplyCanvasSettings({upDown1_->value(), upDown2_->value(), upDown3_->value()});
    accept();
}

} // namespace qm
