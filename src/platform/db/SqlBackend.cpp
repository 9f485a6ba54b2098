// The part of the backend that both databases share: connections, statements,
// transactions, the reading of declared types and the mapping of values.
#include "platform/db/SqlBackend.h"

#include "platform/db/SqlBackendPostgres.h"
#include "platform/db/SqlBackendSqlite.h"
#include "platform/variant/Variants.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlField>
#include <QSqlRecord>
#include <QTime>
#include <atomic>
#include <cmath>
#include <limits>

namespace vantor {

namespace {

// Enough for the statements of a provider's batches; a batch with more
// column combinations than this only prepares a few statements twice.
constexpr int kMaxCachedStatements = 64;

std::atomic<quint64> connectionCounter{0};

QString NextConnectionName() {
  return QStringLiteral("vantor.sql.%1").arg(++connectionCounter);
}

// The numbers in "numeric(12, 3)" or "varchar(10)".
QList<int> TypeArguments(const QString& declared) {
  QList<int> args;
  const int open = declared.indexOf(QLatin1Char('('));
  const int close = declared.indexOf(QLatin1Char(')'), open + 1);
  if (open < 0 || close < 0) return args;
  for (const QString& part : declared.mid(open + 1, close - open - 1).split(QLatin1Char(','))) {
    bool ok = false;
    const int n = part.trimmed().toInt(&ok);
    if (ok && n >= 0) args.append(n);
  }
  return args;
}

TFieldType TextTypeOf(const QString& t) {
  if (t.contains(QLatin1String("var")) || t.contains(QLatin1String("varying")))
    return ftString;
  return ftFixedChar;
}

TFieldType BaseTypeOf(const QString& t) {
  static const QList<QPair<QString, TFieldType>> words = {
      {QStringLiteral("interval"), ftString},    {QStringLiteral("timestamp"), ftDateTime},
      {QStringLiteral("datetime"), ftDateTime},  {QStringLiteral("date"), ftDate},
      {QStringLiteral("time"), ftTime},          {QStringLiteral("bool"), ftBoolean},
      {QStringLiteral("bit"), ftBoolean},        {QStringLiteral("smallint"), ftSmallint},
      {QStringLiteral("int2"), ftSmallint},      {QStringLiteral("tinyint"), ftSmallint},
      {QStringLiteral("bigint"), ftLargeint},    {QStringLiteral("int8"), ftLargeint},
      {QStringLiteral("int"), ftInteger},        {QStringLiteral("money"), ftCurrency},
      {QStringLiteral("numeric"), ftBCD},        {QStringLiteral("decimal"), ftBCD},
      {QStringLiteral("real"), ftFloat},         {QStringLiteral("floa"), ftFloat},
      {QStringLiteral("doub"), ftFloat},         {QStringLiteral("blob"), ftBlob},
      {QStringLiteral("bytea"), ftBlob},         {QStringLiteral("binary"), ftBlob},
      {QStringLiteral("image"), ftBlob},         {QStringLiteral("text"), ftMemo},
      {QStringLiteral("clob"), ftMemo},          {QStringLiteral("char"), ftString},
  };
  for (const auto& [word, type] : words)
    if (t.startsWith(word) || (word.size() > 3 && t.contains(word))) return type;
  // The embedded database's own rule: any type naming "int" holds integers.
  if (t.contains(QLatin1String("int"))) return ftInteger;
  return ftUnknown;
}

[[noreturn]] void NotFit(const QVariant& v, const QString& what) {
  throw EDatabaseError(QStringLiteral("The value \"%1\" is not %2").arg(VarToStr(v), what));
}

qint64 ToInteger(const QVariant& v, qint64 min, qint64 max) {
  bool ok = false;
  qint64 n = 0;
  if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float) {
    const double d = v.toDouble();
    ok = std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 9.2e18;
    n = qint64(d);
  } else if (v.typeId() == QMetaType::Bool) {
    ok = true;
    n = v.toBool() ? 1 : 0;
  } else if (VarIsNumeric(v)) {
    ok = v.typeId() != QMetaType::ULongLong || v.toULongLong() <= quint64(std::numeric_limits<qint64>::max());
    n = v.toLongLong();
  } else {
    n = v.toString().trimmed().toLongLong(&ok);
  }
  if (!ok) NotFit(v, QStringLiteral("an integer"));
  if (n < min || n > max) NotFit(v, QStringLiteral("within %1..%2").arg(min).arg(max));
  return n;
}

double ToDouble(const QVariant& v) {
  bool ok = false;
  const double d = v.typeId() == QMetaType::QString ? v.toString().trimmed().toDouble(&ok)
                                                    : v.toDouble(&ok);
  if (!ok || !std::isfinite(d)) NotFit(v, QStringLiteral("a number"));
  return d;
}

bool ToBool(const QVariant& v) {
  if (v.typeId() == QMetaType::Bool) return v.toBool();
  if (v.typeId() == QMetaType::QString) {
    const QString s = v.toString().trimmed().toLower();
    if (s == QLatin1String("t") || s == QLatin1String("true") || s == QLatin1String("1")) return true;
    if (s == QLatin1String("f") || s == QLatin1String("false") || s == QLatin1String("0")) return false;
    NotFit(v, QStringLiteral("a Boolean"));
  }
  return ToInteger(v, std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max()) != 0;
}

// Date values arrive as text, as a QDate/QDateTime, or as a TDateTime number.
QString ToDateText(const QVariant& v, TFieldType type) {
  QDateTime dt;
  switch (v.typeId()) {
    case QMetaType::QString: return v.toString();
    case QMetaType::QDate: dt = QDateTime(v.toDate(), QTime(0, 0)); break;
    case QMetaType::QTime: dt = QDateTime(QDate(1899, 12, 30), v.toTime()); break;
    case QMetaType::QDateTime: dt = v.toDateTime(); break;
    default:
      if (!VarIsNumeric(v)) NotFit(v, QStringLiteral("a date"));
      dt = DateTimeToQDateTime(v.toDouble());
  }
  if (!dt.isValid()) NotFit(v, QStringLiteral("a date"));
  if (type == ftDate) return dt.date().toString(Qt::ISODate);
  const QString fmt = dt.time().msec() ? QStringLiteral("HH:mm:ss.zzz") : QStringLiteral("HH:mm:ss");
  const QString time = dt.time().toString(fmt);
  return type == ftTime ? time : dt.date().toString(Qt::ISODate) + QLatin1Char(' ') + time;
}

QString FromDateValue(const QVariant& v, TFieldType type) {
  switch (v.typeId()) {
    case QMetaType::QDate: return v.toDate().toString(Qt::ISODate);
    case QMetaType::QTime:
    case QMetaType::QDateTime: {
      const QDateTime dt = v.typeId() == QMetaType::QTime ? QDateTime(QDate(1899, 12, 30), v.toTime())
                                                          : v.toDateTime();
      return ToDateText(dt, type);
    }
    default: return v.toString();
  }
}

TSqlTypeInfo TypeOfMeta(const QSqlField& f) {
  switch (f.metaType().id()) {
    case QMetaType::Bool: return {ftBoolean, 0, 0};
    case QMetaType::Short: case QMetaType::UShort: return {ftSmallint, 0, 0};
    case QMetaType::Int: case QMetaType::UInt: return {ftInteger, 0, 0};
    case QMetaType::LongLong: case QMetaType::ULongLong: return {ftLargeint, 0, 0};
    case QMetaType::Double: case QMetaType::Float: return {ftFloat, 0, 0};
    case QMetaType::QDate: return {ftDate, 0, 0};
    case QMetaType::QTime: return {ftTime, 0, 0};
    case QMetaType::QDateTime: return {ftDateTime, 0, 0};
    case QMetaType::QByteArray: return {ftBlob, 0, 0};
    case QMetaType::QString: return {ftString, f.length() > 0 ? f.length() : 0, 0};
    default: return {ftUnknown, 0, 0};
  }
}

}  // namespace

