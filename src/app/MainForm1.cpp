#include "MainForm1.h"

#include "ToolImages.h"

#include "platform/ShiftJis.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFontDatabase>
#include <QMenuBar>
#include <QSpinBox>
#include <QToolBar>

namespace qm {

namespace {

// FindFontIndex never finds the first eight entries of the list.
constexpr int kFirstSearchedFont = 8;

// The faces documents name, drawn by their stand-ins; offered with the
// screen's own fonts so a user can choose them.
const QStringList kWindowsFaceNames = {QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("ＭＳ ゴシック"),
                                       QStringLiteral("ＭＳ 明朝"), QStringLiteral("ＭＳ Ｐ明朝")};

struct TShapeTool {
    TToolImage Image;
    const char* Hint;
    TTool Tool;
};

// ToolButton14 and ToolButton1 .. ToolButton6, in tool bar order.
constexpr TShapeTool kShapeTools[] = {
    {tiItemSelect, "アイテム選択", TTool::ItemSelect},
    {tiRectangle, "長方形", TTool::Rectangle},
    {tiEllipse, "円", TTool::Ellipse},
    {tiLine, "直線", TTool::Line},
    {tiArrow, "矢印", TTool::Arrow},
    {tiCurve, "曲線", TTool::Curve},
    {tiPolygon, "多角形", TTool::Polygon},
};

} // namespace

TMainForm1::TMainForm1(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Quillmark1.1.0.0"));
    setWindowIcon(ApplicationIcon());
    BuildMenus();
    BuildToolBars();
    // A strip of the menu bar and the tool bars only: its height is fixed,
    // its width free.
    setCentralWidget(new QWidget(this));
    centralWidget()->setFixedHeight(0);
    move(200, 67);
    resize(696, sizeHint().height());
    setFixedHeight(sizeHint().height());
}

QAction* TMainForm1::AddMenuItem(QMenu* menu, const QString& caption, TCommand command, const QKeySequence& shortcut)
{
    QAction* action = menu->addAction(caption, this, [this, command] { Run(command); });
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
        // The keys work from every window of the program, as the menu's shortcuts did.
        action->setShortcutContext(Qt::ApplicationShortcut);
    }
    return action;
}

void TMainForm1::Run(TCommand command)
{
    if (commands_.*command)
        (commands_.*command)();
}

