#pragma once

#include <QString>

#include <optional>
#include <string>
#include <string_view>

namespace qm {

// Where the program keeps "quillmark.ini": beside the executable, or, for
// an installed copy (its program data folder lies beside the executable's
// folder) and when that folder cannot be written, in the user's
// configuration folder, which is made if missing.
QString SettingsFilePath();
QString SettingsFilePath(const QString& executableDir);

// Whether the settings file can be written: the file, or, while there is
// none, its folder. When it cannot, the editor works on and saves nothing.
bool SettingsWritable(const QString& path);

// The folder the file dialogs start in when no earlier file is remembered.
QString ExecutableDir();

// The folder part of a remembered path (the text before its last separator),
// or `fallback` when nothing is remembered.
QString FolderOf(const QString& rememberedPath, const QString& fallback);

class TIniFile;

// A file path kept in section "File" of the settings file ("LastDir",
// "LastDir2"). Paths are stored in CP932 like the rest of the file; a path
// that CP932 cannot hold is stored in UTF-8 instead, so it is never mangled
// into another file's name. Empty when the key is absent.
QString ReadPathSetting(const TIniFile& settings, const char* key);
bool WritePathSetting(TIniFile& settings, const char* key, const QString& path);
// The same in any section.
bool WritePathSetting(TIniFile& settings, std::string_view section, std::string_view key, const QString& path);
// A stored path's bytes as a path; none when they are neither UTF-8 nor
// CP932 that converts back to the same bytes (a damaged entry).
std::optional<QString> DecodePathSetting(const std::string& stored);

} // namespace qm