// --- declared types -----------------------------------------------------------------

TSqlTypeInfo FieldTypeOfDeclared(const QString& declared) {
  const QString t = declared.trimmed().toLower();
  TSqlTypeInfo info;
  if (t.isEmpty()) return info;
  const QList<int> args = TypeArguments(t);
  info.DataType = BaseTypeOf(t);
  if (info.DataType == ftString && !t.startsWith(QLatin1String("interval"))) {
    info.DataType = TextTypeOf(t);
    if (args.isEmpty()) {
      // A text without a length: a bare "char" is one character, any other is
      // unbounded.
      if (info.DataType == ftFixedChar && !t.startsWith(QLatin1String("character varying")))
        info.Size = 1;
      else
        info.DataType = ftMemo;
    } else {
      info.Size = args[0];
    }
  } else if (info.DataType == ftBCD) {
    if (args.isEmpty()) return {ftFloat, 0, 0};
    info.Precision = args[0];
    info.Size = args.size() > 1 ? args[1] : 0;
  } else if (info.DataType == ftBlob && (t.startsWith(QLatin1String("binary")) ||
                                         t.startsWith(QLatin1String("varbinary")))) {
    info.Size = args.isEmpty() ? 0 : args[0];
  }
  return info;
}

// --- connection ------------------------------------------------------------------------

