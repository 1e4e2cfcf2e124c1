#include "AboutBox.h"

#include "ToolImages.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>

namespace qm {

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("バージョン情報"));
    setFixedSize(298, 150);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);

    programIcon_ = new QLabel(panel);
    programIcon_->setObjectName(QStringLiteral("ProgramIcon"));
    programIcon_->setPixmap(ApplicationIcon().pixmap(32, 32));
    programIcon_->setFixedSize(32, 32);

    productName_ = new QLabel(QStringLiteral("Quillmark"), panel);
    productName_->setObjectName(QStringLiteral("ProductName"));
    QFont nameFont = productName_->font();
    nameFont.setPixelSize(16);
    nameFont.setBold(true);
    productName_->setFont(nameFont);

    version_ = new QLabel(QStringLiteral("実行ファイル バージョン 1.1.0.0"), panel);
    version_->setObjectName(QStringLiteral("Version"));

    auto* panelLayout = new QGridLayout(panel);
    panelLayout->setContentsMargins(12, 12, 12, 12);
    panelLayout->setHorizontalSpacing(16);
    panelLayout->addWidget(programIcon_, 0, 0, 2, 1, Qt::AlignTop);
    panelLayout->addWidget(productName_, 0, 1);
    panelLayout->addWidget(version_, 1, 1);
    panelLayout->setColumnStretch(1, 1);

    okButton_ = new QPushButton(QStringLiteral("OK"), this);
    okButton_->setObjectName(QStringLiteral("OKButton"));
    okButton_->setDefault(true);
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton_);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(panel, 1);
    layout->addLayout(buttons);
}

void TAboutBox::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

} // namespace qm