void TMainForm1::BuildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    AddMenuItem(file, QStringLiteral("新規作成(&N)"), &TMainWindowCommands::New, QKeySequence(Qt::CTRL | Qt::Key_N));
    AddMenuItem(file, QStringLiteral("開く(&O)..."), &TMainWindowCommands::Open, QKeySequence(Qt::CTRL | Qt::Key_O));
    saveAction_ = AddMenuItem(file, QStringLiteral("上書き保存(&S)"), &TMainWindowCommands::Save,
                              QKeySequence(Qt::CTRL | Qt::Key_S));
    saveAction_->setEnabled(false);
    AddMenuItem(file, QStringLiteral("名前をつけて保存(&A)..."), &TMainWindowCommands::SaveAs,
                QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    recentMenu_ = file->addMenu(QStringLiteral("最近使ったファイル"));
    ShowRecentFiles({});
    AddMenuItem(file, QStringLiteral("印刷(&P)..."), &TMainWindowCommands::Print, QKeySequence(Qt::CTRL | Qt::Key_P));
    file->addSeparator();
    file->addAction(QStringLiteral("終了(&X)"), this, &QWidget::close);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("編集(&E)"));
    undoAction_ = AddMenuItem(edit, QString(), &TMainWindowCommands::Undo, QKeySequence(Qt::CTRL | Qt::Key_Z));
    undoAction_->setObjectName(QStringLiteral("Undo1"));
    redoAction_ = AddMenuItem(edit, QString(), &TMainWindowCommands::Redo, QKeySequence(Qt::CTRL | Qt::Key_Y));
    redoAction_->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    redoAction_->setObjectName(QStringLiteral("Redo1"));
    ShowHistory(QString(), QString());
    edit->addSeparator();
    AddMenuItem(edit, QStringLiteral("切り取り(&T)"), &TMainWindowCommands::Cut, QKeySequence(Qt::CTRL | Qt::Key_X));
    AddMenuItem(edit, QStringLiteral("コピー(&C)"), &TMainWindowCommands::Copy, QKeySequence(Qt::CTRL | Qt::Key_C));
    pasteAction_ =
        AddMenuItem(edit, QStringLiteral("貼り付け(&P)"), &TMainWindowCommands::Paste, QKeySequence(Qt::CTRL | Qt::Key_V));
    pasteAction_->setEnabled(false);
    AddMenuItem(edit, QStringLiteral("削除(&D)"), &TMainWindowCommands::Delete, QKeySequence(Qt::Key_Delete));
    AddMenuItem(edit, QStringLiteral("複製"), &TMainWindowCommands::Duplicate, QKeySequence(Qt::CTRL | Qt::Key_D));
    edit->addSeparator();
    // Text fields claim Ctrl+A for their own text before the shortcut sees it.
    AddMenuItem(edit, QStringLiteral("すべて選択(&A)"), &TMainWindowCommands::SelectAll,
                QKeySequence(Qt::CTRL | Qt::Key_A));

    QMenu* view = menuBar()->addMenu(QStringLiteral("表示(&V)"));
    AddMenuItem(view, QStringLiteral("ツリービュー(&T)"), &TMainWindowCommands::ShowTree);
    AddMenuItem(view, QStringLiteral("キャンバス(&C)"), &TMainWindowCommands::ShowCanvas);
    view->addSeparator();
    gridAction_ = AddMenuItem(view, QStringLiteral("グリッド(&G)"), &TMainWindowCommands::ToggleGrid);
    gridAction_->setCheckable(true);
    gridAction_->setChecked(true);
    traceAction_ = AddMenuItem(view, QStringLiteral("トレース画像"), &TMainWindowCommands::ToggleTraceImage);
    traceAction_->setCheckable(true);
    view->addSeparator();
    QAction* zoomIn = AddMenuItem(view, QStringLiteral("拡大"), &TMainWindowCommands::ZoomIn,
                                  QKeySequence(Qt::CTRL | Qt::Key_Plus));
    zoomIn->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    AddMenuItem(view, QStringLiteral("縮小"), &TMainWindowCommands::ZoomOut, QKeySequence(Qt::CTRL | Qt::Key_Minus));
    AddMenuItem(view, QStringLiteral("100%"), &TMainWindowCommands::ZoomActualSize, QKeySequence(Qt::CTRL | Qt::Key_0));
    AddMenuItem(view, QStringLiteral("全体を表示"), &TMainWindowCommands::ZoomToFit);
    smoothAction_ = AddMenuItem(view, QStringLiteral("なめらか表示"), &TMainWindowCommands::ToggleSmooth);
    smoothAction_->setCheckable(true);

    QMenu* format = menuBar()->addMenu(QStringLiteral("書式(&O)"));
    AddMenuItem(format, QStringLiteral("フォント(&F)"), &TMainWindowCommands::Font);
    AddMenuItem(format, QStringLiteral("背景(&B)"), &TMainWindowCommands::Background);
    AddMenuItem(format, QStringLiteral("キャンバスの設定"), &TMainWindowCommands::CanvasSettings);

    QMenu* object = menuBar()->addMenu(QStringLiteral("オブジェクト(&O)"));
    AddMenuItem(object, QStringLiteral("オブジェクトの編集(&O)"), &TMainWindowCommands::EditObject);
    object->addSeparator();
    AddMenuItem(object, QStringLiteral("拡張オブジェクトの挿入"), &TMainWindowCommands::InsertExtensionObject);
    AddMenuItem(object, QStringLiteral("拡張オブジェクトとして保存"), &TMainWindowCommands::SaveExtensionObject);
    object->addSeparator();
    AddMenuItem(object, QStringLiteral("グループの作成"), &TMainWindowCommands::NewGroup);
    AddMenuItem(object, QStringLiteral("グループ化"), &TMainWindowCommands::Group);
    AddMenuItem(object, QStringLiteral("グループ解除"), &TMainWindowCommands::Ungroup);
    object->addSeparator();
    // Shift+] types "}" and Shift+[ "{" on most keyboards: both forms are taken.
    const QKeySequence toFront(Qt::CTRL | Qt::SHIFT | Qt::Key_BracketRight);
    AddMenuItem(object, QStringLiteral("最前面へ移動"), &TMainWindowCommands::BringToFront, toFront)
        ->setShortcuts({toFront, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_BraceRight)});
    AddMenuItem(object, QStringLiteral("前面へ移動"), &TMainWindowCommands::BringForward,
                QKeySequence(Qt::CTRL | Qt::Key_BracketRight));
    AddMenuItem(object, QStringLiteral("背面へ移動"), &TMainWindowCommands::SendBackward,
                QKeySequence(Qt::CTRL | Qt::Key_BracketLeft));
    const QKeySequence toBack(Qt::CTRL | Qt::SHIFT | Qt::Key_BracketLeft);
    AddMenuItem(object, QStringLiteral("最背面へ移動"), &TMainWindowCommands::SendToBack, toBack)
        ->setShortcuts({toBack, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_BraceLeft)});

    QMenu* help = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
    AddMenuItem(help, QStringLiteral("バージョン情報(&A)..."), &TMainWindowCommands::About);
}

