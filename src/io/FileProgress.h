#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <exception>

namespace qm {

// Thrown by a read or write whose stop was asked for: nothing it made is
// kept, and a file it was writing stays as it was.
class TFileCancelled : public std::exception {
public:
    const char* what() const noexcept override { return "file work cancelled"; }
};

// How far a long read or write has come, and whether the user asked it to
// stop; shared between the thread doing the work and the user interface.
class TFileProgress {
public:
    // `done` of `total` units (bytes read, nodes written); then throws
    // TFileCancelled when a stop was asked for.
    void Report(std::int64_t done, std::int64_t total)
    {
        done_.store(done, std::memory_order_relaxed);
        total_.store(total, std::memory_order_relaxed);
        if (stop_.load(std::memory_order_relaxed))
            throw TFileCancelled();
    }
    // 0 to 100.
    int Percent() const
    {
        const std::int64_t total = total_.load(std::memory_order_relaxed);
        const std::int64_t done = done_.load(std::memory_order_relaxed);
        return total > 0 ? static_cast<int>(std::clamp<std::int64_t>(done * 100 / total, 0, 100)) : 0;
    }
    void RequestStop() { stop_.store(true, std::memory_order_relaxed); }
    bool StopRequested() const { return stop_.load(std::memory_order_relaxed); }

private:
    std::atomic<std::int64_t> done_ = 0;
    std::atomic<std::int64_t> total_ = 0;
    std::atomic<bool> stop_ = false;
};

} // namespace qm
