#include "IniFile.h"

#include "FloatFormat.h"
#include "ShiftJis.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <utility>

namespace qm {

namespace {

// Settings and extension object files are small; anything far larger is not
// one of ours and is not loaded (nor overwritten).
constexpr std::int64_t kMaxFileSize = 64 * 1024 * 1024;

// Trail bytes of CP932 start at 0x40, so these never split a character.
constexpr std::string_view kBlanks = " \t";

std::string_view TrimmedLeft(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(kBlanks);
    return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

std::string_view Trimmed(std::string_view text)
{
    text = TrimmedLeft(text);
    return text.substr(0, text.find_last_not_of(kBlanks) + 1);
}

// The position of the first "]" that is a character of its own, not the
// second byte of a double-byte character.
std::size_t FindClosingBracket(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ']')
            return i;
        if (IsCp932LeadByte(static_cast<unsigned char>(text[i])))
            ++i;
    }
    return std::string_view::npos;
}

std::optional<std::string_view> SectionNameOf(std::string_view line)
{
    line = TrimmedLeft(line);
    if (line.empty() || line.front() != '[')
        return std::nullopt;
    const std::size_t close = FindClosingBracket(line.substr(1));
    if (close == std::string_view::npos)
        return std::nullopt;
    return Trimmed(line.substr(1, close));
}

// "=" (0x3D) is never a trail byte, so a plain search finds the separator.
std::optional<std::string_view> KeyOf(std::string_view line)
{
    const std::string_view text = TrimmedLeft(line);
    if (text.empty() || text.front() == ';' || text.front() == '[')
        return std::nullopt;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return std::nullopt;
    const std::string_view key = Trimmed(line.substr(0, equals));
    if (key.empty())
        return std::nullopt;
    return key;
}

bool HasLineBreak(std::string_view text)
{
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// A name is stored only if reading the file back gives the same name.
bool IsStorableSection(std::string_view name)
{
    return !name.empty() && Trimmed(name) == name && !HasLineBreak(name)
        && FindClosingBracket(name) == std::string_view::npos;
}

bool IsStorableKey(std::string_view key)
{
    return !key.empty() && Trimmed(key) == key && !HasLineBreak(key) && key.find('=') == std::string_view::npos
        && key.front() != ';' && key.front() != '[';
}

std::string Folded(std::string_view name)
{
    return Cp932ToUpperAscii(name);
}

// Decimal, or hexadecimal after "$" or "0x", with an optional sign. Hex
// digits stand for the 32-bit pattern, as the toolkit reads them, so
// "$FF000008" is a system colour.
std::optional<std::int32_t> ParseInteger(std::string_view text)
{
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.starts_with('$')) {
        base = 16;
        text.remove_prefix(1);
    } else if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    std::uint64_t digits = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, digits, base);
    if (error != std::errc() || stop != end)
        return std::nullopt;
    std::int64_t magnitude = 0;
    if (base == 16) {
        if (digits > std::numeric_limits<std::uint32_t>::max())
            return std::nullopt;
        magnitude = static_cast<std::int32_t>(static_cast<std::uint32_t>(digits));
    } else {
        if (digits > std::uint64_t{1} << 31)
            return std::nullopt;
        magnitude = static_cast<std::int64_t>(digits);
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

// Always "." as the separator, whatever the locale; infinities and NaN are
// refused so that no geometry is built from them.
std::optional<double> ParseFloat(std::string_view text)
{
    // from_chars takes a minus sign but no plus sign.
    if (text.starts_with('+')) {
        text.remove_prefix(1);
        if (text.starts_with('-'))
            return std::nullopt;
    }
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}


// Closes a file descriptor when it goes out of scope.
class TFileDescriptor {
public:
    explicit TFileDescriptor(int fd) : fd_(fd) {}
    ~TFileDescriptor() { Close(); }
    TFileDescriptor(const TFileDescriptor&) = delete;
    TFileDescriptor& operator=(const TFileDescriptor&) = delete;
    TFileDescriptor& operator=(TFileDescriptor&& other) noexcept
    {
        Close();
        fd_ = std::exchange(other.fd_, -1);
        return *this;
    }

    int Get() const { return fd_; }
    bool Close()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

// Up to `limit` bytes of a regular file; nothing when it is not one or a read fails.
std::optional<std::string> ReadRegularFile(const std::string& path, std::int64_t limit)
{
    // Not blocking: a pipe put in the file's place after the check below
    // must not hold the program up.
    const TFileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat info {};
    if (file.Get() < 0 || ::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > limit)
        return std::nullopt;
    std::string bytes(static_cast<std::size_t>(std::min<std::int64_t>(info.st_size, limit) + 1), '\0');
    std::size_t size = 0;
    while (size < bytes.size()) {
        const ssize_t read = ::read(file.Get(), bytes.data() + size, bytes.size() - size);
        if (read < 0 && errno == EINTR)
            continue;
        if (read < 0)
            return std::nullopt;
        if (read == 0)
            break;
        size += static_cast<std::size_t>(read);
    }
    bytes.resize(size);
    return bytes;
}

bool WriteWhole(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// A name beside `target` that no file has yet: `target` and six random hex
// digits after a dot. `make(name)` makes the file and gives false with errno
// EEXIST when the name is taken, which tries another.
template <typename Make>
std::optional<std::string> NewNameBeside(const std::string& target, Make&& make)
{
    std::mt19937 random(std::random_device{}());
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[8];
        std::snprintf(suffix, sizeof suffix, ".%06x", static_cast<unsigned>(random() & 0xFFFFFF));
        std::string name = target + suffix;
        if (make(name))
            return name;
        if (errno != EEXIST)
            return std::nullopt;
    }
    return std::nullopt;
}

// Replaces the file at `path` with `bytes` all at once: they are written to
// a new file in the same folder, flushed to the disk, and only then renamed
// over it, so a failure at any point leaves the old file as it was and no
// new file behind. Where the file system allows, the new file has no name
// until it is complete (O_TMPFILE), so not even a process killed half-way
// leaves one. A symbolic link is followed, so the file it names is replaced;
// an existing file keeps its permissions.
bool ReplaceFile(const std::string& path, std::string_view bytes)
{
    std::string target = path;
    struct stat existing {};
    if (::lstat(path.c_str(), &existing) == 0 && S_ISLNK(existing.st_mode)) {
        if (char* resolved = ::realpath(path.c_str(), nullptr)) {
            target = resolved;
            std::free(resolved);
        }
    }
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && (!S_ISREG(existing.st_mode) || ::access(target.c_str(), W_OK) != 0))
        return false;

    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
    TFileDescriptor file(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
    std::optional<std::string> temporary;
    if (file.Get() < 0) {
        // File systems without unnamed files refuse with one of these.
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            return false;
        temporary = NewNameBeside(target, [&file](const std::string& name) {
            file = TFileDescriptor(::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
            return file.Get() >= 0;
        });
        if (!temporary)
            return false;
    }
    bool written = (!exists || ::fchmod(file.Get(), existing.st_mode & 07777) == 0) && WriteWhole(file.Get(), bytes)
                && ::fsync(file.Get()) == 0;
    if (written && !temporary) {
        const std::string self = "/proc/self/fd/" + std::to_string(file.Get());
        temporary = NewNameBeside(target, [&self](const std::string& name) {
            return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
        });
        written = temporary.has_value();
    }
    written = file.Close() && written && ::rename(temporary->c_str(), target.c_str()) == 0;
    if (!written && temporary)
        ::unlink(temporary->c_str());
    return written;
}

} // namespace

TIniFile::TIniFile(std::string path) : path_(std::move(path))
{
    Load();
}

void TIniFile::Load()
{
    leading_.clear();
    sections_.clear();
    sectionIndex_.clear();
    readable_ = true;

    struct stat info {};
    if (::stat(path_.c_str(), &info) != 0)
        return; // no file yet: no entries
    // A directory, a device or a pipe could block or never end. As much as
    // the file holds and one byte more is read, which shows a file that grew
    // past the limit; asking for the limit itself would set aside 64 MB.
    const std::optional<std::string> bytes = ReadRegularFile(path_, kMaxFileSize);
    if (!bytes || static_cast<std::int64_t>(bytes->size()) > kMaxFileSize) {
        readable_ = false;
        return;
    }
    Parse(*bytes);
}

void TIniFile::Parse(std::string_view text)
{
    // Lines end with CR LF, LF or a lone CR: a value never holds a line
    // break, so whatever is read can be written back.
    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        AddLine(text.substr(0, end));
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(text.compare(end, 2, "\r\n") == 0 ? end + 2 : end + 1);
    }
}

void TIniFile::AddLine(std::string_view line)
{
    if (const auto name = SectionNameOf(line)) {
        sections_.push_back(Section{std::string(line), {}, {}, 0});
        sectionIndex_.try_emplace(Folded(*name), sections_.size() - 1);
        return;
    }
    if (sections_.empty()) {
        leading_.emplace_back(line);
        return;
    }
    Section& section = sections_.back();
    section.body.emplace_back(line);
    if (const auto key = KeyOf(line)) {
        section.keys.try_emplace(Folded(*key), section.body.size() - 1);
        section.insertAt = section.body.size();
    }
}

bool TIniFile::Save() const
{
    std::string text;
    const auto append = [&text](const std::string& line) {
        text += line;
        text += "\r\n";
    };
    for (const std::string& line : leading_)
        append(line);
    for (const Section& section : sections_) {
        append(section.header);
        for (const std::string& line : section.body)
            append(line);
    }

    return ReplaceFile(path_, text);
}

std::optional<std::string_view> TIniFile::FindValue(std::string_view section, std::string_view key) const
{
    const auto foundSection = sectionIndex_.find(Folded(section));
    if (foundSection == sectionIndex_.end())
        return std::nullopt;
    const Section& entries = sections_[foundSection->second];
    const auto foundKey = entries.keys.find(Folded(key));
    if (foundKey == entries.keys.end())
        return std::nullopt;
    const std::string_view line = entries.body[foundKey->second];
    return Trimmed(line.substr(line.find('=') + 1));
}

void TIniFile::Store(std::string_view section, std::string_view key, std::string_view value)
{
    auto foundSection = sectionIndex_.find(Folded(section));
    if (foundSection == sectionIndex_.end()) {
        sections_.push_back(Section{"[" + std::string(section) + "]", {}, {}, 0});
        foundSection = sectionIndex_.emplace(Folded(section), sections_.size() - 1).first;
    }
    Section& entries = sections_[foundSection->second];
    const auto [entry, added] = entries.keys.try_emplace(Folded(key), entries.insertAt);
    if (added) {
        // Only non-entry lines follow insertAt, so no stored index moves.
        entries.body.insert(entries.body.begin() + static_cast<std::ptrdiff_t>(entries.insertAt),
            std::string(key) + "=" + std::string(value));
        ++entries.insertAt;
        return;
    }
    std::string& line = entries.body[entry->second];
    line.replace(line.find('=') + 1, std::string::npos, value);
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) const
{
    return std::string(FindValue(section, key).value_or(defaultValue));
}

std::int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key, std::int32_t defaultValue) const
{
    const auto text = FindValue(section, key);
    return text ? ParseInteger(*text).value_or(defaultValue) : defaultValue;
}

double TIniFile::ReadFloat(std::string_view section, std::string_view key, double defaultValue) const
{
    const auto text = FindValue(section, key);
    return text ? ParseFloat(*text).value_or(defaultValue) : defaultValue;
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const
{
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

bool TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    if (!IsStorableSection(section) || !IsStorableKey(key) || HasLineBreak(value))
        return false;
    if (batchDepth_ == 0)
        Load(); // keep what others wrote since this object read the file
    if (!readable_)
        return false;
    Store(section, key, value);
    if (batchDepth_ > 0) {
        batchChanged_ = true;
        return true;
    }
    if (Save())
        return true;
    Load(); // what is in memory stays what is in the file
    return false;
}

bool TIniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value)
{
    return WriteString(section, key, std::to_string(value));
}

bool TIniFile::WriteFloat(std::string_view section, std::string_view key, double value)
{
    return WriteString(section, key, FormatFloat(value));
}

bool TIniFile::WriteBool(std::string_view section, std::string_view key, bool value)
{
    return WriteString(section, key, value ? "1" : "0");
}

void TIniFile::BeginUpdate()
{
    if (batchDepth_++ == 0) {
        Load();
        batchChanged_ = false;
    }
}

bool TIniFile::EndUpdate()
{
    if (batchDepth_ == 0 || --batchDepth_ > 0 || !batchChanged_)
        return true;
    batchChanged_ = false;
    if (Save())
        return true;
    Load();
    return false;
}

} // namespace qm
