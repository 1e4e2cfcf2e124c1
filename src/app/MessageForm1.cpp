#include "MessageForm1.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace qm {

TMessageForm1::TMessageForm1(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("MessageForm1"));
    setWindowTitle(QString());
    setFixedSize(345, 69);

    label1_ = new QLabel(this);
    label1_->setObjectName(QStringLiteral("Label1"));
    button1_ = new QPushButton(QStringLiteral("OK"), this);
    button1_->setObjectName(QStringLiteral("Button1"));
    button2_ = new QPushButton(QStringLiteral("キャンセル"), this);
    button2_->setObjectName(QStringLiteral("Button2"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(button1_);
    buttons->addWidget(button2_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 8, 12, 8);
    layout->addWidget(label1_);
    layout->addLayout(buttons);

    connect(button1_, &QPushButton::clicked, this, &TMessageForm1::Button1Click);
    connect(button2_, &QPushButton::clicked, this, &TMessageForm1::Button2Click);
}

bool TMessageForm1::Ask(const QString& question)
{
    label1_->setText(question);
    exec();
    return confirmed_;
}

void TMessageForm1::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TMessageForm1::FormShow()
{
    confirmed_ = false;
}

void TMessageForm1::Button1Click()
{
    confirmed_ = true;
    accept();
}

void TMessageForm1::Button2Click()
{
    reject();
}

} // namespace qm
