#include "platform/IniFile.h"
#include "platform/ShiftJis.h"

#include "ReadOnlyFolder.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

namespace qm {
namespace {

class IniFileTest : public ::testing::Test {
protected:
    std::string PathOf(const std::string& name) const { return dir_.path().toStdString() + "/" + name; }

    static std::string Contents(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    static void Put(const std::string& path, const std::string& bytes)
    {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    QTemporaryDir dir_;
};

TEST_F(IniFileTest, EachTypeRoundTripsThroughTheFile)
{
    const std::string path = PathOf("quillmark.ini");
    const std::string name = Utf8ToCp932("ごみ箱");
    {
        TIniFile ini(path);
        EXPECT_TRUE(ini.WriteInteger("Canvas", "Width", 400));
        EXPECT_TRUE(ini.WriteInteger("Canvas", "Min", std::numeric_limits<std::int32_t>::min()));
        EXPECT_TRUE(ini.WriteInteger("Canvas", "Max", std::numeric_limits<std::int32_t>::max()));
        EXPECT_TRUE(ini.WriteString("File", "LastDir", name));
        EXPECT_TRUE(ini.WriteFloat("0", "StretchX", static_cast<double>(0.1f)));
        EXPECT_TRUE(ini.WriteBool("Item", "CurveStyle", true));
        EXPECT_TRUE(ini.WriteBool("Item", "Closed", false));
    }
    EXPECT_EQ(Contents(path),
        "[Canvas]\r\nWidth=400\r\nMin=-2147483648\r\nMax=2147483647\r\n"
        "[File]\r\nLastDir=" + name + "\r\n"
        "[0]\r\nStretchX=0.100000001490116\r\n"
        "[Item]\r\nCurveStyle=1\r\nClosed=0\r\n");

    const TIniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("Canvas", "Width", 0), 400);
    EXPECT_EQ(ini.ReadInteger("Canvas", "Min", 0), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(ini.ReadInteger("Canvas", "Max", 0), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(ini.ReadString("File", "LastDir", ""), name);
    EXPECT_EQ(static_cast<float>(ini.ReadFloat("0", "StretchX", 0)), 0.1f);
    EXPECT_TRUE(ini.ReadBool("Item", "CurveStyle", false));
    EXPECT_FALSE(ini.ReadBool("Item", "Closed", true));
}

TEST_F(IniFileTest, FloatsAreWrittenInTheToolkitsGeneralFormat)
{
    TIniFile ini(PathOf("floats.ini"));
    const std::pair<double, const char*> cases[] = {
        {1.0, "1"},
        {static_cast<double>(0.1f), "0.100000001490116"},
        {0.0, "0"},
        {-0.0, "0"},
        {-2.5, "-2.5"},
        {1e20, "1E20"},
        {1.5e-6, "1.5E-6"},
        {-1.5e-6, "-1.5E-6"},
        {0.00001, "0.00001"},
        {0.000012345, "0.000012345"},
        {1.0 / 3.0, "0.333333333333333"},
        {123456789012345.0, "123456789012345"},
        {999999999999999.9, "1E15"},
        {1234567890123456.0, "1.23456789012346E15"},
        {100.0, "100"},
        {1e-300, "1E-300"},
    };
    for (const auto& [value, text] : cases) {
        ASSERT_TRUE(ini.WriteFloat("F", "V", value));
        EXPECT_EQ(ini.ReadString("F", "V", ""), text) << value;
        EXPECT_EQ(ini.ReadFloat("F", "V", 7), std::stod(text)) << text;
    }
}

TEST_F(IniFileTest, ValuesThatDoNotConvertGiveTheDefault)
{
    const std::string path = PathOf("numbers.ini");
    Put(path,
        "[N]\r\nhex1=0x1F\r\nhex2=$ff\r\nneg=-12\r\nplus=+7\r\npadded= \t42 \r\n"
        "system=$FF000008\r\ntoobig=2147483648\r\ntoosmall=-2147483649\r\nmin=-2147483648\r\n"
        "hexbig=$100000000\r\ntrailing=12abc\r\nempty=\r\nsigns=+-5\r\nbare=0x\r\n"
        "f1=1E20\r\nf2= 2.5 \r\ncomma=1,5\r\nword=abc\r\nnan=nan\r\ninf=inf\r\nhuge=1e999\r\nfsigns=+-1\r\n");
    const TIniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("N", "hex1", 0), 31);
    EXPECT_EQ(ini.ReadInteger("N", "hex2", 0), 255);
    EXPECT_EQ(ini.ReadInteger("N", "neg", 0), -12);
    EXPECT_EQ(ini.ReadInteger("N", "plus", 0), 7);
    EXPECT_EQ(ini.ReadInteger("N", "padded", 0), 42);
    EXPECT_EQ(static_cast<std::uint32_t>(ini.ReadInteger("N", "system", 0)), 0xFF000008u);
    EXPECT_EQ(ini.ReadInteger("N", "min", 0), std::numeric_limits<std::int32_t>::min());
    for (const char* key : {"toobig", "toosmall", "hexbig", "trailing", "empty", "signs", "bare", "word"})
        EXPECT_EQ(ini.ReadInteger("N", key, -99), -99) << key;
    EXPECT_TRUE(ini.ReadBool("N", "word", true));
    EXPECT_TRUE(ini.ReadBool("N", "neg", false));

    EXPECT_EQ(ini.ReadFloat("N", "f1", 0), 1e20);
    EXPECT_EQ(ini.ReadFloat("N", "f2", 0), 2.5);
    EXPECT_EQ(ini.ReadFloat("N", "neg", 0), -12.0);
    for (const char* key : {"comma", "word", "nan", "inf", "huge", "fsigns", "empty"})
        EXPECT_EQ(ini.ReadFloat("N", key, 0.25), 0.25) << key;
    EXPECT_EQ(ini.ReadString("N", "padded", "x"), "42");
    EXPECT_EQ(ini.ReadString("N", "empty", "x"), "");
}

TEST_F(IniFileTest, NamesMatchWithoutAsciiCaseButTrailBytesStayApart)
{
    const std::string soft = Utf8ToCp932("ソフト");
    const std::string other = Utf8ToCp932("ソサエ");
    // The two keys differ only in trail bytes that are ASCII letters.
    ASSERT_EQ(soft, "\x83\x5C\x83\x74\x83\x67");
    ASSERT_EQ(other, "\x83\x5C\x83\x54\x83\x47");
    const std::string path = PathOf("case.ini");
    {
        TIniFile ini(path);
        ASSERT_TRUE(ini.WriteInteger("Canvas", "Width", 640));
        ASSERT_TRUE(ini.WriteInteger("canvas", "WIDTH", 800));
        ASSERT_TRUE(ini.WriteInteger("Canvas", soft, 1));
        ASSERT_TRUE(ini.WriteInteger("Canvas", other, 2));
    }
    const TIniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("CANVAS", "width", 0), 800);
    EXPECT_EQ(ini.ReadInteger("Canvas", soft, 0), 1);
    EXPECT_EQ(ini.ReadInteger("Canvas", other, 0), 2);
    EXPECT_EQ(Contents(path), "[Canvas]\r\nWidth=800\r\n" + soft + "=1\r\n" + other + "=2\r\n");

    // "ゾ" ends in 0x5D, the byte of "]": the header must not end inside it.
    const std::string zo = Utf8ToCp932("ゾ");
    ASSERT_EQ(zo, "\x83\x5D");
    {
        TIniFile writer(path);
        ASSERT_TRUE(writer.WriteString(zo, "Name", "x"));
    }
    EXPECT_EQ(TIniFile(path).ReadString(zo, "Name", ""), "x");
    EXPECT_EQ(TIniFile(path).ReadString("\x83", "Name", "none"), "none");
}

TEST_F(IniFileTest, WriteKeepsEveryOtherLineByteForByte)
{
    const std::string path = PathOf("keep.ini");
    const std::string original =
        "; settings\r\n"
        "stray=1\r\n"
        "[Canvas]\r\n"
        "  Width = 400 \r\n"
        "; the grid\r\n"
        "Grid=10\r\n"
        "Grid=99\r\n"
        "junk without equals\r\n"
        "\r\n"
        "[File]\r\n"
        "LastDir=C:\\a.dof\r\n"
        "[canvas]\r\n"
        "Height=1\r\n";
    Put(path, original);
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("Canvas", "Grid", 0), 10); // the first of two wins
    EXPECT_EQ(ini.ReadInteger("Canvas", "Height", 0), 0); // only the first [Canvas] counts
    EXPECT_EQ(ini.ReadInteger("", "stray", 0), 0);

