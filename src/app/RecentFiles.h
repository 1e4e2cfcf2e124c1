#pragma once

#include <QString>
#include <QStringList>

namespace qm {

// "最近使ったファイル": the drawings last opened or saved, newest first, kept
// as "File1" .. "File8" of section "RecentFiles" in the settings file, which
// is read and written by each call.
class TRecentFiles {
public:
    static constexpr int kMaxFiles = 8;

    explicit TRecentFiles(QString settingsPath) : settingsPath_(std::move(settingsPath)) {}

    // The list; an entry whose bytes no longer hold a path is left out.
    QStringList Files() const;
    // `path` becomes the newest entry, once; the oldest beyond eight go.
    void Add(const QString& path);
    void Remove(const QString& path);

private:
    void Write(const QStringList& files) const;

    QString settingsPath_;
};

} // namespace qm
