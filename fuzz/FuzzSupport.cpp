#include "FuzzSupport.h"
#include "FuzzTargets.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <array>
#include <cstdio>
#include <cstdlib>

namespace qm::fuzz {

namespace {

const QTemporaryDir& Folder()
{
    static const QTemporaryDir folder;
    return folder;
}

} // namespace

QString ScratchPath(const QString& name)
{
    return Folder().filePath(name);
}

QString InputFile(const QString& name, const std::uint8_t* data, std::size_t size)
{
    const QString path = ScratchPath(name);
    QFile file(path);
    const bool written = file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) == static_cast<qint64>(size);
    RequireThat(written, "the input could not be written to the fuzzing folder");
    return path;
}

std::string FileContents(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll().toStdString();
}

void RequireThat(bool holds, const char* what)
{
    if (holds)
        return;
    std::fprintf(stderr, "broken property: %s\n", what);
    std::abort();
}

std::span<const TFuzzTarget> FuzzTargets()
{
    static constexpr std::array targets{
        TFuzzTarget{"document", "document", DocumentInput},
        TFuzzTarget{"document_render", "document", DocumentRenderInput},
        TFuzzTarget{"extension_object", "extension_object", ExtensionObjectInput},
        TFuzzTarget{"shape_template", "shape_template", ShapeTemplateInput},
        TFuzzTarget{"settings", "settings", SettingsInput},
        TFuzzTarget{"picture_bmp", "picture_bmp", BitmapPictureInput},
        TFuzzTarget{"picture_emf", "picture_emf", EnhancedMetafileInput},
        TFuzzTarget{"picture_wmf", "picture_wmf", WindowsMetafileInput},
    };
    return targets;
}

void SetUpFuzzing(int& argc, char** argv)
{
    if (QCoreApplication::instance())
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Lives as long as the process: the fuzzer never returns from its loop.
    new QGuiApplication(argc, argv);
    RequireThat(Folder().isValid(), "no fuzzing folder");
}

} // namespace qm::fuzz
