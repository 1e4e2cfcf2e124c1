#include "FileJob.h"

#include "ProgressForm1.h"

#include <QApplication>
#include <QKeyEvent>
#include <QProgressBar>

namespace qm {

namespace {

// The progress bar follows the work this often.
constexpr int kTickMs = 100;

bool IsUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
        return true;
    default:
        return false;
    }
}

} // namespace

TFileJob::TFileJob(TProgressForm1& progressForm, TGuard guard) : progressForm_(progressForm), guard_(std::move(guard))
{
    delay_.setSingleShot(true);
    delay_.setInterval(kProgressDelayMs);
    connect(&delay_, &QTimer::timeout, this, [this] {
        ShowProgress();
        progressForm_.show();
        ticks_.start();
    });
    ticks_.setInterval(kTickMs);
    connect(&ticks_, &QTimer::timeout, this, &TFileJob::ShowProgress);
    // "中止" while the bar is short of its end, or the dialog closed.
    connect(&progressForm_, &QDialog::finished, this, [this](int result) {
        if (result == QDialog::Rejected || !progressForm_.Completed())
            Cancel();
    });
}

TFileJob::~TFileJob()
{
    Cancel();
    if (thread_.joinable())
        thread_.join();
    if (running_)
        qApp->removeEventFilter(this);
}

void TFileJob::Start(TWork work, std::function<void()> completed)
{
    running_ = true;
    completed_ = std::move(completed);
    progress_ = std::make_unique<TFileProgress>();
    qApp->installEventFilter(this);
    delay_.start();
    thread_ = std::thread([this, work = std::move(work), progress = progress_.get()] {
        std::exception_ptr failure;
        try {
            work(*progress);
        } catch (...) {
            failure = std::current_exception();
        }
        QMetaObject::invokeMethod(this, [this, failure] { Ended(failure); }, Qt::QueuedConnection);
    });
}

void TFileJob::Cancel()
{
    if (progress_)
        progress_->RequestStop();
}

void TFileJob::Wait()
{
    while (running_)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void TFileJob::ShowProgress()
{
    progressForm_.ProgressBar1()->setValue(progress_->Percent());
}

void TFileJob::Ended(const std::exception_ptr& failure)
{
    thread_.join();
    delay_.stop();
    ticks_.stop();
    progressForm_.hide();
    qApp->removeEventFilter(this);
    running_ = false;
    progress_.reset();
    const std::function<void()> completed = std::move(completed_);
    guard_([&] {
        if (failure)
            std::rethrow_exception(failure);
        completed();
    });
}

bool TFileJob::RefusesInputTo(QObject* watched, QEvent::Type type) const
{
    // The windows' own handles pass input on to their widgets, and
    // shortcuts go to their actions.
    if (!watched->isWidgetType())
        return type == QEvent::Shortcut;
    auto* widget = static_cast<QWidget*>(watched);
    return widget != &progressForm_ && !progressForm_.isAncestorOf(widget);
}

bool TFileJob::eventFilter(QObject* watched, QEvent* event)
{
    if (!IsUserInput(event->type()) || !RefusesInputTo(watched, event->type()))
        return false;
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
        Cancel();
    return true;
}

} // namespace qm
