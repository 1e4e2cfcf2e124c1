// The canvas's own keys: the arrow keys move the selection, Escape takes
// back what the mouse is doing.
#include "CanvasWindow.h"

namespace qm {

void TCanvasWindow::NudgeSelection(std::int32_t dx, std::int32_t dy)
{
    // Not in the middle of a mouse gesture, whose step is still open.
    if (selection_.Empty() || creating_ || band_ || textBox_.Visible() || (gestureOpen_ && !nudging_))
        return;
    BeginGesture("移動");
    nudging_ = true;
    MoveSelection(dx, dy);
    ShowSelection();
}

void TCanvasWindow::EndNudge()
{
    if (nudging_)
        CloseGesture();
}

void TCanvasWindow::CancelGesture()
{
    if (band_) {
        EndBand(false);
        return;
    }
    if (!gestureOpen_ || textBox_.Visible())
        return;
    gestureOpen_ = false;
    nudging_ = false;
    // A figure being made goes with the step; the selection forgets it.
    tree_.CancelStep();
    creating_ = false;
    newFigure_ = nullptr;
    ShowSelection();
}

} // namespace qm
