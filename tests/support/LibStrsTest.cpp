// The string, number and code-page routines of the toolbox.
#include "support/LibStrs.h"

#include "SupportFixture.h"
#include "platform/variant/Variants.h"

#include <cmath>
#include <limits>

namespace vantor::test {
namespace {

TEST(LibStrsStrings, Padding) {
  EXPECT_EQ(PadLeft(QStringLiteral("7"), {2, 48}), QLatin1String("07"));
  EXPECT_EQ(PadLeft(QStringLiteral("123"), {2, 48}), QLatin1String("123"));
  EXPECT_EQ(PadRight(QStringLiteral("7"), {3, 48}), QLatin1String("700"));
  EXPECT_EQ(PadLeft(QStringLiteral("ab"), 4), QLatin1String("  ab"));
  EXPECT_EQ(PadRight(QStringLiteral("ab"), 4), QLatin1String("ab  "));
  EXPECT_EQ(PadLeft(QString(), 3, QLatin1Char('x')), QLatin1String("xxx"));
  EXPECT_EQ(PadLeft(QStringLiteral("ab"), -1), QLatin1String("ab"));
  EXPECT_EQ(PadLeft(QStringLiteral("ab"), QList<int>{}), QLatin1String("ab"));
  EXPECT_EQ(PadLeft(QStringLiteral("ab"), QList<int>{3}), QLatin1String(" ab"));
}

TEST(LibStrsStrings, ZeroPad) {
  const struct {
    int width;
    qint64 value;
    const char* expected;
  } cases[] = {{4, 7, "0007"}, {2, 123, "123"}, {3, -5, "-005"}, {0, 0, "0"}, {1, 0, "0"},
               {2, 0, "00"}, {12, 4294967296LL, "004294967296"}, {-3, 42, "42"}};
  for (const auto& c : cases) EXPECT_EQ(ZeroPad(c.width, c.value), QLatin1String(c.expected)) << c.width << " " << c.value;
}

TEST(LibStrsStrings, Tokens) {
  const QString abc = QStringLiteral("a;b;c");
  const struct {
    QString text;
    const char* separator;
    int index;
    const char* expected;
  } cases[] = {
      {abc, ";", 1, "a"}, {abc, ";", 2, "b"}, {abc, ";", 3, "c"}, {abc, ";", 4, ""}, {abc, ";", 0, ""},
      {abc, ";", -1, ""}, {"a;;c", ";", 2, ""}, {"a;;c", ";", 3, "c"}, {"a;b;", ";", 3, ""},
      {"a::b::c", "::", 3, "c"}, {"abc", ",", 1, "abc"}, {"abc", "", 1, "abc"}, {"abc", "", 2, ""},
      {"", ";", 1, ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(GetToken(c.text, QLatin1String(c.separator), c.index), QLatin1String(c.expected))
        << c.text.toStdString() << " #" << c.index;

  EXPECT_EQ(TokenCount(abc, QStringLiteral(";")), 3);
  EXPECT_EQ(TokenCount(QString(), QStringLiteral(";")), 0);
  EXPECT_EQ(TokenCount(QStringLiteral("a;"), QStringLiteral(";")), 2);
  EXPECT_EQ(TokenCount(QStringLiteral("abc"), QString()), 1);
}

TEST(LibStrsStrings, CutToken) {
  QString text = QStringLiteral("TJ001;TJ002; TJ003");
  EXPECT_EQ(CutToken(text, QStringLiteral(";")), QLatin1String("TJ001"));
  EXPECT_EQ(text, QLatin1String("TJ002; TJ003"));
  EXPECT_EQ(CutToken(text, QStringLiteral(";")), QLatin1String("TJ002"));
  EXPECT_EQ(CutToken(text, QStringLiteral(";")), QLatin1String(" TJ003"));
  EXPECT_TRUE(text.isEmpty());
  EXPECT_EQ(CutToken(text, QStringLiteral(";")), QString());

  QString noSeparator = QStringLiteral("abc");
  EXPECT_EQ(CutToken(noSeparator, QString()), QLatin1String("abc"));
  EXPECT_TRUE(noSeparator.isEmpty());
}

TEST(LibStrsStrings, ReplaceAll) {
  const struct {
    const char* text;
    const char* oldText;
    const char* newText;
    bool trim;
    const char* expected;
  } cases[] = {
      {"abcabc", "b", "B", false, "abcabc"},  // equal ignoring case: nothing happens
      {"abcabc", "bc", "x", false, "axax"},
      {"aab", "ab", "b", false, "b"},          // a replacement that makes a new occurrence
      {"aaaa", "aa", "a", false, "a"},
      {"xax", "a", "aa", false, "xaax"},       // new holds old: each occurrence once
      {" a ", "a", "b", true, "b"},
      {" a ", "a", "b", false, " b "},
      {"abc", "", "x", false, "abc"},
      {"a,b,,c", ",,", ",", false, "a,b,c"},
      {"ABab", "ab", "x", false, "ABx"},       // the search is case-sensitive
  };
  for (const auto& c : cases)
    EXPECT_EQ(ReplaceAll(QString::fromLatin1(c.text), QString::fromLatin1(c.oldText), QString::fromLatin1(c.newText), c.trim),
              QLatin1String(c.expected))
        << c.text << " " << c.oldText << "->" << c.newText;
}

TEST(LibStrsStrings, ReplaceAllOnLongTextStaysLinear) {
  // Many occurrences: each one is found without searching the text again from the start.
  const QString text = QStringLiteral("ab").repeated(20000);
  EXPECT_EQ(ReplaceAll(text, QStringLiteral("ab"), QStringLiteral("c"), false), QStringLiteral("c").repeated(20000));
}

TEST(LibStrsStrings, LoopbackAndButtonCaptions) {
  EXPECT_TRUE(IsLoopbackAddress(QStringLiteral("127.0.0.1")));
  for (const char* other : {"127.0.0.2", " 127.0.0.1", "localhost", "::1", ""})
    EXPECT_FALSE(IsLoopbackAddress(QLatin1String(other))) << other;

  const struct {
    const char* name;
    QString caption;
  } captions[] = {
      {"Yes", "是(&Y)"}, {"No", "否(&N)"}, {"OK", "确定"}, {"Cancel", "取消"}, {"Abort", "中断(&A)"},
      {"Retry", "重试(&R)"}, {"Ignore", "忽略(&I)"}, {"All", "全部(&A)"}, {"NoToAll", "全否(&o)"},
      {"YesToAll", "全是(&A)"}, {"Help", "帮助(&H)"}, {"Close", "Close"}, {"yes", "yes"}, {"", ""},
  };
  for (const auto& c : captions) EXPECT_EQ(TranslateButtonCaption(QLatin1String(c.name)), c.caption) << c.name;
}

TEST(LibStrsNumbers, VarIIfCopiesTheChosenValue) {
  EXPECT_TRUE(VarSame(VarIIf(true, 1, QStringLiteral("x")), QVariant(1)));
  EXPECT_TRUE(VarSame(VarIIf(false, 1, Null()), Null()));
  EXPECT_TRUE(VarIsEmpty(VarIIf(false, 1, QVariant())));
}

TEST(LibStrsNumbers, RoundDigits) {
  const struct {
    int digits;
    double value, expected;
  } cases[] = {
      {2, 2.675, 2.68}, {2, -2.675, -2.68}, {2, 1.005, 1.01}, {0, 0.5, 1}, {0, -0.5, -1}, {0, 2.5, 3},
      {0, 1.4999, 1}, {2, 12345678.125, 12345678.13}, {2, 9999999999.995, 10000000000.0},
      {2, 2.67499999999999, 2.68},  // within the 1e-12 allowance of a half
      {2, 2.674999999, 2.67}, {3, 0.0004999, 0}, {4, 1e-13, 0}, {2, 0, 0}, {1, 123456789012.35, 123456789012.4},
      {6, 1.0000005, 1.000001}, {4, 0.1 + 0.2, 0.3}, {2, 100, 100}, {15, 1.23456789, 1.23456789},
      {2, 1e20, 1e20}, {-1, 2.5, 3}, {11, 0.123456789015, 0.12345678902},
  };
  for (const auto& c : cases) EXPECT_EQ(RoundDigits(c.digits, c.value), c.expected) << c.digits << " " << c.value;
  EXPECT_FALSE(std::signbit(RoundDigits(2, -0.001)));
  EXPECT_TRUE(std::isnan(RoundDigits(2, std::numeric_limits<double>::quiet_NaN())));
  EXPECT_TRUE(std::isinf(RoundDigits(2, std::numeric_limits<double>::infinity())));
}

TEST(LibStrsNumbers, CompareFloat) {
  const struct {
    double a, b;
    int expected;
  } cases[] = {{0.1 + 0.2, 0.3, 0}, {1.0, 1.0 + 1e-9, -1}, {1.0 + 1e-11, 1.0, 0}, {2, 1, 1},
               {-1, 1, -1}, {0, -0.0, 0},
               // Compared at 15 significant digits.
               {1e15, 1e15 + 1, 0}, {1e14, 1e14 + 1, -1}};
  for (const auto& c : cases) EXPECT_EQ(CompareFloat(c.a, c.b), c.expected) << c.a << " " << c.b;
}

// --- code pages -----------------------------------------------------------------------------

const QString kChinese = QStringLiteral("中文");
const QByteArray kChineseGbk("\xd6\xd0\xce\xc4");
const QByteArray kChineseBig5("\xa4\xa4\xa4\xe5");

TEST(LibStrsCodePages, TextConversions) {
  TEnvScope system("VANTOR_CODEPAGE", "936");
  EXPECT_EQ(WideToAnsiCP(kChinese, 936), kChineseGbk);
  EXPECT_EQ(WideToAnsiCP(kChinese, 950), kChineseBig5);
  EXPECT_EQ(AnsiToWideCP(kChineseGbk, 936), kChinese);
  EXPECT_EQ(AnsiToWideCP(kChineseBig5, 950), kChinese);
  EXPECT_EQ(WideToAnsiCP(QString(), 936), QByteArray());
  // A code page nobody knows falls back to the system's.
  EXPECT_EQ(WideToAnsiCP(kChinese, 12345), kChineseGbk);
  EXPECT_EQ(AnsiToWideCP(kChineseGbk, 12345), kChinese);
}

TEST(LibStrsCodePages, VariantConversionsReachEveryString) {
  TVarMatrix matrix(0, 1, 1, 2);
  matrix.Set(0, 1, kChinese);
  matrix.Set(1, 2, 5);
  const QVariantList nested{kChinese, 3};
  const QVariant value = QVariantList{kChinese, 42, Null(), QVariant(), nested, QVariant::fromValue(matrix)};

  const QVariant ansi = VarWideToAnsi(value, 950);
  const QVariantList items = ansi.toList();
  ASSERT_EQ(items.size(), 6);
  EXPECT_EQ(items[0].typeId(), QMetaType::QByteArray);
  EXPECT_EQ(items[0].toByteArray(), kChineseBig5);
  EXPECT_EQ(items[1], QVariant(42));
  EXPECT_TRUE(VarIsNull(items[2]));
  EXPECT_TRUE(VarIsEmpty(items[3]));
  EXPECT_EQ(items[4].toList()[0].toByteArray(), kChineseBig5);
  const TVarMatrix converted = VarToMatrix(items[5]);
  EXPECT_EQ(converted(0, 1).toByteArray(), kChineseBig5);
  EXPECT_EQ(converted(1, 2), QVariant(5));
  EXPECT_TRUE(VarIsEmpty(converted(0, 2)));

  EXPECT_TRUE(VarSame(VarAnsiToWide(ansi, 950), value));
  EXPECT_TRUE(VarIsNull(VarWideToAnsi(Null(), 936)));
  EXPECT_TRUE(VarIsEmpty(VarAnsiToWide(QVariant(), 936)));
  // Text already in the wanted form stays as it is.
  EXPECT_EQ(VarAnsiToWide(kChinese, 950), QVariant(kChinese));
  EXPECT_EQ(VarWideToAnsi(kChineseGbk, 950), QVariant(kChineseGbk));
}

}  // namespace
}  // namespace vantor::test
