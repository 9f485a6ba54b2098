// Company database access shared by the server objects.
#include "appserver/CompanyDb.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>

#include "appserver/AppDatabase.h"
#include "appserver/SqlGuard.h"
#include "platform/db/SqlBackend.h"
#include "platform/os/Exceptions.h"
#include "platform/variant/Variants.h"

namespace vantor {

TCompanyDb::TCompanyDb(QString database, std::unique_ptr<TSqlBackend> backend)
    : name_(std::move(database)), backend_(std::move(backend)) {
  if (!backend_) throw EDatabaseError(QStringLiteral("No connection for the database %1").arg(name_));
}

TCompanyDb::~TCompanyDb() { statements_.clear(); }

const TDialectContext& TCompanyDb::Dialect() {
  if (dialect_) return *dialect_;
  auto d = std::make_unique<TDialectContext>();
  d->Database = name_;
  QSqlQuery tables = backend_->Exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"));
  QStringList names;
  while (tables.next()) names.append(tables.value(0).toString());
  for (const QString& t : names)
    for (const TSqlColumn& c : backend_->TableColumns(t))
      if (c.Type.DataType == ftString || c.Type.DataType == ftMemo || c.Type.DataType == ftFixedChar ||
          c.Type.DataType == ftWideString)
        d->TextColumns.insert(c.Name.toUpper());
  dialect_ = std::move(d);
  return *dialect_;
}

QList<QVariantList> TCompanyDb::ClientSelect(const QString& sql) {
  const QString rewritten = RewriteClientSql(sql, Dialect());
  if (rewritten.isEmpty()) throw EDatabaseError(QStringLiteral("An empty query was sent to the server"));
  return SelectOnce(rewritten);
}

QList<QVariantList> TCompanyDb::Select(const QString& sql, const QVariantList& params) {
  QVariantList bound;
  const QString positional = ExpandPlaceholders(sql, params, bound);
  std::shared_ptr<QSqlQuery>& q = statements_[positional];
  if (statements_.size() > 256) {  // a bound on what one connection keeps
    statements_.clear();
    return SelectOnce(sql, params);
  }
  QList<QVariantList> rows;
  // The guard stays on while the statement runs: SQLite prepares it again
  // when the schema changed.
  TReadGuard guard(WriterHandle(*backend_));
  try {
    if (!q) {
      auto prepared = std::make_shared<QSqlQuery>(backend_->Database());
      prepared->setForwardOnly(true);
      if (!prepared->prepare(positional))
        throw ESqlError(prepared->lastError().text(), prepared->lastError().nativeErrorCode());
      q = prepared;
    }
    backend_->Run(*q, bound);
    rows = ReadRows(*q);
  } catch (const EDatabaseError&) {
    statements_.remove(positional);
    RethrowGuarded(positional);
  }
  q->finish();  // an open statement would pin this connection's snapshot
  return rows;
}

QList<QVariantList> TCompanyDb::SelectOnce(const QString& sql, const QVariantList& params) {
  return GuardedSelect(*backend_, sql, params);
}

bool TCompanyDb::CachedRows(const QString& key, QList<QVariantList>& rows) {
  const auto it = cache_.constFind(key);
  if (it == cache_.constEnd() || QDateTime::currentMSecsSinceEpoch() - it->At > 30000) return false;
  rows = it->Rows;
  return true;
}

void TCompanyDb::CacheRows(const QString& key, const QList<QVariantList>& rows) {
  if (cache_.size() > 1000) cache_.clear();
  cache_.insert(key, {rows, QDateTime::currentMSecsSinceEpoch()});
}

QVariant TCompanyDb::SelectValue(const QString& sql, const QVariantList& params) {
  const QList<QVariantList> rows = Select(sql, params);
  return rows.isEmpty() || rows.first().isEmpty() ? QVariant() : rows.first().first();
}

QString TCompanyDb::SysParam(const QString& company, const QString& name) {
  return VarToStr(SelectValue(
      QStringLiteral("SELECT SP003 FROM ADMSP WHERE UPPER(SP002) = UPPER(?1) AND (SP001 = ?2 OR SP001 = '') "
                     "ORDER BY SP001 DESC LIMIT 1"),
      {name, company}));
}

QString TCompanyDb::MessageText(const QString& kind, const QString& code, TMessageLanguage language) {
  const char* column = language == mlTraditional ? "MG004" : language == mlEnglish ? "MG005" : "MG003";
  return VarToStr(SelectValue(
      QStringLiteral("SELECT %1 FROM ADMMG WHERE MG001 = ?1 AND MG002 = ?2").arg(QLatin1String(column)),
      {kind.trimmed().toUpper(), code.trimmed()}));
}

QString TCompanyDb::ServerMessage(const QString& code, const QStringList& args) {
  QString text = MessageText(QStringLiteral("S"), code);
  if (text.isEmpty()) text = QStringLiteral("(%1) %s").arg(code);
  for (const QString& a : args) {
    const int at = text.indexOf(QLatin1String("%s"));
    if (at < 0) break;
    text.replace(at, 2, a);
  }
  return text;
}

TCompanyDb& TCompanyDbPool::Get(const QString& database) {
  const QString key = database.trimmed().toUpper();
  auto it = dbs_.find(key);
  if (it == dbs_.end())
    it = dbs_.insert(key, std::make_shared<TCompanyDb>(database.trimmed(), TAppDatabase::Open(database.trimmed())));
  return *it.value();
}

void TCompanyDbPool::Adopt(const QString& database, std::unique_ptr<TSqlBackend> backend) {
  dbs_.insert(database.trimmed().toUpper(), std::make_shared<TCompanyDb>(database.trimmed(), std::move(backend)));
}

TMessageLanguage MessageLanguageOf(const QString& text) {
  const QString t = text.trimmed().toUpper();
  if (t == QLatin1String("CHT") || t == QLatin1String("950") || t == QLatin1String("BIG5")) return mlTraditional;
  if (t == QLatin1String("ENG") || t == QLatin1String("437") || t == QLatin1String("EN")) return mlEnglish;
  return mlSimplified;
}

}  // namespace vantor
