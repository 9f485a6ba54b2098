// The date and time routines: the five display kinds both ways, stored
// texts, invalid input, days that run on into the next month, time texts.
#include "support/LibStrs.h"

#include "platform/variant/Variants.h"

#include <QDateTime>
#include <gtest/gtest.h>
#include <limits>

namespace vantor::test {
namespace {

TDateTime Day(int y, int m, int d) { return DateToDateTime(QDate(y, m, d)); }
TDateTime At(int y, int m, int d, int h, int n, int s, int ms) {
  return QDateTimeToDateTime(QDateTime(QDate(y, m, d), QTime(h, n, s, ms)));
}

TEST(LibStrsDates, DateToStrByTypeForEveryKind) {
  const TDateTime march5 = Day(2002, 3, 5);
  const struct {
    int code;
    const char* separator;
    TDateTime date;
    const char* expected;
  } cases[] = {
      {1, "/", march5, "2002/03/05"}, {2, "/", march5, "03/05/2002"}, {3, "/", march5, "05/03/2002"},
      {4, "/", march5, "91/03/05"},   {5, "/", march5, "091/03/05"},  {0, "/", march5, ""},
      {6, "/", march5, ""},           {1, "", march5, "20020305"},    {1, "-.", march5, "2002-03-05"},
      {4, ".", Day(2011, 12, 31), "100.12.31"}, {5, "", Day(1912, 1, 1), "0010101"},
      {1, "/", 0, ""},                {2, "/", Day(1753, 1, 1), "01/01/1753"},
      {1, "/", std::numeric_limits<double>::quiet_NaN(), ""}, {1, "/", 1e12, ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(DateToStrByType(c.code, QString::fromUtf8(c.separator), c.date), QLatin1String(c.expected))
        << c.code << " " << c.separator << " " << c.date;
}

TEST(LibStrsDates, DateTimeToStrByTypeForEveryKind) {
  const TDateTime t = At(2002, 3, 5, 14, 7, 9, 120);
  const struct {
    int code;
    const char* expected;
  } cases[] = {{1, "2002/03/05 14:07:09:120"}, {2, "03/05/2002 14:07:09:120"}, {3, "05/03/2002 14:07:09:120"},
               {4, "91/03/05 14:07:09:120"},   {5, "091/03/05 14:07:09:120"},  {7, ""}};
  for (const auto& c : cases) EXPECT_EQ(DateTimeToStrByType(c.code, QStringLiteral("/"), t), QLatin1String(c.expected)) << c.code;
  EXPECT_EQ(DateTimeToStrByType(1, QStringLiteral("/"), 0), QString());
  EXPECT_EQ(DateTimeToStrByType(1, QString(), At(1899, 12, 29, 12, 0, 0, 0)), QLatin1String("18991229 12:00:00:000"));
}

TEST(LibStrsDates, StrToDateByType) {
  const struct {
    const char* text;
    int code;
    const char* separator;
    TDateTime expected;
  } cases[] = {
      {"2002/03/05", 1, "/", Day(2002, 3, 5)}, {"03/05/2002", 2, "/", Day(2002, 3, 5)},
      {"05/03/2002", 3, "/", Day(2002, 3, 5)}, {"91/03/05", 4, "/", Day(2002, 3, 5)},
      {"091/3/5", 5, "/", Day(2002, 3, 5)},    {" 2002 / 3 / 5 ", 1, "/", Day(2002, 3, 5)},
      // The day runs on into the next month, or further.
      {"2005/02/30", 1, "/", Day(2005, 3, 2)}, {"2004/02/30", 1, "/", Day(2004, 3, 1)},
      {"2002/01/400", 1, "/", DateToDateTime(QDate(2002, 1, 1).addDays(399))},
      {"2002/12/32", 1, "/", Day(2003, 1, 1)},
      // Without a separator month and day have two digits, the year the rest.
      {"20020305", 1, "", Day(2002, 3, 5)},    {"03052002", 2, "", Day(2002, 3, 5)},
      {"05032002", 3, "", Day(2002, 3, 5)},    {"910305", 4, "", Day(2002, 3, 5)},
      {"1000305", 4, "", Day(2011, 3, 5)},     {"0910305", 5, "", Day(2002, 3, 5)},
      {"2002.03.05", 1, ".-", Day(2002, 3, 5)}, {"2002/03/05/", 1, "/", Day(2002, 3, 5)},
      // Unreadable.
      {"", 1, "/", 0}, {"   ", 1, "/", 0}, {"2002/00/05", 1, "/", 0}, {"2002/13/05", 1, "/", 0},
      {"2002/03/x", 1, "/", 0}, {"2002/03", 1, "/", 0}, {"2002/03/05", 0, "/", 0}, {"2002/03/05", 6, "/", 0},
      {"2002/03/05/09", 1, "/", 0}, {"2002-03-05", 1, "/", 0}, {"10000/01/01", 1, "/", 0},
      {"-1/03/05", 1, "/", 0}, {"2002/-3/05", 1, "/", 0}, {"200203", 1, "", 0}, {"03/05", 2, "/", 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(StrToDateByType(QString::fromLatin1(c.text), c.code, QString::fromLatin1(c.separator)), c.expected)
        << '"' << c.text << "\" code " << c.code;
}

TEST(LibStrsDates, DateTextToStr8) {
  const struct {
    const char* text;
    int code;
    const char* separator;
    const char* expected;
  } cases[] = {
      {"91/3/5", 4, "/", "20020305"},     {"091/3/5", 5, "/", "20020305"},   {"2002/13/40", 1, "/", "20021340"},
      {"03/05/2002", 2, "/", "20020305"}, {"05/03/2002", 3, "/", "20020305"}, {"2002/3/5", 9, "/", "20020305"},
      {"20020305", 1, "", "20020305"},    {"03052002", 2, "", "20020305"},   {"0910305", 5, "", "20020305"},
      {"", 1, "/", "0"},                  {"  ", 1, "/", "0"},               {"2002/0/5", 1, "/", "0"},
      {"2002/x/5", 1, "/", "0"},          {"2002/100/5", 1, "/", "0"},       {"12345/1/5", 1, "/", "0"},
      {"2002/03/05/1", 1, "/", "0"},      {"2002/03", 1, "/", "0"},          {"20020305", 1, "/", "0"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(DateTextToStr8(QString::fromLatin1(c.text), c.code, QString::fromLatin1(c.separator)), QLatin1String(c.expected))
        << '"' << c.text << "\" code " << c.code;
  EXPECT_FALSE(IsValidStr8Date(DateTextToStr8(QStringLiteral("2002/13/40"), 1, QStringLiteral("/"))));
}

TEST(LibStrsDates, StoredDateTexts) {
  const struct {
    const char* text;
    bool valid;
    TDateTime date;
  } cases[] = {
      {"20020305", true, Day(2002, 3, 5)}, {"17530101", true, Day(1753, 1, 1)}, {"99991231", true, Day(9999, 12, 31)},
      {"20000229", true, Day(2000, 2, 29)}, {"17521231", false, Day(1752, 12, 31)}, {"17000101", false, Day(1700, 1, 1)},
      {"20020230", false, 0}, {"20020229", false, 0}, {"20021301", false, 0}, {"00000000", false, 0},
      {"2002030", false, 0}, {"200203051", false, 0}, {"2002O305", false, 0}, {"+2020305", false, 0},
      {"2002 305", false, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsValidStr8Date(QString::fromLatin1(c.text)), c.valid) << c.text;
    EXPECT_EQ(Str8ToDate(QString::fromLatin1(c.text)), c.date) << c.text;
  }
  EXPECT_TRUE(IsValidStr8Date(QString()));
  EXPECT_EQ(Str8ToDate(QString()), 0);
}

TEST(LibStrsDates, Str17ToDateTime) {
  const double noon = 0.5;
  const struct {
    const char* text;
    TDateTime expected;
  } cases[] = {
      {"20240503140709120", At(2024, 5, 3, 14, 7, 9, 120)},
      {"20240503", Day(2024, 5, 3)},
      {"00000000120000000", noon},
      {"abcd0503120000000", noon},
      {"20240500120000000", noon},
      {"18991229120000000", -1.5},
      {"20240503235959999", At(2024, 5, 3, 23, 59, 59, 999)},
      {"20240503250000000", 0}, {"20240503146000000", 0}, {"20240503140760000", 0},
      {"20240230000000000", 0}, {"", 0},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(Str17ToDateTime(QString::fromLatin1(c.text)), c.expected) << c.text;
}

TEST(LibStrsDates, AddTimeText) {
  const struct {
    const char* a;
    const char* b;
    int sign;
    qint64 seconds;
    const char* text;
  } cases[] = {
      {"01:30:00", "00:45:30", -1, 2670, "0000:44:30"},
      {"01:30:00", "00:45:30", 1, 8130, "0002:15:30"},
      {" 01:30:00 ", "00:45:30 ", 1, 8130, "0002:15:30"},
      {"100:00:00", "00:00:01", -1, 359999, "0099:59:59"},
      {"00:00:00", "01:00:00", -1, -3600, "-0001:00:00"},
      {"00:99:99", "00:00:00", 1, 6039, "0001:40:39"},
      {"01:30:00", "00:45:30", 0, 0, "000:00:00"},
      {"01:30:00", "00:45:30", 2, 0, "000:00:00"},
      {"1:30:00", "00:45:30", 1, 0, "000:00:00"},
      {"01:30", "00:45:30", 1, 0, "000:00:00"},
      {"01:30:0a", "00:45:30", 1, 0, "000:00:00"},
      {"01:30:00:00", "00:45:30", 1, 0, "000:00:00"},
      {"::123456", "00:00:00", 1, 0, "000:00:00"},
      {"-1:30:00", "00:45:30", 1, 0, "000:00:00"},
      {"99999999999999999:00:00", "00:00:00", 1, 0, "000:00:00"},
  };
  for (const auto& c : cases) {
    const QVariantList result = AddTimeText(QString::fromLatin1(c.a), QString::fromLatin1(c.b), c.sign);
    ASSERT_EQ(result.size(), 2);
    EXPECT_EQ(result[0].toLongLong(), c.seconds) << c.a << " " << c.b << " " << c.sign;
    EXPECT_EQ(result[1].toString(), QLatin1String(c.text)) << c.a << " " << c.b << " " << c.sign;
  }
}

TEST(LibStrsDates, SecondsToTimeText) {
  const struct {
    qint64 seconds;
    const char* text;
  } cases[] = {{0, "0000:00:00"}, {-61, "-0000:01:01"}, {90061, "0025:01:01"}, {59, "0000:00:59"},
               {36000000, "10000:00:00"},
               {std::numeric_limits<qint64>::min(), "-2562047788015215:30:08"},
               {std::numeric_limits<qint64>::max(), "2562047788015215:30:07"}};
  for (const auto& c : cases) EXPECT_EQ(SecondsToTimeText(c.seconds), QLatin1String(c.text)) << c.seconds;
}

}  // namespace
}  // namespace vantor::test
