// A PostgreSQL server through Qt's PostgreSQL driver, for several application
// servers sharing one database. A cursor's result is held whole by the client
// library, so other statements can run on the connection while it is read.
#pragma once

#include "platform/db/SqlBackend.h"

namespace vantor {

class TPostgresBackend : public TSqlBackend {
public:
  explicit TPostgresBackend(TSqlConnectParams params) : TSqlBackend(std::move(params)) {}

  QSqlQuery PrepareCursor(const QString& sql) override;
  QList<TSqlColumn> TableColumns(const QString& table) override;
  QString QuoteIdentifier(const QString& name) const override;

protected:
  QString DriverName() const override { return QStringLiteral("QPSQL"); }
  void SetUp(QSqlDatabase& db) const override;
  void AfterOpen() override;
  QString DescribeTarget() const override;
};

}  // namespace vantor
