// The database backends: declared types, table columns, value mapping both
// ways, bound parameters, transactions, and cursors that stay readable while
// the same backend writes.
#include "ProviderTestFixture.h"

#include "platform/db/SqlBackendSqlite.h"
#include "platform/variant/Variants.h"

#include <QSqlQuery>
#include <atomic>
#include <thread>

using namespace vantor;
using namespace vantor::test;

namespace {

struct TDeclaredCase {
  const char* Declared;
  TFieldType Type;
  int Size;
  int Precision;
};

class TSqlBackendTest : public TDbFixture {};

TSqlColumn ColumnNamed(const QList<TSqlColumn>& columns, const QString& name) {
  for (const TSqlColumn& c : columns)
    if (c.Name.compare(name, Qt::CaseInsensitive) == 0) return c;
  ADD_FAILURE() << "no column " << name.toStdString();
  return {};
}

}  // namespace

TEST(SqlBackendTypes, DeclaredTypesMapToPacketTypes) {
  const TDeclaredCase cases[] = {
      {"VARCHAR(10)", ftString, 10, 0},
      {"character varying(40)", ftString, 40, 0},
      {"NVARCHAR(5)", ftString, 5, 0},
      {"CHAR(8)", ftFixedChar, 8, 0},
      {"character(3)", ftFixedChar, 3, 0},
      {"char", ftFixedChar, 1, 0},
      {"character varying", ftMemo, 0, 0},
      {"TEXT", ftMemo, 0, 0},
      {"SMALLINT", ftSmallint, 0, 0},
      {"INTEGER", ftInteger, 0, 0},
      {"int4", ftInteger, 0, 0},
      {"MEDIUMINT", ftInteger, 0, 0},
      {"BIGINT", ftLargeint, 0, 0},
      {"NUMERIC(12,3)", ftBCD, 3, 12},
      {"numeric(12, 0)", ftBCD, 0, 12},
      {"NUMERIC", ftFloat, 0, 0},
      {"DOUBLE PRECISION", ftFloat, 0, 0},
      {"REAL", ftFloat, 0, 0},
      {"money", ftCurrency, 0, 0},
      {"BOOLEAN", ftBoolean, 0, 0},
      {"DATE", ftDate, 0, 0},
      {"time without time zone", ftTime, 0, 0},
      {"timestamp without time zone", ftDateTime, 0, 0},
      {"DATETIME", ftDateTime, 0, 0},
      {"BLOB", ftBlob, 0, 0},
      {"bytea", ftBlob, 0, 0},
      {"", ftUnknown, 0, 0},
      {"uuid", ftUnknown, 0, 0},
  };
  for (const TDeclaredCase& c : cases) {
    SCOPED_TRACE(c.Declared);
    const TSqlTypeInfo t = FieldTypeOfDeclared(QString::fromUtf8(c.Declared));
    EXPECT_EQ(t.DataType, c.Type);
    EXPECT_EQ(t.Size, c.Size);
    EXPECT_EQ(t.Precision, c.Precision);
  }
}

