#pragma once

#include "HitResult.h"
#include "MainState.h"
#include "MarkLayer.h"
#include "Selection.h"

#include "io/DocumentRecords.h"
#include "model/ObjectTree.h"
#include "qtplatform/Bitmap.h"
#include "render/DocumentRenderer.h"
#include "render/DrawingIndex.h"

#include <QStringList>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

class TBitmapX;

// The trace picture under the drawing and the two switches that show it:
// the canvas settings dialog's "トレース用画像を使う" and the main menu's
// "トレース画像" check mark. The picture is drawn when both are on.
struct TTraceSwitches {
    bool UseTraceImage = false;
    bool MenuChecked = false;
    const TGraphic* Picture = nullptr; // owned by the settings dialog
    // Advances with every SetTracePicture, so a new picture at a freed one's
    // address is drawn too.
    std::uint64_t PictureRevision = 0;
};

class TIniFile;

// "Width", "Height" and "Grid" of section "Canvas" in the settings file
// (400, 400 and 10 when absent; 400 by 400 for a size that
// IsCanvasSizeAllowed refuses).
TCanvasGeometry ReadCanvasSettings(const TIniFile& settingsFile);
// False when the settings file could not be written.
bool WriteCanvasSettings(TIniFile& settingsFile, const TCanvasGeometry& canvas);

// The canvas window's logic without widgets: the off-screen surface and the
// visible picture, the selection, the marks, and the mouse handlers that make
// and edit items. The window turns Qt events into these calls and shows
// Picture().
class TCanvasWindow final : private TTreeObserver {
public:
    enum TMouseButton : unsigned { mbLeft = 1, mbRight = 2, mbMiddle = 4 };
    struct TMouse {
        unsigned Buttons = 0;  // buttons held (press: the one pressed)
        bool Shift = false;
        bool DoubleClick = false;
    };

    // `templateFolders`: where the rectangle and circle tools look for
    // "Rect.udf" (the built-in copy serves when none has it).
    TCanvasWindow(TObjectTree& tree, TMainState& main, TTextBox& textBox, const TCanvasGeometry& settings,
                  QStringList templateFolders);
    ~TCanvasWindow() override;
    TCanvasWindow(const TCanvasWindow&) = delete;
    TCanvasWindow& operator=(const TCanvasWindow&) = delete;

    // --- State -----------------------------------------------------------
    TBitmapX& Surface() { return *surface_; }
    const TSelection& Selection() const { return selection_; }
    // What the last press hit (HitMarks, HitPoints).
    const THit& Hit() const { return hit_; }
    // A figure is being made with a shape tool.
    bool Creating() const { return creating_; }
    // The selection marks belong on the picture; presses edit the selection.
    bool MarksShown() const { return marksShown_; }
    // A vertex or control point of the first selected item is being dragged.
    bool PointEditing() const { return pointEditing_; }
    // Millimetres per pixel of the screen.
    float MmPerPixel() const { return mmPerPixel_; }

    // The background colour and the grid spacing in pixels (at least 1;
    // SetGridStep takes a smaller step as 1). Both show at the next refresh.
    TColor BackColor() const { return backColor_; }
    void SetBackColor(TColor color) { backColor_ = color; }
    std::int32_t GridStep() const { return gridStep_; }
    void SetGridStep(std::int32_t step);
    // The canvas settings' OK: size and grid as one step of the history,
    // kept in the document; the picture follows.
    void ApplyCanvasSettings(const TCanvasGeometry& settings);

    // What the next full refresh draws under the drawing: colour, grid and
    // trace picture as the switches stand.
    TCanvasBackground Background() const;

    // The grid switch ("グリッドを表示する", the main menu's "グリッド(&G)"):
    // SetShowGrid shows at the next refresh; ToggleGrid flips the switch and
    // refreshes.
    bool ShowGrid() const { return showGrid_; }
    void SetShowGrid(bool show) { showGrid_ = show; }
    void ToggleGrid();

