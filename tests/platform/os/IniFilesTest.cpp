// TIniFile: reading as programs expect of Windows ini files, and writes that
// change only what they must.
#include "platform/os/Exceptions.h"
#include "platform/os/IniFiles.h"
#include "util/QtPrinters.h"
#include "util/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vantor;

namespace {

class IniFileTest : public ::testing::Test {
protected:
  QString PathOf(const QString& name) const { return dir_.filePath(name); }
  TIniFile Write(const QByteArray& text, const QString& name = QStringLiteral("test.ini")) {
    WriteFileBytes(PathOf(name), text);
    return TIniFile(PathOf(name));
  }
  QByteArray Bytes(const QString& name = QStringLiteral("test.ini")) const { return ReadFileBytes(PathOf(name)); }

  QTemporaryDir dir_;
};

struct ReadCase {
  const char* Name;
  QByteArray Text;
  const char* Section;
  const char* Key;
  QString Expected;
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.Name; }

const QString kDefault = QStringLiteral("<default>");

const ReadCase kReadCases[] = {
    {"SectionAndKeyIgnoreCase", "[Server Information]\nComputerName=srv1\n", "server INFORMATION", "COMPUTERNAME",
     "srv1"},
    {"BackslashesVerbatim", "[P]\nPath=C:\\Suite\\pkg\\\n", "P", "Path", "C:\\Suite\\pkg\\"},
    {"PercentSignsVerbatim", "[P]\nFmt=100%d %s%%\n", "P", "Fmt", "100%d %s%%"},
    {"QuotesKept", "[P]\nName=\"quoted value\"\n", "P", "Name", "\"quoted value\""},
    {"SemicolonInsideValue", "[P]\nHosts=srv1;srv2; ; x\n", "P", "Hosts", "srv1;srv2; ; x"},
    {"EqualsInsideValue", "[P]\nUrl=a=b==c\n", "P", "Url", "a=b==c"},
    {"BlanksAroundTrimmed", "[P]\n  Key  =   value with  inner   \n", "P", "Key", "value with  inner"},
    {"TabsAroundTrimmed", "[P]\n\tKey\t=\tv\t\n", "P", "Key", "v"},
    {"EmptyValueIsNotDefault", "[P]\nKey=\n", "P", "Key", ""},
    {"CrLfLineEnds", "[P]\r\nKey=v\r\nOther=w\r\n", "P", "Key", "v"},
    {"ByteOrderMark", "\xEF\xBB\xBF[P]\nKey=v\n", "P", "Key", "v"},
    {"CommentsAreNotKeys", "[P]\n;Key=x\n# Key=y\nKey=z\n", "P", "Key", "z"},
    {"FirstDuplicateKeyWins", "[P]\nKey=first\nkey=second\n", "P", "Key", "first"},
    {"FirstDuplicateSectionWins", "[P]\nKey=first\n[p]\nKey=second\n", "P", "Key", "first"},
    {"BlanksInSectionHeader", "[  Code Page  ]\nUI=950\n", "Code Page", "UI", "950"},
    {"ChineseText", "[P]\n标题=委外验退\n", "P", "标题", "委外验退"},
    {"LastLineWithoutLineEnd", "[P]\nKey=v", "P", "Key", "v"},
    {"KeyBeforeAnySectionIgnored", "Key=v\n[P]\n", "P", "Key", kDefault},
    {"MissingKey", "[P]\nKey=v\n", "P", "Nope", kDefault},
    {"MissingSection", "[P]\nKey=v\n", "Q", "Key", kDefault},
    {"LineWithoutEqualsIgnored", "[P]\nKey\n", "P", "Key", kDefault},
};

class IniReadTest : public IniFileTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(IniReadTest, ReadsValueVerbatim) {
  const ReadCase& c = GetParam();
  TIniFile ini = Write(c.Text);
  EXPECT_EQ(ini.ReadString(QString::fromUtf8(c.Section), QString::fromUtf8(c.Key), kDefault), c.Expected);
  EXPECT_EQ(ini.ValueExists(QString::fromUtf8(c.Section), QString::fromUtf8(c.Key)), c.Expected != kDefault);
}

INSTANTIATE_TEST_SUITE_P(Table, IniReadTest, ::testing::ValuesIn(kReadCases),
                         [](const auto& info) { return std::string(info.param.Name); });

struct NumberCase {
  const char* Text;
  int Integer;  // with default -99
  bool Bool;    // with default true
};

void PrintTo(const NumberCase& c, std::ostream* os) { *os << '"' << c.Text << '"'; }

const NumberCase kNumberCases[] = {
    {"42", 42, true},          {"-7", -7, true},         {" 0x1F ", 31, true},    {"$ff", 255, true},
    {"0", 0, false},           {"2", 2, true},           {"abc", -99, true},      {"", -99, true},
    {"1.5", -99, true},        {"12abc", -99, true},     {"99999999999", -99, true},
    {"2147483647", 2147483647, true}, {"-2147483648", -2147483647 - 1, true}, {"2147483648", -99, true},
    {"$FFFFFFFF", -1, true},   {"true", -99, true},      {"＄1", -99, true},      {"１２", -99, true},
};

class IniNumberTest : public IniFileTest, public ::testing::WithParamInterface<NumberCase> {};

TEST_P(IniNumberTest, IntegerAndBoolFallBackToDefault) {
  const NumberCase& c = GetParam();
  TIniFile ini = Write(QByteArray("[N]\nV=") + c.Text + "\n");
  EXPECT_EQ(ini.ReadInteger("N", "V", -99), c.Integer) << c.Text;
  EXPECT_EQ(ini.ReadBool("N", "V", true), c.Bool) << c.Text;
}

INSTANTIATE_TEST_SUITE_P(Table, IniNumberTest, ::testing::ValuesIn(kNumberCases));

TEST_F(IniFileTest, ReadFloatTakesDotNumbersOnly) {
  TIniFile ini = Write("[F]\nA=3.25\nB=1e3\nC=1,5\nD=nan\nE=inf\nF=-0.5\n");
  EXPECT_DOUBLE_EQ(ini.ReadFloat("F", "A", 9), 3.25);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("F", "B", 9), 1000);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("F", "C", 9), 9);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("F", "D", 9), 9);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("F", "E", 9), 9);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("F", "F", 9), -0.5);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("F", "Missing", 9), 9);
}