std::unique_ptr<TSqlBackend> TSqlBackend::Create(const TSqlConnectParams& params) {
  switch (params.Kind) {
    case bkSqlite: return std::make_unique<TSqliteBackend>(params);
    case bkPostgres: return std::make_unique<TPostgresBackend>(params);
  }
  throw EDatabaseError(QStringLiteral("Unknown database kind %1").arg(int(params.Kind)));
}

TSqlBackend::TSqlBackend(TSqlConnectParams params)
    : params_(std::move(params)), connectionName_(NextConnectionName()) {}

TSqlBackend::~TSqlBackend() {
  // Only the main connection is left here: a derived backend closes its own
  // connections in its destructor, which has already run.
  statements_.clear();
  if (QSqlDatabase::contains(connectionName_)) {
    QSqlDatabase::database(connectionName_, false).close();
    QSqlDatabase::removeDatabase(connectionName_);
  }
}

QSqlDatabase TSqlBackend::OpenConnection(const QString& name, bool readOnly) {
  if (!QSqlDatabase::isDriverAvailable(DriverName()))
    throw EDatabaseError(QStringLiteral("The database driver %1 is not installed").arg(DriverName()));
  QSqlDatabase db = QSqlDatabase::addDatabase(DriverName(), name);
  SetUp(db);
  if (readOnly)
    db.setConnectOptions(db.connectOptions() + QStringLiteral(";QSQLITE_OPEN_READONLY"));
  if (!db.open()) {
    const QString message = db.lastError().text();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(name);
    throw ESqlError(QStringLiteral("Cannot open %1: %2").arg(DescribeTarget(), message), QString());
  }
  return db;
}

void TSqlBackend::Open() {
  if (open_) return;
  OpenConnection(connectionName_, false);
  open_ = true;
  try {
    AfterOpen();
  } catch (...) {
    Close();
    throw;
  }
}

void TSqlBackend::Close() {
  statements_.clear();
  CloseExtra();
  if (QSqlDatabase::contains(connectionName_)) {
    QSqlDatabase::database(connectionName_, false).close();
    QSqlDatabase::removeDatabase(connectionName_);
  }
  open_ = false;
  inTransaction_ = false;
}

QSqlDatabase TSqlBackend::Database() const {
  if (!open_)
    throw EDatabaseError(QStringLiteral("The connection to %1 is not open").arg(DescribeTarget()));
  return QSqlDatabase::database(connectionName_, false);
}

// --- statements ---------------------------------------------------------------------------

// The PostgreSQL driver frames the server's text as "ERROR:  text\n(code)";
// the code travels apart, the severity says nothing here.
void TSqlBackend::RaiseSqlError(const QSqlError& e, const QString& sql) {
  QString message = e.databaseText().trimmed();
  const QString codeSuffix = QLatin1Char('(') + e.nativeErrorCode() + QLatin1Char(')');
  if (!e.nativeErrorCode().isEmpty() && message.endsWith(codeSuffix)) message.chop(codeSuffix.size());
  if (message.startsWith(QLatin1String("ERROR:"))) message = message.mid(6);
  message = message.trimmed();
  if (message.isEmpty()) message = e.driverText().trimmed();
  if (message.isEmpty()) message = QStringLiteral("The statement failed: %1").arg(sql);
  throw ESqlError(message, e.nativeErrorCode());
}

