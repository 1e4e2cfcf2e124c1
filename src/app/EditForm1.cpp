#include "EditForm1.h"

#include "UserDialogs.h"
#include "qtplatform/QtColor.h"
#include "qtplatform/QtFont.h"
#include "qtplatform/QtText.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace qm {

namespace {

// Fill pattern list entries and the brush styles they stand for, in list order.
constexpr std::array<TBrushStyle, 7> kFillPatterns = {
    bsSolid, bsCross, bsDiagCross, bsBDiagonal, bsFDiagonal, bsHorizontal, bsVertical,
};

// The line style buttons "実線" and "破線" by their ids in RadioGroup1.
constexpr int kSolidLineButton = 0;
constexpr int kDashedLineButton = 1;

// The line end lists ComboBox2 and ComboBox3 hold one entry per TLineEnd and
// the curve style group RadioGroup2 one button per TCurveStyle, each at the
// index (the id) that is its code.

// Ranges of the spin controls.
struct TSpinRange {
    int low;
    int high;
};
constexpr TSpinRange kPenWidthRange{0, 100};
constexpr TSpinRange kStretchRange{0, 1000};
constexpr TSpinRange kAngleRange{0, 359};
constexpr TSpinRange kPositionRange{0, 1000};
constexpr TSpinRange kPriorityRange{0, 1000};
constexpr TSpinRange kTextLayoutRange{0, 100};

int SaturatedInt(double value)
{
    if (std::isnan(value))
        return 0;
    return static_cast<int>(std::clamp(value, double{std::numeric_limits<int>::min()},
                                       double{std::numeric_limits<int>::max()}));
}

QSpinBox* NewSpin(const char* name, TSpinRange range, int value, QWidget* parent)
{
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(QString::fromLatin1(name));
    spin->setRange(range.low, range.high);
    spin->setValue(value);
    spin->setMinimumWidth(72);
    return spin;
}

// Shows `value` in a spin control whose own range is `range`; a value outside
// it widens the range for this use instead of being clamped.
void LoadSpin(QSpinBox* spin, TSpinRange range, int value)
{
    spin->setRange(std::min(range.low, value), std::max(range.high, value));
    spin->setValue(value);
}

// Stretch factor as a whole percentage, truncated toward zero. The product is
// taken in double precision: a factor stored as the float nearest 0.29 lies
// below 0.29 and shows as 28.
int StretchPercent(float stretch)
{
    return SaturatedInt(std::trunc(static_cast<double>(stretch) * 100.0));
}

float StretchFactor(int percent)
{
    return static_cast<float>(percent * 0.01);
}

// An angle of 0 to 359 degrees that turns as far as `roll`.
int AngleOf(std::int32_t roll)
{
    const int remainder = roll % 360;
    return remainder < 0 ? remainder + 360 : remainder;
}

void SetComboIndex(QComboBox* combo, std::int32_t index)
{
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

void SetRadioIndex(QButtonGroup* group, std::int32_t index)
{
    if (QAbstractButton* button = group->button(index)) {
        button->setChecked(true);
        return;
    }
    // An exclusive group cannot uncheck its checked button.
    group->setExclusive(false);
    for (QAbstractButton* other : group->buttons())
        other->setChecked(false);
    group->setExclusive(true);
}

QButtonGroup* NewRadioGroup(QGroupBox* box, std::initializer_list<const char*> captions)
{
    auto* group = new QButtonGroup(box);
    auto* layout = new QGridLayout(box);
    int id = 0;
    for (const char* caption : captions) {
        auto* button = new QRadioButton(QString::fromUtf8(caption), box);
        group->addButton(button, id);
        layout->addWidget(button, id / 3, id % 3);
        ++id;
    }
    for (int column = 0; column < 3; ++column)
        layout->setColumnStretch(column, 1);
    group->button(0)->setChecked(true);
    return group;
}

QComboBox* NewList(const char* name, std::initializer_list<const char*> entries, QWidget* parent)
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QString::fromLatin1(name));
    for (const char* entry : entries)
        combo->addItem(QString::fromUtf8(entry));
    return combo;
}

