#pragma once

#include "app/UserDialogs.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <utility>
#include <vector>

namespace qm::test {

// Answers the program's questions from scripts; an empty script answers as a
// user who cancels.
class TScriptedDialogs : public TUserDialogs {
public:
    std::deque<bool> confirmAnswers;
    std::deque<std::optional<QString>> openAnswers;
    std::deque<std::optional<TSaveChoice>> saveAnswers;
    std::vector<QString> initialDirs;
    std::deque<std::optional<TColor>> colorAnswers;
    std::deque<std::optional<TFont>> fontAnswers;
    std::vector<QString> questions;
    std::optional<TFont> presetFont;
    int colorRequests = 0;
    int fontRequests = 0;
    std::deque<std::optional<QString>> pictureAnswers;
    // Title and filter of each picture dialog asked for.
    std::vector<std::pair<QString, QString>> pictureRequests;
    std::vector<QString> errors;

    bool Confirm(const QString& question) override
    {
        questions.push_back(question);
        return Next(confirmAnswers).value_or(false);
    }
    std::optional<QString> ChooseOpenFile(const QString&, const QString&, const QString& initialDir) override
    {
        initialDirs.push_back(initialDir);
        return Next(openAnswers).value_or(std::nullopt);
    }
    std::optional<TSaveChoice> ChooseSaveFile(const QString&, const QString&, const QString& initialDir) override
    {
        initialDirs.push_back(initialDir);
        return Next(saveAnswers).value_or(std::nullopt);
    }
    std::optional<TColor> ChooseColor() override
    {
        ++colorRequests;
        return Next(colorAnswers).value_or(std::nullopt);
    }
    void PresetFont(const TFont& font) override { presetFont = font; }
    std::optional<TFont> ChooseFont() override
    {
        ++fontRequests;
        return Next(fontAnswers).value_or(std::nullopt);
    }
    std::optional<QString> ChoosePictureFile(const QString& title, const QString& filter) override
    {
        pictureRequests.emplace_back(title, filter);
        return Next(pictureAnswers).value_or(std::nullopt);
    }
    void ShowError(const QString& message) override { errors.push_back(message); }
    std::deque<TSaveAnswer> saveChangesAnswers;
    TSaveAnswer AskSaveChanges(const QString& documentName) override
    {
        questions.push_back(QStringLiteral("「") + documentName + QStringLiteral("」への変更を保存しますか？"));
        return Next(saveChangesAnswers).value_or(TSaveAnswer::Cancel);
    }

    // Each print request: the preview's scale, and the PDF file the scripted
    // printer writes (none: cancelled, nothing printed).
    struct TPrintAnswer {
        TPrintScale Scale = TPrintScale::FitToPage;
        std::optional<QString> PdfFile;
    };
    std::deque<TPrintAnswer> printAnswers;
    int printRequests = 0;
    bool PrintPreview(const TPrint& print) override
    {
        ++printRequests;
        const std::optional<TPrintAnswer> answer = Next(printAnswers);
        if (!answer || !answer->PdfFile)
            return false;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(*answer->PdfFile);
        printer.setPageSize(QPageSize(QPageSize::A4));
        print(printer, answer->Scale);
        return true;
    }

private:
    template <typename T>
    static std::optional<T> Next(std::deque<T>& script)
    {
        if (script.empty())
            return std::nullopt;
        T answer = script.front();
        script.pop_front();
        return answer;
    }
};

// Runs `interact` once the next modal dialog is showing, then closes that
// dialog if `interact` left it open (a failed expectation must not hang the
// test in the dialog's event loop).
template <typename Interact>
void WhenModalShows(Interact interact)
{
    QTimer::singleShot(0, [interact] {
        QWidget* dialog = QApplication::activeModalWidget();
        interact(dialog);
        if (QWidget* still = QApplication::activeModalWidget(); still && still == dialog)
            still->close();
    });
}

// The item of a menu of `bar` with this caption; a test failure when none has.
inline QAction* MenuItem(const QMenuBar& bar, const QString& caption)
{
    for (QAction* menu : bar.actions()) {
        for (QAction* item : menu->menu()->actions()) {
            if (item->text() == caption)
                return item;
        }
    }
    ADD_FAILURE() << caption.toStdString();
    return nullptr;
}

} // namespace qm::test
