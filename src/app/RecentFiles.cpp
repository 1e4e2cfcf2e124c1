#include "RecentFiles.h"

#include "SettingsFile.h"

#include "platform/IniFile.h"

namespace qm {

namespace {

constexpr const char* kSection = "RecentFiles";

std::string KeyOf(int index)
{
    return "File" + std::to_string(index + 1);
}

} // namespace

QStringList TRecentFiles::Files() const
{
    const TIniFile settings(settingsPath_.toStdString());
    QStringList files;
    for (int i = 0; i < kMaxFiles; ++i) {
        const std::optional<QString> path = DecodePathSetting(settings.ReadString(kSection, KeyOf(i), ""));
        if (path && !path->isEmpty() && !files.contains(*path))
            files.append(*path);
    }
    return files;
}

void TRecentFiles::Add(const QString& path)
{
    QStringList files = Files();
    files.removeAll(path);
    files.prepend(path);
    Write(files.mid(0, kMaxFiles));
}

void TRecentFiles::Remove(const QString& path)
{
    QStringList files = Files();
    files.removeAll(path);
    Write(files);
}

void TRecentFiles::Write(const QStringList& files) const
{
    TIniFile settings(settingsPath_.toStdString());
    settings.BeginUpdate();
    for (int i = 0; i < kMaxFiles; ++i)
        WritePathSetting(settings, kSection, KeyOf(i), i < files.size() ? files[i] : QString());
    settings.EndUpdate();
}

} // namespace qm