TEST_P(TSqlBackendTest, TableColumnsGiveTypesSizesNullabilityAndKeyOrder) {
  CreateFixture(1);
  const QList<TSqlColumn> docs = Db().TableColumns(QStringLiteral("docs"));  // any case
  ASSERT_EQ(docs.size(), 10);
  EXPECT_EQ(docs[0].Name.toUpper(), QStringLiteral("DOCNO"));
  const TSqlColumn docno = ColumnNamed(docs, QStringLiteral("DOCNO"));
  EXPECT_EQ(docno.Type.DataType, ftString);
  EXPECT_EQ(docno.Type.Size, 12);
  EXPECT_EQ(docno.KeyPosition, 1);
  EXPECT_TRUE(ColumnNamed(docs, QStringLiteral("DOCDATE")).NotNull);
  EXPECT_FALSE(ColumnNamed(docs, QStringLiteral("SUPP")).NotNull);
  EXPECT_EQ(ColumnNamed(docs, QStringLiteral("DOCDATE")).Type.DataType, ftFixedChar);
  EXPECT_EQ(ColumnNamed(docs, QStringLiteral("QTY")).Type.Precision, 12);
  EXPECT_EQ(ColumnNamed(docs, QStringLiteral("PHOTO")).Type.DataType, ftBlob);
  EXPECT_EQ(ColumnNamed(docs, QStringLiteral("CONFIRMED")).Type.DataType, ftBoolean);
  EXPECT_EQ(ColumnNamed(docs, QStringLiteral("FLAG")).KeyPosition, 0);

  const QList<TSqlColumn> lines = Db().TableColumns(QStringLiteral("DOCLINES"));
  EXPECT_EQ(ColumnNamed(lines, QStringLiteral("DOCNO")).KeyPosition, 1);
  EXPECT_EQ(ColumnNamed(lines, QStringLiteral("LINENO")).KeyPosition, 2);
  EXPECT_EQ(ColumnNamed(lines, QStringLiteral("ITEM")).KeyPosition, 0);

  EXPECT_THROW(Db().TableColumns(QStringLiteral("NO_SUCH_TABLE")), EDatabaseError);
  EXPECT_THROW(Db().TableColumns(QStringLiteral("DOCS; DROP TABLE DOCS")), EDatabaseError);
  EXPECT_EQ(Count(QStringLiteral("DOCS")), 1);
}

// Every kind of value goes in through ToSql and comes back through FromSql
// unchanged; SQL NULL comes back as Null, not as an empty value.
TEST_P(TSqlBackendTest, ValuesRoundTripThroughEveryColumnType) {
  Run(QStringLiteral("CREATE TABLE V (ID INTEGER PRIMARY KEY, S VARCHAR(20), I INTEGER, L BIGINT, "
                     "F DOUBLE PRECISION, B BOOLEAN, D DATE, TS TIMESTAMP, BL {BLOB}, M TEXT)"));
  struct TValue { const char* Column; TFieldType Type; QVariant In; QVariant Out; };
  const QByteArray bytes("\x00\x7f\x80\xff", 4);
  const TValue values[] = {
      {"S", ftString, QStringLiteral("供应商 'x' \"y\""), QStringLiteral("供应商 'x' \"y\"")},
      {"I", ftInteger, -2147483647, -2147483647},
      {"L", ftLargeint, Q_INT64_C(9007199254740993), Q_INT64_C(9007199254740993)},
      {"F", ftFloat, 1234.5625, 1234.5625},
      {"B", ftBoolean, true, true},
      {"D", ftDate, QDate(2024, 2, 29), QStringLiteral("2024-02-29")},
      {"D", ftDate, QStringLiteral("2023-12-31"), QStringLiteral("2023-12-31")},
      {"TS", ftDateTime, QStringLiteral("2024-01-31 13:45:10"), QStringLiteral("2024-01-31 13:45:10")},
      {"BL", ftBlob, bytes, bytes},
      {"M", ftMemo, QString(5000, QLatin1Char('m')), QString(5000, QLatin1Char('m'))},
      {"S", ftString, Null(), Null()},
      {"I", ftInteger, QVariant(), Null()},
  };
  int id = 0;
  for (const TValue& v : values) {
    SCOPED_TRACE(QStringLiteral("%1 %2").arg(QString::fromLatin1(v.Column), VarToStr(v.In)).toStdString());
    ++id;
    const QString column = QString::fromLatin1(v.Column);
    Run(QStringLiteral("INSERT INTO V (ID, %1) VALUES (?, ?)").arg(column), {id, Db().ToSql(v.In, v.Type)});
    const QVariant raw = Scalar(QStringLiteral("SELECT %1 FROM V WHERE ID = ?").arg(column), {id});
    EXPECT_TRUE(VarSame(Db().FromSql(raw, v.Type), v.Out)) << VarToStr(Db().FromSql(raw, v.Type)).toStdString();
  }
}

