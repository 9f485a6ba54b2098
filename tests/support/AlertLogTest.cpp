// The daily alert log on a temporary suite folder: file names per period,
// the line format, appending, and the folder that cannot be created.
#include "support/LibStrs.h"

#include "SupportFixture.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>

namespace vantor::test {
namespace {

class AlertLogTest : public TSupportTest {
protected:
  void SetUp() override {
    TSupportTest::SetUp();
    QDir(SuitePath() + "Log").removeRecursively();  // each test makes its own
    WriteRegistry(QStringLiteral("ClientPath=%1\n").arg(SuitePath()));
  }

  // Writes one entry and answers the lines of the file it went to.
  QStringList WriteAndRead(const QString& name, const QString& message, const QString& period) {
    const QDate before = QDate::currentDate();
    EXPECT_TRUE(WriteAlertLog(name, message, period));
    const QDate after = QDate::currentDate();
    QFile file(AlertLogFileName(SuitePath() + "Log", name, period, after));
    if (!file.exists() && before != after)
      file.setFileName(AlertLogFileName(SuitePath() + "Log", name, period, before));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  }
};

TEST_F(AlertLogTest, FileNamePerPeriodCode) {
  const QDate day(2024, 5, 3);
  const struct {
    const char* name;
    const char* period;
    const char* file;
  } cases[] = {
      {"libstrs", "D", "Alert_libstrs_20240503.log"},
      {"libstrs", "M", "Alert_libstrs_202405.log"},
      {"libstrs", "Y", "Alert_libstrs_2024.log"},
      {"libstrs", "", "Alert_libstrs_20240503.log"},
      {"libstrs", "W", "Alert_libstrs_20240503.log"},
      {"libstrs", "m", "Alert_libstrs_20240503.log"},
      {"Class knlRadical-311", "D", "Alert_Class knlRadical-311_20240503.log"},
      {"trace.txt", "D", "Alert_trace.txt_20240503"},
      {"../../etc/x", "D", "Alert_.._.._etc_x_20240503"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(AlertLogFileName(QStringLiteral("/suite/Log"), QString::fromLatin1(c.name), QString::fromLatin1(c.period), day),
              QStringLiteral("/suite/Log/") + QLatin1String(c.file))
        << c.name << " " << c.period;
}

TEST_F(AlertLogTest, WritesOneTimeStampedLinePerCall) {
  const QStringList first = WriteAndRead(QStringLiteral("libstrs"), QStringLiteral("first"), QStringLiteral("D"));
  ASSERT_EQ(first.size(), 1);
  const QRegularExpression line(QStringLiteral(R"(^\[\d{4}/\d\d/\d\d \d\d:\d\d:\d\d:\d{3}\] first$)"));
  EXPECT_TRUE(line.match(first[0]).hasMatch()) << first[0].toStdString();

  const QStringList both = WriteAndRead(QStringLiteral("libstrs"), QStringLiteral("第二条 消息"), QStringLiteral("D"));
  ASSERT_EQ(both.size(), 2);
  EXPECT_EQ(both[0], first[0]);
  EXPECT_TRUE(both[1].endsWith(QStringLiteral("] 第二条 消息")));
}

TEST_F(AlertLogTest, EachPeriodGoesToItsOwnFile) {
  for (const char* period : {"D", "M", "Y"}) {
    const QStringList lines = WriteAndRead(QStringLiteral("periods"), QString::fromLatin1(period), QString::fromLatin1(period));
    ASSERT_EQ(lines.size(), 1) << period;
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("] ") + QLatin1String(period)));
  }
  EXPECT_EQ(QDir(SuitePath() + "Log").entryList(QDir::Files).size(), 3);
}

TEST_F(AlertLogTest, CreatesMissingLogFolder) {
  WriteRegistry(QStringLiteral("ClientPath=%1deep/er\n").arg(SuitePath()));
  EXPECT_EQ(AlertLogFolder(), SuitePath() + "deep/er/Log");
  EXPECT_TRUE(WriteAlertLog(QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("D")));
  EXPECT_EQ(QDir(SuitePath() + "deep/er/Log").entryList(QDir::Files).size(), 1);
}

TEST_F(AlertLogTest, NoRegistryMeansProgramFolder) {
  WriteFile(QStringLiteral("vantor.reg"), QString());
  EXPECT_EQ(AlertLogFolder(), QCoreApplication::applicationDirPath() + "/Log");
}

TEST_F(AlertLogTest, FolderThatCannotBeCreatedAnswersFalse) {
  WriteFile(QStringLiteral("Log"), QStringLiteral("a file where the folder should be"));
  EXPECT_FALSE(WriteAlertLog(QStringLiteral("libstrs"), QStringLiteral("lost"), QStringLiteral("D")));
  EXPECT_FALSE(AppendLogLine(SuitePath() + "Log/x.log", QStringLiteral("lost")));
}

TEST_F(AlertLogTest, FileThatCannotBeOpenedAnswersFalse) {
  ASSERT_TRUE(QDir().mkpath(SuitePath() + "Log/Alert_busy.log"));
  EXPECT_FALSE(AppendLogLine(SuitePath() + "Log/Alert_busy.log", QStringLiteral("lost")));
  EXPECT_TRUE(AppendLogLine(SuitePath() + "Log/other.log", QStringLiteral("kept")));
}

}  // namespace
}  // namespace vantor::test