TEST_F(IniFileTest, SectionsListedInFileOrder) {
  TIniFile ini = Write(
      "[WorkDLLPath]\nA=pkg\n; note\nB = \\pkg\nC=/abs/pkg\na=dup\n[Other]\nX=1\n[workdllpath]\nD=later\n[Empty]\n");
  EXPECT_EQ(ini.ReadSection("workdllpath"), QStringList({"A", "B", "C"}));
  EXPECT_EQ(ini.ReadSectionValues("WORKDLLPATH"), QStringList({"A=pkg", "B=\\pkg", "C=/abs/pkg"}));
  EXPECT_EQ(ini.ReadSections(), QStringList({"WorkDLLPath", "Other", "Empty"}));
  EXPECT_TRUE(ini.SectionExists("empty"));
  EXPECT_TRUE(ini.ReadSection("Empty").isEmpty());
  EXPECT_FALSE(ini.SectionExists("Missing"));
  EXPECT_TRUE(ini.ReadSectionValues("Missing").isEmpty());
}

TEST_F(IniFileTest, MissingFileReadsEmptyAndIsCreatedByWrite) {
  TIniFile ini(PathOf("new.ini"));
  EXPECT_EQ(ini.ReadString("S", "K", "d"), "d");
  EXPECT_TRUE(ini.ReadSections().isEmpty());
  ini.DeleteKey("S", "K");
  ini.EraseSection("S");
  EXPECT_FALSE(QFile::exists(PathOf("new.ini"))) << "removing nothing must not create the file";
  ini.WriteString("S", "K", "v");
  EXPECT_EQ(Bytes("new.ini"), QByteArray("[S]\nK=v\n"));
  EXPECT_EQ(ini.FileName(), PathOf("new.ini"));
}

TEST_F(IniFileTest, UnreadableFileReadsEmptyAndRefusesWrites) {
  // A directory where the file should be: unreadable even for a superuser.
  ASSERT_TRUE(QDir(dir_.path()).mkdir("blocked.ini"));
  TIniFile ini(PathOf("blocked.ini"));
  EXPECT_EQ(ini.ReadString("S", "K", "d"), "d");
  EXPECT_TRUE(ini.ReadSections().isEmpty());
  try {
    ini.WriteString("S", "K", "v");
    FAIL() << "writing over an unreadable file must fail";
  } catch (const EInOutError& e) {
    EXPECT_TRUE(e.Message().contains(PathOf("blocked.ini"))) << e.Message().toStdString();
  }
}

