#pragma once

#include <QString>

#include <stdexcept>
#include <string>

namespace qm {

// A file that cannot be opened, read or created. The message is the Japanese
// text the user sees ("ファイル %s は開けません", "ファイル %s を作成できません"),
// optionally followed by a line that says what was wrong with the contents.
// One guard around every command shows it in a message box.
class TFileError : public std::runtime_error {
public:
    enum class TKind { CannotOpen, CannotCreate };

    TFileError(TKind kind, const QString& path, const std::string& detail = {});

    TKind Kind() const { return kind_; }
    const QString& Path() const { return path_; }
    // Why the contents could not be used (UTF-8); empty when the file itself
    // could not be opened or created.
    const std::string& Detail() const { return detail_; }

private:
    TKind kind_;
    QString path_;
    std::string detail_;
};

} // namespace qm
