#include "FileError.h"

namespace qm {

namespace {

std::string MessageOf(TFileError::TKind kind, const QString& path, const std::string& detail)
{
    const QString text = kind == TFileError::TKind::CannotOpen ? QStringLiteral("ファイル %1 は開けません")
                                                               : QStringLiteral("ファイル %1 を作成できません");
    std::string message = text.arg(path).toStdString();
    if (!detail.empty())
        message += "\n" + detail;
    return message;
}

} // namespace

TFileError::TFileError(TKind kind, const QString& path, const std::string& detail)
    : std::runtime_error(MessageOf(kind, path, detail)), kind_(kind), path_(path), detail_(detail)
{
}

} // namespace qm
