#include "ScriptedDialogs.h"

#include "../model/TreeTestSupport.h"
#include "app/EditForm1.h"
#include "platform/ShiftJis.h"
#include "WritableRecord.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace qm {
namespace {

using test::AddShape;

class EditForm1Test : public ::testing::Test {
protected:
    TObjectTree tree;
    test::TScriptedDialogs dialogs;
    TEditForm1 editor{tree, dialogs};

    template <typename T>
    T* Control(const char* name)
    {
        T* control = editor.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    QSpinBox* Spin(const char* name) { return Control<QSpinBox>(name); }
    QRadioButton* Radio(const char* group, const char* caption)
    {
        for (QRadioButton* button : Control<QGroupBox>(group)->findChildren<QRadioButton*>())
            if (button->text() == QString::fromUtf8(caption))
                return button;
        ADD_FAILURE() << caption;
        return nullptr;
    }
    // Near the left edge: a check box only takes clicks on its box and caption.
    void Click(const char* name)
    {
        QAbstractButton* button = Control<QAbstractButton>(name);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    }
    bool TabShown(const char* name)
    {
        QTabWidget* tabs = Control<QTabWidget>("PageControl1");
        return tabs->isTabVisible(tabs->indexOf(Control<QWidget>(name)));
    }
    bool TabEnabled(const char* name)
    {
        QTabWidget* tabs = Control<QTabWidget>("PageControl1");
        return tabs->isTabEnabled(tabs->indexOf(Control<QWidget>(name)));
    }
    // Shows the editor on `node` without a modal loop, so the test drives it
    // directly; "OK" and "キャンセル" close it as they do in a modal run.
    void Open(TTreeNode* node)
    {
        editor.SetEditNode(node);
        editor.show();
    }
    void Type(QSpinBox* spin, const char* text)
    {
        spin->selectAll();
        QTest::keyClicks(spin, QString::fromLatin1(text));
    }
    TTreeNode* Rectangle(std::int32_t left, std::int32_t top)
    {
        return AddShape(tree, tree.ObjectRoot(), itRectangle,
                        {{left, top}, {left + 40, top}, {left + 40, top + 30}, {left, top + 30}});
    }
    TPointArray Drawn(const TTreeNode* node)
    {
        TPointArray points;
        tree.ViewPoints1(node, points);
        return points;
    }
};

TEST_F(EditForm1Test, StretchTypedAs29LoadsAs28AndStays28)
{
    TTreeNode* rect = Rectangle(10, 10);
    Open(rect);
    EXPECT_EQ(Spin("UpDown3")->value(), 100);
    Type(Spin("UpDown3"), "29");
    Click("Button1");
    EXPECT_FALSE(editor.isVisible());
    EXPECT_EQ(rect->Data()->StretchX, static_cast<float>(0.29));
    EXPECT_LT(double{rect->Data()->StretchX}, 0.29); // the float lies below 0.29
    EXPECT_EQ(rect->Data()->StretchY, 1.0f);

    Open(rect);
    EXPECT_EQ(Spin("UpDown3")->value(), 28);
    EXPECT_EQ(Spin("UpDown2")->value(), 100);
    Click("Button1");
    EXPECT_EQ(rect->Data()->StretchX, static_cast<float>(0.28));
    Open(rect);
    EXPECT_EQ(Spin("UpDown3")->value(), 28);
    Type(Spin("UpDown2"), "150");
    Click("Button1");
    Open(rect);
    EXPECT_EQ(Spin("UpDown3")->value(), 28);
    EXPECT_EQ(Spin("UpDown2")->value(), 150);
    Click("Button2");
}

TEST_F(EditForm1Test, NegativeRollShows330AndOkKeepsTheDrawing)
{
    TTreeNode* polygon = AddShape(tree, tree.ObjectRoot(), itPolygon, {{10, 10}, {60, 10}, {40, 50}});
    tree.RotateItem(-30, polygon);
    const TPointArray before = Drawn(polygon);

    Open(polygon);
    EXPECT_EQ(Spin("UpDown4")->value(), 330);
    Click("Button1");
    EXPECT_EQ(polygon->Data()->Roll, 330);
    EXPECT_EQ(Drawn(polygon), before);
}

TEST_F(EditForm1Test, GroupEditHidesTheTextTabAndCarriesTheMembersAlong)
{
    TTreeNode* group = tree.AddItem(tree.ObjectRoot(), "g", itGroup);
    TTreeNode* rect = AddShape(tree, group, itRectangle, {{0, 0}, {40, 0}, {40, 30}, {0, 30}});
    TTreeNode* curve = AddShape(tree, group, itCurve, {{0, 0}, {20, 20}, {40, 0}});
    Writable(curve)->Roll = 10;
    Writable(curve)->Brush.Style = bsCross;

    Open(group);
    EXPECT_TRUE(TabShown("TabSheet1"));
    EXPECT_TRUE(TabShown("TabSheet2"));
    EXPECT_FALSE(TabShown("TabSheet3"));
    EXPECT_FALSE(TabEnabled("TabSheet3"));
    dialogs.colorAnswers = {clRed, clBlue};
    Click("BitBtn1");
    Click("BitBtn2");
    Spin("UpDown1")->setValue(4);
    Radio("RadioGroup1", "破線")->click();
    Spin("UpDown3")->setValue(150);
    Spin("UpDown2")->setValue(50);
    Spin("UpDown4")->setValue(30);
    Spin("UpDown5")->setValue(10);
    Spin("UpDown6")->setValue(20);
    Click("Button1");

    for (TTreeNode* member : {group, rect, curve}) {
        const TItemObject& item = *member->Data();
        EXPECT_EQ(item.Brush, (TBrush{clRed, bsSolid})) << member->Text();
        EXPECT_EQ(item.Pen.Color, clBlue);
        EXPECT_EQ(item.Pen.Width, 4);
        EXPECT_EQ(item.Pen.Style, psDash);
        EXPECT_EQ(item.StretchX, 1.5f);
        EXPECT_EQ(item.StretchY, 0.5f);
        EXPECT_EQ(item.X, 10);
        EXPECT_EQ(item.Y, 20);
    }
    EXPECT_EQ(group->Data()->Roll, 30);
    EXPECT_EQ(rect->Data()->Roll, 30);
    EXPECT_EQ(curve->Data()->Roll, 40);
    // Closing gives the text tab back for the next item.
    EXPECT_TRUE(TabShown("TabSheet3"));
    EXPECT_TRUE(TabEnabled("TabSheet3"));
}

TEST_F(EditForm1Test, LinesHaveNoAngleNorTextButLineEndsAndRestoreOnClose)
{
    TTreeNode* line = AddShape(tree, tree.ObjectRoot(), itLine, {{0, 0}, {50, 50}});
    Open(line);
    EXPECT_TRUE(Spin("UpDown4")->isHidden());
    EXPECT_FALSE(TabShown("TabSheet3"));
    EXPECT_FALSE(TabEnabled("TabSheet3"));
    EXPECT_FALSE(Control<QGroupBox>("RadioGroup2")->isHidden());
    for (const char* list : {"ComboBox2", "ComboBox3"}) {
        EXPECT_FALSE(Control<QComboBox>(list)->isHidden());
        EXPECT_TRUE(Control<QComboBox>(list)->isEnabled());
    }
    EXPECT_EQ(Control<QComboBox>("ComboBox2")->currentIndex(), 0);
    Control<QComboBox>("ComboBox3")->setCurrentIndex(1);
    Click("Button1");
    EXPECT_EQ(line->Data()->PStyle, lePlain);
    EXPECT_EQ(line->Data()->DStyle, leArrow);
    EXPECT_EQ(line->Data()->Roll, 0);
    EXPECT_FALSE(Spin("UpDown4")->isHidden());

    // Rectangles and ellipses hide only the curve style.
    TTreeNode* rect = Rectangle(0, 0);
    Open(rect);
    EXPECT_TRUE(Control<QGroupBox>("RadioGroup2")->isHidden());
    EXPECT_FALSE(Spin("UpDown4")->isHidden());
    EXPECT_TRUE(TabShown("TabSheet3"));
    editor.close(); // the window's close button
    EXPECT_FALSE(Control<QGroupBox>("RadioGroup2")->isHidden());
}

TEST_F(EditForm1Test, TwoSelectedFillChangedOkFillsBothAndMovesOnlyTheFirst)
{
    TTreeNode* first = Rectangle(0, 0);
    TTreeNode* second = Rectangle(100, 100);
    tree.SetStretch(second, 2.0f, 3.0f);
    tree.RotateItem(45, second);
    const TItemObject secondBefore = *second->Data();

    dialogs.colorAnswers = {clRed};
    test::WhenModalShows([this](QWidget* dialog) {
        EXPECT_EQ(dialog, &editor);
        EXPECT_FALSE(TabShown("TabSheet2"));
        Click("BitBtn1");
        Click("Button1");
    });
    EditSelection(editor, tree, {first, second});

    EXPECT_TRUE(TabShown("TabSheet2"));
    EXPECT_EQ(first->Data()->Brush.Color, clRed);
    EXPECT_EQ(second->Data()->Brush.Color, clRed);
    EXPECT_EQ(second->Data()->X, secondBefore.X);
    EXPECT_EQ(second->Data()->Y, secondBefore.Y);
    EXPECT_EQ(second->Data()->StretchX, 2.0f);
    EXPECT_EQ(second->Data()->StretchY, 3.0f);
    EXPECT_EQ(second->Data()->Roll, 45);
}

TEST_F(EditForm1Test, TwoSelectedCancelStillGivesTheFirstPenAndBrushToTheOthers)
{
    TTreeNode* first = Rectangle(0, 0);
    TTreeNode* second = Rectangle(100, 100);
    TTreeNode* third = AddShape(tree, tree.ObjectRoot(), itLine, {{0, 0}, {9, 9}});
    const TPen pen{clBlue, 3, psDash, TPenMode::pmCopy};
    const TBrush brush{clLime, bsCross};
    Writable(first)->Pen = pen;
    Writable(first)->Brush = brush;

    dialogs.colorAnswers = {clRed};
    test::WhenModalShows([this](QWidget*) {
        Click("BitBtn1");
        Spin("UpDown1")->setValue(7);
        Click("Button2");
    });
    EditSelection(editor, tree, {first, second, third});

    EXPECT_EQ(dialogs.colorRequests, 1);
    for (TTreeNode* node : {first, second, third}) {
        EXPECT_EQ(node->Data()->Pen, pen) << node->Text();
        EXPECT_EQ(node->Data()->Brush, brush) << node->Text();
    }
}

TEST_F(EditForm1Test, ClearFillAndLineCheckTheirBoxesAndListsKeepTheirEntries)
{
    TTreeNode* crossed = Rectangle(0, 0);
    Writable(crossed)->Brush.Style = bsCross;
    Writable(crossed)->Pen.Style = psDash;
    TTreeNode* clear = Rectangle(50, 50);
    Writable(clear)->Brush.Style = bsClear;
    Writable(clear)->Pen.Style = psClear;
    TTreeNode* dotted = Rectangle(90, 90);
    Writable(dotted)->Pen.Style = psDot;

    Open(crossed);
    EXPECT_EQ(Control<QComboBox>("ComboBox1")->currentIndex(), 1); // "クロス１"
    EXPECT_TRUE(Radio("RadioGroup1", "破線")->isChecked());
    EXPECT_FALSE(Control<QCheckBox>("CheckBox1")->isChecked());
    EXPECT_TRUE(Control<QGroupBox>("GroupBox1")->isEnabled());
    Click("Button2");

    Open(clear);
    EXPECT_TRUE(Control<QCheckBox>("CheckBox1")->isChecked());
    EXPECT_FALSE(Control<QGroupBox>("GroupBox1")->isEnabled());
    EXPECT_EQ(Control<QComboBox>("ComboBox1")->currentIndex(), 1);
    EXPECT_TRUE(Control<QCheckBox>("CheckBox2")->isChecked());
    EXPECT_FALSE(Control<QGroupBox>("GroupBox2")->isEnabled());
    Click("CheckBox1");
    EXPECT_TRUE(Control<QGroupBox>("GroupBox1")->isEnabled());
    Click("CheckBox2");
    EXPECT_TRUE(Control<QGroupBox>("GroupBox2")->isEnabled());
    Click("Button1");
    EXPECT_EQ(clear->Data()->Brush.Style, bsCross);
    EXPECT_EQ(clear->Data()->Pen.Style, psDash);

    // A dotted pen has no entry: the line style keeps the last one.
    Open(dotted);
    EXPECT_TRUE(Radio("RadioGroup1", "破線")->isChecked());
    EXPECT_EQ(Control<QComboBox>("ComboBox1")->currentIndex(), 0);
    Click("Button2");
}

TEST_F(EditForm1Test, ValuesOutsideTheSpinRangesSurviveAnUntouchedOk)
{
    TTreeNode* rect = Rectangle(0, 0);
    tree.MoveItem(-20, 1200, rect);
    tree.SetStretch(rect, 12.5f, 1.0f);
    Writable(rect)->Priority = 1500;
    Writable(rect)->Pen.Width = 250;
    Writable(rect)->Margin = 150;
    Writable(rect)->PStyle = FromStoredCode<TLineEnd>(5);
    Writable(rect)->CurveStyle = FromStoredCode<TCurveStyle>(9);
    const TItemObject before = *rect->Data();
    const TPointArray drawn = Drawn(rect);

    Open(rect);
    EXPECT_EQ(Spin("UpDown5")->value(), -20);
    EXPECT_EQ(Spin("UpDown6")->value(), 1200);
    EXPECT_EQ(Spin("UpDown9")->value(), 1500);
    EXPECT_EQ(Spin("UpDown3")->value(), 1250);
    EXPECT_EQ(Spin("UpDown1")->value(), 250);
    EXPECT_EQ(Spin("UpDown7")->value(), 150);
    EXPECT_EQ(Control<QComboBox>("ComboBox2")->currentIndex(), -1);
    Click("Button1");
    const TItemObject& after = *rect->Data();
    EXPECT_EQ(after.X, before.X);
    EXPECT_EQ(after.Y, before.Y);
    EXPECT_EQ(after.Priority, 1500);
    EXPECT_EQ(after.StretchX, 12.5f);
    EXPECT_EQ(after.Pen.Width, 250);
    EXPECT_EQ(after.Margin, 150);
    EXPECT_EQ(after.PStyle, FromStoredCode<TLineEnd>(5));
    EXPECT_EQ(after.CurveStyle, FromStoredCode<TCurveStyle>(9));
    EXPECT_EQ(Drawn(rect), drawn);

    // The next item gets the controls' own ranges back.
    Open(Rectangle(5, 5));
    EXPECT_EQ(Spin("UpDown5")->minimum(), 0);
    EXPECT_EQ(Spin("UpDown6")->maximum(), 1000);
    EXPECT_EQ(Spin("UpDown1")->maximum(), 100);
    Click("Button2");
}

TEST_F(EditForm1Test, TextTabEditsTextFontAndTheSwappedLayoutSpins)
{
    TTreeNode* rect = Rectangle(0, 0);
    TItemObject& item = *Writable(rect);
    item.Text = Utf8ToCp932("一行目\r\n二行目");
    item.Margin = 3;
    item.LineSpacing = 7;
    item.CenterH = false;
    TFont chosen = item.Font;
    chosen.Name = Utf8ToCp932("ＭＳ ゴシック");
    chosen.Height = -16;
    chosen.Style = fsBold;
    dialogs.fontAnswers = {chosen};
    std::vector<TFont> textEntryFonts;
    editor.SetTextEntryFontReceiver([&textEntryFonts](const TFont& font) { textEntryFonts.push_back(font); });

    Open(rect);
    auto* memo = Control<QPlainTextEdit>("Memo1");
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("一行目\n二行目"));
    EXPECT_EQ(Control<QLabel>("Label8")->text(), QStringLiteral("ＭＳ Ｐゴシック"));
    EXPECT_EQ(memo->font().pixelSize(), 12);
    EXPECT_EQ(Spin("UpDown7")->value(), 3); // beside "行送り": Margin
    EXPECT_EQ(Spin("UpDown8")->value(), 7); // beside "内枠": LineSpacing
    EXPECT_FALSE(Control<QCheckBox>("CheckBox3")->isChecked());
    EXPECT_TRUE(Control<QCheckBox>("CheckBox4")->isChecked());

