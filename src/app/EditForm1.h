#pragma once

#include "canvas/ItemEdits.h"
#include "model/ObjectTree.h"

#include <QDialog>

#include <functional>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;

namespace qm {

class TUserDialogs;

// The object editor "オブジェクトの編集": fill, line, line ends, curve style,
// stretch, angle, position, priority, text and text layout of one item.
// One instance serves the whole run, so controls that a load does not set
// keep what the previous use left in them.
//
// Spin controls show an item's value even when it lies outside their range
// (an item moved to a negative position, a priority above 1000): the range
// widens for that use, so "OK" writes back what the user sees and never a
// clamped value the user did not choose. Lists with no entry for the item's
// value show no selection and leave the value as it is.
//
// The dialog watches the tree: an item taken out of the drawing while the
// dialog holds it (a delete through a shortcut) is forgotten, and OK then
// writes nothing.
class TEditForm1 : public QDialog, private TTreeObserver {
    Q_OBJECT

public:
    TEditForm1(TObjectTree& tree, TUserDialogs& dialogs, QWidget* parent = nullptr);
    ~TEditForm1() override;

    TTreeNode* EditNode() const { return editNode_; }
    void SetEditNode(TTreeNode* node) { editNode_ = node; }
    // Sets EditNode and shows the dialog modally; true after "OK". Callers
    // repaint afterwards.
    bool Execute(TTreeNode* node);

    // The tab "位置とサイズ", hidden while several items are edited at once.
    void SetPositionTabVisible(bool visible);

    // The canvas's text-entry box takes every font chosen with "フォント".
    void SetTextEntryFontReceiver(std::function<void(const TFont&)> receiver)
    {
        textEntryFontReceiver_ = std::move(receiver);
    }

    // Closing by any way (OK, cancel, Esc, the close button) restores the
    // controls that the load hid.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void NodeRemoving(TTreeNode* node) override;
    void TreeReset() override { editNode_ = nullptr; }

    QWidget* BuildColorAndLineTab();
    QWidget* BuildPositionTab();
    QWidget* BuildTextTab();

    void FormShow();
    void FormClose();
    void HideControlsFor(TItemType itemType);
    void LoadFill(const TBrush& brush);
    void LoadLine(const TPen& pen);
    void LoadGeometry(const TItemObject& item);
    void LoadText(const TItemObject& item);
    void ShowMemoFont(const TFont& font);

    void CheckBox1Click();
    void CheckBox2Click();
    void BitBtn1Click();
    void BitBtn2Click();
    void Button1Click();
    void Button3Click();
    // The item as the fields hold it, for OK.
    TItemEdits Edits() const;

    TObjectTree& tree_;
    TUserDialogs& dialogs_;
    TTreeNode* editNode_ = nullptr;
    TColor fillColor_ = clWhite;
    TColor lineColor_ = clBlack;
    TFont memoFont_;
    // The memo's text as loaded: an untouched memo keeps the item's bytes,
    // even those that do not survive a trip through Unicode.
    QString loadedText_;
    std::function<void(const TFont&)> textEntryFontReceiver_;

    QTabWidget* pageControl1_ = nullptr;
    QWidget* tabColorAndLine_ = nullptr;
    QWidget* tabPosition_ = nullptr;
    QWidget* tabText_ = nullptr;

    QCheckBox* checkBox1_ = nullptr;
    QGroupBox* groupBox1_ = nullptr;
    QComboBox* comboBox1_ = nullptr;
    QPushButton* bitBtn1_ = nullptr;
    QCheckBox* checkBox2_ = nullptr;
    QGroupBox* groupBox2_ = nullptr;
    QSpinBox* upDown1_ = nullptr;
    QPushButton* bitBtn2_ = nullptr;
    QComboBox* comboBox2_ = nullptr;
    QComboBox* comboBox3_ = nullptr;
    QButtonGroup* radioGroup1_ = nullptr;
    QGroupBox* radioGroup2Box_ = nullptr;
    QButtonGroup* radioGroup2_ = nullptr;

    QSpinBox* upDown3_ = nullptr;
    QSpinBox* upDown2_ = nullptr;
    QLabel* angleLabel_ = nullptr;
    QSpinBox* upDown4_ = nullptr;
    QSpinBox* upDown5_ = nullptr;
    QSpinBox* upDown6_ = nullptr;
    QSpinBox* upDown9_ = nullptr;

    QPlainTextEdit* memo1_ = nullptr;
    QLabel* label8_ = nullptr;
    QPushButton* button3_ = nullptr;
    QSpinBox* upDown7_ = nullptr;
    QSpinBox* upDown8_ = nullptr;
    QCheckBox* checkBox3_ = nullptr;
    QCheckBox* checkBox4_ = nullptr;

    QPushButton* button1_ = nullptr;
    QPushButton* button2_ = nullptr;
};

// The object editor on the canvas selection: the first selected node is
// edited; with several, the tab "位置とサイズ" is hidden, and after the dialog
// closes (OK or cancel alike) every other selected node takes the first
// node's pen and brush. Nothing happens for an empty selection. The caller
// repaints afterwards in every case.
void EditSelection(TEditForm1& editor, TObjectTree& tree, const std::vector<TTreeNode*>& selection);

} // namespace qm
