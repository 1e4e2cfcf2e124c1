#include "BesideThread.h"

#include <memory>

namespace qm {

TBesideThread::TBesideThread() : thread_([this] { Loop(); }) {}

TBesideThread::~TBesideThread()
{
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void TBesideThread::Start(QImage& image, std::function<void(TCanvas&)> draw)
{
    const std::lock_guard lock(mutex_);
    pixels_ = image.bits();
    width_ = image.width();
    height_ = image.height();
    bytesPerLine_ = image.bytesPerLine();
    format_ = image.format();
    task_ = std::move(draw);
    busy_ = true;
    failed_ = nullptr;
    changed_.notify_all();
}

void TBesideThread::Wait()
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
    if (const std::exception_ptr failed = std::exchange(failed_, nullptr))
        std::rethrow_exception(failed);
}

void TBesideThread::Loop()
{
    QImage image;
    const auto canvas = std::make_unique<TRasterCanvas>(image);
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || task_; });
        if (!task_)
            return; // the canvas and its fonts go on this thread
        const std::function<void(TCanvas&)> draw = std::exchange(task_, nullptr);
        if (image.constBits() != pixels_ || image.width() != width_ || image.height() != height_)
            image = QImage(pixels_, width_, height_, bytesPerLine_, format_);
        lock.unlock();
        std::exception_ptr failed;
        try {
            draw(*canvas);
        } catch (...) {
            failed = std::current_exception();
        }
        // The painter ends before the caller goes on with the pixels.
        canvas->Finish();
        lock.lock();
        failed_ = failed;
        busy_ = false;
        changed_.notify_all();
    }
}

} // namespace qm
