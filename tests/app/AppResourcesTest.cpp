#include "app/SettingsFile.h"
#include "app/ToolImages.h"
#include "app/Translations.h"
#include "platform/ShiftJis.h"
#include "qtplatform/QtFont.h"
#include "qtplatform/QtText.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(ToolImagesTest, FifteenDistinctImagesOfSixteenPixelsAndAnIcon)
{
    QSet<QByteArray> distinct;
    for (int index = 0; index < kToolImageCount; ++index) {
        const QIcon icon = ToolImage(index);
        ASSERT_FALSE(icon.isNull()) << index;
        EXPECT_TRUE(icon.availableSizes().contains(QSize(16, 16))) << index;
        const QImage image = icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
        distinct.insert(QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
    }
    EXPECT_EQ(distinct.size(), kToolImageCount);
    EXPECT_TRUE(ToolImage(kToolImageCount).isNull());
    EXPECT_TRUE(ToolImage(-1).isNull());

    const QIcon icon = ApplicationIcon();
    EXPECT_TRUE(icon.availableSizes().contains(QSize(32, 32)));
    EXPECT_FALSE(icon.pixmap(32, 32).isNull());
}

TEST(TranslationsTest, StandardDialogsSpeakJapanese)
{
    ASSERT_TRUE(InstallJapaneseTranslations(*qApp));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("キャンセル"));
    EXPECT_NE(QCoreApplication::translate("QColorDialog", "&Basic colors"), QStringLiteral("&Basic colors"));
    EXPECT_NE(QCoreApplication::translate("QFileDialog", "File &name:"), QStringLiteral("File &name:"));
}

TEST(QtTextTest, ItemTextLineBreaksBecomeWidgetLineBreaksAndBack)
{
    const std::string text = Utf8ToCp932("ごみ箱\r\n\r\n①～");
    EXPECT_EQ(ItemTextToQString(text), QStringLiteral("ごみ箱\n\n①～"));
    EXPECT_EQ(QStringToItemText(ItemTextToQString(text)), text);
    EXPECT_EQ(QStringToItemText(QStringLiteral("a\nb\r\nc\rd")), "a\r\nb\r\nc\r\nd");
    EXPECT_EQ(Cp932ToQString(Utf8ToCp932("漢字")), QStringLiteral("漢字"));
    EXPECT_EQ(QStringToCp932(QStringLiteral("漢字")), Utf8ToCp932("漢字"));
}

TEST(QtFontTest, QtFontsBecomeTFontsKeepingColourCharsetAndWindowsNames)
{
    TFont base;
    base.Name = Utf8ToCp932("ＭＳ Ｐゴシック");
    base.Color = clRed;
    base.Charset = SHIFTJIS_CHARSET;

    QFont points(QStringLiteral("IPAGothic"));
    points.setPointSize(12);
    points.setItalic(true);
    points.setStrikeOut(true);
    TFont font = FromQFont(points, base);
    EXPECT_EQ(font.Name, "IPAGothic");
    EXPECT_EQ(font.Height, -16);
    EXPECT_EQ(font.Style, fsItalic | fsStrikeOut);
    EXPECT_EQ(font.Color, clRed);
    EXPECT_EQ(font.Charset, SHIFTJIS_CHARSET);

    QFont pixels(QStringLiteral("IPAPGothic")); // stands in for "ＭＳ Ｐゴシック"
    pixels.setPixelSize(20);
    pixels.setBold(true);
    pixels.setUnderline(true);
    font = FromQFont(pixels, base);
    EXPECT_EQ(font.Name, base.Name);
    EXPECT_EQ(font.Height, -20);
    EXPECT_EQ(font.Style, fsBold | fsUnderline);

    base.Height = -12;
    EXPECT_EQ(ToQFontInPoints(base).pointSize(), 9);
    EXPECT_EQ(FromQFont(ToQFontInPoints(base), base), base);
}

TEST(SettingsFileTest, BesideTheProgramUnlessItIsAnInstalledCopy)
{
    QStandardPaths::setTestModeEnabled(true); // the user's own folders stay untouched
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir(config).removeRecursively();
    QTemporaryDir root;
    QDir(root.path()).mkpath(QStringLiteral("build/src/app"));
    QDir(root.path()).mkpath(QStringLiteral("usr/bin"));

    // A build, or a copy unpacked anywhere: beside the program.
    EXPECT_EQ(SettingsFilePath(root.filePath(QStringLiteral("build/src/app"))),
              root.filePath(QStringLiteral("build/src/app/quillmark.ini")));
    EXPECT_FALSE(QFileInfo::exists(config));
    EXPECT_EQ(SettingsFilePath(root.filePath(QStringLiteral("usr/bin"))), root.filePath(QStringLiteral("usr/bin/quillmark.ini")));

    // Installed (share/quillmark beside bin): the user's configuration
    // folder, made for it, even where the program's folder could be written.
    QDir(root.path()).mkpath(QStringLiteral("usr/share/quillmark"));
    EXPECT_EQ(SettingsFilePath(root.filePath(QStringLiteral("usr/bin"))), QDir(config).filePath(QStringLiteral("quillmark.ini")));
    EXPECT_TRUE(QFileInfo(config).isDir());
    QDir(config).removeRecursively();
    QStandardPaths::setTestModeEnabled(false);
}

TEST(SettingsFileTest, WritableWhenTheFileOrWhileThereIsNoneItsFolderCanBeWritten)
{
    QTemporaryDir root;
    const QString path = root.filePath(QStringLiteral("quillmark.ini"));
    EXPECT_TRUE(SettingsWritable(path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_TRUE(SettingsWritable(path));

    // These hold for any user, root included: a folder in the file's place,
    // a regular file in its folder's place, a folder that is missing.
    QDir(root.path()).mkpath(QStringLiteral("folder.ini"));
    EXPECT_FALSE(SettingsWritable(root.filePath(QStringLiteral("folder.ini"))));
    EXPECT_FALSE(SettingsWritable(path + QStringLiteral("/quillmark.ini")));
    EXPECT_FALSE(SettingsWritable(root.filePath(QStringLiteral("missing/quillmark.ini"))));
}

} // namespace
} // namespace qm
