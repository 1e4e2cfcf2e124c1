#include "ToolImages.h"

#include <QString>

#include <mutex>

// Resources of a static library are registered only when something calls
// their initialiser; the macro must be used outside any namespace.
static void InitImageResources()
{
    Q_INIT_RESOURCE(images);
}

namespace qm {

namespace {

void EnsureImageResources()
{
    static std::once_flag initialised;
    std::call_once(initialised, InitImageResources);
}

} // namespace

QIcon ToolImage(int index)
{
    if (index < 0 || index >= kToolImageCount)
        return QIcon();
    EnsureImageResources();
    return QIcon(QStringLiteral(":/images/tool%1.png").arg(index, 2, 10, QLatin1Char('0')));
}

QIcon ApplicationIcon()
{
    EnsureImageResources();
    QIcon icon;
    for (const int size : {32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/images/quillmark-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace qm