TEST_P(TSqlBackendTest, ValuesThatDoNotFitTheirTypeAreRefused) {
  struct TBad { QVariant Value; TFieldType Type; };
  const TBad bad[] = {
      {QStringLiteral("abc"), ftInteger}, {1.5, ftInteger},        {70000, ftSmallint},
      {-1, ftWord},                       {QStringLiteral("x"), ftFloat}, {QStringLiteral("maybe"), ftBoolean},
      {QVariantList{1, 2}, ftString},     {QStringLiteral("1e400"), ftFloat},
  };
  for (const TBad& b : bad) {
    SCOPED_TRACE(VarToStr(b.Value).toStdString());
    EXPECT_THROW(Db().ToSql(b.Value, b.Type), EDatabaseError);
  }
  // What does fit is converted, not refused.
  EXPECT_EQ(Db().ToSql(QStringLiteral(" 42 "), ftInteger), QVariant(42));
  EXPECT_EQ(Db().ToSql(3.0, ftInteger), QVariant(3));
  EXPECT_EQ(Db().ToSql(12, ftString), QVariant(QStringLiteral("12")));
}

// A value is bound, never pasted: text that looks like SQL is stored as it is.
TEST_P(TSqlBackendTest, ParametersAreBoundNotPasted) {
  CreateFixture(1);
  const QString hostile = QStringLiteral("x'); DROP TABLE SUPP; --");
  Run(QStringLiteral("INSERT INTO SUPP (CODE, NAME) VALUES (?, ?)"), {QStringLiteral("S9"), hostile});
  EXPECT_EQ(Scalar(QStringLiteral("SELECT NAME FROM SUPP WHERE CODE = ?"), {QStringLiteral("S9")}).toString(), hostile);
  EXPECT_EQ(Count(QStringLiteral("SUPP")), 3);
  EXPECT_THROW(Db().QuoteIdentifier(QStringLiteral("SUPP\"; DROP TABLE SUPP")), EDatabaseError);
  EXPECT_THROW(Db().QuoteIdentifier(QString()), EDatabaseError);
}

TEST_P(TSqlBackendTest, StatementErrorsCarryTheDatabaseMessage) {
  CreateFixture(1);
  try {
    Run(QStringLiteral("INSERT INTO SUPP (CODE, NAME) VALUES (?, ?)"), {QStringLiteral("S1"), QStringLiteral("dup")});
    FAIL() << "a duplicate key was accepted";
  } catch (const ESqlError& e) {
    const QString m = e.Message().toLower();
    EXPECT_TRUE(m.contains(QStringLiteral("unique")) || m.contains(QStringLiteral("duplicate"))) << e.what();
    EXPECT_FALSE(e.NativeCode().isEmpty());
  }
  EXPECT_THROW(Db().Exec(QStringLiteral("SELECT NOPE FROM SUPP")), EDatabaseError);
}

TEST_P(TSqlBackendTest, TransactionsCommitOrRollBackAsAWhole) {
  CreateFixture(1);
  const QString insert = QStringLiteral("INSERT INTO SUPP (CODE, NAME) VALUES (?, ?)");
  {
    TSqlTransaction t(Db());
    Run(insert, {QStringLiteral("S7"), QStringLiteral("seven")});
    // Leaving the scope without a commit, as an exception would.
  }
  EXPECT_EQ(Count(QStringLiteral("SUPP"), QStringLiteral("CODE = 'S7'")), 0);
  EXPECT_FALSE(Db().InTransaction());

  TSqlTransaction t(Db());
  Run(insert, {QStringLiteral("S7"), QStringLiteral("seven")});
  Db().Savepoint(QStringLiteral("one"));
  EXPECT_THROW(Run(insert, {QStringLiteral("S7"), QStringLiteral("again")}), ESqlError);
  // On PostgreSQL the failed statement spoils the transaction until its
  // savepoint is rolled back.
  Db().RollbackToSavepoint(QStringLiteral("one"));
  Run(insert, {QStringLiteral("S8"), QStringLiteral("eight")});
  t.Commit();
  EXPECT_EQ(Count(QStringLiteral("SUPP"), QStringLiteral("CODE IN ('S7', 'S8')")), 2);
}

