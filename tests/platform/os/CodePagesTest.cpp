// Code pages: the system code page, conversions through iconv with the
// system routines' stand-ins for what cannot be converted, and the hook.
#include "platform/os/CodePages.h"
#include "platform/os/Exceptions.h"
#include "util/QtPrinters.h"
#include "util/TestFiles.h"

#include <QList>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

using namespace vantor;

namespace {

struct RoundTrip {
  int CodePage;
  QString Text;
  QByteArray Bytes;
};

const RoundTrip kRoundTrips[] = {
    {936, QStringLiteral("中文"), "\xD6\xD0\xCE\xC4"},
    {936, QStringLiteral("委外验退 A1"), "\xCE\xAF\xCD\xE2\xD1\xE9\xCD\xCB A1"},
    {936, QStringLiteral("€"), "\x80"},
    {950, QStringLiteral("中文"), "\xA4\xA4\xA4\xE5"},
    {950, QStringLiteral("驗退"), "\xC5\xE7\xB0\x68"},
    {437, QStringLiteral("é½"), "\x82\xAB"},
    {65001, QStringLiteral("中😀"), "\xE4\xB8\xAD\xF0\x9F\x98\x80"},
    {936, QString(), QByteArray()},
};

TEST(CodePagesTest, RoundTripsThroughIconv) {
  for (const RoundTrip& c : kRoundTrips) {
    EXPECT_EQ(WideCharToMultiByte(c.CodePage, c.Text), c.Bytes) << c.CodePage << " " << c.Text.toStdString();
    EXPECT_EQ(MultiByteToWideChar(c.CodePage, c.Bytes), c.Text) << c.CodePage << " " << c.Text.toStdString();
    EXPECT_EQ(AnsiByteLength(c.CodePage, c.Text), c.Bytes.size());
  }
}

TEST(CodePagesTest, UnconvertibleCharactersBecomeQuestionMarks) {
  const struct {
    int CodePage;
    QString Text;
    QByteArray Bytes;
  } cases[] = {
      {950, QStringLiteral("验收"), "?\xA6\xAC"},  // 验 has no BIG5 form; 收 has
      {437, QStringLiteral("中文ab"), "??ab"},
      {936, QStringLiteral("a😀b"), "a?b"},  // a surrogate pair is one character
      {936, QString(QChar(0xD800)) + QLatin1Char('x'), "?x"},
      {936, QStringLiteral("x") + QChar(0xDC00), "x?"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(WideCharToMultiByte(c.CodePage, c.Text), c.Bytes) << c.CodePage << " " << c.Text.toStdString();
}

TEST(CodePagesTest, InvalidBytesBecomeReplacementCharacters) {
  const QChar bad = QChar::ReplacementCharacter;
  const struct {
    int CodePage;
    QByteArray Bytes;
    QString Text;
  } cases[] = {
      {936, "\x81\x20", QString(bad) + QLatin1Char(' ')},         // a lead byte without a trail byte
      {936, "A\xD6", QLatin1Char('A') + QString(bad)},            // cut short at the end
      {65001, "a\xFF\xFE" "b", QLatin1Char('a') + QString(2, bad) + QLatin1Char('b')},
      {65001, "\xE4\xB8", QString(2, bad)},
      {936, "\xFF\xFF\xD6\xD0", QString(2, bad) + QStringLiteral("中")},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MultiByteToWideChar(c.CodePage, c.Bytes), c.Text) << c.CodePage << " " << c.Bytes.toHex().toStdString();
}

TEST(CodePagesTest, LongInputsGrowTheirBuffers) {
  QByteArray invalid(5000, '\xFF');
  EXPECT_EQ(MultiByteToWideChar(936, invalid), QString(5000, QChar::ReplacementCharacter));
  QString text;
  for (int i = 0; i < 3000; ++i)
    text += QStringLiteral("中😀");
  EXPECT_EQ(WideCharToMultiByte(65001, text).size(), 3000 * 7);
  EXPECT_EQ(MultiByteToWideChar(65001, WideCharToMultiByte(65001, text)), text);
  // GB18030 takes four bytes for characters outside the two-byte range.
  EXPECT_EQ(WideCharToMultiByte(54936, QString(100, QChar(0x00C0))).size(), 400);
}

TEST(CodePagesTest, UnknownCodePageRaisesNamingIt) {
  try {
    MultiByteToWideChar(12345, "abc");
    FAIL() << "an unknown code page must raise";
  } catch (const EConvertError& e) {
    EXPECT_TRUE(e.Message().contains("12345")) << e.Message().toStdString();
  }
  EXPECT_THROW(WideCharToMultiByte(12345, "abc"), EConvertError);
}

TEST(CodePagesTest, SystemCodePageFromVariableOrLocale) {
  {
    TScopedEnv env("VANTOR_CODEPAGE", QByteArray("950"));
    EXPECT_EQ(SystemCodePage(), 950);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, "\xA4\xA4\xA4\xE5"), QStringLiteral("中文"));
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, QStringLiteral("中文")), QByteArray("\xA4\xA4\xA4\xE5"));
  }
  {
    TScopedEnv env("VANTOR_CODEPAGE", QByteArray("936"));
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, QStringLiteral("中文")), QByteArray("\xD6\xD0\xCE\xC4"));
  }
  TScopedEnv noNumber("VANTOR_CODEPAGE", QByteArray("big5"));
  const int fromLocale = SystemCodePage();
  TScopedEnv unset("VANTOR_CODEPAGE", std::nullopt);
  EXPECT_EQ(SystemCodePage(), fromLocale) << "a variable that is no number is ignored";
}