TEST_F(IniFileTest, FailedWriteRaisesWithPath) {
  TIniFile ini(PathOf("no/such/folder/x.ini"));
  try {
    ini.WriteInteger("S", "K", 1);
    FAIL() << "a write into a missing folder must fail";
  } catch (const EInOutError& e) {
    EXPECT_TRUE(e.Message().contains(PathOf("no/such/folder/x.ini"))) << e.Message().toStdString();
  }
}

struct WriteCase {
  const char* Name;
  QByteArray Before;
  std::function<void(TIniFile&)> Edit;
  QByteArray After;
};

void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.Name; }

const QByteArray kConfig =
    "; installer settings\n"
    "[Client Components]\n"
    "LangType = CHS\n"
    "\n"
    "[Server Information]\n"
    "ComputerName=srv1;srv2;\n"
    "; the port of every host\n"
    "ServerPort=211\n"
    "\n"
    "[CodePage]\n"
    "UICodePage=936\n";

QByteArray Replaced(QByteArray text, const QByteArray& from, const QByteArray& to) { return text.replace(from, to); }

const WriteCase kWriteCases[] = {
    {"ChangeValueKeepsEverythingElse", kConfig, [](TIniFile& i) { i.WriteString("server information", "serverport", "212"); },
     Replaced(kConfig, "ServerPort=211", "ServerPort=212")},
    {"ChangeSpacedValueKeepsKeySpelling", kConfig, [](TIniFile& i) { i.WriteString("Client Components", "langtype", "ENG"); },
     Replaced(kConfig, "LangType = CHS", "LangType=ENG")},
    {"NewKeyAfterLastKeyOfSection", kConfig, [](TIniFile& i) { i.WriteInteger("Server Information", "Timeout", 30); },
     Replaced(kConfig, "ServerPort=211\n", "ServerPort=211\nTimeout=30\n")},
    {"NewSectionAtEnd", kConfig, [](TIniFile& i) { i.WriteBool("UserDefine", "Flag", true); },
     kConfig + "[UserDefine]\nFlag=1\n"},
    {"SameValueLeavesFileAlone", kConfig, [](TIniFile& i) { i.WriteString("CodePage", "UICodePage", "936"); }, kConfig},
    {"EraseSectionWithItsComments", kConfig, [](TIniFile& i) { i.EraseSection("SERVER INFORMATION"); },
     "; installer settings\n[Client Components]\nLangType = CHS\n\n[CodePage]\nUICodePage=936\n"},
    {"EraseEveryCopyOfSection", "[A]\nX=1\n[B]\nY=2\n[a]\nZ=3\n", [](TIniFile& i) { i.EraseSection("a"); },
     "[B]\nY=2\n"},
    {"DeleteKeyAndItsDuplicates", "[A]\nX=1\nY=2\nx=3\n", [](TIniFile& i) { i.DeleteKey("A", "X"); }, "[A]\nY=2\n"},
    {"DeleteMissingKeyLeavesFileAlone", kConfig, [](TIniFile& i) { i.DeleteKey("CodePage", "Nope"); }, kConfig},
    {"CrLfFileGetsCrLfLines", "[A]\r\nX=1\r\n", [](TIniFile& i) { i.WriteString("A", "Y", "2"); },
     "[A]\r\nX=1\r\nY=2\r\n"},
    {"ByteOrderMarkKept", "\xEF\xBB\xBF[A]\nX=1\n", [](TIniFile& i) { i.EraseSection("A"); i.WriteString("B", "Y", "2"); },
     "\xEF\xBB\xBF[B]\nY=2\n"},
    {"LastLineWithoutLineEnd", "[A]\nX=1", [](TIniFile& i) { i.WriteString("A", "Y", "2"); }, "[A]\nX=1\nY=2\n"},
    {"ValuesWrittenVerbatim", "", [](TIniFile& i) { i.WriteString("P", "Path", "C:\\a\\%1;\"q\""); },
     "[P]\nPath=C:\\a\\%1;\"q\"\n"},
    {"UntouchedLinesKeepTheirBytes", "[A]\nLegacy=\xD6\xD0\xCE\xC4\nX=1\n", [](TIniFile& i) { i.WriteString("A", "X", "2"); },
     "[A]\nLegacy=\xD6\xD0\xCE\xC4\nX=2\n"},
};

