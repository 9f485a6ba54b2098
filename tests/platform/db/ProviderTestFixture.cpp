// Databases and fixture rows for the backend and provider tests.
#include "ProviderTestFixture.h"

#include "platform/variant/Variants.h"
#include "util/PgTestServer.h"

#include <QSqlQuery>
#include <atomic>
#include <unistd.h>

namespace vantor::test {

namespace {

std::atomic<int> schemaCounter{0};

TSqlConnectParams ServerParams(const TPgTestServer& pg) {
  TSqlConnectParams p;
  p.Kind = bkPostgres;
  p.Host = pg.Host();
  p.Port = pg.Port();
  p.User = pg.User();
  p.Database = pg.Database();
  return p;
}

}  // namespace

std::string TDbFixture::BackendName(const ::testing::TestParamInfo<TSqlBackendKind>& info) {
  return info.param == bkSqlite ? "Sqlite" : "Postgres";
}

void TDbFixture::SetUp() {
  if (GetParam() == bkSqlite) {
    ASSERT_TRUE(dir_.isValid());
    params_.Kind = bkSqlite;
    params_.Database = dir_.filePath(QStringLiteral("test.db"));
  } else {
    QString whyNot;
    TPgTestServer* pg = TPgTestServer::Shared(&whyNot);
    if (!pg) GTEST_SKIP() << "PostgreSQL cases skipped: " << whyNot.toStdString();
    params_ = ServerParams(*pg);
    params_.Schema = QStringLiteral("t%1_%2").arg(::getpid()).arg(++schemaCounter);
    auto admin = TSqlBackend::Create(ServerParams(*pg));
    admin->Open();
    admin->Exec(QStringLiteral("CREATE SCHEMA ") + admin->QuoteIdentifier(params_.Schema));
  }
  db_ = TSqlBackend::Create(params_);
  db_->Open();
}

void TDbFixture::TearDown() {
  db_.reset();
  if (params_.Kind == bkPostgres && !params_.Schema.isEmpty()) {
    TSqlConnectParams p = params_;
    p.Schema.clear();
    auto admin = TSqlBackend::Create(p);
    admin->Open();
    admin->Exec(QStringLiteral("DROP SCHEMA ") + admin->QuoteIdentifier(params_.Schema) + QStringLiteral(" CASCADE"));
  }
}

std::unique_ptr<TSqlBackend> TDbFixture::OpenSecond() const {
  auto second = TSqlBackend::Create(params_);
  second->Open();
  return second;
}

void TDbFixture::Run(const QString& sql, const QVariantList& params) {
  QString text = sql;
  text.replace(QStringLiteral("{BLOB}"), params_.Kind == bkSqlite ? QStringLiteral("BLOB") : QStringLiteral("BYTEA"));
  Db().ExecChange(text, params);
}

QVariant TDbFixture::Scalar(const QString& sql, const QVariantList& params) {
  QSqlQuery q = Db().Exec(sql, params);
  return q.next() ? q.value(0) : QVariant();
}

int TDbFixture::Count(const QString& table, const QString& where) {
  QString sql = QStringLiteral("SELECT COUNT(*) FROM ") + table;
  if (!where.isEmpty()) sql += QStringLiteral(" WHERE ") + where;
  return Scalar(sql).toInt();
}

void TDbFixture::CreateFixture(int docs) {
  Run(QStringLiteral("CREATE TABLE SUPP (CODE VARCHAR(10) NOT NULL PRIMARY KEY, NAME VARCHAR(40) NOT NULL)"));
  Run(QStringLiteral(
      "CREATE TABLE DOCS (DOCNO VARCHAR(12) NOT NULL PRIMARY KEY, SUPP VARCHAR(10), "
      "DOCDATE CHAR(8) NOT NULL, QTY NUMERIC(12,3), PRICE DOUBLE PRECISION, LINES INTEGER, "
      "CONFIRMED BOOLEAN, REMARK TEXT, PHOTO {BLOB}, FLAG INTEGER)"));
  Run(QStringLiteral(
      "CREATE TABLE DOCLINES (DOCNO VARCHAR(12) NOT NULL, LINENO INTEGER NOT NULL, "
      "ITEM VARCHAR(20) NOT NULL, QTY NUMERIC(12,3), FLAG INTEGER, PRIMARY KEY (DOCNO, LINENO))"));
  const QString supp = QStringLiteral("INSERT INTO SUPP (CODE, NAME) VALUES (?, ?)");
  Run(supp, {QStringLiteral("S1"), QStringLiteral("第一供应商")});
  Run(supp, {QStringLiteral("S2"), QStringLiteral("Second Supplier")});
  const QString doc = QStringLiteral(
      "INSERT INTO DOCS (DOCNO, SUPP, DOCDATE, QTY, PRICE, LINES, CONFIRMED, REMARK, PHOTO, FLAG) "
      "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, 1)");
  TSqlTransaction t(Db());
  for (int i = 1; i <= docs; ++i) {
    const QVariant supplier = i % 3 == 0 ? Null() : QVariant(i % 3 == 1 ? QStringLiteral("S1") : QStringLiteral("S2"));
    const QVariant photo = i == 1 ? QVariant(QByteArray("\x00\x01\xfe\xff", 4)) : Null();
    Run(doc, {QStringLiteral("D%1").arg(i, 3, 10, QLatin1Char('0')), Db().ToSql(supplier, ftString),
              QStringLiteral("202401%1").arg((i - 1) % 28 + 1, 2, 10, QLatin1Char('0')), i * 1.5, 10.25, i,
              i % 2 == 1, i == 1 ? QStringLiteral("含'引号'的备注") : QStringLiteral("remark %1").arg(i), photo});
  }
  const QString line = QStringLiteral("INSERT INTO DOCLINES (DOCNO, LINENO, ITEM, QTY, FLAG) VALUES (?, ?, ?, ?, 1)");
  Run(line, {QStringLiteral("D001"), 1, QStringLiteral("BOLT"), 10});
  Run(line, {QStringLiteral("D001"), 2, QStringLiteral("NUT"), 20});
  Run(line, {QStringLiteral("D002"), 1, QStringLiteral("WASHER"), 5});
  t.Commit();
}

TProviderDef DocsDef() {
  TProviderDef d;
  d.Table = QStringLiteral("DOCS");
  d.Alias = QStringLiteral("T");
  d.Joins = QStringLiteral("LEFT JOIN SUPP S ON S.CODE = T.SUPP");
  d.Select = QStringList{QStringLiteral("DOCNO"), QStringLiteral("SUPP"), QStringLiteral("S.NAME AS SUPPNAME"),
                         QStringLiteral("DOCDATE"), QStringLiteral("QTY"), QStringLiteral("PRICE"),
                         QStringLiteral("LINES"), QStringLiteral("CONFIRMED"), QStringLiteral("REMARK"),
                         QStringLiteral("PHOTO"), QStringLiteral("FLAG")};
  d.Fields = {{QStringLiteral("AMOUNT"), QStringLiteral("T.QTY * T.PRICE"), QStringLiteral("DOUBLE PRECISION")}};
  return d;
}

TProviderDef LinesDef() {
  TProviderDef d;
  d.Table = QStringLiteral("DOCLINES");
  return d;
}

std::shared_ptr<TProvider> TDbFixture::MakeLines() {
  return std::make_shared<TProvider>(QStringLiteral("pvdLines"), Db(), LinesDef());
}

std::shared_ptr<TProvider> TDbFixture::MakeDocs(bool withLines) {
  auto docs = std::make_shared<TProvider>(QStringLiteral("pvdDocs"), Db(), DocsDef());
  if (withLines)
    docs->AddDetail(QStringLiteral("DOCLINES"), MakeLines(), {QStringLiteral("DOCNO")}, {QStringLiteral("DOCNO")});
  return docs;
}

}  // namespace vantor::test
