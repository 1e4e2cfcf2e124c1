#pragma once

#include "io/FileProgress.h"

#include <QEvent>
#include <QObject>
#include <QTimer>

#include <exception>
#include <functional>
#include <memory>
#include <thread>

namespace qm {

class TProgressForm1;

// Long file work (the open or save of a large drawing) on a thread of its
// own, so the user interface stays live. From half a second on, the progress
// dialog shows how far the work has come; its "中止", or Esc in any window,
// asks the work to stop. Until the work has ended, every window refuses the
// user's input, so nothing changes the drawing the work reads or replaces.
class TFileJob final : public QObject {
public:
    // Runs on the thread; throws TFileError, or TFileCancelled once a stop
    // was asked for.
    using TWork = std::function<void(TFileProgress& progress)>;
    // Runs the work's ending on this thread and shows what it throws.
    using TGuard = std::function<void(const std::function<void()>& ending)>;

    // Work that ends sooner shows no progress; longer work shows it before
    // half a second has passed.
    static constexpr int kProgressDelayMs = 400;

    TFileJob(TProgressForm1& progressForm, TGuard guard);
    // Stops the work and waits for it: a file being written stays as it was.
    ~TFileJob() override;
    TFileJob(const TFileJob&) = delete;
    TFileJob& operator=(const TFileJob&) = delete;

    bool Running() const { return running_; }
    // Starts `work`; `completed` runs on this thread, through the guard,
    // once the work has completed. A work that failed or was stopped throws
    // its exception through the guard instead. One work at a time: the
    // caller waits for the one before.
    void Start(TWork work, std::function<void()> completed);
    void Cancel();
    // Returns once the work has ended and its ending ran; the windows repaint
    // meanwhile.
    void Wait();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowProgress();
    void Ended(const std::exception_ptr& failure);
    bool RefusesInputTo(QObject* watched, QEvent::Type type) const;

    TProgressForm1& progressForm_;
    TGuard guard_;
    std::unique_ptr<TFileProgress> progress_;
    std::function<void()> completed_;
    std::thread thread_;
    QTimer delay_;
    QTimer ticks_;
    bool running_ = false;
};

} // namespace qm