// A cursor stays readable while the same backend writes in between, even after
// another connection committed (the case that breaks a reader on the writing
// SQLite connection), and it sees the data as it was when it started.
TEST_P(TSqlBackendTest, CursorsSurviveWritesOfTheSameAndOtherConnections) {
  CreateFixture(30);
  QSqlQuery cursor = Db().OpenCursor(QStringLiteral("SELECT DOCNO FROM DOCS ORDER BY DOCNO"));
  ASSERT_TRUE(cursor.next());
  EXPECT_EQ(cursor.value(0).toString(), QStringLiteral("D001"));

  auto other = OpenSecond();
  other->ExecChange(QStringLiteral("UPDATE DOCS SET FLAG = 2 WHERE DOCNO = ?"), {QStringLiteral("D010")});
  {
    TSqlTransaction t(Db());
    Db().ExecChange(QStringLiteral("DELETE FROM DOCS WHERE DOCNO = ?"), {QStringLiteral("D020")});
    t.Commit();
  }
  int rows = 1;
  while (cursor.next()) ++rows;
  TSqlBackend::CheckCursor(cursor);
  EXPECT_EQ(rows, 30);
  EXPECT_EQ(Count(QStringLiteral("DOCS")), 29);
}

// Each server thread works through its own connection to the same database;
// concurrent writers wait for each other instead of failing.
TEST_P(TSqlBackendTest, ThreadsWriteThroughConnectionsOfTheirOwn) {
  CreateFixture(1);
  std::atomic<int> failures{0};
  auto work = [&](int thread) {
    try {
      auto db = Db().Clone();
      db->Open();
      for (int i = 0; i < 25; ++i) {
        TSqlTransaction t(*db);
        db->ExecChange(QStringLiteral("INSERT INTO SUPP (CODE, NAME) VALUES (?, ?)"),
                       {QStringLiteral("T%1-%2").arg(thread).arg(i), QStringLiteral("thread")});
        t.Commit();
      }
    } catch (const std::exception& e) {
      ADD_FAILURE() << e.what();
      ++failures;
    }
  };
  std::thread first(work, 1), second(work, 2);
  first.join();
  second.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(Count(QStringLiteral("SUPP")), 52);
}

TEST_P(TSqlBackendTest, LimitClauseLimitsRows) {
  CreateFixture(10);
  QSqlQuery q = Db().Exec(QStringLiteral("SELECT DOCNO FROM DOCS ORDER BY DOCNO") + Db().LimitClause(3));
  int n = 0;
  while (q.next()) ++n;
  EXPECT_EQ(n, 3);
  EXPECT_TRUE(Db().LimitClause(0).isEmpty());
}

TEST_P(TSqlBackendTest, ClosedBackendRefusesWorkWithAClearMessage) {
  Db().Close();
  try {
    Db().Exec(QStringLiteral("SELECT 1"));
    FAIL() << "a closed connection ran a statement";
  } catch (const EDatabaseError& e) {
    EXPECT_TRUE(e.Message().contains(QStringLiteral("not open"))) << e.what();
  }
  Db().Open();
  EXPECT_EQ(Scalar(QStringLiteral("SELECT 1")).toInt(), 1);
}

INSTANTIATE_TEST_SUITE_P(Backends, TSqlBackendTest, ::testing::Values(bkSqlite, bkPostgres), TDbFixture::BackendName);

// --- SQLite only -----------------------------------------------------------------------

TEST(SqliteBackend, OpensInWalModeAndExposesTheRawHandles) {
  QTemporaryDir dir;
  TSqlConnectParams p;
  p.Database = dir.filePath(QStringLiteral("wal.db"));
  TSqliteBackend db(p);
  db.Open();
  QSqlQuery q = db.Exec(QStringLiteral("PRAGMA journal_mode"));
  ASSERT_TRUE(q.next());
  EXPECT_EQ(q.value(0).toString().toLower(), QStringLiteral("wal"));
  EXPECT_NE(db.Handle(), nullptr);
  EXPECT_NE(db.ReaderHandle(), nullptr);
  EXPECT_NE(db.Handle(), db.ReaderHandle());
}

TEST(SqliteBackend, UnopenableFileGivesAMessageNamingIt) {
  TSqlConnectParams p;
  p.Database = QStringLiteral("/nonexistent-folder/sub/x.db");
  auto db = TSqlBackend::Create(p);
  try {
    db->Open();
    FAIL() << "opened a file in a missing folder";
  } catch (const EDatabaseError& e) {
    EXPECT_TRUE(e.Message().contains(p.Database)) << e.what();
  }
  EXPECT_FALSE(db->IsOpen());
}
