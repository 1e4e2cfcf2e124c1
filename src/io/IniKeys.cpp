#include "IniKeys.h"

#include "FileError.h"

#include <algorithm>

namespace qm {

std::string NumberedKey(std::string_view name, std::int32_t index)
{
    return std::string(name) + std::to_string(index);
}

std::int64_t MaxPointCount(std::int64_t fileBytes)
{
    constexpr std::int64_t kBytesPerPoint = 10;
    constexpr std::int64_t kAlwaysAllowed = 4096;
    return std::max(fileBytes / kBytesPerPoint, kAlwaysAllowed);
}

void ThrowPointCountTooLarge(const QString& path, std::int32_t count)
{
    const QString detail = QStringLiteral("点の数 %1 がファイルの大きさを超えています").arg(count);
    throw TFileError(TFileError::TKind::CannotOpen, path, detail.toStdString());
}

} // namespace qm
