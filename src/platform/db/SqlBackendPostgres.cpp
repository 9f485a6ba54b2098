// PostgreSQL specifics: connection settings, the schema of the company, and
// table columns from the catalogue.
#include "platform/db/SqlBackendPostgres.h"

#include <QStringList>

namespace vantor {

QString TPostgresBackend::DescribeTarget() const {
  const TSqlConnectParams& p = Params();
  return QStringLiteral("the PostgreSQL database \"%1\" at %2:%3").arg(p.Database, p.Host).arg(p.Port);
}

void TPostgresBackend::SetUp(QSqlDatabase& db) const {
  const TSqlConnectParams& p = Params();
  db.setHostName(p.Host);
  db.setPort(p.Port);
  db.setDatabaseName(p.Database);
  db.setUserName(p.User);
  db.setPassword(p.Password);
  db.setConnectOptions(QStringLiteral("connect_timeout=10"));
}

void TPostgresBackend::AfterOpen() {
  Exec(QStringLiteral("SET client_min_messages TO warning"));
  if (!Params().Schema.isEmpty())
    Exec(QStringLiteral("SET search_path TO ") + QuoteIdentifier(Params().Schema));
}

QSqlQuery TPostgresBackend::PrepareCursor(const QString& sql) {
  return PrepareOn(Database(), sql, false);
}

QString TPostgresBackend::QuoteIdentifier(const QString& name) const {
  QStringList parts;
  for (const QString& part : name.split(QLatin1Char('.')))
    parts.append(QLatin1Char('"') + CheckedIdentifierPart(part, name).toLower() + QLatin1Char('"'));
  return parts.join(QLatin1Char('.'));
}

QList<TSqlColumn> TPostgresBackend::TableColumns(const QString& table) {
  QuoteIdentifier(table);  // refuses anything but a plain name
  // The key position is counted from the lower bound of the index's column
  // vector, which starts at 0.
  QSqlQuery q = Exec(QStringLiteral(
      "SELECT a.attname, format_type(a.atttypid, a.atttypmod), a.attnotnull, "
      "COALESCE(array_position(i.indkey::int2[], a.attnum) - array_lower(i.indkey::int2[], 1) + 1, 0) "
      "FROM pg_attribute a "
      "LEFT JOIN pg_index i ON i.indrelid = a.attrelid AND i.indisprimary "
      "WHERE a.attrelid = to_regclass(?) AND a.attnum > 0 AND NOT a.attisdropped "
      "ORDER BY a.attnum"), {table});
  return ColumnsOf(q, table);
}

}  // namespace vantor
