// The client's SQL: its dialect rewritten for SQLite, and the guard that
// lets it read the company's tables and nothing else, both through
// "SimpleSql" and inside a condition of "pvdMain".
#include <gtest/gtest.h>

#include "AppServerFixture.h"
#include "appserver/SqlText.h"
#include "platform/os/Exceptions.h"
#include "platform/variant/Variants.h"

namespace vantor::test {

namespace {

TEST(SqlDialect, RewritesTheClientsDialect) {
  TDialectContext c;
  c.Database = QStringLiteral("FIX");
  c.TextColumns = {QStringLiteral("TJ002"), QStringLiteral("TJ003"), QStringLiteral("MA002")};
  const struct { const char *In, *Out; } cases[] = {
      {"select top 1 MF001 from $$CMSMF CMSMF where MF001='X'", "select MF001 from CMSMF CMSMF where MF001='X' LIMIT 1"},
      {"SELECT DISTINCT TOP (5) TJ002 FROM MOCTJ ORDER BY TJ002", "SELECT DISTINCT TJ002 FROM MOCTJ ORDER BY TJ002 LIMIT 5"},
      {"SELECT * FROM (SELECT TOP 2 TJ002 FROM MOCTJ) T", "SELECT * FROM (SELECT TJ002 FROM MOCTJ LIMIT 2 ) T"},
      {"SUBSTRING(TJ005,1,6) = '202401'", "SUBSTR(TJ005,1,6) = '202401'"},
      {"LEN(TJ007) > 0 AND ISNULL(TJ007,'') <> ''", "LENGTH(TJ007) > 0 AND IFNULL(TJ007,'') <> ''"},
      {"MOCTJ.TJ002 + MOCTJ.TJ003 = 'X'", "MOCTJ.TJ002 || MOCTJ.TJ003 = 'X'"},
      {"TJ006 + TJ008 > 3", "TJ006 + TJ008 > 3"},
      {"'a' + TJ006", "'a' || TJ006"},
      {"SUBSTRING(TJ005,1,4) + '01' = X", "SUBSTR(TJ005,1,4) || '01' = X"},
      {"FIX..MOCTJ.TJ002 = fix.dbo.MOCTJ.TJ003", "MOCTJ.TJ002 = MOCTJ.TJ003"},
      {"TJ007 = 'TOP 5 $$X FIX..Y + ;'", "TJ007 = 'TOP 5 $$X FIX..Y + ;'"},
      {"SELECT 1;", "SELECT 1"},
  };
  for (const auto& t : cases)
    EXPECT_EQ(RewriteClientSql(QString::fromUtf8(t.In), c).simplified(), QString::fromUtf8(t.Out).simplified()) << t.In;
}

TEST(SqlDialect, RefusesWhatIsNoSingleClientStatement) {
  TDialectContext c;
  c.Database = QStringLiteral("FIX");
  const struct { const char *In, *Why; } cases[] = {
      {"SELECT 1; DELETE FROM MOCTJ", "only one statement"},
      {"TJ002 = 'A' -- AND 1=0", "comments"},
      {"TJ002 = 'A' /* x */", "comments"},
      {"TJ002 = ?", "placeholders"},
      {"OTHER..MOCTJ.TJ002 = 'A'", "another company database"},
      {"TJ002 = 'unterminated", "ends inside a string"},
      {"SELECT TOP X TJ002 FROM MOCTJ", "TOP must be followed by a number"},
  };
  for (const auto& t : cases) {
    try {
      RewriteClientSql(QString::fromUtf8(t.In), c);
      ADD_FAILURE() << "accepted " << t.In;
    } catch (const EDatabaseError& e) {
      EXPECT_TRUE(e.Message().contains(QLatin1String(t.Why))) << t.In << ": " << qPrintable(e.Message());
    }
  }
}

struct TRefusal {
  const char* Sql;
  const char* Why;
};

const TRefusal kSelectRefusals[] = {
    {"DELETE FROM MOCTJ", "deleting from MOCTJ"},
    {"UPDATE MOCTJ SET TJ006 = 0", "changing MOCTJ"},
    {"INSERT INTO MOCTJ (TJ002, TJ003, TJ004, TJ005) VALUES ('a', 'b', 'c', 'd')", "writing into MOCTJ"},
    {"CREATE TABLE T (A)", "not allowed"},
    {"DROP TABLE MOCTJ", "not allowed"},
    {"PRAGMA writable_schema = 1", "pragma"},
    {"ATTACH DATABASE 'other.db' AS other", "attaching"},
    {"SELECT MA001, MA003 FROM ZKMMA", "passwords"},
    {"SELECT name FROM sqlite_master", "own table"},
    {"SELECT load_extension('x')", "load_extension"},
    {"SELECT * FROM OTHER..MOCTJ", "another company database"},
    {"SELECT 1; DELETE FROM MOCTJ", "only one statement"},
    {"WITH X AS (SELECT 1) DELETE FROM MOCTJ", "deleting from MOCTJ"},
};

TEST_F(AppServerTest, SimpleSqlOnlyReads) {
  const TDispatchRef service = Service();
  for (const TRefusal& r : kSelectRefusals) {
    QVariantList args{QStringLiteral("SimpleSql"), QVariantList{QString::fromUtf8(r.Sql), QString(), QStringLiteral("FIX"), QStringLiteral("N")},
                      QVariantList{QStringLiteral("C01"), QStringLiteral("FIX")}};
    try {
      service->Invoke(QStringLiteral("GETCOUNTER"), args);
      ADD_FAILURE() << "accepted " << r.Sql;
    } catch (const EDatabaseError& e) {
      EXPECT_TRUE(e.Message().contains(QLatin1String(r.Why))) << r.Sql << ": " << qPrintable(e.Message());
    }
  }
  EXPECT_EQ(Scalar(QStringLiteral("SELECT COUNT(*) FROM MOCTJ")).toInt(), 2);
  EXPECT_EQ(Scalar(QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE name = 'T'")).toInt(), 0);
}

TEST_F(AppServerTest, ConditionsOnlyRead) {
  const TDispatchRef server = Server();
  const TRefusal refusals[] = {
      {"1=1; DELETE FROM MOCTJ", "only one statement"},
      {"1=1); DELETE FROM MOCTJ; SELECT (1", "only one statement"},
      {"MOCTJ.TJ001 IN (SELECT MA003 FROM ZKMMA)", "passwords"},
      {"EXISTS (SELECT 1 FROM OTHER..PURMA)", "another company database"},
      {"MOCTJ.TJ001 = 'S001' -- ", "comments"},
      {"NOSUCH = 1", "cannot be used"},
  };
  for (const TRefusal& r : refusals) {
    QVariantList args{QStringLiteral("pvdMain"), QVariantList{QString::fromUtf8(r.Sql), QString()}};
    try {
      server->Invoke(QStringLiteral("AS_DataRequest"), args);
      ADD_FAILURE() << "accepted " << r.Sql;
    } catch (const EDatabaseError& e) {
      EXPECT_TRUE(e.Message().contains(QLatin1String(r.Why))) << r.Sql << ": " << qPrintable(e.Message());
    }
  }
  QVariantList order{QStringLiteral("pvdMain"), QVariantList{QString(), QStringLiteral("TJ002; DROP TABLE MOCTJ")}};
  EXPECT_THROW(server->Invoke(QStringLiteral("AS_DataRequest"), order), EDatabaseError);
  EXPECT_EQ(Scalar(QStringLiteral("SELECT COUNT(*) FROM MOCTJ")).toInt(), 2);
  // The object keeps serving its client.
  EXPECT_EQ(Open(server, QStringLiteral("MOCTJ.TJ001 = 'S001'")).Rows.size(), 2);
}

}  // namespace
}  // namespace vantor::test