    ASSERT_TRUE(ini.WriteInteger("Canvas", "Width", 640));
    ASSERT_TRUE(ini.WriteInteger("Canvas", "Height", 480));
    ASSERT_TRUE(ini.WriteString("New", "Key", "v"));
    EXPECT_EQ(Contents(path),
        "; settings\r\n"
        "stray=1\r\n"
        "[Canvas]\r\n"
        "  Width =640\r\n"
        "; the grid\r\n"
        "Grid=10\r\n"
        "Grid=99\r\n"
        "Height=480\r\n"
        "junk without equals\r\n"
        "\r\n"
        "[File]\r\n"
        "LastDir=C:\\a.dof\r\n"
        "[canvas]\r\n"
        "Height=1\r\n"
        "[New]\r\n"
        "Key=v\r\n");
    EXPECT_EQ(ini.ReadInteger("Canvas", "Height", 0), 480);
}

TEST_F(IniFileTest, MissingFileSectionOrKeyGivesTheDefault)
{
    const std::string path = PathOf("absent.ini");
    const TIniFile missing(path);
    EXPECT_EQ(missing.ReadInteger("Canvas", "Width", 400), 400);
    EXPECT_EQ(missing.ReadString("Item", "Name", "error"), "error");
    EXPECT_EQ(missing.ReadFloat("0", "StretchX", 0), 0);
    EXPECT_TRUE(missing.ReadBool("Item", "CurveStyle", true));
    EXPECT_FALSE(std::filesystem::exists(path)); // reading creates nothing

    Put(path, "[System]\r\nFileType=2\r\n");
    const TIniFile present(path);
    EXPECT_EQ(present.ReadInteger("System", "FileType", 0), 2);
    EXPECT_EQ(present.ReadInteger("System", "Owner", -1), -1);
    EXPECT_EQ(present.ReadString("0", "Name", "fail"), "fail");
}

TEST_F(IniFileTest, BatchWritesTheFileOnceWithTheSameResult)
{
    const std::string seed = "; kept\r\n[0]\r\nName=old\r\n";
    const std::string plainPath = PathOf("plain.ud2");
    const std::string batchPath = PathOf("batch.ud2");
    Put(plainPath, seed);
    Put(batchPath, seed);
    const auto writeAll = [](TIniFile& ini) {
        ini.WriteInteger("System", "FileType", 2);
        ini.WriteString("0", "Name", "new");
        for (int i = 0; i < 20; ++i) {
            ini.WriteInteger("0", "PX" + std::to_string(i), i);
            ini.WriteFloat("0", "PY" + std::to_string(i), i / 4.0);
        }
    };
    TIniFile plain(plainPath);
    writeAll(plain);

    TIniFile batch(batchPath);
    batch.BeginUpdate();
    batch.BeginUpdate();
    writeAll(batch);
    EXPECT_TRUE(batch.EndUpdate());
    EXPECT_EQ(Contents(batchPath), seed); // nothing reaches the file before the outermost end
    EXPECT_EQ(batch.ReadFloat("0", "PY3", 0), 0.75);
    EXPECT_TRUE(batch.EndUpdate());
    EXPECT_EQ(Contents(batchPath), Contents(plainPath));
    EXPECT_NE(Contents(batchPath), seed);

    // A batch that is never ended leaves the file alone.
    {
        TIniFile dropped(batchPath);
        dropped.BeginUpdate();
        dropped.WriteString("0", "Name", "lost");
    }
    EXPECT_EQ(TIniFile(batchPath).ReadString("0", "Name", ""), "new");
}

TEST_F(IniFileTest, WriteKeepsWhatAnotherWriterAddedMeanwhile)
{
    const std::string path = PathOf("shared.ini");
    TIniFile first(path);
    TIniFile second(path);
    ASSERT_TRUE(first.WriteString("File", "LastDir", "a.dof"));
    ASSERT_TRUE(second.WriteString("File", "LastDir2", "b.ud2"));
    const TIniFile reader(path);
    EXPECT_EQ(reader.ReadString("File", "LastDir", ""), "a.dof");
    EXPECT_EQ(reader.ReadString("File", "LastDir2", ""), "b.ud2");
}

TEST_F(IniFileTest, FailedWriteReturnsFalseAndKeepsTheOldFile)
{
    const std::string folder = PathOf("locked");
    std::filesystem::create_directory(folder);
    const std::string path = folder + "/quillmark.ini";
    const std::string original = "[Canvas]\r\nWidth=400\r\n";
    Put(path, original);
    {
        test::TReadOnlyFolder readOnly(folder);
        ASSERT_TRUE(readOnly.Held()) << readOnly.Why();
        TIniFile ini(path);
        EXPECT_FALSE(ini.WriteInteger("Canvas", "Width", 640));
        ini.BeginUpdate();
        EXPECT_TRUE(ini.WriteInteger("Canvas", "Width", 800));
        EXPECT_FALSE(ini.EndUpdate());
        EXPECT_EQ(ini.ReadInteger("Canvas", "Width", 0), 400); // memory follows the file
    }
    EXPECT_EQ(Contents(path), original);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1); // no temporary file left

