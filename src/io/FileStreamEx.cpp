#include "FileStreamEx.h"

#include "FileError.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <bit>
#include <cstring>

namespace qm {

namespace {

constexpr std::size_t kChunkSize = 64 * 1024;

void PutUInt32(unsigned char* bytes, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<unsigned char>(value >> (8 * i));
}

std::uint32_t GetUInt32(const unsigned char* bytes)
{
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
    return value;
}

// The first non-zero status of a composite operation.
int Combined(std::initializer_list<int> statuses)
{
    for (int status : statuses) {
        if (status != TFileStreamEx::kDone)
            return status;
    }
    return TFileStreamEx::kDone;
}

} // namespace

TFileStreamEx::TFileStreamEx() = default;

TFileStreamEx::~TFileStreamEx()
{
    // A created file that was not closed is dropped by QSaveFile; writes to an
    // existing file still reach it.
    if (file_ && !dynamic_cast<QSaveFile*>(file_.get()))
        FlushWrites();
}

void TFileStreamEx::Reset()
{
    file_.reset();
    size_ = 0;
    writeBuffer_.clear();
    readAhead_.clear();
    readOffset_ = 0;
}

int TFileStreamEx::InitFile(const QString& fileName, std::uint16_t mode)
{
    if (file_)
        return kRefused;
    // A pipe would block the open and a device would never end: only
    // regular files are read.
    if (mode != fmCreate && QFileInfo::exists(fileName) && !QFileInfo(fileName).isFile())
        throw TFileError(TFileError::TKind::CannotOpen, fileName);
    std::unique_ptr<QFileDevice> file;
    QIODevice::OpenMode openMode = QIODevice::Unbuffered;
    switch (mode) {
    case fmOpenRead:
        file = std::make_unique<QFile>(fileName);
        openMode |= QIODevice::ReadOnly;
        break;
    case fmOpenReadWrite:
        file = std::make_unique<QFile>(fileName);
        openMode |= QIODevice::ReadWrite | QIODevice::ExistingOnly;
        break;
    case fmCreate:
        file = std::make_unique<QSaveFile>(fileName);
        openMode |= QIODevice::WriteOnly;
        break;
    default:
        return kRefused;
    }
    if (!file->open(openMode)) {
        throw TFileError(mode == fmCreate ? TFileError::TKind::CannotCreate : TFileError::TKind::CannotOpen,
                         fileName);
    }
    file_ = std::move(file);
    size_ = file_->size();
    fileName_ = fileName;
    fault_ = TStreamFault::sfNone;
    writeFailed_ = false;
    return kDone;
}

int TFileStreamEx::CloseFile()
{
    if (!file_)
        return kRefused;
    bool written = FlushWrites() && !writeFailed_;
    if (auto* saveFile = dynamic_cast<QSaveFile*>(file_.get())) {
        if (written)
            written = saveFile->commit(); // flushed to disk, then renamed over the target
        else
            saveFile->cancelWriting();
    } else {
        written = file_->flush() && written;
        file_->close();
    }
    Reset();
    if (!written)
        throw TFileError(TFileError::TKind::CannotCreate, fileName_);
    return kDone;
}

void TFileStreamEx::SetFault(TStreamFault fault)
{
    if (fault_ == TStreamFault::sfNone)
        fault_ = fault;
}

std::int64_t TFileStreamEx::Position() const
{
    if (!file_)
        return 0;
    const auto unread = static_cast<std::int64_t>(readAhead_.size() - readOffset_);
    return file_->pos() - unread + static_cast<std::int64_t>(writeBuffer_.size());
}

std::int64_t TFileStreamEx::Remaining()
{
    if (!file_ || !FlushWrites())
        return 0;
    return std::max<std::int64_t>(0, size_ - Position());
}

bool TFileStreamEx::FlushWrites()
{
    if (writeBuffer_.empty())
        return true;
    const auto size = static_cast<qint64>(writeBuffer_.size());
    const bool written = file_->write(writeBuffer_.data(), size) == size;
    writeBuffer_.clear();
    size_ = std::max<std::int64_t>(size_, file_->pos());
    if (!written) {
        writeFailed_ = true;
        SetFault(TStreamFault::sfDeviceError);
    }
    return written;
}

void TFileStreamEx::DropReadAhead()
{
    if (readOffset_ < readAhead_.size()) {
        const std::int64_t position = Position();
        if (!file_->seek(position))
            SetFault(TStreamFault::sfDeviceError);
    }
    readAhead_.clear();
    readOffset_ = 0;
}

bool TFileStreamEx::FillReadAhead(std::size_t wanted)
{
    readAhead_.erase(0, readOffset_);
    readOffset_ = 0;
    const std::size_t held = readAhead_.size();
    const std::size_t request = std::max(kChunkSize, wanted - held);
    readAhead_.resize(held + request);
    const qint64 got = file_->read(readAhead_.data() + held, static_cast<qint64>(request));
    readAhead_.resize(held + static_cast<std::size_t>(std::max<qint64>(got, 0)));
    if (got < 0)
        SetFault(TStreamFault::sfDeviceError);
    return readAhead_.size() >= wanted;
}

int TFileStreamEx::Write(const void* bytes, std::size_t size)
{
    if (!file_)
        return kRefused;
    if (!readAhead_.empty())
        DropReadAhead();
    writeBuffer_.append(static_cast<const char*>(bytes), size);
    if (writeBuffer_.size() >= kChunkSize && !FlushWrites())
        return kFault;
    return kDone;
}

int TFileStreamEx::Read(void* bytes, std::size_t size)
{
    if (!file_)
        return kRefused;
    if (!FlushWrites())
        return kFault;
    if (readAhead_.size() - readOffset_ < size && !FillReadAhead(size)) {
        // The rest of the file is consumed; the destination keeps its value.
        readOffset_ = readAhead_.size();
        SetFault(TStreamFault::sfShortRead);
        return kFault;
    }
    std::memcpy(bytes, readAhead_.data() + readOffset_, size);
    readOffset_ += size;
    return kDone;
}

int TFileStreamEx::Seek(std::int32_t offset, std::uint16_t origin)
{
    if (!file_)
        return kRefused;
    if (!FlushWrites())
        return kFault;
    std::int64_t base = 0;
    if (origin == soFromCurrent)
        base = Position();
    else if (origin == soFromEnd)
        base = size_;
    const std::int64_t target = base + offset;
    readAhead_.clear();
    readOffset_ = 0;
    if (target < 0 || !file_->seek(target)) {
        SetFault(TStreamFault::sfDeviceError);
        return kFault;
    }
    return kDone;
}

int TFileStreamEx::WriteInteger(std::int32_t value)
{
    unsigned char bytes[4];
    PutUInt32(bytes, static_cast<std::uint32_t>(value));
    return Write(bytes, sizeof bytes);
}

int TFileStreamEx::WriteBool(bool value)
{
    const unsigned char byte = value ? 1 : 0;
    return Write(&byte, 1);
}

int TFileStreamEx::WriteFloat(float value)
{
    unsigned char bytes[4];
    PutUInt32(bytes, std::bit_cast<std::uint32_t>(value));
    return Write(bytes, sizeof bytes);
}

int TFileStreamEx::WriteString(std::string_view text)
{
    if (!file_)
        return kRefused;
    const int status = WriteInteger(static_cast<std::int32_t>(text.size()));
    if (text.empty())
        return status;
    return Combined({status, Write(text.data(), text.size())});
}

int TFileStreamEx::WriteFont(const TFont& font)
{
    if (!file_)
        return kRefused;
    return Combined({WriteString(font.Name), WriteInteger(font.Size()), WriteInteger(static_cast<std::int32_t>(font.Color)),
                     WriteBool(font.Has(fsBold)), WriteBool(font.Has(fsItalic)), WriteBool(font.Has(fsUnderline)),
                     WriteBool(font.Has(fsStrikeOut))});
}

int TFileStreamEx::ReadInteger(std::int32_t& value)
{
    unsigned char bytes[4];
    const int status = Read(bytes, sizeof bytes);
    if (status == kDone)
        value = static_cast<std::int32_t>(GetUInt32(bytes));
    return status;
}

int TFileStreamEx::ReadBool(bool& value)
{
    unsigned char byte = 0;
    const int status = Read(&byte, 1);
    if (status == kDone)
        value = byte != 0;
    return status;
}

int TFileStreamEx::ReadFloat(float& value)
{
    unsigned char bytes[4];
    const int status = Read(bytes, sizeof bytes);
    if (status == kDone)
        value = std::bit_cast<float>(GetUInt32(bytes));
    return status;
}

int TFileStreamEx::ReadString(std::string& text)
{
    std::int32_t length = 0;
    if (const int status = ReadInteger(length); status != kDone)
        return status;
    if (length == 0)
        return kDone;
    if (length < 0 || length > Remaining()) {
        SetFault(TStreamFault::sfCorruptLength);
        return kFault;
    }
    std::string bytes(static_cast<std::size_t>(length), '\0');
    if (const int status = Read(bytes.data(), bytes.size()); status != kDone)
        return status;
    bytes.resize(std::min(bytes.size(), bytes.find('\0')));
    text = std::move(bytes);
    return kDone;
}

int TFileStreamEx::ReadFont(TFont& font)
{
    if (!file_)
        return kRefused;
    std::string name = font.Name;
    std::int32_t size = 0;
    std::int32_t color = 0;
    bool styles[4] = {};
    const int status = Combined({ReadString(name), ReadInteger(size), ReadInteger(color), ReadBool(styles[0]),
                                 ReadBool(styles[1]), ReadBool(styles[2]), ReadBool(styles[3])});
    if (status != kDone)
        return status;
    // A name of zero bytes only reads as empty; like an empty one it keeps the
    // face, since an empty name would be saved as one that keeps the face.
    if (!name.empty())
        font.Name = std::move(name);
    font.SetSize(size);
    font.Color = static_cast<TColor>(color);
    const TFontStyle flags[4] = {fsBold, fsItalic, fsUnderline, fsStrikeOut};
    for (int i = 0; i < 4; ++i) {
        if (styles[i])
            font.Style |= flags[i];
    }
    return kDone;
}

} // namespace qm