    // The trace picture and its switches; each shows at the next refresh.
    const TTraceSwitches& TraceSwitches() const { return trace_; }
    void SetUseTraceImage(bool use) { trace_.UseTraceImage = use; }
    void SetTraceMenuChecked(bool checked) { trace_.MenuChecked = checked; }
    // Null: none. The picture must stay alive until replaced.
    void SetTracePicture(const TGraphic* picture);

    // The visible picture (Image1): the surface plus the marks toggled on.
    const TBitmap& Picture() const { return picture_; }
    // The marks and rubber bands on the picture now, for a view that draws
    // the drawing at another scale (or smoothed) and them over it.
    const TMarkOverlay& Overlay() const { return overlay_; }
    // The drawing as the surface holds it, on any canvas of the picture's
    // size in canvas units: background (grid and trace picture as
    // switched), then the document.
    void DrawDrawing(TCanvas& canvas) const;
    // The part `area` (inclusive canvas units) of the same, drawn again over
    // what the canvas holds, with only the items that reach into it; on a
    // raster canvas at one to one, `leaveOutHidden` leaves out those others
    // hide there, as the surface's own redraw does; `bands` as for
    // RenderDrawingPart.
    void DrawDrawingPart(TCanvas& canvas, const TRect& area, bool leaveOutHidden = false, TBitmap* bands = nullptr);
    // Advances whenever the surface is drawn anew, so a view that draws the
    // drawing itself knows when to draw it again.
    std::uint64_t SurfaceRevision() const { return surfaceRevision_; }
    // What the surface's renders since `revision` drew anew (inclusive
    // canvas pixels): empty when nothing, the whole picture when that is
    // all that is known.
    TRect DamageSince(std::uint64_t revision) const;
    std::int32_t ImageWidth() const { return picture_.Width(); }
    std::int32_t ImageHeight() const { return picture_.Height(); }

    // Opens the object editor on the selection (the main window wires it).
    std::function<void()> OnEditSelection;
    // Told whenever the picture's pixels or size change, so a window can show it.
    std::function<void()> OnPictureChanged;

    // --- View ------------------------------------------------------------
    // Sizes the picture, white background, flags off. The surface keeps its
    // size; ResizeCanvas sizes both.
    void SetCanvasSize(std::int32_t width, std::int32_t height);
    void ResizeCanvas(std::int32_t width, std::int32_t height);
    void FillImage();
    void PresentCanvas();
    void ClearCanvas();
    // Renders the Object root into the surface and presents it. A drawing
    // and background unchanged since the last full render are not rendered
    // again: the surface already holds exactly those pixels. After edits
    // alone, only the region they changed is drawn again and presented.
    void RepaintAll();
    // The full refresh: ClearCanvas, RepaintAll, ToggleMarks. The marks
    // shown before are taken off with the rest of the picture.
    void Repaint();
    void ToggleMarks();
    // The vertex marks with the outline (kind Vertex) or the control point
    // marks (FirstControl, SecondControl) of the first selected item.
    void TogglePointMarks(THitKind kind);
    // The surface holds exactly this drawing and background (for exports
    // that read it after a refresh).
    bool SurfaceIsCurrent() const;
    // Whether work waits that the next edit or click would otherwise do:
    // bounding the picture's items for the redraws after edits, numbering
    // the drawing walk, boxing the items for hit tests, putting the boxes in
    // drawing order so that a small redraw reads only the items near its
    // top. An idle editor does it a step at a time, so that the first edit
    // after opening a drawing of a million items does not wait seconds for it.
    bool PreparationPending() const;
    // One step: about `items` items bounded, or the walk numbered, or the
    // hit boxes brought up to date, or boxes put in order. True when nothing
    // is left.
    bool PrepareSome(std::size_t items);

    // --- Selection -------------------------------------------------------
    void ToggleSelection(TTreeNode* node);
    void ClearSelection();
    // A left click on a node in the tree window: that node alone, marks redrawn.
    void SelectFromTree(TTreeNode* node);
    // Rows picked with Ctrl or Shift in the tree window: those nodes alone,
    // leaving out the fixed nodes and what is not active.
    void SelectFromTree(std::span<TTreeNode* const> nodes);
    // "すべて選択": every shown item at the top of the drawing (the Object
    // root's children), marks drawn. Nothing while the in-place editor is open
    // or a gesture is under way.
    void SelectAll();
    // A selection rectangle is being dragged on empty canvas.
    bool BandSelecting() const { return band_.has_value(); }