QSqlQuery TSqlBackend::PrepareOn(const QSqlDatabase& db, const QString& sql, bool forwardOnly) {
  QSqlQuery q(db);
  q.setForwardOnly(forwardOnly);
  if (!q.prepare(sql)) RaiseSqlError(q.lastError(), sql);
  return q;
}

void TSqlBackend::Run(QSqlQuery& q, const QVariantList& params) {
  for (qsizetype i = 0; i < params.size(); ++i) {
    // A typed null: some drivers format an untyped one badly.
    const QVariant& v = params[i];
    q.bindValue(int(i), VarIsBlank(v) ? QVariant(QMetaType(QMetaType::QString)) : v);
  }
  if (!q.exec()) RaiseSqlError(q.lastError(), q.lastQuery());
}

QSqlQuery TSqlBackend::OpenCursor(const QString& sql, const QVariantList& params) {
  QSqlQuery q = PrepareCursor(sql);
  Run(q, params);
  return q;
}

// Statements without parameters run unprepared: PostgreSQL cannot prepare
// transaction control or session settings.
QSqlQuery TSqlBackend::Exec(const QString& sql, const QVariantList& params) {
  QSqlQuery q(Database());
  q.setForwardOnly(true);
  if (params.isEmpty()) {
    if (!q.exec(sql)) RaiseSqlError(q.lastError(), sql);
    return q;
  }
  if (!q.prepare(sql)) RaiseSqlError(q.lastError(), sql);
  Run(q, params);
  return q;
}

QSqlQuery& TSqlBackend::CachedStatement(const QString& sql) {
  auto it = statements_.find(sql);
  if (it == statements_.end()) {
    if (statements_.size() >= kMaxCachedStatements) statements_.clear();
    it = statements_.insert(sql, std::make_shared<QSqlQuery>(PrepareOn(Database(), sql, true)));
  }
  return **it;
}

int TSqlBackend::ExecChange(const QString& sql, const QVariantList& params) {
  if (params.isEmpty()) return Exec(sql).numRowsAffected();
  QSqlQuery& q = CachedStatement(sql);
  Run(q, params);
  const int affected = q.numRowsAffected();
  q.finish();
  return affected;
}

// Savepoints come and go with every row of a batch: prepared once where the
// database allows it.
void TSqlBackend::ExecControl(const QString& sql) {
  if (!PreparesControlStatements()) {
    Exec(sql);
    return;
  }
  QSqlQuery& q = CachedStatement(sql);
  Run(q, {});
  q.finish();
}

void TSqlBackend::CheckCursor(const QSqlQuery& q) {
  if (q.lastError().isValid()) RaiseSqlError(q.lastError(), q.lastQuery());
}

QList<TSqlTypeInfo> TSqlBackend::ResultTypes(const QString& sql, const QVariantList& params) {
  QSqlQuery q = Exec(sql, params);
  const QSqlRecord rec = q.record();
  QList<TSqlTypeInfo> types;
  for (int i = 0; i < rec.count(); ++i) types.append(TypeOfMeta(rec.field(i)));
  return types;
}

// --- transactions ---------------------------------------------------------------------------

void TSqlBackend::BeginTransaction() {
  if (inTransaction_) throw EDatabaseError(QStringLiteral("A transaction is already running"));
  ExecControl(BeginStatement());
  inTransaction_ = true;
}

void TSqlBackend::Commit() {
  if (!inTransaction_) throw EDatabaseError(QStringLiteral("No transaction to commit"));
  ExecControl(QStringLiteral("COMMIT"));
  inTransaction_ = false;
}

void TSqlBackend::Rollback() {
  if (!inTransaction_) return;
  inTransaction_ = false;
  ExecControl(QStringLiteral("ROLLBACK"));
}

