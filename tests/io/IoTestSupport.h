#pragma once

#include "platform/GraphicsObjects.h"
#include "platform/ShiftJis.h"

#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qm::test {

// File bytes laid out by hand the way the document format describes them:
// little-endian Integers, one-byte Bools, IEEE single Floats, length-prefixed
// Strings.
class TBytes {
public:
    TBytes& Int(std::int32_t value)
    {
        const auto bits = static_cast<std::uint32_t>(value);
        for (int i = 0; i < 4; ++i)
            data_.push_back(static_cast<char>(bits >> (8 * i)));
        return *this;
    }
    TBytes& Bool(bool value)
    {
        data_.push_back(value ? 1 : 0);
        return *this;
    }
    TBytes& Float(float value) { return Int(std::bit_cast<std::int32_t>(value)); }
    TBytes& Str(std::string_view text)
    {
        Int(static_cast<std::int32_t>(text.size()));
        data_.append(text);
        return *this;
    }
    TBytes& Font(std::string_view name, std::int32_t points, std::uint32_t color, bool bold, bool italic,
                 bool underline, bool strikeOut)
    {
        Str(name).Int(points).Int(static_cast<std::int32_t>(color));
        return Bool(bold).Bool(italic).Bool(underline).Bool(strikeOut);
    }
    TBytes& Raw(std::string_view bytes)
    {
        data_.append(bytes);
        return *this;
    }

    const std::string& Data() const { return data_; }
    std::size_t Size() const { return data_.size(); }

private:
    std::string data_;
};

inline std::string FileBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    const QByteArray bytes = file.readAll();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

inline void PutFile(const QString& path, std::string_view bytes)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

// The face name every new item's font carries, as stored (CP932).
inline std::string DefaultFaceName()
{
    return Utf8ToCp932("ＭＳ Ｐゴシック");
}

// Records 10 to 20 of a node whose item has every default of a new item.
inline void AppendDefaultNodeRecords(TBytes& bytes, std::int32_t itemType, std::string_view name, std::int32_t id,
                                     std::int32_t parentId, std::int32_t priority)
{
    bytes.Int(10).Int(itemType).Str(name).Int(id).Int(parentId);
    bytes.Int(11).Int(id).Int(0).Int(0);
    bytes.Int(12).Int(id).Float(1.0f).Float(1.0f);
    bytes.Int(13).Int(id).Int(0);
    bytes.Int(14).Int(id).Int(priority);
    bytes.Int(15).Int(id).Int(0xFFFFFF).Int(0);
    bytes.Int(16).Int(id).Int(0).Int(0).Int(1);
    bytes.Int(17).Int(id).Bool(true);
    bytes.Int(18).Int(id).Str("").Int(1).Int(4).Bool(true).Bool(true);
    bytes.Font(DefaultFaceName(), 9, 0xFF000008u, false, false, false, false);
    bytes.Int(19).Int(id).Int(0).Int(0).Int(0).Int(0);
    bytes.Int(20).Int(id);
}

// Documents of a few dozen bytes whose counts or lengths ask for far more
// than the file holds; a reader must refuse each without reading that much.
struct TCorruptDocument {
    const char* What;
    std::string Bytes;
};
inline std::vector<TCorruptDocument> CorruptCountDocuments()
{
    std::vector<TCorruptDocument> documents;
    TBytes hugeCount; // a vertex count of a billion
    hugeCount.Int(10).Int(-3).Str("O").Int(1).Int(0).Int(19).Int(1).Int(1000000000).Int(1).Int(2);
    documents.push_back({"vertex count", hugeCount.Data()});
    TBytes missingQuadruples; // the count passes with its points, the polygon's quadruples are missing
    missingQuadruples.Int(10).Int(5).Str("P").Int(1).Int(0).Int(19).Int(1).Int(2).Int(0).Int(0).Int(0).Int(0);
    missingQuadruples.Int(0).Int(0).Int(0).Int(20).Int(1).Int(1);
    documents.push_back({"control points", missingQuadruples.Data()});
    documents.push_back({"length beyond the end", TBytes().Int(3).Int(0x7FFFFFFF).Raw("abc").Data()});
    documents.push_back({"negative name length", TBytes().Int(10).Int(-3).Int(-1).Int(1).Int(0).Int(1).Data()});
    TBytes corruptFace;
    corruptFace.Int(10).Int(-3).Str("O").Int(1).Int(0);
    corruptFace.Int(18).Int(1).Str("t").Int(1).Int(1).Bool(true).Bool(true).Int(0x40000000).Int(1);
    documents.push_back({"face name length", corruptFace.Data()});
    return documents;
}

// A temporary folder for the files of one test.
class TScratchDir {
public:
    QString Path(const QString& name) const { return dir_.path() + "/" + name; }
    QString Root() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
};

// Makes a folder refuse new files for the lifetime of the object: by its mode,
// or, where the mode does not bind (the superuser), by the immutable flag.
class TReadOnlyFolder {
public:
    explicit TReadOnlyFolder(const QString& path) : path_(path.toStdString())
    {
        ::chmod(path_.c_str(), 0555);
        if (::access(path_.c_str(), W_OK) != 0) {
            active_ = true;
            return;
        }
        const int fd = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY);
        int flags = 0;
        if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags |= FS_IMMUTABLE_FL;
            immutable_ = active_ = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        if (fd >= 0)
            ::close(fd);
    }
    ~TReadOnlyFolder()
    {
        if (immutable_) {
            const int fd = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY);
            int flags = 0;
            if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
                flags &= ~FS_IMMUTABLE_FL;
                ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
            }
            if (fd >= 0)
                ::close(fd);
        }
        ::chmod(path_.c_str(), 0755);
    }
    bool Active() const { return active_; }

private:
    std::string path_;
    bool active_ = false;
    bool immutable_ = false;
};

} // namespace qm::test
