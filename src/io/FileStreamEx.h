#pragma once

#include "platform/GraphicsObjects.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class QFileDevice;

namespace qm {

// What went wrong since the stream was opened; the first fault stays.
enum class TStreamFault {
    sfNone,
    sfShortRead,     // the file ended inside a value
    sfCorruptLength, // a stored string length was negative or beyond the end
    sfDeviceError,   // the operating system refused a read, write or seek
};

// Typed values in a fixed little-endian layout over one file: Integer 4 bytes,
// Bool 1 byte, Float 4 bytes (IEEE single), String as an Integer byte count and
// the bytes, Font as face name, size in points, colour and four style Bools.
// The stream adds no header, tags or padding; what a file means is decided by
// the order in which its callers write and read.
//
// Every operation returns 0 when done and -1 when no file is open. A read that
// comes up short, a corrupt string length or a refused write returns -2 and is
// kept in Fault(); the destination of a short read keeps its earlier value.
//
// A file created with fmCreate is written beside its target and put in place
// only by CloseFile, so an interrupted write never replaces a good file.
class TFileStreamEx {
public:
    static constexpr std::uint16_t fmOpenRead = 0;
    static constexpr std::uint16_t fmOpenReadWrite = 2;
    static constexpr std::uint16_t fmCreate = 0xFFFF;

    // Seek origins.
    static constexpr std::uint16_t soFromBeginning = 0;
    static constexpr std::uint16_t soFromCurrent = 1;
    static constexpr std::uint16_t soFromEnd = 2;

    static constexpr int kDone = 0;
    static constexpr int kRefused = -1;
    static constexpr int kFault = -2;

    TFileStreamEx();
    // A created file that was not closed is discarded; the target stays as it
    // was. Writes to an existing file are flushed.
    ~TFileStreamEx();
    TFileStreamEx(const TFileStreamEx&) = delete;
    TFileStreamEx& operator=(const TFileStreamEx&) = delete;

    // Opens `fileName`: fmOpenRead an existing file for reading, fmOpenReadWrite
    // an existing file for reading and writing (position 0, contents kept),
    // fmCreate a new file for writing. -1 when a file is open already (it stays
    // open at its position) or for another mode. Throws TFileError when the file
    // cannot be opened or created, or is not a regular file (a pipe or device).
    int InitFile(const QString& fileName, std::uint16_t mode);
    // Closes the file; a created file now replaces its target. Throws
    // TFileError when something written did not reach the file.
    int CloseFile();

    int WriteInteger(std::int32_t value);
    int WriteBool(bool value);
    int WriteFloat(float value);
    int WriteString(std::string_view text);
    int WriteFont(const TFont& font);

    int ReadInteger(std::int32_t& value);
    int ReadBool(bool& value);
    int ReadFloat(float& value);
    // A stored length of 0 leaves `text` as it was; otherwise `text` becomes the
    // stored bytes up to the first zero byte.
    int ReadString(std::string& text);
    // The stored face name replaces the font's unless it is empty (or starts
    // with a zero byte); size and colour are set; a true style flag adds its
    // style, a false one removes none.
    int ReadFont(TFont& font);

    // Moves to `offset` from the origin: soFromBeginning, soFromCurrent or
    // soFromEnd (any other origin counts from the beginning).
    int Seek(std::int32_t offset, std::uint16_t origin);

    const QString& FileName() const { return fileName_; }
    TStreamFault Fault() const { return fault_; }
    std::int64_t Position() const;
    // Bytes between the position and the end of the file (0 when closed).
    std::int64_t Remaining();

private:
    int Write(const void* bytes, std::size_t size);
    int Read(void* bytes, std::size_t size);
    bool FlushWrites();
    void DropReadAhead();
    bool FillReadAhead(std::size_t wanted);
    void SetFault(TStreamFault fault);
    void Reset();

    std::unique_ptr<QFileDevice> file_;
    QString fileName_;
    std::int64_t size_ = 0; // asking the file system for it costs a call each time
    TStreamFault fault_ = TStreamFault::sfNone;
    bool writeFailed_ = false;
    // Values are tiny; these keep the operating system calls few.
    std::string writeBuffer_;
    std::string readAhead_;
    std::size_t readOffset_ = 0;
};

} // namespace qm