    // View pixels per canvas unit of the window showing the picture (1 at
    // 100 %). Marks keep their size on the screen, so what a press within
    // a mark's reach is shrinks as the view grows. At least 0.01.
    double ViewScale() const { return viewScale_; }
    void SetViewScale(double scale);

    // --- Mouse -----------------------------------------------------------
    void Image1MouseDown(const TMouse& mouse, std::int32_t x, std::int32_t y);
    void Image1MouseMove(const TMouse& mouse, std::int32_t x, std::int32_t y);
    void Image1MouseUp(const TMouse& mouse, std::int32_t x, std::int32_t y);

    // --- Editing (also used by the commands) ----------------------------
    void HitMarks(std::int32_t x, std::int32_t y);
    void HitPoints(std::int32_t x, std::int32_t y);
    void MoveSelection(std::int32_t dx, std::int32_t dy);
    void ResizeSelection(std::int32_t dL, std::int32_t dT, std::int32_t dR, std::int32_t dB);
    void RotateSelection(std::int32_t dx, std::int32_t dy);
    // Moves vertex `index` (kind Vertex) or the control point of segment
    // `index` (FirstControl, SecondControl) of the only selected item.
    void DragPoint(THitKind kind, std::int32_t index, std::int32_t dx, std::int32_t dy);
    // Opens (true) or commits and closes (false) the in-place text editor.
    void InPlaceText(bool show);
    // Ends whatever gesture is under way (a drag, a figure being made, the
    // in-place editor), so that what it changed is a finished step.
    void EndGesture();
    // Escape: takes back the figure being made or the drag under way (the
    // items return to where they were), or removes the selection rectangle.
    void CancelGesture();
    // An arrow key: moves the selection by (dx, dy). The presses of one run,
    // up to EndNudge (the key's release), are one step of the history.
    void NudgeSelection(std::int32_t dx, std::int32_t dy);
    void EndNudge();
    // After undo or redo: the touched nodes that are items of the drawing
    // become the selection, point editing ends, and the canvas is redrawn.
    void SelectRestored(const std::vector<TTreeNode*>& touched);
    void EditSelection();

    // --- Shape creation --------------------------------------------------
    void RubberBandRect(std::int32_t x, std::int32_t y, TTreeNode* node);
    void RubberBandOpen(std::int32_t x, std::int32_t y, TTreeNode* node);
    void RubberBandClosed(std::int32_t x, std::int32_t y, TTreeNode* node);

private:
    // Writes the in-place editor's text and font to its item, as one step
    // when they differ from the item's.
    void CommitText();
    // A press that starts changing the drawing opens a step of the history;
    // the release that ends the gesture closes it.
    void BeginGesture(std::string_view name);
    void CloseGesture();
    // The selection as it now stands made visible: marks on, font bar loaded,
    // the canvas refreshed.
    void ShowSelection();
    struct TRenderKey;

    void NodeRemoving(TTreeNode* node) override;
    void TreeReset() override;
    // The document's canvas geometry changed (settings, undo, redo).
    void CanvasChanged() override;

