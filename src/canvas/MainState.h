#pragma once

#include "model/ItemObject.h"
#include "platform/GraphicsObjects.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string>

namespace qm {

// The buttons of the main window's shape tool bar: the item-select arrow and
// one tool for each figure.
enum class TTool : std::int32_t {
    ItemSelect,
    Rectangle,
    Ellipse,
    Line,
    Arrow,
    Curve,
    Polygon,
};

// The item type a figure tool makes; none for the item-select arrow.
constexpr std::optional<TItemType> ItemTypeOf(TTool tool)
{
    switch (tool) {
    case TTool::Rectangle: return itRectangle;
    case TTool::Ellipse: return itEllipse;
    case TTool::Line: return itLine;
    case TTool::Arrow: return itArrow;
    case TTool::Curve: return itCurve;
    case TTool::Polygon: return itPolygon;
    case TTool::ItemSelect: break;
    }
    return std::nullopt;
}

// The main window's state that the canvas and the edit commands read, and
// the main window's reactions they trigger. The main window derives from it
// to press and raise its buttons; the defaults keep the plain state, which is
// all the tests need.
class TMainState {
public:
    virtual ~TMainState() = default;

    // A shape tool is chosen: the next left press on the canvas makes an item.
    bool CreateMode = false;
    // The tool last chosen; giving the tool up keeps it.
    TTool CurrentTool = TTool::Rectangle;
    // The step by which each paste shifts the clipboard contents.
    std::int32_t PasteOffsetX = 0;
    std::int32_t PasteOffsetY = 0;

    // Gives up the tool: CreateMode off, every shape tool button raised.
    virtual void ReleaseTool() { CreateMode = false; }
    // Shows a selected item's font in the font bar.
    virtual void LoadFontBar(const TFont& font) { (void)font; }
    // Raises the bold, italic and underline buttons.
    virtual void RaiseFontStyleButtons() {}
    // Enables or disables the three "貼り付け(&P)" items.
    virtual void SetPasteEnabled(bool enabled) { (void)enabled; }
    // Enables or disables "上書き保存(&S)" and the save tool button.
    virtual void SetSaveEnabled(bool enabled) { (void)enabled; }
    // Shows the tree window and the canvas window.
    virtual void ShowDocumentWindows() {}
};

// The canvas window's borderless memo for editing an item's text in place.
// The window implements it with a widget; the text is CP932.
class TTextBox {
public:
    virtual ~TTextBox() = default;
    virtual bool Visible() const = 0;
    virtual bool HasFocus() const = 0;
    // Shows the memo over `left, top, width, height` holding `text`.
    virtual void Show(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height,
                      const std::string& text) = 0;
    // Empties and hides the memo.
    virtual void Hide() = 0;
    virtual std::string Text() const = 0;
    virtual TFont Font() const = 0;
    virtual void SetFont(const TFont& font) = 0;
};

// Questions to the user. The windows answer with the confirmation dialog,
// tests with scripted answers.
class TQuestions {
public:
    virtual ~TQuestions() = default;
    // The confirmation dialog with `question`; true only after "OK".
    virtual bool Confirm(const QString& question) = 0;
};

} // namespace qm