    Click("Button3");
    ASSERT_EQ(textEntryFonts.size(), 1u);
    EXPECT_EQ(textEntryFonts.front(), chosen);
    EXPECT_EQ(memo->font().pixelSize(), 16);
    EXPECT_TRUE(memo->font().bold());
    EXPECT_EQ(Control<QLabel>("Label8")->text(), QStringLiteral("ＭＳ Ｐゴシック"));
    memo->moveCursor(QTextCursor::End);
    memo->insertPlainText(QStringLiteral("\n三行目"));
    Spin("UpDown7")->setValue(5);
    Spin("UpDown8")->setValue(9);
    Click("CheckBox3");
    const std::uint64_t revision = tree.Revision();
    Click("Button1");

    EXPECT_GT(tree.Revision(), revision);
    EXPECT_EQ(item.Text, Utf8ToCp932("一行目\r\n二行目\r\n三行目"));
    EXPECT_EQ(item.Font, chosen);
    EXPECT_EQ(item.Margin, 5);
    EXPECT_EQ(item.LineSpacing, 9);
    EXPECT_TRUE(item.CenterH);
    EXPECT_TRUE(item.CenterV);
}

TEST_F(EditForm1Test, AnUntouchedMemoKeepsTheItemsBytes)
{
    TTreeNode* rect = Rectangle(0, 0);
    // A lone lead byte and a lone line feed do not survive a trip through a widget.
    const std::string bytes = "ab\x81\ncd";
    Writable(rect)->Text = bytes;
    Open(rect);
    Click("Button1");
    EXPECT_EQ(rect->Data()->Text, bytes);
}

TEST_F(EditForm1Test, CancelAndTheCloseButtonLeaveTheItemAsItWas)
{
    TTreeNode* curve = AddShape(tree, tree.ObjectRoot(), itCurve, {{0, 0}, {30, 40}, {60, 0}});
    Writable(curve)->Text = Utf8ToCp932("曲線");
    const TItemObject before = *curve->Data();
    const std::uint64_t revision = tree.Revision();
    dialogs.colorAnswers = {clRed, clRed};

    for (const bool byCloseButton : {false, true}) {
        Open(curve);
        Click("BitBtn1");
        Click("CheckBox2");
        Spin("UpDown3")->setValue(300);
        Spin("UpDown5")->setValue(500);
        Spin("UpDown9")->setValue(77);
        Radio("RadioGroup2", "ベジェ曲線")->click();
        Control<QPlainTextEdit>("Memo1")->setPlainText(QStringLiteral("変更"));
        if (byCloseButton)
            editor.close();
        else
            Click("Button2");
        EXPECT_FALSE(editor.isVisible());
        const TItemObject& after = *curve->Data();
        EXPECT_EQ(after.Brush, before.Brush);
        EXPECT_EQ(after.Pen, before.Pen);
        EXPECT_EQ(after.StretchX, before.StretchX);
        EXPECT_EQ(after.X, before.X);
        EXPECT_EQ(after.Priority, before.Priority);
        EXPECT_EQ(after.CurveStyle, before.CurveStyle);
        EXPECT_EQ(after.Text, before.Text);
        EXPECT_EQ(tree.Revision(), revision);
    }
}

// Every caption must show whole at the dialog's fixed size. With
// QM_SCREENSHOT_DIR set, the three tabs are also saved as pictures.
TEST_F(EditForm1Test, EveryCaptionFitsOnEachTab)
{
    TTreeNode* curve = AddShape(tree, tree.ObjectRoot(), itCurve, {{0, 0}, {30, 40}, {60, 0}});
    Writable(curve)->Text = Utf8ToCp932("日本語のテキスト\r\n二行目");
    Open(curve);
    QTabWidget* tabs = Control<QTabWidget>("PageControl1");
    const QString screenshots = qEnvironmentVariable("QM_SCREENSHOT_DIR");
    for (int index = 0; index < tabs->count(); ++index) {
        tabs->setCurrentIndex(index);
        QWidget* page = tabs->widget(index);
        QCoreApplication::processEvents();
        for (QWidget* control : page->findChildren<QWidget*>()) {
            if (!control->isVisible() || !(qobject_cast<QLabel*>(control) || qobject_cast<QAbstractButton*>(control)))
                continue;
            EXPECT_GE(control->width(), control->sizeHint().width()) << control->objectName().toStdString() << " on tab "
                                                                      << index;
            const QRect onPage(control->mapTo(page, QPoint(0, 0)), control->size());
            EXPECT_TRUE(page->rect().contains(onPage)) << control->objectName().toStdString();
        }
        if (!screenshots.isEmpty())
            editor.grab().save(QDir(screenshots).filePath(QStringLiteral("editor-tab%1.png").arg(index + 1)));
    }
    Click("Button2");
}

} // namespace
} // namespace qm