    TRenderKey CurrentRenderKey() const;
    void ClearSurface();
    // The surface drew `area` anew (the log DamageSince reads).
    void SurfaceDrawn(const TRect& area);
    TRect WholePicture() const { return {0, 0, ImageWidth() - 1, ImageHeight() - 1}; }
    // Draws the region the edits since the last render changed into the
    // surface and onto the picture, the marks taken off.
    void RepaintDamage();
    void AddSelectionMarks(TMarkLayer& layer, const TTreeNode* node) const;
    void AddVertexMarks(TMarkLayer& layer, const TTreeNode* node) const;
    void AddControlMarks(TMarkLayer& layer, const TTreeNode* node) const;
    // Vertices placed as the outline and rubber bands show them: the anchor
    // turned about the parent's, vertices turned by the item's roll, no stretch.
    std::vector<TCanvasPoint> OutlinePoints(const TTreeNode* node) const;
    void DrawInverted(const TMarkLayer& shapes);
    void EraseInverted(TMarkLayer& shapes);
    // While the picture shows the surface: copies `area` of it over again,
    // with the overlay's marks that reach into it.
    void ShowSurface(const TRect& area);
    // A mark's reach of `viewPixels` on the screen, in canvas units.
    double MarkReach(std::int32_t viewPixels) const { return viewPixels / viewScale_; }
    void PictureChanged();
    // Items of the whole picture drawn wait to be bounded.
    bool BoundsPending() const;

    void CreationMouseDown(const TMouse& mouse, std::int32_t x, std::int32_t y, std::int32_t sx, std::int32_t sy);
    void CreationMouseMove(std::int32_t sx, std::int32_t sy);
    void CreationMouseUp(std::int32_t sx, std::int32_t sy);
    TTreeNode* StartFigure(std::int32_t sx, std::int32_t sy);
    TTreeNode* NewBoxFigure(TItemType itemType, std::int32_t sx, std::int32_t sy);
    void EditingMouseDown(const TMouse& mouse, std::int32_t x, std::int32_t y);
    void EditingMouseMove(std::int32_t sx, std::int32_t sy);
    void EditingMouseUp();
    void ToggleDragMarks();
    // A press on a vertex or control-point mark starts a point drag.
    bool StartPointEditing(std::int32_t x, std::int32_t y);

    // The selection rectangle from the press to the mouse (RubberBandSelection.cpp).
    struct TBand {
        std::int32_t X0, Y0, X1, Y1;
        bool Add; // Shift held at the press: the items inside join the selection
    };
    void StartBand(std::int32_t x, std::int32_t y, bool add);
    void DragBand(std::int32_t x, std::int32_t y);
    // Removes the rectangle; `select`: the items wholly inside it are selected.
    void EndBand(bool select);
    void ToggleBand();

    TObjectTree& tree_;
    TMainState& main_;
    THit hit_;
    // Where the press was, and the grid-snapped position of the last move.
    std::int32_t pressX_ = 0;
    std::int32_t pressY_ = 0;
    std::int32_t lastX_ = 0;
    std::int32_t lastY_ = 0;
    TColor backColor_ = clWhite;
    std::int32_t gridStep_ = 10;
    bool creating_ = false;
    bool marksShown_ = false;
    bool pointEditing_ = false;
    float mmPerPixel_ = 0;
    bool showGrid_ = true;
    TTraceSwitches trace_;
    TTextBox& textBox_;
    QStringList templateFolders_;
    std::unique_ptr<TBitmapX> surface_;
    TDrawingIndex index_;
    TSelection selection_;
    TBitmap picture_;
    TMarkLayer selectionMarks_;
    TMarkLayer pointMarks_;
    TMarkLayer bandMarks_;
    std::optional<TBand> band_;
    // The open step is a run of arrow key presses.
    bool nudging_ = false;
    TMarkOverlay overlay_;
    double viewScale_ = 1;
    std::uint64_t surfaceRevision_ = 0;
    TTreeNode* textItem_ = nullptr;
    bool gestureOpen_ = false;
    // The figure the shape tool is making, until its finishing release.
    TTreeNode* newFigure_ = nullptr;
    bool clearRequested_ = false;
    std::unique_ptr<TRenderKey> lastRender_;
    struct TSurfaceDamage {
        std::uint64_t From = 0; // the surface revision before the render
        TRect Area;
    };
    std::deque<TSurfaceDamage> damageLog_;
    // The picture holds the surface's pixels (under the marks), not the
    // plain fill of FillImage.
    bool pictureShowsSurface_ = false;
};

// SnapToGrid (step, coordinate): the nearest grid index, halves going up.
std::int32_t SnapToGrid(std::int32_t step, std::int32_t coordinate);

} // namespace qm
