// The embedded database: a SQLite file through Qt's SQLite driver, in WAL mode
// so that readers never wait for the writer. Cursors read on a second,
// read-only connection to the same file: a reader left open on the writing
// connection would pin an old snapshot and make the next write transaction
// fail as soon as another connection had committed.
#pragma once

#include "platform/db/SqlBackend.h"

struct sqlite3;

namespace vantor {

class TSqliteBackend : public TSqlBackend {
public:
  explicit TSqliteBackend(TSqlConnectParams params);
  ~TSqliteBackend() override;

  QSqlQuery PrepareCursor(const QString& sql) override;
  QList<TSqlColumn> TableColumns(const QString& table) override;
  QString QuoteIdentifier(const QString& name) const override;

  // The raw handles, for whoever installs an authorizer on them: the writing
  // connection, and the one that cursors read on (opened on first use).
  sqlite3* Handle() const;
  sqlite3* ReaderHandle();
  QSqlDatabase ReaderDatabase();

protected:
  QString DriverName() const override { return QStringLiteral("QSQLITE"); }
  void SetUp(QSqlDatabase& db) const override;
  void AfterOpen() override;
  QString BeginStatement() const override { return QStringLiteral("BEGIN IMMEDIATE"); }
  bool PreparesControlStatements() const override { return true; }
  QString DescribeTarget() const override;
  void CloseExtra() override;

private:
  bool InMemory() const;
  QString readerName_;
  bool readerOpen_ = false;
};

}  // namespace vantor
