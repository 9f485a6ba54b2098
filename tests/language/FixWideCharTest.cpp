// The wide-char fix: the pair table and its inverse, the two conditions of
// installation, code-page-950 conversions of the whole process while it is
// installed (and untouched when it is not or for other code pages), and
// installation and removal with the loading and unloading of the module.
#include "language/FixWideCharCodepage.h"

#include "platform/os/CodePages.h"

#include "LanguageFixture.h"

#include <QFile>
#include <dlfcn.h>

namespace vantor::test {
namespace {

class FixWideCharTest : public TLanguageTest {
protected:
  void SetUp() override {
    TLanguageTest::SetUp();
    RemoveWideCharFix();
  }
  void TearDown() override {
    RemoveWideCharFix();
    TLanguageTest::TearDown();
  }
  void UseSystemCodePage(const char* codePage) { UseCodePages(codePage, "936", "936"); }
};

TEST(WideCharTableTest, PairsAndCodePoints) {
  const struct {
    int lead, trail;
    int codePoint;  // -1: not a pair of the table
  } cases[] = {
      {129, 128, 40961}, {129, 160, 49153}, {254, 128, 41086}, {255, 128, 41087}, {200, 150, 46664},
      {163, 192, 49409}, {163, 223, 49440}, {163, 225, 49442}, {163, 254, 49471}, {163, 224, -1},
      {128, 128, -1},    {129, 161, -1},    {129, 127, -1},    {164, 64, -1},     {163, 191, -1},
  };
  for (const auto& c : cases) {
    const auto codePoint = KBig5PairToCodePoint(quint8(c.lead), quint8(c.trail));
    EXPECT_EQ(codePoint ? int(*codePoint) : -1, c.codePoint) << c.lead << "," << c.trail;
    if (codePoint) {
      EXPECT_EQ(CodePointToKBig5Pair(*codePoint), std::make_pair(quint8(c.lead), quint8(c.trail)));
    }
  }
  for (int codePoint : {0x41, 0x4E00, 0xA000, 0xC100, 0xC121, 0xC140, 0xC180})
    EXPECT_FALSE(CodePointToKBig5Pair(char16_t(codePoint)).has_value()) << std::hex << codePoint;
}

TEST(WideCharTableTest, EveryPairComesBack) {
  int pairs = 0;
  for (int lead = 0; lead <= 255; ++lead)
    for (int trail = 0; trail <= 255; ++trail)
      if (const auto codePoint = KBig5PairToCodePoint(quint8(lead), quint8(trail))) {
        ++pairs;
        ASSERT_EQ(CodePointToKBig5Pair(*codePoint), std::make_pair(quint8(lead), quint8(trail))) << lead << "," << trail;
      }
  EXPECT_EQ(pairs, 127 * 33 + 62);
}

TEST_F(FixWideCharTest, InstalledOnlyUnderBothConditions) {
  const struct {
    const char* codePage;
    const char* registryLines;  // nullptr: the suite's key has no such value
    bool installed;
  } cases[] = {
      {"936", nullptr, false}, {"65001", nullptr, false}, {"950", nullptr, true},
      {"950", "UseKBIG5=1\n", true}, {"950", "UseKBIG5=0\n", false}, {"950", "UseKBIG5=\n", true},
      {"936", "UseKBIG5=1\n", false},
  };
  for (const auto& c : cases) {
    UseSystemCodePage(c.codePage);
    WriteRegistryExtra(c.registryLines ? QLatin1String(c.registryLines) : QString());
    EXPECT_EQ(InstallWideCharFix(), c.installed) << c.codePage << " " << (c.registryLines ? c.registryLines : "-");
    EXPECT_EQ(IsWideCharFixInstalled(), c.installed);
    RemoveWideCharFix();
    EXPECT_FALSE(IsWideCharFixInstalled());
  }
  // No registry key at all counts as on.
  UseSystemCodePage("950");
  TScopedEnv noRegistry("VANTOR_REGISTRY", QByteArray("/nonexistent/vantor.reg"));
  EXPECT_TRUE(InstallWideCharFix());
}

TEST_F(FixWideCharTest, PairsRoundTripThroughTheHookedConversions) {
  UseSystemCodePage("950");
  ASSERT_TRUE(InstallWideCharFix());
  const QByteArray bytes("A\x81\x80\xA4\x40\xA3\xC0\xFF\xA0\xC8\x96z");
  const QString wide = MultiByteToWideChar(950, bytes);
  EXPECT_EQ(wide, QStringLiteral("A") + QChar(0xA001) + QStringLiteral("一") + QChar(0xC101) + QChar(0xC07F) +
                      QChar(0xB648) + QStringLiteral("z"));
  EXPECT_EQ(WideCharToMultiByte(950, wide).toHex(), bytes.toHex());
  // The system code page is 950: conversions with code page 0 are hooked too.
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, QByteArray("\x81\x80")), QString(QChar(0xA001)));
  EXPECT_EQ(AnsiByteLength(CP_ACP, QString(QChar(0xA001))), 2);
  // 163, 224 is no pair of the table: it converts as the system converts it.
  EXPECT_EQ(MultiByteToWideChar(950, QByteArray("\xA3\xE0")), RawMultiByteToWideChar(950, QByteArray("\xA3\xE0")));
  // A lead byte at the end stays a single byte.
  EXPECT_EQ(MultiByteToWideChar(950, QByteArray("a\x81")), RawMultiByteToWideChar(950, QByteArray("a\x81")));
  // Other code pages are not touched.
  for (int codePage : {936, 65001}) {
    EXPECT_EQ(MultiByteToWideChar(codePage, QByteArray("\x81\x80")),
              RawMultiByteToWideChar(codePage, QByteArray("\x81\x80")));
    EXPECT_EQ(WideCharToMultiByte(codePage, QString(QChar(0xA001))),
              RawWideCharToMultiByte(codePage, QString(QChar(0xA001))));
  }
}

TEST_F(FixWideCharTest, UntouchedWithoutTheFix) {
  UseSystemCodePage("950");
  WriteRegistryExtra(QStringLiteral("UseKBIG5=0\n"));
  ASSERT_FALSE(InstallWideCharFix());
  const QString wide = MultiByteToWideChar(950, QByteArray("\x81\x80"));
  EXPECT_EQ(wide, RawMultiByteToWideChar(950, QByteArray("\x81\x80")));
  EXPECT_FALSE(wide.contains(QChar(0xA001)));
  EXPECT_EQ(WideCharToMultiByte(950, QString(QChar(0xA001))), QByteArray("?"));
}

TEST_F(FixWideCharTest, ModuleInstallsOnLoadAndRemovesOnUnload) {
  const QByteArray module = VANTOR_BIN_DIR "/RTNI01C.so";
  if (!QFile::exists(QString::fromLocal8Bit(module)))
    GTEST_SKIP() << "the program module was not built";
  UseSystemCodePage("950");
  const QByteArray pair("\x81\x80");
  ASSERT_EQ(MultiByteToWideChar(950, pair), RawMultiByteToWideChar(950, pair));
  void* handle = dlopen(module.constData(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr) << dlerror();
  EXPECT_EQ(MultiByteToWideChar(950, pair), QString(QChar(0xA001)));
  ASSERT_EQ(dlclose(handle), 0);
  EXPECT_EQ(MultiByteToWideChar(950, pair), RawMultiByteToWideChar(950, pair));
}

}  // namespace
}  // namespace vantor::test
