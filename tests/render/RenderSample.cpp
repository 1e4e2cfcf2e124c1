// Renders a document with every kind of item to a PNG file, for a person
// to look at: render_sample OUT.png [OUT.emf]. With OUT.emf the metafile
// export of the same drawing is written too, and the PNG leaves out the
// grid, so that the two pictures can be set side by side.
#include "SampleDocument.h"

#include "render/DocumentRenderer.h"
#include "render/MetafileRenderer.h"

#include "qtplatform/QtBitmap.h"

#include <QFile>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: render_sample OUT.png [OUT.emf]\n");
        return 2;
    }
    constexpr int width = 800;
    constexpr int height = 600;
    qm::TObjectTree tree;
    qm::test::BuildSampleDocument(tree);
    qm::TBitmapX surface;
    surface.InitBitmap(width, height);
    qm::TCanvasBackground background;
    background.ShowGrid = argc == 2;
    qm::ClearCanvas(surface, background);
    qm::TDocumentRenderer(tree, surface).RepaintAll();
    if (!qm::BitmapImage(surface.Bitmap()).save(QString::fromLocal8Bit(argv[1])))
        return 1;
    if (argc == 3) {
        const std::vector<char> metafile = qm::RenderMetafile(tree, width, height);
        QFile file(QString::fromLocal8Bit(argv[2]));
        const auto size = static_cast<qint64>(metafile.size());
        if (metafile.empty() || !file.open(QIODevice::WriteOnly) || file.write(metafile.data(), size) != size)
            return 1;
    }
    return 0;
}