void TMainForm1::ShowHistory(const QString& undoName, const QString& redoName)
{
    auto show = [](QAction* action, const QString& caption, const QString& mnemonic, const QString& step) {
        action->setText(step.isEmpty() ? caption + mnemonic : caption + QStringLiteral(": ") + step + mnemonic);
        action->setEnabled(!step.isEmpty());
    };
    show(undoAction_, QStringLiteral("元に戻す"), QStringLiteral("(&U)"), undoName);
    show(redoAction_, QStringLiteral("やり直し"), QStringLiteral("(&R)"), redoName);
}

void TMainForm1::ShowRecentFiles(const QStringList& paths)
{
    recentMenu_->clear();
    for (const QString& path : paths) {
        recentMenu_->addAction(QDir::toNativeSeparators(path), this, [this, path] {
            if (commands_.OpenRecent)
                commands_.OpenRecent(path);
        });
    }
    recentMenu_->setEnabled(!paths.isEmpty());
}

void TMainForm1::BuildToolBars()
{
    addToolBar(BuildFileBar());
    addToolBar(BuildShapeBar());
    addToolBar(BuildFontBar());
}

QToolBar* TMainForm1::BuildFileBar()
{
    auto* bar = new QToolBar(this);
    bar->setIconSize(QSize(16, 16));
    bar->setMovable(false);
    bar->addAction(ToolImage(tiNew), QStringLiteral("新規作成"), this, [this] { Run(&TMainWindowCommands::New); });
    bar->addAction(ToolImage(tiOpen), QStringLiteral("開く"), this, [this] { Run(&TMainWindowCommands::Open); });
    saveButton_ = bar->addAction(ToolImage(tiSave), QStringLiteral("保存"), this,
                                 [this] { Run(&TMainWindowCommands::Save); });
    saveButton_->setEnabled(false);
    return bar;
}

QToolBar* TMainForm1::BuildShapeBar()
{
    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("ToolBar1"));
    bar->setIconSize(QSize(16, 16));
    bar->setMovable(false);
    shapeTools_ = new QActionGroup(this);
    // A click on the pressed button raises it: no tool stays chosen.
    shapeTools_->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (const TShapeTool& tool : kShapeTools) {
        QAction* button = bar->addAction(ToolImage(tool.Image), QString::fromUtf8(tool.Hint));
        button->setCheckable(true);
        shapeTools_->addAction(button);
        shapeButtons_.append(button);
        connect(button, &QAction::triggered, this, &TMainForm1::ToolButton1MouseUp);
    }
    return bar;
}

QToolBar* TMainForm1::BuildFontBar()
{
    auto* bar = new QToolBar(this);
    bar->setIconSize(QSize(16, 16));
    bar->setMovable(false);
    fontList_ = new QComboBox(bar);
    fontList_->setToolTip(QStringLiteral("フォント"));
    fontList_->setEditable(false);
    fontList_->setFixedWidth(145);
    fontList_->addItems(QFontDatabase::families());
    fontList_->addItems(kWindowsFaceNames);
    fontList_->setCurrentIndex(FindFontIndex(QStringLiteral("ＭＳ ゴシック")));
    bar->addWidget(fontList_);
    fontSize_ = new QSpinBox(bar);
    fontSize_->setToolTip(QStringLiteral("フォントサイズ"));
    fontSize_->setRange(1, 100);
    fontSize_->setValue(8);
    bar->addWidget(fontSize_);
    bar->addSeparator();
    auto styleButton = [this, bar](int image, const char* hint) {
        QAction* button = bar->addAction(ToolImage(image), QString::fromUtf8(hint));
        button->setCheckable(true);
        connect(button, &QAction::triggered, this, &TMainForm1::ComboBox1Change);
        return button;
    };
    boldButton_ = styleButton(tiBold, "太字");
    italicButton_ = styleButton(tiItalic, "斜体");
    underlineButton_ = styleButton(tiUnderline, "下線");
    connect(fontList_, &QComboBox::currentIndexChanged, this, &TMainForm1::ComboBox1Change);
    connect(fontSize_, &QSpinBox::valueChanged, this, &TMainForm1::ComboBox1Change);
    return bar;
}

