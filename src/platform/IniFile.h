#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qm {

// A Shift-JIS INI file: "[section]" lines and "key=value" lines. Section and
// key names are matched without regard to ASCII case; every other line
// (comments, blank lines, anything unrecognised) is kept as it is when the
// file is rewritten. Names and values are CP932 bytes; the path is UTF-8.
//
// The file is read when the object is made. Outside a batch every write
// re-reads the file, changes the one entry and replaces the file at once.
// Between BeginUpdate and EndUpdate writes stay in memory and the file is
// written once at the end; writes of a batch that is never ended are dropped,
// so an interrupted save leaves the old file as it was.
class TIniFile {
public:
    explicit TIniFile(std::string path);

    const std::string& FileName() const { return path_; }
    // False when the file exists but could not be read (a read error, not a
    // regular file, or beyond the size limit); every read then gives its default.
    bool Readable() const { return readable_; }

    // A missing section or key, or a value that does not convert, gives the default.
    std::string ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) const;
    std::int32_t ReadInteger(std::string_view section, std::string_view key, std::int32_t defaultValue) const;
    double ReadFloat(std::string_view section, std::string_view key, double defaultValue) const;
    bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;

    // False when the file could not be written, when an existing file could
    // not be read (rewriting it would lose its contents), or when the name or
    // value cannot be stored in a line (a line break, a key with "=", ...).
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);
    bool WriteInteger(std::string_view section, std::string_view key, std::int32_t value);
    bool WriteFloat(std::string_view section, std::string_view key, double value);
    bool WriteBool(std::string_view section, std::string_view key, bool value);

    // Batches nest; the outermost EndUpdate writes the file if anything changed.
    void BeginUpdate();
    bool EndUpdate();

private:
    struct Section {
        std::string header;                                // the "[name]" line as read
        std::vector<std::string> body;                     // every line up to the next section
        std::unordered_map<std::string, std::size_t> keys; // folded key -> body line, first wins
        std::size_t insertAt = 0;                          // just after the last entry line
    };

    void Load();
    void Parse(std::string_view text);
    void AddLine(std::string_view line);
    bool Save() const;
    std::optional<std::string_view> FindValue(std::string_view section, std::string_view key) const;
    void Store(std::string_view section, std::string_view key, std::string_view value);

    std::string path_;
    bool readable_ = true;            // false when the file exists but could not be read
    std::vector<std::string> leading_; // lines before the first section
    std::vector<Section> sections_;
    std::unordered_map<std::string, std::size_t> sectionIndex_; // folded name -> first section
    int batchDepth_ = 0;
    bool batchChanged_ = false;
};

} // namespace qm
