// The canvas draws on raster bitmaps, which need a GUI application.
#include <QGuiApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    QGuiApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
