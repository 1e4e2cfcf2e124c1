// The mouse handlers, and the half of them that works on existing items:
// selecting, moving, stretching by handles, turning, dragging points and
// editing text in place.
#include "CanvasWindow.h"
#include "MarkGeometry.h"

#include "model/Geometry.h"

#include <cstdlib>
#include <unordered_set>

namespace qm {

namespace {

bool Near(const TPoint& mark, std::int32_t x, std::int32_t y, double reach)
{
    return static_cast<double>(std::llabs(std::int64_t{x} - mark.x)) <= reach
        && static_cast<double>(std::llabs(std::int64_t{y} - mark.y)) <= reach;
}

// The history's name for a drag that starts on `hit`.
std::string_view GestureName(const THit& hit)
{
    if (hit.IsPointMark())
        return "点の移動";
    switch (hit.Part) {
    case TMarkPart::Body: return "移動";
    case TMarkPart::Rotation: return "回転";
    default: return "大きさの変更";
    }
}

} // namespace

// --- Dispatch -------------------------------------------------------------------

void TCanvasWindow::Image1MouseDown(const TMouse& mouse, std::int32_t x, std::int32_t y)
{
    const std::int32_t sx = SnapToGrid(gridStep_, x) * gridStep_;
    const std::int32_t sy = SnapToGrid(gridStep_, y) * gridStep_;
    if (!creating_)
        CloseGesture();
    if (band_)
        EndBand(false); // its release never came
    InPlaceText(false);
    const bool left = (mouse.Buttons & mbLeft) != 0;
    if (left && mouse.DoubleClick) {
        if (creating_)
            creating_ = false; // the figure is finished; its release does the rest
        else
            EditSelection();
        return;
    }
    if (left && main_.CreateMode) {
        BeginGesture("作成");
        CreationMouseDown(mouse, x, y, sx, sy);
        return;
    }
    if (creating_ || !left)
        return;
    EditingMouseDown(mouse, x, y);
    if (hit_.Kind != THitKind::None && !textBox_.Visible())
        BeginGesture(GestureName(hit_));
    else if (!textBox_.Visible() && !tree_.HitTest(x, y, tree_.ObjectRoot()))
        StartBand(x, y, mouse.Shift);
    pressX_ = x;
    pressY_ = y;
    lastX_ = sx;
    lastY_ = sy;
}

void TCanvasWindow::Image1MouseMove(const TMouse& mouse, std::int32_t x, std::int32_t y)
{
    if (textBox_.Visible() || (mouse.Buttons & mbLeft) == 0)
        return;
    if (band_) {
        DragBand(x, y);
        return;
    }
    const std::int32_t sx = SnapToGrid(gridStep_, x) * gridStep_;
    const std::int32_t sy = SnapToGrid(gridStep_, y) * gridStep_;
    if (creating_)
        CreationMouseMove(sx, sy);
    else
        EditingMouseMove(sx, sy);
}

void TCanvasWindow::Image1MouseUp(const TMouse& mouse, std::int32_t x, std::int32_t y)
{
    (void)mouse;
    if (band_) {
        DragBand(x, y);
        EndBand(true);
    }
    if (!textBox_.Visible()) {
        if (creating_)
            CreationMouseUp(SnapToGrid(gridStep_, x) * gridStep_, SnapToGrid(gridStep_, y) * gridStep_);
        else
            EditingMouseUp();
    }
    // A figure of several clicks is one step until it is finished.
    if (!creating_) {
        newFigure_ = nullptr;
        CloseGesture();
    }
}

// --- Gestures as steps of the history -------------------------------------------

void TCanvasWindow::BeginGesture(std::string_view name)
{
    if (gestureOpen_)
        return;
    tree_.BeginStep(name);
    gestureOpen_ = true;
}

void TCanvasWindow::CloseGesture()
{
    if (!gestureOpen_)
        return;
    gestureOpen_ = false;
    nudging_ = false;
    tree_.EndStep();
}

void TCanvasWindow::EndGesture()
{
    InPlaceText(false);
    creating_ = false;
    newFigure_ = nullptr;
    pointEditing_ = false;
    hit_ = {};
    CloseGesture();
}

void TCanvasWindow::SelectRestored(const std::vector<TTreeNode*>& touched)
{
    // Items of the drawing only (not the trash or the clipboard), and of a
    // touched group only the group, as a selection never holds both.
    const std::unordered_set<const TTreeNode*> touchedSet(touched.begin(), touched.end());
    auto shown = [this, &touchedSet](const TTreeNode* node) {
        if (tree_.IsFixedNode(node) || !node->Data()->Active)
            return false;
        for (const TTreeNode* above = node->Parent(); above; above = above->Parent()) {
            if (above == tree_.TrashNode() || touchedSet.contains(above))
                return false;
            if (above == tree_.ObjectRoot())
                return true;
        }
        return false;
    };
    ClearSelection();
    for (TTreeNode* node : touched) {
        if (shown(node))
            selection_.Append(node);
    }
    creating_ = false;
    ShowSelection();
}

void TCanvasWindow::ShowSelection()
{
    pointEditing_ = false;
    hit_ = {};
    marksShown_ = !selection_.Empty();
    if (TTreeNode* first = selection_.First())
        main_.LoadFontBar(first->Data()->Font);
    Repaint();
}

// --- Editing part -----------------------------------------------------------------

void TCanvasWindow::EditingMouseDown(const TMouse& mouse, std::int32_t x, std::int32_t y)
{
    if (!marksShown_) {
        ClearSelection();
        tree_.FocusChk(x, y, tree_.ObjectRoot());
        creating_ = false;
        marksShown_ = false;
        pointEditing_ = false;
        ClearCanvas();
        RepaintAll();
        HitMarks(x, y);
        if (hit_.Kind == THitKind::SelectionMark) {
            marksShown_ = true;
            ToggleMarks();
            return;
        }
        StartPointEditing(x, y);
        return;
    }
    if (mouse.Shift)
        tree_.FocusChk(x, y, tree_.ObjectRoot());
    ClearCanvas();
    RepaintAll();
    if (x == pressX_ && y == pressY_) {
        if (!pointEditing_)
            InPlaceText(true);
        return;
    }
    if (StartPointEditing(x, y))
        return;
    HitMarks(x, y);
    if (hit_.Kind == THitKind::SelectionMark || mouse.Shift) {
        ToggleMarks();
        pointEditing_ = false;
    } else {
        marksShown_ = false;
    }
}

bool TCanvasWindow::StartPointEditing(std::int32_t x, std::int32_t y)
{
    HitPoints(x, y);
    if (!hit_.IsPointMark())
        return false;
    pointEditing_ = true;
    TogglePointMarks(hit_.Kind);
    return true;
}

void TCanvasWindow::ToggleDragMarks()
{
    if (pointEditing_)
        TogglePointMarks(hit_.Kind);
    else if (marksShown_)
        ToggleMarks();
}

void TCanvasWindow::EditingMouseMove(std::int32_t sx, std::int32_t sy)
{
    const std::int32_t dx = WrapToInt32(std::int64_t{sx} - lastX_);
    const std::int32_t dy = WrapToInt32(std::int64_t{sy} - lastY_);
    ToggleDragMarks();
    if (hit_.Kind == THitKind::SelectionMark) {
        switch (hit_.Part) {
        case TMarkPart::Body: MoveSelection(dx, dy); break;
        case TMarkPart::TopLeft: ResizeSelection(dx, dy, 0, 0); break;
        case TMarkPart::BottomLeft: ResizeSelection(dx, 0, 0, dy); break;
        case TMarkPart::BottomRight: ResizeSelection(0, 0, dx, dy); break;
        case TMarkPart::TopRight: ResizeSelection(0, dy, dx, 0); break;
        case TMarkPart::TopMiddle: ResizeSelection(0, dy, 0, 0); break;
        case TMarkPart::LeftMiddle: ResizeSelection(dx, 0, 0, 0); break;
        case TMarkPart::BottomMiddle: ResizeSelection(0, 0, 0, dy); break;
        case TMarkPart::RightMiddle: ResizeSelection(0, 0, dx, 0); break;
        case TMarkPart::Rotation: RotateSelection(dx, dy); break;
        case TMarkPart::None: break;
        }
    } else if (hit_.IsPointMark()) {
        DragPoint(hit_.Kind, hit_.Index, dx, dy);
    }
    ToggleDragMarks();
    lastX_ = sx;
    lastY_ = sy;
}

void TCanvasWindow::EditingMouseUp()
{
    ClearCanvas();
    RepaintAll();
    if (marksShown_ && !pointEditing_ && !selection_.Empty()) {
        if (hit_.IsPointMark())
            TogglePointMarks(hit_.Kind);
        // A curve or polygon just finished with fewer than three vertices is
        // no figure. One read from a file stays: a click only selects it.
        TTreeNode* first = selection_.First();
        const TItemObject& item = *first->Data();
        if (first == newFigure_ && (item.ItemType == itCurve || item.ItemType == itPolygon) && item.VertexCount() < 3) {
            selection_.Remove(first);
            tree_.DeleteSubtree(first);
            ClearCanvas();
            RepaintAll();
        }
        ToggleMarks();
    }
    if (pointEditing_ && hit_.IsPointMark())
        TogglePointMarks(hit_.Kind);
}

// --- Hit tests ------------------------------------------------------------------------

void TCanvasWindow::HitMarks(std::int32_t x, std::int32_t y)
{
    hit_ = {};
    std::vector<TMarkGeometry> marks;
    marks.reserve(selection_.Size());
    for (const TTreeNode* node : selection_.Nodes())
        marks.push_back(MarkGeometryOf(tree_, node));
    const double half = MarkReach(TMarkGeometry::kHandleHalf);
    auto inSquare = [&](const TPoint& c) { return Near(c, x, y, half); };
    for (const TMarkGeometry& m : marks) {
        if (m.HasRotationHandle && inSquare(m.RotationHandle)) {
            hit_ = {THitKind::SelectionMark, TMarkPart::Rotation};
            return;
        }
    }
    for (const TMarkGeometry& m : marks) {
        for (std::size_t h = 0; m.HasBox && h < m.Handles.size(); ++h) {
            if (inSquare(m.Handles[h])) {
                hit_ = {THitKind::SelectionMark, kHandleParts[h]};
                return;
            }
        }
    }
    for (const TMarkGeometry& m : marks) {
        if (m.HasBox && m.Box.Contains(x, y)) {
            hit_ = {THitKind::SelectionMark, TMarkPart::Body};
            return;
        }
    }
}

void TCanvasWindow::HitPoints(std::int32_t x, std::int32_t y)
{
    hit_ = {};
    for (const TTreeNode* node : selection_.Nodes()) {
        if (!HasPointMarks(*node->Data()))
            continue;
        TPointArray P;
        TPointArray Q1;
        TPointArray Q2;
        const bool hasControls = tree_.ViewPoints1(node, P, &Q1, &Q2) == 0;
        const double reach = MarkReach(TMarkGeometry::kPointTolerance);
        for (std::size_t i = 0; i < P.size(); ++i) {
            if (Near(P[i], x, y, reach)) {
                hit_ = {THitKind::Vertex, TMarkPart::None, static_cast<std::int32_t>(i)};
                return;
            }
        }
        const auto segments = static_cast<std::size_t>(node->Data()->SegmentCount());
        for (std::size_t i = 0; hasControls && i < segments && i < Q1.size(); ++i) {
            if (Near(Q1[i], x, y, reach) || Near(Q2[i], x, y, reach)) {
                const THitKind kind = Near(Q1[i], x, y, reach) ? THitKind::FirstControl : THitKind::SecondControl;
                hit_ = {kind, TMarkPart::None, static_cast<std::int32_t>(i)};
                return;
            }
        }
    }
}

// --- Edits ------------------------------------------------------------------------------

void TCanvasWindow::MoveSelection(std::int32_t dx, std::int32_t dy)
{
    for (TTreeNode* node : selection_.Nodes())
        tree_.MoveItem(dx, dy, node);
}

void TCanvasWindow::ResizeSelection(std::int32_t dL, std::int32_t dT, std::int32_t dR, std::int32_t dB)
{
    for (TTreeNode* node : selection_.Nodes()) {
        TRect box;
        if (tree_.PointToXY(node, box) != 0)
            continue; // no box to stretch
        const TItemObject& item = *node->Data();
        const float width = static_cast<float>(box.Right - box.Left) / item.StretchX;
        const float height = static_cast<float>(box.Bottom - box.Top) / item.StretchY;
        const float stretchX = static_cast<float>(dR - dL) / width + item.StretchX;
        const float stretchY = static_cast<float>(dB - dT) / height + item.StretchY;
        if (stretchX > 0 && stretchY > 0)
            tree_.SetStretch(node, stretchX, stretchY);
        // The box centre's shift keeps the opposite edge roughly in place.
        const std::int64_t mx = (std::int64_t{box.Right} + dR + box.Left + dL) / 2 - (std::int64_t{box.Right} + box.Left) / 2;
        const std::int64_t my = (std::int64_t{box.Bottom} + dB + box.Top + dT) / 2 - (std::int64_t{box.Bottom} + box.Top) / 2;
        tree_.MoveItem(WrapToInt32(mx), WrapToInt32(my), node);
    }
}

void TCanvasWindow::RotateSelection(std::int32_t dx, std::int32_t dy)
{
    // One pixel of travel turns by one degree, clockwise around the anchor.
    for (TTreeNode* node : selection_.Nodes()) {
        const TItemObject& item = *node->Data();
        const std::int64_t t1 = item.X < lastX_ ? dy : -std::int64_t{dy};
        const std::int64_t t2 = item.Y > lastY_ ? dx : -std::int64_t{dx};
        tree_.RotateItem(WrapToInt32(t1 + t2), node);
    }
}

void TCanvasWindow::DragPoint(THitKind kind, std::int32_t index, std::int32_t dx, std::int32_t dy)
{
    if (selection_.Size() != 1)
        return;
    TTreeNode* node = selection_.First();
    const TItemObject& item = *node->Data();
    if (!HasPointMarks(item) || index < 0 || index >= item.VertexCount())
        return;
    TPointArray TItemObject::*entries = nullptr;
    switch (kind) {
    case THitKind::Vertex: entries = &TItemObject::Points; break;
    case THitKind::FirstControl: entries = &TItemObject::C1; break;
    case THitKind::SecondControl: entries = &TItemObject::C2; break;
    default: break;
    }
    if (!entries || static_cast<std::size_t>(index) >= (item.*entries).size())
        return;
    // The mouse step turned back into the item's own frame.
    float vx = 0;
    float vy = 0;
    RotatePoint(static_cast<float>(dx), static_cast<float>(dy), -RollToRadians(item.Roll), vx, vy);
    tree_.ChangeItem(node, [&](TItemObject& edited) {
        TPoint& entry = (edited.*entries)[static_cast<std::size_t>(index)];
        entry = {TruncToInt(static_cast<float>(entry.x) + vx / edited.StretchX),
                 TruncToInt(static_cast<float>(entry.y) + vy / edited.StretchY)};
    });
}

// --- In-place text --------------------------------------------------------------------

void TCanvasWindow::CommitText()
{
    if (!textItem_)
        return;
    const std::string text = textBox_.Text();
    const TFont font = textBox_.Font();
    if (textItem_->Data()->Text == text && textItem_->Data()->Font == font)
        return;
    const TEditStepScope step(tree_, "文字の編集");
    tree_.ChangeItem(textItem_, [&text, &font](TItemObject& item) {
        item.Text = text;
        item.Font = font;
    });
}

void TCanvasWindow::InPlaceText(bool show)
{
    if (!show) {
        // The memo always closes, committing to the item it was opened on if
        // that still exists, whatever the selection has become meanwhile.
        if (!textBox_.Visible())
            return;
        CommitText();
        textItem_ = nullptr;
        textBox_.Hide();
        ClearCanvas();
        RepaintAll();
        return;
    }
    if (selection_.Size() != 1)
        return;
    TTreeNode* node = selection_.First();
    const TItemObject& item = *node->Data();
    if (item.ItemType != itRectangle && item.ItemType != itEllipse && item.ItemType != itPolygon)
        return;
    TRect box;
    if (tree_.PointToXY(node, box) != 0)
        return;
    textItem_ = node;
    textBox_.Show(box.Left, box.Top, box.Right - box.Left, box.Bottom - box.Top, item.Text);
    ClearCanvas();
    RepaintAll();
}

} // namespace qm
