#include "QtUserDialogs.h"

#include "MessageForm1.h"
#include "platform/QtColor.h"
#include "platform/QtFont.h"
#include "platform/ShiftJis.h"

#include <QColorDialog>
#include <QFontDialog>

namespace qm {

namespace {

// FontDialog1's font at start: "ＭＳ Ｐゴシック", 12 pixels, Shift-JIS.
TFont InitialDialogFont()
{
    TFont font;
    font.Name = Utf8ToCp932("ＭＳ Ｐゴシック");
    font.Height = -12;
    font.Charset = SHIFTJIS_CHARSET;
    return font;
}

} // namespace

TQtUserDialogs::TQtUserDialogs(QWidget* parent, TMessageForm1& messageForm)
    : parent_(parent), messageForm_(messageForm), dialogFont_(InitialDialogFont())
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

} // namespace qm
