#include "QtUserDialogs.h"

#include "MessageForm1.h"
#include "model/ItemObject.h"
#include "platform/ShiftJis.h"
#include "qtplatform/QtColor.h"
#include "qtplatform/QtFont.h"

#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QMessageBox>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QToolBar>

namespace qm {

namespace {

// "description|mask|description|mask" as Qt's name filters "description (mask)".
QStringList NameFilters(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        filters << QStringLiteral("%1 (%2)").arg(parts[i], QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' ')));
    return filters;
}

// Dialogs asked for from a modal dialog belong to it, so they open in front of it.
QWidget* OwnerOf(QWidget* parent)
{
    QWidget* modal = QApplication::activeModalWidget();
    return modal ? modal : parent;
}

} // namespace

std::optional<QString> TQtUserDialogs::ChooseOpenFile(const QString& title, const QString& filter,
                                                      const QString& initialDir)
{
    QFileDialog dialog(parent_, title, initialDir);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(NameFilters(filter));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<TUserDialogs::TSaveChoice> TQtUserDialogs::ChooseSaveFile(const QString& title, const QString& filter,
                                                                       const QString& initialDir)
{
    QFileDialog dialog(parent_, title, initialDir);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    const QStringList filters = NameFilters(filter);
    dialog.setNameFilters(filters);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const auto index = static_cast<int>(filters.indexOf(dialog.selectedNameFilter()));
    return TSaveChoice{dialog.selectedFiles().constFirst(), index < 0 ? 1 : index + 1};
}

TQtUserDialogs::TQtUserDialogs(QWidget* parent, TMessageForm1& messageForm)
    : parent_(parent), messageForm_(messageForm), dialogFont_(DefaultItemFont())
{
}

bool TQtUserDialogs::Confirm(const QString& question)
{
    return messageForm_.Ask(question);
}

std::optional<TColor> TQtUserDialogs::ChooseColor()
{
    const QColor chosen = QColorDialog::getColor(ToQColor(dialogColor_), parent_);
    if (!chosen.isValid())
        return std::nullopt;
    dialogColor_ = FromQColor(chosen);
    return dialogColor_;
}

void TQtUserDialogs::PresetFont(const TFont& font)
{
    dialogFont_ = font;
}

std::optional<TFont> TQtUserDialogs::ChooseFont()
{
    bool chosen = false;
    const QFont font = QFontDialog::getFont(&chosen, ToQFontInPoints(dialogFont_), parent_);
    if (!chosen)
        return std::nullopt;
    dialogFont_ = FromQFont(font, dialogFont_);
    return dialogFont_;
}

std::optional<QString> TQtUserDialogs::ChoosePictureFile(const QString& title, const QString& filter)
{
    QFileDialog dialog(OwnerOf(parent_), title, pictureFolder_);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // The descriptions already name their patterns.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(NameFilters(filter));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const QString path = dialog.selectedFiles().constFirst();
    pictureFolder_ = QFileInfo(path).absolutePath();
    return path;
}

void TQtUserDialogs::ShowError(const QString& message)
{
    QMessageBox::critical(OwnerOf(parent_), QGuiApplication::applicationDisplayName(), message);
}

TUserDialogs::TSaveAnswer TQtUserDialogs::AskSaveChanges(const QString& documentName)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Quillmark"),
                    QStringLiteral("「") + documentName + QStringLiteral("」への変更を保存しますか？"),
                    QMessageBox::NoButton, OwnerOf(parent_));
    QPushButton* save = box.addButton(QStringLiteral("保存する"), QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton(QStringLiteral("保存しない"), QMessageBox::DestructiveRole);
    QPushButton* cancel = box.addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
    box.setDefaultButton(save);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == save)
        return TSaveAnswer::Save;
    return box.clickedButton() == discard ? TSaveAnswer::Discard : TSaveAnswer::Cancel;
}

bool TQtUserDialogs::PrintPreview(const TPrint& print)
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog preview(&printer, OwnerOf(parent_));
    preview.setWindowTitle(QStringLiteral("印刷プレビュー"));
    auto* scale = new QComboBox(&preview);
    scale->setObjectName(QStringLiteral("PrintScale"));
    scale->addItem(QStringLiteral("ページに合わせる"), static_cast<int>(TPrintScale::FitToPage));
    scale->addItem(QStringLiteral("100%"), static_cast<int>(TPrintScale::ActualSize));
    scale->setCurrentIndex(printScale_ == TPrintScale::ActualSize ? 1 : 0);
    if (auto* bar = preview.findChild<QToolBar*>())
        bar->addWidget(scale);
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview, [&](QPrinter* target) {
        print(*target, static_cast<TPrintScale>(scale->currentData().toInt()));
    });
    QObject::connect(scale, &QComboBox::currentIndexChanged, &preview, [&preview] {
        if (auto* pages = preview.findChild<QPrintPreviewWidget*>())
            pages->updatePreview();
    });
    const bool printed = preview.exec() == QDialog::Accepted;
    printScale_ = static_cast<TPrintScale>(scale->currentData().toInt());
    return printed;
}

} // namespace qm
