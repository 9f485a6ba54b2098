// Password scrambling and the exception report in the generator's alert file.
#include "support/ZaRERAvivududiU.h"

#include "SupportFixture.h"
#include "platform/os/Exceptions.h"

#include <QFile>
#include <ios>
#include <system_error>

namespace vantor::test {
namespace {

class ZaRERAvivududiUTest : public TSupportTest {
protected:
  void SetUp() override {
    TSupportTest::SetUp();
    QDir(SuitePath() + "Log").removeRecursively();
    WriteRegistry(QStringLiteral("ServerPath=%1\n").arg(SuitePath()));
  }

  QStringList AlertLines() const {
    QFile file(GeneratorAlertFileName());
    if (!file.open(QIODevice::ReadOnly))
      return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  }

  // The text of an alert line after its time stamp.
  static QString Body(const QString& line) { return line.mid(line.indexOf(QStringLiteral("] ")) + 2); }

  TEnvScope codePage_{"VANTOR_CODEPAGE", "936"};
};

TEST_F(ZaRERAvivududiUTest, KnownScrambledForms) {
  const struct {
    QString plain;
    const char* scrambled;
  } cases[] = {
      {"a", "b0"},        // 0x61 rotated right by 1
      {"ab", "b098"},     // 0x62 rotated right by 2
      {"12345678", "988c6643a9d86e38"},  // the eighth character is not rotated
      {"123456789", "988c6643a9d86e389c"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EncodeSQLPassword(c.plain), QLatin1String(c.scrambled)) << c.plain.toStdString();
    EXPECT_EQ(DecodeSQLSa(QLatin1String(c.scrambled)), c.plain);
  }
  EXPECT_EQ(DecodeSQLSa(QStringLiteral("B098")), QLatin1String("ab"));  // upper-case digits read too
}

TEST_F(ZaRERAvivududiUTest, RoundTripOfSingleBytePasswords) {
  QString all;
  for (char16_t c = 0x20; c < 0x7f; ++c) all += QChar(c);
  for (int length = 1; length <= all.size(); length += 7) {
    const QString plain = all.left(length);
    const QString scrambled = EncodeSQLPassword(plain);
    EXPECT_EQ(scrambled.size(), 2 * length);
    EXPECT_EQ(scrambled, scrambled.toLower());
    EXPECT_EQ(DecodeSQLSa(scrambled), plain);
  }
  // Multi-byte characters survive as the bytes of the system code page.
  EXPECT_EQ(DecodeSQLSa(EncodeSQLPassword(QStringLiteral("密码1"))), QStringLiteral("密码1"));
  EXPECT_EQ(EncodeSQLPassword(QStringLiteral("密码1")).size(), 10);
}

TEST_F(ZaRERAvivududiUTest, EmptyPasswordsAndLeftovers) {
  const QString empty = EncodeSQLPassword(QString());
  EXPECT_EQ(empty, EncodeSQLPassword(kNoPasswordSentinel));
  EXPECT_FALSE(empty.isEmpty());
  EXPECT_EQ(DecodeSQLSa(empty), QString());
  EXPECT_EQ(DecodeSQLSa(QString()), QString());
  EXPECT_EQ(DecodeSQLSa(EncodeSQLPassword(QStringLiteral("abc")) + "f"), QLatin1String("abc"));
  EXPECT_EQ(DecodeSQLSa(QStringLiteral("z")), QString());
  EXPECT_TRUE(AlertLines().isEmpty());
}

TEST_F(ZaRERAvivududiUTest, DamagedValueGivesErrorTextAndOneReport) {
  for (const char* damaged : {"zz", "b0 8", "b0x9", "-1"}) {
    SCOPED_TRACE(damaged);
    EXPECT_EQ(DecodeSQLSa(QLatin1String(damaged)), kPasswordErrorText);
  }
  const QStringList lines = AlertLines();
  ASSERT_EQ(lines.size(), 4 * 6);
  const QString dashes(34, QLatin1Char('-'));
  EXPECT_EQ(Body(lines[0]), dashes + " on " + EncodeSQLPassword(QStringLiteral("DecodeSQLSa")) + " " + dashes);
  EXPECT_EQ(Body(lines[1]), QStringLiteral("讯息信息:"));
  EXPECT_EQ(Body(lines[2]), QStringLiteral("Exception is EConvertError"));
  EXPECT_TRUE(lines[3].startsWith(QStringLiteral("Message 01: ")));
  EXPECT_TRUE(lines[3].contains(QStringLiteral("zz"))) << lines[3].toStdString();
  EXPECT_EQ(Body(lines[4]), QStringLiteral("ErrorMessage Count: 1"));
  EXPECT_EQ(Body(lines[5]), QStringLiteral("Programer Message: 解析 Sa 时发生错误!"));
}

TEST_F(ZaRERAvivududiUTest, ReportOfSystemAndInputOutputErrors) {
  const std::system_error system(std::make_error_code(std::errc::permission_denied));
  ReportException(&system, QStringLiteral("  "), QStringLiteral(" "));
  const std::ios_base::failure io("stream broke");
  ReportException(&io, QStringLiteral("Reader"), QString());
  ReportException(nullptr, QString(), QStringLiteral("note"));

  const QStringList lines = AlertLines();
  ASSERT_EQ(lines.size(), 10);
  const QString dashes(34, QLatin1Char('-'));
  EXPECT_EQ(Body(lines[0]), dashes + dashes);
  EXPECT_EQ(Body(lines[2]), QStringLiteral("EWin32Error Error 01: Code: %1, Message: %2")
                                .arg(int(std::errc::permission_denied))
                                .arg(QString::fromStdString(system.code().message())));
  EXPECT_EQ(Body(lines[3]), QStringLiteral("ErrorMessage Count: 1"));
  EXPECT_EQ(Body(lines[4]), dashes + " on Reader " + dashes);
  EXPECT_TRUE(Body(lines[6]).startsWith(QStringLiteral("EInOutError Error 01: Code: "))) << lines[6].toStdString();
  EXPECT_EQ(Body(lines[8]), dashes + dashes);
  EXPECT_EQ(Body(lines[9]), QStringLiteral("Programer Message: note"));
}

TEST_F(ZaRERAvivududiUTest, AlertFileNameAndUnwritableFolder) {
  EXPECT_EQ(GeneratorAlertFileName(), SuitePath() + "Log/Alert_ZaRERAvivududi_" +
                                          QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) + ".log");
  EXPECT_TRUE(WriteGeneratorAlert(QStringLiteral("kept")));
  QDir(SuitePath() + "Log").removeRecursively();
  WriteFile(QStringLiteral("Log"), QStringLiteral("not a folder"));
  EXPECT_FALSE(WriteGeneratorAlert(QStringLiteral("lost")));
  // The report is lost as well, but the caller still gets its answer.
  EXPECT_EQ(DecodeSQLSa(QStringLiteral("zz")), kPasswordErrorText);
}

}  // namespace
}  // namespace vantor::test