    // A file that exists but cannot be read would be lost by rewriting it:
    // this process's memory read from its start, which is never mapped, fails
    // for every user.
    const std::string unreadablePath = PathOf("unreadable.ini");
    std::filesystem::create_symlink("/proc/self/mem", unreadablePath);
    TIniFile unreadable(unreadablePath);
    EXPECT_EQ(unreadable.ReadInteger("Canvas", "Width", 0), 0);
    EXPECT_FALSE(unreadable.WriteInteger("Canvas", "Height", 300));
    EXPECT_TRUE(std::filesystem::is_symlink(unreadablePath));
}

TEST_F(IniFileTest, FileThatCannotBeReadIsNeverOverwritten)
{
    // These hold for any user: a folder in place of the file, a file too large
    // to be a settings file, and a name that leaves no room for a temporary one.
    const std::string folder = PathOf("folder.ini");
    std::filesystem::create_directory(folder);
    EXPECT_FALSE(TIniFile(folder).WriteInteger("Canvas", "Width", 1));
    EXPECT_TRUE(std::filesystem::is_directory(folder));

    const std::string huge = PathOf("huge.ini");
    Put(huge, "[Canvas]\r\nWidth=400\r\n");
    std::filesystem::resize_file(huge, 65 * 1024 * 1024);
    TIniFile big(huge);
    EXPECT_EQ(big.ReadInteger("Canvas", "Width", 7), 7);
    EXPECT_FALSE(big.WriteInteger("Canvas", "Width", 1));
    EXPECT_EQ(std::filesystem::file_size(huge), 65u * 1024 * 1024);

    const std::string longName = PathOf(std::string(250, 'a'));
    const std::string original = "[Canvas]\r\nWidth=400\r\n";
    Put(longName, original);
    ASSERT_EQ(Contents(longName), original);
    EXPECT_FALSE(TIniFile(longName).WriteInteger("Canvas", "Width", 1));
    EXPECT_EQ(Contents(longName), original);

    EXPECT_FALSE(TIniFile(PathOf("missing-folder/quillmark.ini")).WriteInteger("Canvas", "Width", 1));
}

TEST_F(IniFileTest, TextThatWouldBreakTheLineStructureIsRefused)
{
    const std::string path = PathOf("refuse.ini");
    TIniFile ini(path);
    ASSERT_TRUE(ini.WriteString("File", "LastDir", "a"));
    const std::string before = Contents(path);
    EXPECT_FALSE(ini.WriteString("File", "LastDir", "x\r\n[Canvas]\r\nWidth=1"));
    EXPECT_FALSE(ini.WriteString("File", "a=b", "1"));
    EXPECT_FALSE(ini.WriteString("File", ";c", "1"));
    EXPECT_FALSE(ini.WriteString("File", "", "1"));
    EXPECT_FALSE(ini.WriteString("a]b", "k", "1"));
    EXPECT_FALSE(ini.WriteString(" File", "k", "1"));
    EXPECT_EQ(Contents(path), before);
    EXPECT_EQ(ini.ReadString("File", "LastDir", ""), "a");
}

TEST_F(IniFileTest, HostileContentNeitherCrashesNorIsLost)
{
    const std::string path = PathOf("hostile.ini");
    const std::string longValue(1 << 20, 'x');
    const std::string nul("a\0b", 3);
    const std::string original = "[Broken\n[S]\nlong=" + longValue + "\nnul=" + nul + "\n[\n=no key\nlast=end";
    Put(path, original);
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("S", "long", ""), longValue);
    EXPECT_EQ(ini.ReadString("S", "nul", ""), nul);
    EXPECT_EQ(ini.ReadString("S", "last", ""), "end");
    EXPECT_EQ(ini.ReadString("Broken", "long", "none"), "none");

    ASSERT_TRUE(ini.WriteInteger("S", "added", 1));
    EXPECT_EQ(Contents(path),
        "[Broken\r\n[S]\r\nlong=" + longValue + "\r\nnul=" + nul + "\r\n[\r\n=no key\r\nlast=end\r\nadded=1\r\n");
}

} // namespace
} // namespace qm