void TMainForm1::ToolButton1MouseUp()
{
    CreateMode = false;
    for (qsizetype i = 0; i < shapeButtons_.size(); ++i) {
        if (!shapeButtons_[i]->isChecked())
            continue;
        CurrentTool = kShapeTools[i].Tool;
        CreateMode = ItemTypeOf(CurrentTool).has_value();
        return;
    }
}

void TMainForm1::ReleaseTool()
{
    TMainState::ReleaseTool();
    for (QAction* button : shapeButtons_)
        button->setChecked(false);
}

void TMainForm1::ComboBox1Change()
{
    // Loading the bar from a selected item is no change by the user.
    if (!loadingFontBar_)
        Run(&TMainWindowCommands::FontBarChanged);
}

int TMainForm1::FindFontIndex(const QString& name) const
{
    for (int index = kFirstSearchedFont; index < fontList_->count(); ++index) {
        if (fontList_->itemText(index) == name)
            return index;
    }
    return -1;
}

void TMainForm1::LoadFontBar(const TFont& font)
{
    loadingFontBar_ = true;
    const int index = FindFontIndex(QString::fromStdString(Cp932ToUtf8(font.Name)));
    if (index >= 0)
        fontList_->setCurrentIndex(index);
    fontSize_->setValue(font.Size());
    boldButton_->setChecked(font.Has(fsBold));
    italicButton_->setChecked(font.Has(fsItalic));
    underlineButton_->setChecked(font.Has(fsUnderline));
    loadingFontBar_ = false;
}

void TMainForm1::RaiseFontStyleButtons()
{
    boldButton_->setChecked(false);
    italicButton_->setChecked(false);
    underlineButton_->setChecked(false);
}

TFont TMainForm1::FontBarFont(const TFont& base) const
{
    TFont font = base;
    if (fontList_->currentIndex() >= 0)
        font.Name = Utf8ToCp932(fontList_->currentText().toStdString());
    font.SetSize(fontSize_->value());
    auto setStyle = [&font](TFontStyle flag, bool on) {
        font.Style = on ? static_cast<TFontStyles>(font.Style | flag) : static_cast<TFontStyles>(font.Style & ~flag);
    };
    setStyle(fsBold, boldButton_->isChecked());
    setStyle(fsItalic, italicButton_->isChecked());
    setStyle(fsUnderline, underlineButton_->isChecked());
    return font;
}

void TMainForm1::SetPasteEnabled(bool enabled)
{
    pasteAction_->setEnabled(enabled);
    if (PasteEnabledChanged)
        PasteEnabledChanged(enabled);
}

void TMainForm1::SetSaveEnabled(bool enabled)
{
    saveAction_->setEnabled(enabled);
    saveButton_->setEnabled(enabled);
}

void TMainForm1::ShowDocumentWindows()
{
    if (DocumentWindowsShown)
        DocumentWindowsShown();
}

void TMainForm1::SetGridChecked(bool checked)
{
    gridAction_->setChecked(checked);
}

void TMainForm1::SetTraceImageChecked(bool checked)
{
    traceAction_->setChecked(checked);
}

void TMainForm1::SetSmoothChecked(bool checked)
{
    smoothAction_->setChecked(checked);
}

void TMainForm1::ShowDocument(const QString& name, bool modified)
{
    setWindowTitle((modified ? QStringLiteral("*") : QString()) + name + QStringLiteral(" - Quillmark1.1.0.0"));
}

void TMainForm1::closeEvent(QCloseEvent* event)
{
    if (QueryClose && !QueryClose()) {
        event->ignore();
        return;
    }
    Run(&TMainWindowCommands::Closing);
    QMainWindow::closeEvent(event);
}

} // namespace qm