TEST(CodePagesTest, CodeSetsMapToWindowsCodePages) {
  const struct {
    const char* CodeSet;
    int CodePage;
  } cases[] = {
      {"GB2312", 936},  {"GBK", 936},         {"gb18030", 936},     {"EUC-CN", 936},   {"BIG5", 950},
      {"Big5-HKSCS", 950}, {"CP950", 950},    {"UTF-8", 65001},     {"utf8", 65001},   {"ISO-8859-1", 1252},
      {"CP1252", 1252}, {"WINDOWS-1251", 1251}, {"ANSI_X3.4-1968", 437}, {"", 437},      {"CP1259", 437},
      {"EUC-JP", 932},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CodePageOfCodeSet(c.CodeSet), c.CodePage) << c.CodeSet;
}

// A hook in the manner of the wide-char fix: one private BIG5 pair maps to a
// reserved code point and back, everything else goes the plain way.
class TPairHook : public TCodePageHook {
public:
  bool ToWide(int codePage, const QByteArray& bytes, QString& result) override {
    CodePages.append(codePage);
    if (codePage != 950)
      return false;
    result = RawMultiByteToWideChar(codePage, bytes.left(bytes.indexOf("\x81\x80")));
    if (bytes.contains("\x81\x80"))
      result += QChar(40961) + RawMultiByteToWideChar(codePage, bytes.mid(bytes.indexOf("\x81\x80") + 2));
    return true;
  }
  bool ToMultiByte(int codePage, const QString& text, QByteArray& result) override {
    CodePages.append(codePage);
    if (codePage != 950)
      return false;
    for (QChar c : text)
      result += c.unicode() == 40961 ? QByteArray("\x81\x80") : RawWideCharToMultiByte(codePage, QString(c));
    return true;
  }
  QList<int> CodePages;
};

class TTaggingHook : public TCodePageHook {
public:
  bool ToWide(int, const QByteArray&, QString& result) override {
    result = QStringLiteral("tagged");
    return true;
  }
  bool ToMultiByte(int, const QString&, QByteArray&) override { return false; }
};

TEST(CodePageHookTest, InstalledHookSeesEveryConversionUntilRemoved) {
  TPairHook hook;
  const QByteArray privatePair("\xA4\xA4\x81\x80");
  EXPECT_NE(MultiByteToWideChar(950, privatePair), QStringLiteral("中") + QChar(40961));

  InstallCodePageHook(&hook);
  EXPECT_TRUE(IsCodePageHookInstalled(&hook));
  EXPECT_EQ(MultiByteToWideChar(950, privatePair), QStringLiteral("中") + QChar(40961));
  EXPECT_EQ(WideCharToMultiByte(950, QStringLiteral("中") + QChar(40961)), privatePair);
  EXPECT_EQ(MultiByteToWideChar(936, "\xD6\xD0"), QStringLiteral("中")) << "other code pages pass";
  {
    TScopedEnv env("VANTOR_CODEPAGE", QByteArray("950"));
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, privatePair), QStringLiteral("中") + QChar(40961));
  }
  EXPECT_EQ(hook.CodePages, QList<int>({950, 950, 936, 950})) << "code page 0 reaches the hook resolved";
  EXPECT_NE(RawMultiByteToWideChar(950, privatePair), QStringLiteral("中") + QChar(40961));

  RemoveCodePageHook(&hook);
  EXPECT_FALSE(IsCodePageHookInstalled(&hook));
  EXPECT_NE(MultiByteToWideChar(950, privatePair), QStringLiteral("中") + QChar(40961));
  EXPECT_EQ(hook.CodePages.size(), 4) << "a removed hook is not asked again";
}

TEST(CodePageHookTest, NewestHookFirstAndRemovalAnywhere) {
  TPairHook pair;
  TTaggingHook tagging;
  InstallCodePageHook(&pair);
  InstallCodePageHook(&tagging);
  InstallCodePageHook(&pair);  // already there: stays where it is
  EXPECT_EQ(MultiByteToWideChar(950, "\xA4\xA4"), "tagged");
  EXPECT_EQ(WideCharToMultiByte(950, QString(QChar(40961))), QByteArray("\x81\x80")) << "declined, next hook";
  RemoveCodePageHook(&pair);
  EXPECT_EQ(WideCharToMultiByte(950, QString(QChar(40961))), QByteArray("?"));
  EXPECT_EQ(MultiByteToWideChar(950, "\xA4\xA4"), "tagged");
  RemoveCodePageHook(&tagging);
  RemoveCodePageHook(&tagging);  // unknown now: ignored
  EXPECT_EQ(MultiByteToWideChar(950, "\xA4\xA4"), QStringLiteral("中"));
}

TEST(CodePagesTest, ConversionsOnManyThreadsAgree) {
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&wrong, t] {
      const int codePage = t % 2 ? 936 : 950;
      for (int i = 0; i < 500; ++i) {
        const QString text = QStringLiteral("中文%1").arg(i);
        if (MultiByteToWideChar(codePage, WideCharToMultiByte(codePage, text)) != text)
          ++wrong;
      }
    });
  }
  for (std::thread& thread : threads)
    thread.join();
  EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
