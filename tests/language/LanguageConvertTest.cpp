// The table converter: positions, the byte walk over a small hand-written
// "Language" file (table entries, no entry, the Unicode fall-back, the euro
// sign, a trailing lead byte), the text conversions, the missing file and
// a bad value, and the file the table tool writes.
#include "language/Language_Convert.h"

#include "platform/os/Exceptions.h"

#include "LanguageFixture.h"

#include <QProcess>

namespace vantor::test {
namespace {

// Deliberately unlike the real tables where noted, so that a result shows
// whether it came from the table or from the Unicode fall-back.
const QByteArray kSmallTable =
    "[BIG5]\n"
    "BIG5A140=$A1A1\n"
    "BIG5A141=$0000\n"
    "BIG5A142=$A1A2\n"
    "BIG5A143=$B0A1\n"  // 。 → 啊 (not the real counterpart)
    "\n"
    "[GB]\n"
    "GBA1A1=$A140\n"
    "GBA1A2=$A4A4\n"    // 、 → 中 (not the real counterpart)
    "GBA1A3=$0000\n";

class LanguageConvertTest : public TLanguageTest {
protected:
  void SetUp() override {
    TLanguageTest::SetUp();
    ResetLanguageTables();
  }
  void TearDown() override {
    ResetLanguageTables();
    TLanguageTest::TearDown();
  }
  void InstallTable(const QByteArray& content) {
    WriteSuiteFile(QStringLiteral("Language"), content);
    ResetLanguageTables();
  }
};

TEST(LanguagePositionTest, PositionsOfBothCodePages) {
  const struct {
    int lead, trail, big5, gb;
  } cases[] = {
      {0xA1, 0x40, 0, -1},      {0xA1, 0x7E, 62, -1},     {0xA1, 0xA1, 63, 0},      {0xA1, 0xFE, 156, 93},
      {0xA2, 0x40, 157, -1},    {0xFE, 0xFE, 14757, -1},  {0xA1, 0x7F, -1, -1},     {0x81, 0x40, -1, 8178},
      {0xA0, 0xFE, -1, 14289},  {0xAA, 0x40, 1413, 14290}, {0xFE, 0xA0, -1, 22534}, {0xA8, 0x40, 1099, 22535},
      {0xA9, 0xA0, -1, 22728},  {0xF7, 0xFE, 13658, 8177}, {0xAA, 0xA1, 1476, -1},  {0xF8, 0xA1, 13722, -1},
      {0x80, 0x80, -1, -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Big5Position(quint8(c.lead), quint8(c.trail)), c.big5) << std::hex << c.lead << " " << c.trail;
    EXPECT_EQ(GBPosition(quint8(c.lead), quint8(c.trail)), c.gb) << std::hex << c.lead << " " << c.trail;
  }
}

TEST_F(LanguageConvertTest, ByteWalkGBToBig5) {
  InstallTable(kSmallTable);
  const struct {
    const char* what;
    QByteArray in, out;
  } cases[] = {
      {"table entry", "\xA1\xA2", "\xA4\xA4"},
      {"entry 0000: through Unicode", "\xA1\xA3", "\xA1\x43"},
      {"beyond the table: through Unicode", "\xB0\xA1", "\xB0\xDA"},
      {"euro byte", "\x80", "\xA3\xE1"},
      {"plain bytes", "ab", "ab"},
      {"trailing lead byte copied", "a\xB0", "a\xB0"},
      {"trail byte 127 is no pair", "\xB0\x7F", "\xB0\x7F"},
      {"mixed", "x\xA1\xA2y\x80", "x\xA4\xA4y\xA3\xE1"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(GBToBIG5Bytes(c.in).toHex(), c.out.toHex()) << c.what;
}

TEST_F(LanguageConvertTest, ByteWalkBig5ToGB) {
  InstallTable(kSmallTable);
  const struct {
    const char* what;
    QByteArray in, out;
  } cases[] = {
      {"table entry", "\xA1\x42", "\xA1\xA2"},
      {"table entry unlike the real one", "\xA1\x43", "\xB0\xA1"},
      {"entry 0000: through Unicode", "\xA1\x41", "\xA3\xAC"},
      {"beyond the table: through Unicode", "\xA4\x40", "\xD2\xBB"},
      {"euro pair", "\xA3\xE1", "\x80"},
      {"trailing lead byte copied", "x\xA4", "x\xA4"},
      {"trail byte outside BIG5", "\xA4\x80", "\xA4\x80"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(BIG5ToGBBytes(c.in).toHex(), c.out.toHex()) << c.what;
}

TEST_F(LanguageConvertTest, TextConversionKeepsWhatCannotBeConverted) {
  InstallTable(kSmallTable);
  // 验 has no BIG5 form and no entry in the small table: it stays.
  EXPECT_EQ(GBToBIG5Text(QStringLiteral("、。验€A")), QStringLiteral("中。验€A"));
  EXPECT_EQ(BIG5ToGBText(QStringLiteral("、。€B")), QStringLiteral("、啊€B"));
  // Characters outside both code pages pass unchanged.
  EXPECT_EQ(GBToBIG5Text(QStringLiteral("한😀")), QStringLiteral("한😀"));
  EXPECT_EQ(BIG5ToGBText(QStringLiteral("한😀")), QStringLiteral("한😀"));
  EXPECT_EQ(GBToBIG5Text(QString()), QString());
}

TEST_F(LanguageConvertTest, MissingFileAsksOnEveryConversion) {
  TScriptedDialogHost dialogs;
  dialogs.Expect(kMessageKind, mrOk).Expect(kMessageKind, mrOk);
  EXPECT_EQ(GBToBIG5Bytes("\xA1\xA2"), QByteArray("\xA1\x42"));  // Unicode fall-back only
  EXPECT_EQ(BIG5ToGBText(QStringLiteral("一")), QStringLiteral("一"));
  ASSERT_EQ(dialogs.Records().size(), 2);
  EXPECT_EQ(dialogs.Records()[0].Text(), QStringLiteral("Can't find file Language !!"));
  // Once the file is there, the next conversion reads it without asking.
  WriteSuiteFile(QStringLiteral("Language"), kSmallTable);
  EXPECT_EQ(GBToBIG5Bytes("\xA1\xA2"), QByteArray("\xA4\xA4"));
  EXPECT_EQ(dialogs.Records().size(), 2);
}

TEST_F(LanguageConvertTest, BadValuesStopTheLoadingWithTheLine) {
  const struct {
    const char* what;
    QByteArray content;
    int line;
  } cases[] = {
      {"lower-case digit", "[BIG5]\nBIG5A140=$a1a1\n", 2},
      {"not hexadecimal", "BIG5A140=$A1A1\nGBA1A1=$A14G\n", 2},
      {"too short", "[GB]\n\nGBA1A1=$A1\n", 3},
      {"no value", "GBA1A1\n", 1},
  };
  for (const auto& c : cases) {
    InstallTable(c.content);
    try {
      GBToBIG5Bytes("\xA1\xA1");
      ADD_FAILURE() << c.what << " was accepted";
    } catch (const EConvertError& error) {
      EXPECT_TRUE(error.Message().contains(QStringLiteral("line %1").arg(c.line))) << error.Message().toStdString();
    }
  }
  // The failed load left nothing half-loaded: a good file is read next time.
  InstallTable(kSmallTable);
  EXPECT_EQ(GBToBIG5Bytes("\xA1\xA2"), QByteArray("\xA4\xA4"));
}

TEST_F(LanguageConvertTest, ValueReadBetweenTheFirstAndSecondEquals) {
  InstallTable("GBA1A1=$A140=comment\nGBA1A2=#A4A4\nOTHER=$FFFF\nGBA1A3=$A1A2\n");
  EXPECT_EQ(GBToBIG5Bytes("\xA1\xA1\xA1\xA2\xA1\xA3"), QByteArray("\xA1\x40\xA4\xA4\xA1\xA2"));
}

TEST_F(LanguageConvertTest, TablesOfTheTableTool) {
  const QString tool = QStringLiteral(VANTOR_BIN_DIR "/mklanguage");
  if (!QFile::exists(tool))
    GTEST_SKIP() << "the table tool was not built";
  QProcess process;
  process.start(tool, {SuitePath() + QStringLiteral("Language")});
  ASSERT_TRUE(process.waitForFinished(120000));
  ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
  const TLanguageTables tables = ReadLanguageTables(SuitePath() + QStringLiteral("Language"));
  EXPECT_EQ(tables.Big5.size(), kBig5PositionCount);
  EXPECT_EQ(tables.GB.size(), kGBPositionCount);
  ResetLanguageTables();
  EXPECT_EQ(GBToBIG5Text(QStringLiteral("验证简体中文，€")), QStringLiteral("驗證簡體中文，€"));
  EXPECT_EQ(BIG5ToGBText(QStringLiteral("驗證簡體中文")), QStringLiteral("验证简体中文"));
  EXPECT_EQ(GBToBIG5Bytes("\xD1\xE9"), QByteArray("\xC5\xE7"));
  EXPECT_EQ(BIG5ToGBBytes("\xC5\xE7"), QByteArray("\xD1\xE9"));
}

}  // namespace
}  // namespace vantor::test
