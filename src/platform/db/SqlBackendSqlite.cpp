// SQLite specifics: connection options, the reading connection, table columns
// from the table_info pragma, and the handles for the SQL guard.
#include "platform/db/SqlBackendSqlite.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QStringList>

namespace vantor {

namespace {

sqlite3* HandleOf(const QSqlDatabase& db) {
  const QVariant h = db.driver()->handle();
  if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3*") != 0) return nullptr;
  return *static_cast<sqlite3* const*>(h.constData());
}

}  // namespace

TSqliteBackend::TSqliteBackend(TSqlConnectParams params)
    : TSqlBackend(std::move(params)), readerName_(ConnectionName() + QStringLiteral(".read")) {}

TSqliteBackend::~TSqliteBackend() { CloseExtra(); }

bool TSqliteBackend::InMemory() const {
  return Params().Database.isEmpty() || Params().Database == QLatin1String(":memory:");
}

QString TSqliteBackend::DescribeTarget() const {
  return QStringLiteral("the SQLite database \"%1\"").arg(Params().Database);
}

void TSqliteBackend::SetUp(QSqlDatabase& db) const {
  db.setDatabaseName(Params().Database);
  db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(qMax(0, Params().BusyTimeoutMs)));
}

void TSqliteBackend::AfterOpen() {
  if (!InMemory()) Exec(QStringLiteral("PRAGMA journal_mode=WAL"));
  // In WAL mode NORMAL loses no committed transaction on a crash of the
  // process, only on a power cut, and saves a sync per commit.
  Exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
  Exec(QStringLiteral("PRAGMA foreign_keys=ON"));
}

void TSqliteBackend::CloseExtra() {
  if (!readerOpen_) return;
  readerOpen_ = false;
  QSqlDatabase::database(readerName_, false).close();
  QSqlDatabase::removeDatabase(readerName_);
}

QSqlDatabase TSqliteBackend::ReaderDatabase() {
  if (InMemory()) return Database();  // a memory database cannot be shared
  Database();                          // raises when this backend is closed
  if (!readerOpen_) {
    OpenConnection(readerName_, true);
    readerOpen_ = true;
  }
  return QSqlDatabase::database(readerName_, false);
}

QSqlQuery TSqliteBackend::PrepareCursor(const QString& sql) {
  return PrepareOn(ReaderDatabase(), sql, true);
}

sqlite3* TSqliteBackend::Handle() const { return HandleOf(Database()); }
sqlite3* TSqliteBackend::ReaderHandle() { return HandleOf(ReaderDatabase()); }

QString TSqliteBackend::QuoteIdentifier(const QString& name) const {
  QStringList parts;
  for (const QString& part : name.split(QLatin1Char('.')))
    parts.append(QLatin1Char('"') + CheckedIdentifierPart(part, name) + QLatin1Char('"'));
  return parts.join(QLatin1Char('.'));
}

QList<TSqlColumn> TSqliteBackend::TableColumns(const QString& table) {
  QuoteIdentifier(table);  // refuses anything but a plain name
  QSqlQuery q = Exec(QStringLiteral("SELECT name, type, \"notnull\", pk FROM pragma_table_info(?)"),
                     {table});
  return ColumnsOf(q, table);
}

}  // namespace vantor
