// A save in a process of its own, for the fault tests that kill it half-way
// or hold its files to a size:
//   reliability_save_child <document|object|bitmap|metafile> <path> <size> [<file size limit in bytes>]
// Prints "saving" once the drawing is made, right before the writer runs.
// Exit status: 0 saved, 3 the writer reported the file error, 2 wrong use.
#include "FaultSaves.h"

#include "io/FileError.h"

#include <QGuiApplication>

#include <sys/resource.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

int main(int argc, char** argv)
{
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: reliability_save_child <kind> <path> <size> [<file size limit>]\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (argc == 5) {
        // Writes past the limit fail with EFBIG, as on a full disk, instead
        // of ending the process.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlim_t limit = std::strtoull(argv[4], nullptr, 10);
        const rlimit fileSize{limit, limit};
        if (setrlimit(RLIMIT_FSIZE, &fileSize) != 0)
            return 2;
    }
    try {
        const qm::test::TSaveKind kind = qm::test::SaveKindNamed(argv[1]);
        const QString path = QString::fromLocal8Bit(argv[2]);
        const int size = std::atoi(argv[3]);
        qm::test::SaveDrawing(kind, path, size, [] {
            std::printf("saving\n");
            std::fflush(stdout);
        });
    } catch (const qm::TFileError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 3;
    } catch (const std::invalid_argument&) {
        return 2;
    }
    return 0;
}
