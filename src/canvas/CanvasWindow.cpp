#include "CanvasWindow.h"

#include "platform/IniFile.h"
#include "render/BitmapX.h"
#include "render/CanvasX.h"
#include "render/DocumentRenderer.h"
#include "render/HiddenItems.h"

#include <algorithm>
#include <tuple>
#include <unordered_set>

namespace qm {

// Everything that decides the surface's pixels after a full refresh.
struct TCanvasWindow::TRenderKey {
    std::uint64_t TreeRevision = 0;
    const TTreeNode* Root = nullptr;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    TColor BackColor = 0;
    std::int32_t GridStep = 0;
    bool ShowGrid = false;
    bool ShowTrace = false;
    const TGraphic* TracePicture = nullptr;
    std::uint64_t TracePictureRevision = 0;

    friend bool operator==(const TRenderKey&, const TRenderKey&) = default;
    // The same but for the drawing on it.
    bool SameBackground(const TRenderKey& other) const
    {
        TRenderKey drawing = other;
        drawing.TreeRevision = TreeRevision;
        return drawing == *this;
    }
};

namespace {

// Renders whose areas DamageSince can still add up.
constexpr std::size_t kDamageLogLength = 64;
// Entries of the box index put in drawing order in a step of preparation
// for each item it would bound: both take about as long.
constexpr std::size_t kOrderedPerItem = 8;

} // namespace

TCanvasGeometry ReadCanvasSettings(const TIniFile& settingsFile)
{
    TCanvasGeometry settings{settingsFile.ReadInteger("Canvas", "Width", 400),
                             settingsFile.ReadInteger("Canvas", "Height", 400),
                             settingsFile.ReadInteger("Canvas", "Grid", 10)};
    if (!IsCanvasSizeAllowed(settings.Width, settings.Height)) {
        settings.Width = 400;
        settings.Height = 400;
    }
    return settings;
}

bool WriteCanvasSettings(TIniFile& settingsFile, const TCanvasGeometry& canvas)
{
    settingsFile.BeginUpdate();
    settingsFile.WriteInteger("Canvas", "Width", canvas.Width);
    settingsFile.WriteInteger("Canvas", "Height", canvas.Height);
    settingsFile.WriteInteger("Canvas", "Grid", canvas.Grid);
    return settingsFile.EndUpdate();
}

std::int32_t SnapToGrid(std::int32_t step, std::int32_t coordinate)
{
    const float q = static_cast<float>(coordinate) / static_cast<float>(step);
    const auto i = static_cast<std::int32_t>(q);
    return q - static_cast<float>(i) >= 0.5f ? i + 1 : i;
}

TCanvasWindow::TCanvasWindow(TObjectTree& tree, TMainState& main, TTextBox& textBox, const TCanvasGeometry& settings,
                             QStringList templateFolders)
    : tree_(tree), main_(main), textBox_(textBox), templateFolders_(std::move(templateFolders)),
      surface_(std::make_unique<TBitmapX>()), index_(tree, *surface_), selection_(tree)
{
    tree_.AddObserver(this);
    tree_.SetSelectionToggler([this](TTreeNode* node) { ToggleSelection(node); });
    surface_->InitBitmap(settings.Width, settings.Height);
    mmPerPixel_ = static_cast<float>(TBitmapX::GetDisplayInfo(picture_.Canvas(), HORZSIZE))
        / static_cast<float>(TBitmapX::GetDisplayInfo(picture_.Canvas(), HORZRES));
    SetGridStep(settings.Grid);
    SetCanvasSize(settings.Width, settings.Height);
    // The document starts with this canvas; from here on it holds it.
    tree_.ResetCanvasGeometry({settings.Width, settings.Height, gridStep_});
    textBox_.Hide();
}

TCanvasWindow::~TCanvasWindow()
{
    tree_.SetSelectionToggler(nullptr);
    tree_.RemoveObserver(this);
}

void TCanvasWindow::NodeRemoving(TTreeNode* node)
{
    if (node == textItem_)
        textItem_ = nullptr;
    if (node == newFigure_)
        newFigure_ = nullptr;
}

void TCanvasWindow::TreeReset()
{
    textItem_ = nullptr;
    newFigure_ = nullptr;
}

void TCanvasWindow::CanvasChanged()
{
    const TCanvasGeometry& canvas = tree_.CanvasGeometry();
    SetGridStep(canvas.Grid);
    if (canvas.Width == ImageWidth() && canvas.Height == ImageHeight())
        return;
    // A new size keeps the background colour and the selection with its
    // marks; only a new or opened document starts from white.
    const TColor backColor = backColor_;
    const bool marksShown = marksShown_;
    ResizeCanvas(canvas.Width, canvas.Height);
    backColor_ = backColor;
    marksShown_ = marksShown;
    Repaint();
}

void TCanvasWindow::ApplyCanvasSettings(const TCanvasGeometry& settings)
{
    const TEditStepScope step(tree_, "キャンバスの設定");
    tree_.SetCanvasGeometry({settings.Width, settings.Height, std::max(settings.Grid, 1)});
}

// --- View ---------------------------------------------------------------------

void TCanvasWindow::SetCanvasSize(std::int32_t width, std::int32_t height)
{
    picture_.SetSize(width, height);
    selectionMarks_.Forget();
    pointMarks_.Forget();
    bandMarks_.Forget();
    overlay_.Clear();
    backColor_ = clWhite;
    FillImage();
    creating_ = false;
    marksShown_ = false;
    pointEditing_ = false;
}

void TCanvasWindow::SetGridStep(std::int32_t step)
{
    // Grid loops and snapping need a step of at least one pixel.
    gridStep_ = std::max(step, 1);
}

void TCanvasWindow::ToggleGrid()
{
    showGrid_ = !showGrid_;
    Repaint();
}

void TCanvasWindow::SetTracePicture(const TGraphic* picture)
{
    trace_.Picture = picture;
    ++trace_.PictureRevision;
}

void TCanvasWindow::ResizeCanvas(std::int32_t width, std::int32_t height)
{
    surface_->BitmapResize(width, height);
    SetCanvasSize(width, height);
}

void TCanvasWindow::FillImage()
{
    TCanvas& canvas = picture_.Canvas();
    const TBrush previous = canvas.Brush();
    canvas.SetBrush(TBrush{backColor_, bsSolid});
    canvas.FillRect(0, 0, picture_.Width(), picture_.Height());
    canvas.SetBrush(previous);
    overlay_.Clear();
    pictureShowsSurface_ = false;
    PictureChanged();
}

void TCanvasWindow::PictureChanged()
{
    if (OnPictureChanged)
        OnPictureChanged();
}

void TCanvasWindow::PresentCanvas()
{
    if (clearRequested_) {
        // A clear without the render that normally follows it.
        ClearSurface();
        clearRequested_ = false;
        lastRender_.reset();
    }
    picture_.Canvas().DrawBitmap(0, 0, surface_->Bitmap());
    pictureShowsSurface_ = true;
    selectionMarks_.Forget();
    pointMarks_.Forget();
    bandMarks_.Forget();
    overlay_.Clear();
    PictureChanged();
}

TCanvasWindow::TRenderKey TCanvasWindow::CurrentRenderKey() const
{
    TRenderKey key;
    key.TreeRevision = tree_.Revision();
    key.Root = tree_.ObjectRoot();
    key.Width = surface_->Bitmap().Width();
    key.Height = surface_->Bitmap().Height();
    key.BackColor = backColor_;
    key.GridStep = gridStep_;
    key.ShowGrid = showGrid_;
    key.ShowTrace = trace_.UseTraceImage && trace_.MenuChecked && trace_.Picture;
    key.TracePicture = key.ShowTrace ? trace_.Picture : nullptr;
    key.TracePictureRevision = key.ShowTrace ? trace_.PictureRevision : 0;
    return key;
}

TCanvasBackground TCanvasWindow::Background() const
{
    TCanvasBackground background;
    background.BackColor = backColor_;
    background.GridStep = gridStep_;
    background.ShowGrid = showGrid_;
    background.UseTraceImage = trace_.UseTraceImage;
    background.TraceImageMenuChecked = trace_.MenuChecked;
    background.TracePicture = trace_.Picture;
    return background;
}

void TCanvasWindow::ClearSurface()
{
    qm::ClearCanvas(*surface_, Background());
    SurfaceDrawn(WholePicture());
}

void TCanvasWindow::SurfaceDrawn(const TRect& area)
{
    damageLog_.push_back({surfaceRevision_, area});
    if (damageLog_.size() > kDamageLogLength)
        damageLog_.pop_front();
    ++surfaceRevision_;
}

TRect TCanvasWindow::DamageSince(std::uint64_t revision) const
{
    if (revision == surfaceRevision_)
        return {0, 0, -1, -1};
    if (damageLog_.empty() || revision < damageLog_.front().From || revision > surfaceRevision_)
        return WholePicture();
    TRect damage{0, 0, -1, -1};
    for (auto entry = damageLog_.rbegin(); entry != damageLog_.rend() && entry->From >= revision; ++entry)
        damage = damage.United(entry->Area);
    return damage;
}

void TCanvasWindow::DrawDrawing(TCanvas& canvas) const
{
    RenderDrawing(canvas, tree_, ImageWidth(), ImageHeight(), Background());
}

void TCanvasWindow::DrawDrawingPart(TCanvas& canvas, const TRect& area, bool leaveOutHidden, TBitmap* bands)
{
    RenderDrawingPart(canvas, tree_, index_, area, ImageWidth(), ImageHeight(), Background(), leaveOutHidden, bands);
}

void TCanvasWindow::SetViewScale(double scale)
{
    viewScale_ = std::max(scale, 0.01);
}

void TCanvasWindow::ClearCanvas()
{
    // Deferred to RepaintAll, which knows whether the surface already holds
    // this very background with this very drawing on it.
    clearRequested_ = true;
}

bool TCanvasWindow::SurfaceIsCurrent() const
{
    return lastRender_ && !clearRequested_ && *lastRender_ == CurrentRenderKey();
}

bool TCanvasWindow::PreparationPending() const
{
    return BoundsPending() || !index_.WalkNumbered() || !tree_.HitIndexCurrent() || index_.OrderPending();
}

bool TCanvasWindow::BoundsPending() const
{
    // Bounds follow the picture: after a render of the whole drawing.
    return index_.FollowsPicture() && !index_.Built();
}

bool TCanvasWindow::PrepareSome(std::size_t items)
{
    if (BoundsPending())
        index_.BuildSome(items);
    else if (!index_.WalkNumbered())
        index_.NumberWalk();
    else if (!tree_.HitIndexCurrent())
        tree_.PrepareHitIndex(items);
    else
        index_.OrderSome(items * kOrderedPerItem);
    return !PreparationPending();
}

void TCanvasWindow::RepaintAll()
{
    const TRenderKey key = CurrentRenderKey();
    const bool unchanged = clearRequested_ && lastRender_ && *lastRender_ == key;
    if (!unchanged && clearRequested_ && lastRender_ && lastRender_->SameBackground(key) && index_.FollowsPicture()) {
        RepaintDamage();
        *lastRender_ = key;
        clearRequested_ = false;
        return;
    }
    if (!unchanged) {
        const TBitmap& surface = surface_->Bitmap();
        const TRect whole{0, 0, surface.Width() - 1, surface.Height() - 1};
        if (clearRequested_ && index_.Built() && index_.FollowsPicture()) {
            // The bounds are known: the items nothing of which shows are left out.
            RenderDrawingPart(surface_->Canvas(), tree_, index_, whole, surface.Width(), surface.Height(), Background(),
                              true, &surface_->Bitmap());
        } else {
            if (clearRequested_)
                ClearSurface();
            // Bounding every item costs less than drawing the many that others hide.
            std::vector<TRect> showing;
            const std::vector<TTreeNode*> shown = ShownItems(
                tree_, surface_->Bitmap(), TDocumentRenderer(tree_, *surface_).SubtreeItems(tree_.ObjectRoot()), whole,
                &showing);
            RenderItemsInPart(surface_->Bitmap(), tree_, whole, shown, showing);
        }
        SurfaceDrawn(WholePicture());
        // Only a render onto a cleared surface is a complete picture.
        if (clearRequested_) {
            lastRender_ = std::make_unique<TRenderKey>(key);
            index_.NoteFullRender();
        } else {
            lastRender_.reset();
        }
    }
    clearRequested_ = false;
    PresentCanvas();
}

void TCanvasWindow::RepaintDamage()
{
    const TBitmap& surface = surface_->Bitmap();
    const TDrawingIndex::TDamage taken = index_.TakeDamage();
    const TRect damage = taken.Region.Intersected({0, 0, surface.Width() - 1, surface.Height() - 1});
    if (taken.OnTop)
        RenderCandidatesInPart(surface_->Canvas(), tree_, index_, damage, *taken.OnTop, &surface_->Bitmap());
    else
        RenderDrawingPart(surface_->Canvas(), tree_, index_, damage, surface.Width(), surface.Height(), Background(),
                          true, &surface_->Bitmap());
    SurfaceDrawn(damage);
    // The region comes over, and with it the surface wherever marks are,
    // which takes them off (all of the surface when the picture was filled
    // over since).
    selectionMarks_.Forget();
    pointMarks_.Forget();
    const TRect copied = pictureShowsSurface_ ? damage.United(overlay_.Extent()) : WholePicture();
    overlay_.Clear();
    pictureShowsSurface_ = true;
    ShowSurface(copied);
    PictureChanged();
}

void TCanvasWindow::Repaint()
{
    ClearCanvas();
    RepaintAll();
    ToggleMarks();
}

// --- Selection ------------------------------------------------------------------

void TCanvasWindow::ToggleSelection(TTreeNode* node)
{
    if (!node || !node->Data()->Active)
        return;
    if (TTreeNode* selected = selection_.FindById(node->Data()->Id)) {
        selection_.Remove(selected);
        return;
    }
    selection_.Append(node);
    main_.LoadFontBar(node->Data()->Font);
}

void TCanvasWindow::ClearSelection()
{
    selection_.Clear();
    main_.RaiseFontStyleButtons();
}

void TCanvasWindow::SelectFromTree(TTreeNode* node)
{
    if (!node || tree_.IsFixedNode(node) || !node->Data()->Active)
        return;
    SelectFromTree(std::span<TTreeNode* const>(&node, 1));
}

void TCanvasWindow::SelectFromTree(std::span<TTreeNode* const> nodes)
{
    // A node whose group is picked too goes with the group, as on the canvas.
    const std::unordered_set<const TTreeNode*> picked(nodes.begin(), nodes.end());
    const auto insidePicked = [&picked](const TTreeNode* node) {
        for (const TTreeNode* above = node->Parent(); above; above = above->Parent()) {
            if (picked.contains(above))
                return true;
        }
        return false;
    };
    ToggleMarks();
    ClearSelection();
    for (TTreeNode* node : nodes) {
        if (node && !tree_.IsFixedNode(node) && node->Data()->Active && !selection_.Contains(node) &&
            !insidePicked(node))
            ToggleSelection(node);
    }
    ToggleMarks();
}

void TCanvasWindow::EditSelection()
{
    if (OnEditSelection)
        OnEditSelection();
    else
        Repaint();
}

} // namespace qm
