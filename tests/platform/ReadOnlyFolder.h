#pragma once

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace qm::test {

// Holds a folder read-only while it lives: as root through the immutable flag
// (root writes through any permission bits), otherwise by its mode.
class TReadOnlyFolder {
public:
    explicit TReadOnlyFolder(std::string folder) : folder_(std::move(folder))
    {
        if (geteuid() != 0) {
            held_ = chmod(folder_.c_str(), S_IRUSR | S_IXUSR) == 0;
        } else {
            fd_ = open(folder_.c_str(), O_RDONLY | O_DIRECTORY);
            int flags = 0;
            if (fd_ >= 0 && ioctl(fd_, FS_IOC_GETFLAGS, &flags) == 0) {
                flags |= FS_IMMUTABLE_FL;
                held_ = ioctl(fd_, FS_IOC_SETFLAGS, &flags) == 0;
            }
        }
        if (!held_)
            why_ = std::strerror(errno);
    }
    ~TReadOnlyFolder() { Release(); }
    TReadOnlyFolder(const TReadOnlyFolder&) = delete;
    TReadOnlyFolder& operator=(const TReadOnlyFolder&) = delete;

    bool Held() const { return held_; }
    const std::string& Why() const { return why_; }

    // Writable again before the end of the holder's life.
    void Release()
    {
        if (fd_ >= 0) {
            int flags = 0;
            if (ioctl(fd_, FS_IOC_GETFLAGS, &flags) == 0) {
                flags &= ~FS_IMMUTABLE_FL;
                ioctl(fd_, FS_IOC_SETFLAGS, &flags);
            }
            close(fd_);
            fd_ = -1;
        } else if (held_) {
            chmod(folder_.c_str(), S_IRWXU);
        }
        held_ = false;
    }

private:
    std::string folder_;
    int fd_ = -1;
    bool held_ = false;
    std::string why_;
};

} // namespace qm::test
