#include "IoTestSupport.h"

#include "io/FileError.h"
#include "io/FileStreamEx.h"

#include <gtest/gtest.h>

#include <QDir>

#include <limits>

namespace qm {
namespace {

using test::FileBytes;
using test::PutFile;
using test::TBytes;

class FileStreamExTest : public ::testing::Test {
protected:
    // The bytes that `write` puts into a new file.
    template <typename Write>
    std::string Written(Write&& write)
    {
        const QString path = dir_.Path("values.bin");
        TFileStreamEx stream;
        EXPECT_EQ(stream.InitFile(path, TFileStreamEx::fmCreate), 0);
        write(stream);
        EXPECT_EQ(stream.CloseFile(), 0);
        return FileBytes(path);
    }

    QString WithBytes(std::string_view bytes)
    {
        const QString path = dir_.Path("input.bin");
        PutFile(path, bytes);
        return path;
    }

    test::TScratchDir dir_;
};

TEST_F(FileStreamExTest, ValuesAreWrittenLittleEndianWithoutPadding)
{
    EXPECT_EQ(Written([](TFileStreamEx& s) { s.WriteString(""); }), std::string(4, '\0'));
    EXPECT_EQ(Written([](TFileStreamEx& s) { s.WriteString("abc"); }), std::string("\x03\0\0\0abc", 7));
    EXPECT_EQ(Written([](TFileStreamEx& s) { s.WriteInteger(-1); }), "\xFF\xFF\xFF\xFF");
    EXPECT_EQ(Written([](TFileStreamEx& s) { s.WriteInteger(1); }), std::string("\x01\0\0\0", 4));
    EXPECT_EQ(Written([](TFileStreamEx& s) { s.WriteInteger(0x12345678); }), "\x78\x56\x34\x12");
    EXPECT_EQ(Written([](TFileStreamEx& s) { s.WriteFloat(1.0f); }), std::string("\0\0\x80\x3F", 4));
    EXPECT_EQ(Written([](TFileStreamEx& s) { s.WriteBool(true); s.WriteBool(false); }), std::string("\x01\0", 2));

    // Shift-JIS text is counted in bytes, not characters.
    const std::string kana = Utf8ToCp932("ごみ箱");
    EXPECT_EQ(Written([&](TFileStreamEx& s) { s.WriteString(kana); }), TBytes().Str(kana).Data());
    ASSERT_EQ(kana.size(), 6u);

    // A 10-point bold, underlined font: name, size in points, colour, then the four flags.
    TFont font;
    font.Name = "Arial";
    font.SetSize(10);
    font.Color = 0x00123456;
    font.Style = fsBold | fsUnderline;
    EXPECT_EQ(Written([&](TFileStreamEx& s) { s.WriteFont(font); }),
              TBytes().Str("Arial").Int(10).Int(0x00123456).Raw(std::string("\x01\0\x01\0", 4)).Data());
    // A system colour keeps its top bit.
    font.Color = clWindowText;
    EXPECT_EQ(Written([&](TFileStreamEx& s) { s.WriteFont(font); }).substr(13, 4), std::string("\x08\0\0\xFF", 4));
}

TEST_F(FileStreamExTest, EveryOperationIsRefusedWithoutAnOpenFile)
{
    TFileStreamEx stream;
    std::int32_t value = 7;
    bool flag = true;
    float real = 2.5f;
    std::string text = "kept";
    TFont font;
    EXPECT_EQ(stream.WriteInteger(1), -1);
    EXPECT_EQ(stream.WriteBool(true), -1);
    EXPECT_EQ(stream.WriteFloat(1), -1);
    EXPECT_EQ(stream.WriteString("x"), -1);
    EXPECT_EQ(stream.WriteFont(font), -1);
    EXPECT_EQ(stream.ReadInteger(value), -1);
    EXPECT_EQ(stream.ReadBool(flag), -1);
    EXPECT_EQ(stream.ReadFloat(real), -1);
    EXPECT_EQ(stream.ReadString(text), -1);
    EXPECT_EQ(stream.ReadFont(font), -1);
    EXPECT_EQ(stream.Seek(0, TFileStreamEx::soFromBeginning), -1);
    EXPECT_EQ(stream.CloseFile(), -1);
    EXPECT_EQ(value, 7);
    EXPECT_EQ(text, "kept");
    EXPECT_EQ(stream.InitFile(dir_.Path("x"), 5), -1); // not a mode the stream knows
    EXPECT_EQ(stream.CloseFile(), -1); // not open
}

TEST_F(FileStreamExTest, ASecondInitFileIsRefusedAndKeepsTheFirstFileAtItsPosition)
{
    const QString first = WithBytes(TBytes().Int(11).Int(22).Data());
    const QString second = dir_.Path("second.bin");
    PutFile(second, TBytes().Int(99).Data());
    TFileStreamEx stream;
    ASSERT_EQ(stream.InitFile(first, TFileStreamEx::fmOpenRead), 0);
    std::int32_t value = 0;
    stream.ReadInteger(value);
    EXPECT_EQ(stream.InitFile(second, TFileStreamEx::fmOpenRead), -1);
    EXPECT_EQ(stream.ReadInteger(value), 0);
    EXPECT_EQ(value, 22);
    EXPECT_EQ(stream.CloseFile(), 0);
    // Open again after closing.
    ASSERT_EQ(stream.InitFile(second, TFileStreamEx::fmOpenRead), 0);
    stream.ReadInteger(value);
    EXPECT_EQ(value, 99);
}

TEST_F(FileStreamExTest, ReadsFollowTheStoredValues)
{
    const QString path = WithBytes(TBytes()
                                       .Int(-5)
                                       .Raw("\x02")
                                       .Float(0.1f)
                                       .Str("")
                                       .Str(std::string("ab\0cd", 5))
                                       .Font("", 12, 0xFF000008u, false, true, false, false)
                                       .Font("Courier", 8, 0x0000FF, false, false, false, false)
                                       .Data());
    TFileStreamEx stream;
    ASSERT_EQ(stream.InitFile(path, TFileStreamEx::fmOpenRead), 0);
    std::int32_t integer = 0;
    bool flag = false;
    float real = 0;
    std::string text = "before";
    EXPECT_EQ(stream.ReadInteger(integer), 0);
    EXPECT_EQ(integer, -5);
    EXPECT_EQ(stream.ReadBool(flag), 0);
    EXPECT_TRUE(flag); // any non-zero byte is true
    EXPECT_EQ(stream.ReadFloat(real), 0);
    EXPECT_EQ(real, 0.1f);
    EXPECT_EQ(stream.ReadString(text), 0);
    EXPECT_EQ(text, "before"); // a stored length of 0 leaves the destination alone
    EXPECT_EQ(stream.ReadString(text), 0);
    EXPECT_EQ(text, "ab"); // up to the first zero byte

    // An empty stored name keeps the face name; styles are only ever added.
    TFont font;
    font.Name = "Kept";
    font.Style = fsBold;
    EXPECT_EQ(stream.ReadFont(font), 0);
    EXPECT_EQ(font.Name, "Kept");
    EXPECT_EQ(font.Size(), 12);
    EXPECT_EQ(font.Color, clWindowText);
    EXPECT_EQ(font.Style, fsBold | fsItalic);
    EXPECT_EQ(stream.ReadFont(font), 0);
    EXPECT_EQ(font.Name, "Courier");
    EXPECT_EQ(font.Size(), 8);
    EXPECT_EQ(font.Style, fsBold | fsItalic);
    EXPECT_EQ(stream.Remaining(), 0);
    EXPECT_EQ(stream.Fault(), TStreamFault::sfNone);
}

TEST_F(FileStreamExTest, AShortReadIsReportedAndKeepsTheDestination)
{
    TFileStreamEx stream;
    ASSERT_EQ(stream.InitFile(WithBytes(TBytes().Int(42).Raw("\x01\x02").Data()), TFileStreamEx::fmOpenRead), 0);
    std::int32_t value = 0;
    EXPECT_EQ(stream.ReadInteger(value), 0);
    EXPECT_EQ(stream.Fault(), TStreamFault::sfNone);
    EXPECT_EQ(stream.ReadInteger(value), TFileStreamEx::kFault);
    EXPECT_EQ(value, 42);
    EXPECT_EQ(stream.Fault(), TStreamFault::sfShortRead);
    // At the end every further read comes up short, with the first fault kept.
    bool flag = false;
    EXPECT_EQ(stream.ReadBool(flag), TFileStreamEx::kFault);
    EXPECT_FALSE(flag);
    EXPECT_EQ(stream.Fault(), TStreamFault::sfShortRead);
}

TEST_F(FileStreamExTest, ACorruptStringLengthIsReportedWithoutReadingIt)
{
    for (const std::int32_t length : {-1, std::numeric_limits<std::int32_t>::min(), 5, std::numeric_limits<std::int32_t>::max()}) {
        SCOPED_TRACE(length);
        TFileStreamEx stream;
        ASSERT_EQ(stream.InitFile(WithBytes(TBytes().Int(length).Raw("abcd").Data()), TFileStreamEx::fmOpenRead), 0);
        std::string text = "kept";
        EXPECT_EQ(stream.ReadString(text), TFileStreamEx::kFault);
        EXPECT_EQ(text, "kept");
        EXPECT_EQ(stream.Fault(), TStreamFault::sfCorruptLength);
        EXPECT_EQ(stream.Position(), 4); // just past the length
        // A face name is read the same way.
        stream.Seek(0, TFileStreamEx::soFromBeginning);
        TFont font;
        font.Name = "Kept";
        EXPECT_EQ(stream.ReadFont(font), TFileStreamEx::kFault);
        EXPECT_EQ(font.Name, "Kept");
    }
}

TEST_F(FileStreamExTest, FilesThatCannotBeOpenedOrCreatedRaiseTheFileError)
{
    TFileStreamEx stream;
    const QString missing = dir_.Path("missing.dof");
    for (const std::uint16_t mode : {TFileStreamEx::fmOpenRead, TFileStreamEx::fmOpenReadWrite}) {
        try {
            stream.InitFile(missing, mode);
            ADD_FAILURE() << "opened a missing file in mode " << mode;
        } catch (const TFileError& error) {
            EXPECT_EQ(error.Kind(), TFileError::TKind::CannotOpen);
            EXPECT_EQ(std::string(error.what()), "ファイル " + missing.toStdString() + " は開けません");
        }
        EXPECT_EQ(stream.CloseFile(), -1); // not open
        EXPECT_FALSE(QFile::exists(missing)); // mode 2 does not create it
    }
    const QString inMissingFolder = dir_.Path("no-such-folder/new.dof");
    try {
        stream.InitFile(inMissingFolder, TFileStreamEx::fmCreate);
        ADD_FAILURE() << "created a file in a missing folder";
    } catch (const TFileError& error) {
        EXPECT_EQ(error.Kind(), TFileError::TKind::CannotCreate);
        EXPECT_EQ(std::string(error.what()), "ファイル " + inMissingFolder.toStdString() + " を作成できません");
    }
    EXPECT_EQ(stream.CloseFile(), -1); // not open
}

TEST_F(FileStreamExTest, ACreatedFileReplacesTheOldOneOnlyWhenClosed)
{
    const QString path = WithBytes("old contents");
    {
        TFileStreamEx stream;
        ASSERT_EQ(stream.InitFile(path, TFileStreamEx::fmCreate), 0);
        stream.WriteInteger(1);
        EXPECT_EQ(FileBytes(path), "old contents");
        // Never closed: dropped, the old file stays.
    }
    EXPECT_EQ(FileBytes(path), "old contents");
    TFileStreamEx stream;
    ASSERT_EQ(stream.InitFile(path, TFileStreamEx::fmCreate), 0);
    stream.WriteInteger(1);
    stream.CloseFile();
    EXPECT_EQ(FileBytes(path), TBytes().Int(1).Data());
    EXPECT_EQ(QDir(dir_.Root()).entryList(QDir::Files).size(), 1); // no temporary file left behind
}

TEST_F(FileStreamExTest, ReadWriteModeSeeksAndMixesReadsWithWrites)
{
    const QString path = WithBytes(TBytes().Int(10).Int(20).Int(1).Data());
    TFileStreamEx stream;
    ASSERT_EQ(stream.InitFile(path, TFileStreamEx::fmOpenReadWrite), 0);
    std::int32_t value = 0;
    stream.ReadInteger(value);
    EXPECT_EQ(value, 10);
    // Write over the second value, then read what follows it.
    stream.WriteInteger(21);
    stream.ReadInteger(value);
    EXPECT_EQ(value, 1);
    // Over the last value from the end, then append.
    EXPECT_EQ(stream.Seek(-4, TFileStreamEx::soFromEnd), 0);
    stream.WriteInteger(30);
    stream.WriteInteger(1);
    EXPECT_EQ(stream.Seek(4, TFileStreamEx::soFromBeginning), 0);
    stream.ReadInteger(value);
    EXPECT_EQ(value, 21);
    EXPECT_EQ(stream.Seek(-8, TFileStreamEx::soFromCurrent), 0);
    stream.ReadInteger(value);
    EXPECT_EQ(value, 10);
    EXPECT_EQ(stream.CloseFile(), 0);
    EXPECT_EQ(FileBytes(path), TBytes().Int(10).Int(21).Int(30).Int(1).Data());
}

} // namespace
} // namespace qm
