#include "ProgressForm1.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace qm {

TProgressForm1::TProgressForm1(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ProgressForm1"));
    setWindowTitle(QString());
    setFixedSize(228, 64);

    progressBar1_ = new QProgressBar(this);
    progressBar1_->setObjectName(QStringLiteral("ProgressBar1"));
    progressBar1_->setRange(0, 100);
    progressBar1_->setValue(0); // a fresh QProgressBar stands before its minimum
    progressBar1_->setTextVisible(false);
    button1_ = new QPushButton(QStringLiteral("中止"), this);
    button1_->setObjectName(QStringLiteral("Button1"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(button1_);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 8, 12, 8);
    layout->addWidget(progressBar1_);
    layout->addLayout(buttons);

    connect(button1_, &QPushButton::clicked, this, &TProgressForm1::Button1Click);
}

void TProgressForm1::Button1Click()
{
    completed_ = progressBar1_->value() == progressBar1_->maximum();
    accept();
}

} // namespace qm
