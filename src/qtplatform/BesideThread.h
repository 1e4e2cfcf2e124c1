#pragma once

#include "RasterCanvas.h"

#include <QImage>

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace qm {

// A thread kept for drawing beside the caller's, on a canvas of its own over
// pixels the caller owns. Qt's fonts belong to the thread that made them
// (their FreeType faces go with it), so the canvas, with the glyphs it keeps
// from one drawing to the next, is made, used and dropped on this thread.
class TBesideThread {
public:
    TBesideThread();
    ~TBesideThread();
    TBesideThread(const TBesideThread&) = delete;
    TBesideThread& operator=(const TBesideThread&) = delete;

    // Starts `draw` on the thread, on a canvas over the pixels of `image`,
    // which must stay where they are until Wait returns.
    void Start(QImage& image, std::function<void(TCanvas&)> draw);
    // Waits until the drawing started last has ended; throws what it threw.
    void Wait();

private:
    void Loop();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::function<void(TCanvas&)> task_; // set: waiting for the thread
    bool busy_ = false;
    bool stopping_ = false;
    std::exception_ptr failed_;
    uchar* pixels_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    qsizetype bytesPerLine_ = 0;
    QImage::Format format_ = QImage::Format_RGB32;
    std::thread thread_; // last: it starts once the members above are made
};

} // namespace qm