QPushButton* NewButton(const char* name, const char* caption, QWidget* parent)
{
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

// A small sample of the colour on a colour button, framed so that white
// shows on a white button.
QIcon ColorSwatch(TColor color)
{
    QPixmap swatch(14, 14);
    swatch.fill(ToQColor(color));
    QPainter painter(&swatch);
    painter.setPen(QColor(0x80, 0x80, 0x80));
    painter.drawRect(0, 0, swatch.width() - 1, swatch.height() - 1);
    return QIcon(swatch);
}

QLabel* NewLabel(const char* caption, QWidget* buddy, QWidget* parent)
{
    auto* label = new QLabel(QString::fromUtf8(caption), parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

TEditForm1::TEditForm1(TObjectTree& tree, TUserDialogs& dialogs, QWidget* parent)
    : QDialog(parent), tree_(tree), dialogs_(dialogs)
{
    tree_.AddObserver(this);
    setObjectName(QStringLiteral("EditForm1"));
    setWindowTitle(QStringLiteral("オブジェクトの編集"));
    setFixedSize(445, 375);

    pageControl1_ = new QTabWidget(this);
    pageControl1_->setObjectName(QStringLiteral("PageControl1"));
    tabColorAndLine_ = BuildColorAndLineTab();
    tabPosition_ = BuildPositionTab();
    tabText_ = BuildTextTab();
    pageControl1_->addTab(tabColorAndLine_, QStringLiteral("色と線"));
    pageControl1_->addTab(tabPosition_, QStringLiteral("位置とサイズ"));
    pageControl1_->addTab(tabText_, QStringLiteral("テキスト"));

    button1_ = NewButton("Button1", "OK", this);
    button1_->setDefault(true);
    button2_ = NewButton("Button2", "キャンセル", this);
    connect(button1_, &QPushButton::clicked, this, &TEditForm1::Button1Click);
    connect(button2_, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(button1_);
    buttons->addWidget(button2_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(pageControl1_, 1);
    layout->addLayout(buttons);
}

QWidget* TEditForm1::BuildColorAndLineTab()
{
    auto* tab = new QWidget;
    tab->setObjectName(QStringLiteral("TabSheet1"));

    checkBox1_ = new QCheckBox(QStringLiteral("塗りつぶさない"), tab);
    checkBox1_->setObjectName(QStringLiteral("CheckBox1"));
    groupBox1_ = new QGroupBox(QStringLiteral("塗りつぶし"), tab);
    groupBox1_->setObjectName(QStringLiteral("GroupBox1"));
    comboBox1_ = NewList("ComboBox1", {"塗りつぶす", "クロス１", "クロス２", "斜め１", "斜め２", "横", "縦"}, groupBox1_);
    comboBox1_->setCurrentIndex(-1);
    bitBtn1_ = NewButton("BitBtn1", "色", groupBox1_);
    auto* fill = new QGridLayout(groupBox1_);
    fill->addWidget(NewLabel("パターン", comboBox1_, groupBox1_), 0, 0);
    fill->addWidget(comboBox1_, 0, 1);
    fill->addWidget(bitBtn1_, 1, 1, Qt::AlignLeft);
    fill->setColumnStretch(1, 1);

    checkBox2_ = new QCheckBox(QStringLiteral("線を書かない"), tab);
    checkBox2_->setObjectName(QStringLiteral("CheckBox2"));
    groupBox2_ = new QGroupBox(QStringLiteral("線"), tab);
    groupBox2_->setObjectName(QStringLiteral("GroupBox2"));
    upDown1_ = NewSpin("UpDown1", kPenWidthRange, 1, groupBox2_);
    bitBtn2_ = NewButton("BitBtn2", "色", groupBox2_);
    auto* styleBox = new QGroupBox(groupBox2_);
    styleBox->setObjectName(QStringLiteral("RadioGroup1"));
    radioGroup1_ = NewRadioGroup(styleBox, {"実線", "破線"});
    auto* line = new QGridLayout(groupBox2_);
    line->addWidget(NewLabel("太さ", upDown1_, groupBox2_), 0, 0);
    line->addWidget(upDown1_, 0, 1, Qt::AlignLeft);
    line->addWidget(bitBtn2_, 0, 2, Qt::AlignRight);
    line->addWidget(styleBox, 1, 0, 1, 3);
    line->setColumnStretch(1, 1);

    comboBox2_ = NewList("ComboBox2", {"通常", "矢印"}, tab);
    comboBox3_ = NewList("ComboBox3", {"通常", "矢印"}, tab);
    radioGroup2Box_ = new QGroupBox(tab);
    radioGroup2Box_->setObjectName(QStringLiteral("RadioGroup2"));
    radioGroup2_ = NewRadioGroup(radioGroup2Box_, {"直線", "自然曲線", "ベジェ曲線"});

    auto* fillColumn = new QVBoxLayout;
    fillColumn->addWidget(checkBox1_);
    fillColumn->addWidget(groupBox1_, 1);
    auto* lineColumn = new QVBoxLayout;
    lineColumn->addWidget(checkBox2_);
    lineColumn->addWidget(groupBox2_, 1);
    auto* columns = new QHBoxLayout;
    columns->addLayout(fillColumn, 1);
    columns->addLayout(lineColumn, 1);

    auto* ends = new QGridLayout;
    ends->addWidget(NewLabel("始点の形状", comboBox2_, tab), 0, 0);
    ends->addWidget(comboBox2_, 0, 1);
    ends->addWidget(NewLabel("終点の形状", comboBox3_, tab), 0, 2);
    ends->addWidget(comboBox3_, 0, 3);
    ends->setColumnStretch(1, 1);
    ends->setColumnStretch(3, 1);

    auto* layout = new QVBoxLayout(tab);
    layout->addLayout(columns);
    layout->addLayout(ends);
    layout->addWidget(radioGroup2Box_);
    layout->addStretch();

    connect(checkBox1_, &QCheckBox::toggled, this, &TEditForm1::CheckBox1Click);
    connect(checkBox2_, &QCheckBox::toggled, this, &TEditForm1::CheckBox2Click);
    connect(bitBtn1_, &QPushButton::clicked, this, &TEditForm1::BitBtn1Click);
    connect(bitBtn2_, &QPushButton::clicked, this, &TEditForm1::BitBtn2Click);
    return tab;
}

QWidget* TEditForm1::BuildPositionTab()
{
    auto* tab = new QWidget;
    tab->setObjectName(QStringLiteral("TabSheet2"));

    auto* sizeBox = new QGroupBox(QStringLiteral("縦横の伸縮（％）と角度（３６０）"), tab);
    upDown3_ = NewSpin("UpDown3", kStretchRange, 100, sizeBox);
    upDown2_ = NewSpin("UpDown2", kStretchRange, 100, sizeBox);
    upDown4_ = NewSpin("UpDown4", kAngleRange, 0, sizeBox);
    angleLabel_ = NewLabel("回転角度", upDown4_, sizeBox);
    auto* size = new QGridLayout(sizeBox);
    size->addWidget(NewLabel("横の伸縮", upDown3_, sizeBox), 0, 0);
    size->addWidget(upDown3_, 0, 1);
    size->addWidget(NewLabel("縦の伸縮", upDown2_, sizeBox), 1, 0);
    size->addWidget(upDown2_, 1, 1);
    size->addWidget(angleLabel_, 2, 0);
    size->addWidget(upDown4_, 2, 1);
    size->setColumnStretch(2, 1);

    auto* positionBox = new QGroupBox(QStringLiteral("位置"), tab);
    upDown5_ = NewSpin("UpDown5", kPositionRange, 0, positionBox);
    upDown6_ = NewSpin("UpDown6", kPositionRange, 0, positionBox);
    upDown9_ = NewSpin("UpDown9", kPriorityRange, 0, positionBox);
    auto* position = new QGridLayout(positionBox);
    position->addWidget(NewLabel("X軸", upDown5_, positionBox), 0, 0);
    position->addWidget(upDown5_, 0, 1);
    position->addWidget(NewLabel("Y軸", upDown6_, positionBox), 1, 0);
    position->addWidget(upDown6_, 1, 1);
    position->addWidget(NewLabel("優先度", upDown9_, positionBox), 2, 0);
    position->addWidget(upDown9_, 2, 1);
    position->setColumnStretch(2, 1);

    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(sizeBox);
    layout->addWidget(positionBox);
    layout->addStretch();
    return tab;
}

QWidget* TEditForm1::BuildTextTab()
{
    auto* tab = new QWidget;
    tab->setObjectName(QStringLiteral("TabSheet3"));

    memo1_ = new QPlainTextEdit(tab);
    memo1_->setObjectName(QStringLiteral("Memo1"));
    label8_ = new QLabel(tab);
    label8_->setObjectName(QStringLiteral("Label8"));
    button3_ = NewButton("Button3", "フォント", tab);
    upDown7_ = NewSpin("UpDown7", kTextLayoutRange, 0, tab);
    upDown8_ = NewSpin("UpDown8", kTextLayoutRange, 0, tab);
    checkBox3_ = new QCheckBox(QStringLiteral("横位置のセンタリング"), tab);
    checkBox3_->setObjectName(QStringLiteral("CheckBox3"));
    checkBox3_->setChecked(true);
    checkBox4_ = new QCheckBox(QStringLiteral("縦位置のセンタリング"), tab);
    checkBox4_->setObjectName(QStringLiteral("CheckBox4"));
    checkBox4_->setChecked(true);

    auto* font = new QHBoxLayout;
    font->addWidget(label8_, 1);
    font->addWidget(button3_);
    auto* layoutControls = new QGridLayout;
    layoutControls->addWidget(NewLabel("行送り", upDown7_, tab), 0, 0);
    layoutControls->addWidget(upDown7_, 0, 1);
    layoutControls->addWidget(checkBox3_, 0, 2);
    layoutControls->addWidget(NewLabel("内枠", upDown8_, tab), 1, 0);
    layoutControls->addWidget(upDown8_, 1, 1);
    layoutControls->addWidget(checkBox4_, 1, 2);
    layoutControls->setColumnStretch(2, 1);
    layoutControls->setHorizontalSpacing(12);

    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(memo1_, 1);
    layout->addLayout(font);
    layout->addLayout(layoutControls);

    connect(button3_, &QPushButton::clicked, this, &TEditForm1::Button3Click);
    return tab;
}

TEditForm1::~TEditForm1()
{
    tree_.RemoveObserver(this);
}

void TEditForm1::NodeRemoving(TTreeNode* node)
{
    if (node == editNode_)
        editNode_ = nullptr;
}

bool TEditForm1::Execute(TTreeNode* node)
{
    SetEditNode(node);
    if (!node)
        return false;
    return exec() == QDialog::Accepted;
}

void TEditForm1::SetPositionTabVisible(bool visible)
{
    pageControl1_->setTabVisible(pageControl1_->indexOf(tabPosition_), visible);
}

void TEditForm1::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TEditForm1::done(int result)
{
    QDialog::done(result);
    FormClose();
}

void TEditForm1::FormShow()
{
    if (!editNode_)
        return;
    const TItemObject& item = *editNode_->Data();
    HideControlsFor(item.ItemType);
    LoadFill(item.Brush);
    LoadLine(item.Pen);
    LoadGeometry(item);
    LoadText(item);
}

void TEditForm1::HideControlsFor(TItemType itemType)
{
    const int textTab = pageControl1_->indexOf(tabText_);
    switch (itemType) {
    case itRectangle:
    case itEllipse:
        radioGroup2Box_->hide();
        break;
    case itLine:
    case itArrow:
        angleLabel_->hide();
        upDown4_->hide();
        pageControl1_->setTabEnabled(textTab, false);
        pageControl1_->setTabVisible(textTab, false);
        break;
    case itGroup:
        pageControl1_->setTabEnabled(textTab, false);
        pageControl1_->setTabVisible(textTab, false);
        break;
    default:
        break;
    }
}

void TEditForm1::FormClose()
{
    const int textTab = pageControl1_->indexOf(tabText_);
    radioGroup2Box_->show();
    angleLabel_->show();
    upDown4_->show();
    pageControl1_->setTabEnabled(textTab, true);
    pageControl1_->setTabVisible(textTab, true);
}

void TEditForm1::LoadFill(const TBrush& brush)
{
    checkBox1_->setChecked(false);
    if (brush.Style == bsClear) {
        // The pattern list keeps what it showed last time.
        checkBox1_->setChecked(true);
    } else {
        const auto entry = std::find(kFillPatterns.begin(), kFillPatterns.end(), brush.Style);
        comboBox1_->setCurrentIndex(entry == kFillPatterns.end() ? 0 : static_cast<int>(entry - kFillPatterns.begin()));
    }
    fillColor_ = brush.Color;
    bitBtn1_->setIcon(ColorSwatch(fillColor_));
}

void TEditForm1::LoadLine(const TPen& pen)
{
    checkBox2_->setChecked(false);
    if (pen.Style == psSolid)
        radioGroup1_->button(kSolidLineButton)->setChecked(true);
    else if (pen.Style == psDash)
        radioGroup1_->button(kDashedLineButton)->setChecked(true);
    else if (pen.Style == psClear)
        checkBox2_->setChecked(true);
    LoadSpin(upDown1_, kPenWidthRange, pen.Width);
    lineColor_ = pen.Color;
    bitBtn2_->setIcon(ColorSwatch(lineColor_));
}

void TEditForm1::LoadGeometry(const TItemObject& item)
{
    LoadSpin(upDown3_, kStretchRange, StretchPercent(item.StretchX));
    LoadSpin(upDown2_, kStretchRange, StretchPercent(item.StretchY));
    upDown4_->setValue(AngleOf(item.Roll));
    LoadSpin(upDown5_, kPositionRange, item.X);
    LoadSpin(upDown6_, kPositionRange, item.Y);
    LoadSpin(upDown9_, kPriorityRange, item.Priority);
}

void TEditForm1::LoadText(const TItemObject& item)
{
    memo1_->clear();
    memo1_->setPlainText(ItemTextToQString(item.Text));
    loadedText_ = memo1_->toPlainText();
    memoFont_ = item.Font;
    ShowMemoFont(memoFont_);
    label8_->setText(Cp932ToQString(item.Font.Name));
    // Margin is the text margin and LineSpacing the extra line pitch, so the
    // spin beside "行送り" holds Margin and the one beside "内枠" LineSpacing.
    LoadSpin(upDown7_, kTextLayoutRange, item.Margin);
    LoadSpin(upDown8_, kTextLayoutRange, item.LineSpacing);
    checkBox3_->setChecked(item.CenterH);
    checkBox4_->setChecked(item.CenterV);
    SetComboIndex(comboBox2_, StoredCode(item.PStyle));
    SetComboIndex(comboBox3_, StoredCode(item.DStyle));
    SetRadioIndex(radioGroup2_, StoredCode(item.CurveStyle));
}

void TEditForm1::ShowMemoFont(const TFont& font)
{
    memo1_->setFont(ToQFont(font));
    QPalette palette = memo1_->palette();
    palette.setColor(QPalette::Text, ToQColor(font.Color));
    memo1_->setPalette(palette);
}

void TEditForm1::CheckBox1Click()
{
    groupBox1_->setEnabled(!checkBox1_->isChecked());
}

// Unchecking "線を書かない" gives the line group back, as "塗りつぶさない" does
// for the fill group; otherwise a line switched back on could not be given a
// width or colour in the same use.
void TEditForm1::CheckBox2Click()
{
    groupBox2_->setEnabled(!checkBox2_->isChecked());
}

void TEditForm1::BitBtn1Click()
{
    if (const std::optional<TColor> color = dialogs_.ChooseColor()) {
        fillColor_ = *color;
        bitBtn1_->setIcon(ColorSwatch(fillColor_));
    }
}

void TEditForm1::BitBtn2Click()
{
    if (const std::optional<TColor> color = dialogs_.ChooseColor()) {
        lineColor_ = *color;
        bitBtn2_->setIcon(ColorSwatch(lineColor_));
    }
}

void TEditForm1::Button3Click()
{
    const std::optional<TFont> font = dialogs_.ChooseFont();
    if (!font)
        return;
    if (textEntryFontReceiver_)
        textEntryFontReceiver_(*font);
    // Label8 keeps the name loaded with the item.
    memoFont_ = *font;
    ShowMemoFont(memoFont_);
}

void TEditForm1::Button1Click()
{
    ApplyItemEdits(tree_, editNode_, Edits());
    accept();
}

TItemEdits TEditForm1::Edits() const
{
    TItemEdits edits;
    if (const int pattern = comboBox1_->currentIndex(); pattern >= 0)
        edits.FillPattern = kFillPatterns[static_cast<std::size_t>(pattern)];
    edits.FillColor = fillColor_;
    edits.NoFill = checkBox1_->isChecked();
    if (radioGroup1_->checkedId() == kSolidLineButton)
        edits.LineStyle = psSolid;
    else if (radioGroup1_->checkedId() == kDashedLineButton)
        edits.LineStyle = psDash;
    edits.NoLine = checkBox2_->isChecked();
    edits.LineWidth = upDown1_->value();
    edits.LineColor = lineColor_;

    edits.StretchX = StretchFactor(upDown3_->value());
    edits.StretchY = StretchFactor(upDown2_->value());
    edits.Angle = upDown4_->value();
    edits.X = upDown5_->value();
    edits.Y = upDown6_->value();
    edits.Priority = upDown9_->value();

    const QString text = memo1_->toPlainText();
    if (text != loadedText_)
        edits.Text = QStringToItemText(text);
    edits.Font = memoFont_;
    edits.Margin = upDown7_->value();
    edits.LineSpacing = upDown8_->value();
    edits.CenterH = checkBox3_->isChecked();
    edits.CenterV = checkBox4_->isChecked();
    if (comboBox2_->currentIndex() >= 0)
        edits.PStyle = FromStoredCode<TLineEnd>(comboBox2_->currentIndex());
    if (comboBox3_->currentIndex() >= 0)
        edits.DStyle = FromStoredCode<TLineEnd>(comboBox3_->currentIndex());
    if (radioGroup2_->checkedId() >= 0)
        edits.CurveStyle = FromStoredCode<TCurveStyle>(radioGroup2_->checkedId());
    return edits;
}

void EditSelection(TEditForm1& editor, TObjectTree& tree, const std::vector<TTreeNode*>& selection)
{
    if (selection.empty() || !selection.front())
        return;
    // The dialog's OK and the spread of its line and fill are one step.
    const TEditStepScope step(tree, kEditStepName);
    const bool several = selection.size() > 1;
    if (several)
        editor.SetPositionTabVisible(false);
    editor.Execute(selection.front());
    if (several)
        editor.SetPositionTabVisible(true);
    SpreadLineAndFill(tree, selection);
}

} // namespace qm
