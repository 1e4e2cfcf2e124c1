#include "SettingsFile.h"

#include "io/ShapeTemplate.h"
#include "platform/IniFile.h"
#include "qtplatform/QtText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>

namespace qm {

QString ExecutableDir()
{
    return QCoreApplication::applicationDirPath();
}

QString SettingsFilePath()
{
    return SettingsFilePath(ExecutableDir());
}

QString SettingsFilePath(const QString& executableDir)
{
    const QString fileName = QStringLiteral("quillmark.ini");
    // Run as root from /usr/bin, an installed copy would otherwise write there.
    const bool installed = QFileInfo(InstalledDataFolder(executableDir)).isDir();
    if (!installed && QFileInfo(executableDir).isWritable())
        return QDir(executableDir).filePath(fileName);
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(folder);
    return QDir(folder).filePath(fileName);
}

bool SettingsWritable(const QString& path)
{
    const QFileInfo file(path);
    const QFileInfo folder(file.absolutePath());
    if (!folder.isDir() || !folder.isWritable())
        return false;
    return !file.exists() || (file.isFile() && file.isWritable());
}

QString FolderOf(const QString& rememberedPath, const QString& fallback)
{
    const qsizetype separator = std::max(rememberedPath.lastIndexOf(QLatin1Char('/')),
                                         rememberedPath.lastIndexOf(QLatin1Char('\\')));
    return separator < 0 ? fallback : rememberedPath.left(separator);
}

std::optional<QString> DecodePathSetting(const std::string& stored)
{
    const bool ascii = std::all_of(stored.begin(), stored.end(), [](char c) { return (c & 0x80) == 0; });
    if (!ascii) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString decoded = utf8(QByteArray::fromStdString(stored));
        if (!utf8.hasError())
            return decoded;
    }
    QString decoded = Cp932ToQString(stored);
    if (decoded.contains(QChar::ReplacementCharacter) || QStringToCp932(decoded) != stored)
        return std::nullopt;
    return decoded;
}

QString ReadPathSetting(const TIniFile& settings, const char* key)
{
    const std::string stored = settings.ReadString("File", key, "");
    return DecodePathSetting(stored).value_or(Cp932ToQString(stored));
}

bool WritePathSetting(TIniFile& settings, const char* key, const QString& path)
{
    return WritePathSetting(settings, "File", key, path);
}

bool WritePathSetting(TIniFile& settings, std::string_view section, std::string_view key, const QString& path)
{
    const std::string cp932 = QStringToCp932(path);
    const bool fits = Cp932ToQString(cp932) == path;
    return settings.WriteString(section, key, fits ? cp932 : path.toStdString());
}

} // namespace qm
