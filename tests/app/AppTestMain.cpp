// The widgets of the app and reliability tests need a QApplication; without
// a display they run on the offscreen platform, also when CTest lists the
// tests. Recovery files go to a data folder of the test's own, never the
// user's.
#include "qtplatform/RasterFonts.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QTemporaryDir dataHome;
    qputenv("XDG_DATA_HOME", dataHome.path().toUtf8());
    QApplication application(argc, argv);
    qm::InstallFontSubstitutes();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
