#pragma once

#include "canvas/CanvasWindow.h"
#include "canvas/EditCommands.h"

#include <deque>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace qm::test {

class TFakeTextBox final : public TTextBox {
public:
    bool Visible() const override { return visible; }
    bool HasFocus() const override { return visible && focused; }
    void Show(std::int32_t l, std::int32_t t, std::int32_t w, std::int32_t h, const std::string& shown) override
    {
        visible = true;
        box = {l, t, l + w, t + h};
        text = shown;
    }
    void Hide() override
    {
        visible = false;
        text.clear();
    }
    std::string Text() const override { return text; }
    TFont Font() const override { return font; }
    void SetFont(const TFont& f) override { font = f; }

    bool visible = false;
    bool focused = false;
    TRect box;
    std::string text;
    TFont font;
};

class TScriptedQuestions final : public TQuestions {
public:
    bool Confirm(const QString& question) override
    {
        asked.push_back(question.toStdString());
        if (answers.empty())
            return false;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::deque<bool> answers;
    std::vector<std::string> asked;
};

class TRecordingMainState final : public TMainState {
public:
    void ReleaseTool() override
    {
        TMainState::ReleaseTool();
        ++released;
    }
    void LoadFontBar(const TFont& font) override { fontBar = font; }
    void SetPasteEnabled(bool enabled) override { pasteEnabled = enabled; }
    int released = 0;
    TFont fontBar;
    bool pasteEnabled = false;
};

// The canvas window and its edit commands on a tree of their own, joined as
// the editor joins them, with fakes for the windows around them. The
// benchmarks' large drawings are built on it.
struct TCanvasWithCommands {
    explicit TCanvasWithCommands(const TCanvasGeometry& geometry)
        : canvas(tree, main, textBox, geometry, QStringList{}), commands(tree, canvas, main, textBox, questions)
    {
    }

    TObjectTree tree;
    TMainState main;
    TFakeTextBox textBox;
    TScriptedQuestions questions;
    TCanvasWindow canvas;
    TEditCommands commands;
};

// A canvas window on a real tree with a template of four vertices.
struct TCanvasFixture {
    TCanvasFixture()
        : templateFolder(WriteTemplate()),
          canvas(tree, main, textBox, TCanvasGeometry{400, 400, 10},
                 QStringList{QString::fromStdString(templateFolder.string())}),
          commands(tree, canvas, main, textBox, questions)
    {
    }

    // A folder of its own holding "Rect.udf" with `count` of four corners.
    static std::filesystem::path WriteTemplate(int count = 4)
    {
        static int serial = 0;
        const auto folder = std::filesystem::temp_directory_path()
            / ("qm_canvas_" + std::to_string(::getpid()) + "_" + std::to_string(serial++));
        std::filesystem::create_directories(folder);
        std::ofstream file(folder / "Rect.udf", std::ios::binary);
        file << "[System]\r\nFileType=0\r\n[Item]\r\nName=box\r\nCount=" << count << "\r\n"
                "PX0=-10\r\nPY0=-10\r\nPX1=10\r\nPY1=-10\r\nPX2=10\r\nPY2=10\r\nPX3=-10\r\nPY3=10\r\n";
        return folder;
    }

    void Press(std::int32_t x, std::int32_t y, bool shift = false, bool doubleClick = false)
    {
        canvas.Image1MouseDown({TCanvasWindow::mbLeft, shift, doubleClick}, x, y);
    }
    void Drag(std::int32_t x, std::int32_t y) { canvas.Image1MouseMove({TCanvasWindow::mbLeft, false, false}, x, y); }
    void Release(std::int32_t x, std::int32_t y) { canvas.Image1MouseUp({TCanvasWindow::mbLeft, false, false}, x, y); }
    void Click(std::int32_t x, std::int32_t y, bool shift = false)
    {
        Press(x, y, shift);
        Release(x, y);
    }
    void ChooseTool(TTool tool)
    {
        main.CreateMode = true;
        main.CurrentTool = tool;
    }
    // A rectangle made with the tool from one corner to the other.
    TTreeNode* DrawRectangle(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2)
    {
        ChooseTool(TTool::Rectangle);
        Press(x1, y1);
        Drag(x2, y2);
        Release(x2, y2);
        return tree.ObjectRoot()->LastChild();
    }
    std::vector<TColor> PicturePixels() const
    {
        std::vector<TColor> pixels;
        const TBitmap& picture = canvas.Picture();
        for (std::int32_t y = 0; y < picture.Height(); ++y)
            for (std::int32_t x = 0; x < picture.Width(); ++x)
                pixels.push_back(picture.Pixel(x, y));
        return pixels;
    }
    std::vector<std::string> TopLevelCaptions() const
    {
        std::vector<std::string> captions;
        for (const TTreeNode* node = tree.ObjectRoot()->FirstChild(); node; node = node->NextSibling())
            captions.push_back(node->Text());
        return captions;
    }

    TObjectTree tree;
    TRecordingMainState main;
    TFakeTextBox textBox;
    TScriptedQuestions questions;
    std::filesystem::path templateFolder;
    TCanvasWindow canvas;
    TEditCommands commands;
};

} // namespace qm::test
