// Writes examples/sample.dof, or the sample that many times over for trying
// the editor on huge drawings (SampleDrawing.h).
#include "SampleDrawing.h"

#include "io/DocumentWriter.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const long copies = argc == 3 ? std::strtol(argv[2], nullptr, 10) : 1;
    if (argc < 2 || argc > 3 || copies < 1 || copies > 100000) {
        std::fprintf(stderr, "usage: make_sample OUTPUT.dof [COPIES, 1 to 100000]\n");
        return 2;
    }
    qm::TObjectTree tree;
    qm::sample::BuildCopies(tree, copies);
    try {
        qm::WriteDocument(QString::fromLocal8Bit(argv[1]), tree, {600, 450, 10});
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