class IniWriteTest : public IniFileTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(IniWriteTest, ChangesOnlyWhatItMust) {
  const WriteCase& c = GetParam();
  TIniFile ini = Write(c.Before);
  c.Edit(ini);
  EXPECT_EQ(Bytes(), c.After);
  // What the object reads back is what a fresh reader of the file sees.
  TIniFile fresh(PathOf("test.ini"));
  for (const QString& section : fresh.ReadSections())
    EXPECT_EQ(ini.ReadSectionValues(section), fresh.ReadSectionValues(section)) << section.toStdString();
  // Nothing is left behind by the replace-by-rename.
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList({"test.ini"}));
}

INSTANTIATE_TEST_SUITE_P(Table, IniWriteTest, ::testing::ValuesIn(kWriteCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(IniFileTest, WrittenValuesReadBack) {
  TIniFile ini(PathOf("round.ini"));
  const QString tricky = QStringLiteral("C:\\x\\ 100%% ;\"a\" =b 委外");
  ini.WriteString("S", "Tricky", tricky);
  ini.WriteInteger("S", "Int", -12);
  ini.WriteBool("S", "No", false);
  ini.WriteFloat("S", "F", 0.1);
  TIniFile fresh(PathOf("round.ini"));
  EXPECT_EQ(fresh.ReadString("S", "Tricky", ""), tricky);
  EXPECT_EQ(fresh.ReadInteger("S", "Int", 0), -12);
  EXPECT_FALSE(fresh.ReadBool("S", "No", true));
  EXPECT_DOUBLE_EQ(fresh.ReadFloat("S", "F", 0), 0.1);
  EXPECT_EQ(fresh.ReadString("S", "F", ""), "0.1");
}

TEST_F(IniFileTest, RefusesWhatCannotBeReadBack) {
  TIniFile ini = Write(kConfig);
  const struct {
    const char* Section;
    const char* Key;
    const char* Value;
  } refused[] = {
      {"S", "a=b", "v"}, {"S", "", "v"},       {"S", "K", "two\nlines"}, {"S", "K", "cr\r"},
      {"", "K", "v"},    {"a]b", "K", "v"},    {"S", ";K", "v"},         {"S", "[K", "v"},
  };
  for (const auto& r : refused) {
    EXPECT_THROW(ini.WriteString(r.Section, r.Key, r.Value), EConvertError) << r.Section << "/" << r.Key;
  }
  EXPECT_EQ(Bytes(), kConfig);
}

TEST_F(IniFileTest, SeesChangesMadeByOthers) {
  TIniFile ini = Write("[S]\nK=old\n");
  EXPECT_EQ(ini.ReadString("S", "K", ""), "old");
  WriteFileBytes(PathOf("test.ini"), "[S]\nK=changed by another program\n");
  EXPECT_EQ(ini.ReadString("S", "K", ""), "changed by another program");
  // A write starts from the file as it is now, not from the cached text.
  WriteFileBytes(PathOf("test.ini"), "[S]\nK=v\n[T]\nKeep=me\n");
  ini.WriteString("S", "K", "w");
  EXPECT_EQ(Bytes(), QByteArray("[S]\nK=w\n[T]\nKeep=me\n"));
  QFile::remove(PathOf("test.ini"));
  EXPECT_EQ(ini.ReadString("S", "K", "gone"), "gone");
}

TEST_F(IniFileTest, WriteKeepsFilePermissions) {
  TIniFile ini = Write("[S]\nK=v\n");
  // An unusual mode, so that neither the umask nor a private default can match it by chance.
  const QFileDevice::Permissions shared = QFile::ReadOwner | QFile::WriteOwner | QFile::WriteGroup | QFile::ReadOther;
  ASSERT_TRUE(QFile::setPermissions(PathOf("test.ini"), shared));
  ini.WriteString("S", "K", "w");
  EXPECT_EQ(QFile::permissions(PathOf("test.ini")) & 0x7077, shared) << "others must still be able to read it";
}

TEST(IniIntegerTest, ParsesComponentLibraryIntegerText) {
  int value = 0;
  EXPECT_TRUE(ParseIniInteger("+5", &value));
  EXPECT_EQ(value, 5);
  EXPECT_TRUE(ParseIniInteger("-$10", &value));
  EXPECT_EQ(value, -16);
  EXPECT_FALSE(ParseIniInteger("0x", &value));
  EXPECT_FALSE(ParseIniInteger("- 5", &value));
  EXPECT_FALSE(ParseIniInteger("$1FFFFFFFF", &value));
}

}  // namespace