void TSqlBackend::Savepoint(const QString& name) {
  ExecControl(QStringLiteral("SAVEPOINT ") + QuoteIdentifier(name));
}

void TSqlBackend::ReleaseSavepoint(const QString& name) {
  ExecControl(QStringLiteral("RELEASE SAVEPOINT ") + QuoteIdentifier(name));
}

void TSqlBackend::RollbackToSavepoint(const QString& name) {
  ExecControl(QStringLiteral("ROLLBACK TO SAVEPOINT ") + QuoteIdentifier(name));
}

TSqlTransaction::~TSqlTransaction() {
  if (done_) return;
  try {
    backend_.Rollback();
  } catch (const Exception&) {
    // The connection is gone or broken; the database drops the transaction itself.
  }
}

void TSqlTransaction::Commit() {
  done_ = true;
  try {
    backend_.Commit();
  } catch (...) {
    try { backend_.Rollback(); } catch (const Exception&) {}
    throw;
  }
}

void TSqlTransaction::Rollback() {
  done_ = true;
  backend_.Rollback();
}

// --- dialect --------------------------------------------------------------------------------

QString TSqlBackend::CheckedIdentifierPart(const QString& part, const QString& whole) {
  static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_$]*$"));
  if (!plain.match(part).hasMatch())
    throw EDatabaseError(QStringLiteral("\"%1\" is not a valid table or column name").arg(whole));
  return part;
}

QString TSqlBackend::LimitClause(int rows) const {
  return rows > 0 ? QStringLiteral(" LIMIT %1").arg(rows) : QString();
}

// --- values ----------------------------------------------------------------------------------

QVariant TSqlBackend::ToSql(const QVariant& v, TFieldType type) const {
  if (VarIsBlank(v)) return QVariant();
  if (VarIsArray(v)) NotFit(v, QStringLiteral("a single value"));
  switch (type) {
    case ftSmallint: return int(ToInteger(v, -32768, 32767));
    case ftWord: return int(ToInteger(v, 0, 65535));
    case ftInteger: case ftAutoInc:
      return int(ToInteger(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
    case ftLargeint:
      return ToInteger(v, std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max());
    case ftFloat: case ftCurrency: case ftBCD: return ToDouble(v);
    case ftBoolean: return ToBool(v);
    case ftDate: case ftTime: case ftDateTime: return ToDateText(v, type);
    case ftBlob: case ftBytes: case ftVarBytes: case ftGraphic: case ftTypedBinary:
      return v.typeId() == QMetaType::QByteArray ? v : QVariant(v.toString().toUtf8());
    default:
      return v.typeId() == QMetaType::QString ? v : QVariant(VarToStr(v));
  }
}

QVariant TSqlBackend::FromSql(const QVariant& v, TFieldType type) const {
  if (!v.isValid() || v.isNull()) return Null();
  switch (type) {
    case ftSmallint: case ftWord: case ftInteger: case ftAutoInc:
      return int(ToInteger(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
    case ftLargeint:
      return ToInteger(v, std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max());
    case ftFloat: case ftCurrency: case ftBCD: return ToDouble(v);
    case ftBoolean: return ToBool(v);
    case ftDate: case ftTime: case ftDateTime: return FromDateValue(v, type);
    case ftBlob: case ftBytes: case ftVarBytes: case ftGraphic: case ftTypedBinary:
      return v.toByteArray();
    case ftUnknown: return v;
    default: return v.toString();
  }
}

QList<TSqlColumn> TSqlBackend::ColumnsOf(QSqlQuery& q, const QString& table) const {
  QList<TSqlColumn> columns;
  while (q.next()) {
    TSqlColumn c;
    c.Name = q.value(0).toString();
    c.DeclaredType = q.value(1).toString();
    c.Type = FieldTypeOfDeclared(c.DeclaredType);
    c.NotNull = q.value(2).toBool();
    c.KeyPosition = q.value(3).toInt();
    columns.append(c);
  }
  CheckCursor(q);
  if (columns.isEmpty())
    throw EDatabaseError(QStringLiteral("The table %1 does not exist in %2").arg(table, DescribeTarget()));
  return columns;
}

}  // namespace vantor
