// The validator's and counter's server side.
#include "appserver/NexsrvService.h"

#include "appserver/Catalogue.h"
#include "appserver/Procedures.h"
#include "appserver/ServerArgs.h"
#include "appserver/SqlText.h"
#include "platform/db/SqlBackend.h"
#include "platform/os/Exceptions.h"
#include "platform/variant/Variants.h"

namespace vantor {

namespace {

const TOleClassRegistrar registrar(TNexsrvService::ProgId(), [] { return TDispatchRef(new TNexsrvService); });

QVariantList RowsToVariant(const QList<QVariantList>& rows) {
  QVariantList out;
  for (const QVariantList& r : rows) out.append(QVariant(r));
  return out;
}

}  // namespace

QString TNexsrvService::ProgId() { return QStringLiteral("Nexsrv01S.Service"); }

TNexsrvService::TNexsrvService() { RegisterMembers(); }

void TNexsrvService::RegisterMembers() {
  const auto check = [this](QVariantList& a, bool rows) {
    TServerArgs args(a, rows ? "QueryData" : "CheckValue", 5);
    QVariant result;
    const bool found = rows ? QueryData(args.Text(0), args.Text(1), args.Text(2), a[3], result)
                            : CheckValue(args.Text(0), args.Text(1), args.Text(2), a[3], result);
    a[4] = result;
    return QVariant(found);
  };
  Method(QStringLiteral("CheckValue"), [check](QVariantList& a) { return check(a, false); });
  Method(QStringLiteral("QueryData"), [check](QVariantList& a) { return check(a, true); });
  Method(QStringLiteral("QueryMaxSeq"), [this](QVariantList& a) {
    TServerArgs args(a, "QueryMaxSeq", 7);
    QString number;
    const bool ok = QueryMaxSeq(args.Text(0), args.Text(1), a[2], args.Text(5), number);
    a[6] = number;
    return QVariant(ok);
  });
  Method(QStringLiteral("GetSysInfo"), [this](QVariantList& a) {
    TServerArgs args(a, "GetSysInfo", 1);
    return GetSysInfo(args.Text(0), args.OptionalText(1));
  });
  Method(QStringLiteral("GETCOUNTER"), [this](QVariantList& a) {
    TServerArgs args(a, "GETCOUNTER", 2);
    return GetCounter(args.Text(0), a[1], a.value(2));
  });
  Method(QStringLiteral("GetMessage"), [this](QVariantList& a) {
    TServerArgs args(a, "GetMessage", 2);
    return QVariant(GetMessage(args.Text(0), args.Text(1), args.OptionalText(2), args.OptionalText(3)));
  });
  Property(QStringLiteral("ProductID"), [this] { return productId_; }, [this](const QVariant& v) { productId_ = v; });
  Property(QStringLiteral("BaseLimited"), [this] { return baseLimited_; }, [this](const QVariant& v) { baseLimited_ = v; });
  Property(QStringLiteral("DatabaseName"), [this] { return QVariant(database_); },
           [this](const QVariant& v) { database_ = VarToStr(v).trimmed(); });
  Property(QStringLiteral("CompanyID"), [this] { return QVariant(company_); },
           [this](const QVariant& v) { company_ = VarToStr(v).trimmed(); });
}

TCompanyDb& TNexsrvService::Db(const QString& database) {
  const QString name = database.trimmed().isEmpty() ? database_ : database.trimmed();
  if (name.isEmpty())
    throw EDatabaseError(QStringLiteral("No company database was named: set DatabaseName or pass the database"));
  TCompanyDb& db = pool_.Get(name);
  database_ = name;
  return db;
}

bool TNexsrvService::CheckValue(const QString& table, const QString& kind, const QString& database,
                                const QVariant& params, QVariant& result) {
  TCatalogue catalogue(Db(database));
  const TCheckDef check = catalogue.Check(table, kind);
  const QList<QVariantList> rows = catalogue.RunCheck(check, CatalogueParams(params, QStringLiteral("CheckValue")));
  result = rows.isEmpty() ? QVariant() : QVariant(rows.first());
  return !rows.isEmpty();
}

bool TNexsrvService::QueryData(const QString& table, const QString& kind, const QString& database,
                               const QVariant& params, QVariant& result) {
  TCatalogue catalogue(Db(database));
  const TCheckDef check = catalogue.Check(table, kind);
  const QList<QVariantList> rows = catalogue.RunCheck(check, CatalogueParams(params, QStringLiteral("QueryData")));
  result = rows.isEmpty() ? QVariant() : QVariant(RowsToVariant(rows));
  return !rows.isEmpty();
}

// The next value of the last field of the list among the rows whose
// earlier fields equal the values given: the highest one plus one, in the
// same width; "1" padded to the column's width when there is none.
bool TNexsrvService::QueryMaxSeq(const QString& table, const QString& fields, const QVariant& values,
                                 const QString& database, QString& number) {
  TCompanyDb& db = Db(database);
  const QStringList names = fields.split(QLatin1Char(','), Qt::SkipEmptyParts);
  if (!IsPlainIdentifier(table.trimmed()) || names.isEmpty())
    throw EDatabaseError(QStringLiteral("QueryMaxSeq: \"%1\" / \"%2\" is not a table and its key fields").arg(table, fields));
  const QList<TSqlColumn> columns = db.Backend().TableColumns(table.trimmed());
  const QVariantList given = CatalogueParams(values, QStringLiteral("QueryMaxSeq"));
  QStringList where;
  QVariantList bound;
  int width = 0;
  for (int i = 0; i < names.size(); ++i) {
    const QString n = names[i].trimmed();
    const auto col = std::find_if(columns.begin(), columns.end(),
                                  [&n](const TSqlColumn& c) { return c.Name.compare(n, Qt::CaseInsensitive) == 0; });
    if (col == columns.end()) throw EDatabaseError(QStringLiteral("QueryMaxSeq: the table %1 has no field %2").arg(table, n));
    if (i + 1 == names.size()) { width = col->Type.Size; break; }
    where.append(QStringLiteral("%1 = ?%2").arg(col->Name).arg(i + 1));
    bound.append(given.value(i, QStringLiteral("")));
  }
  const QString last = names.last().trimmed();
  const QString sql = QStringLiteral("SELECT MAX(%1) FROM %2%3").arg(last, table.trimmed(),
      where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND ")));
  const QList<QVariantList> found = db.SelectOnce(sql, bound);
  const QString highest = found.isEmpty() ? QString() : VarToStr(found.first().value(0)).trimmed();
  bool numeric = false;
  const qint64 n = highest.isEmpty() ? 0 : highest.toLongLong(&numeric);
  if (!highest.isEmpty() && !numeric) return false;
  const int digits = qMax(int(highest.size()), width > 0 ? qMin(width, 4) : 4);
  number = QString::number(n + 1).rightJustified(digits, QLatin1Char('0'));
  return true;
}

QVariant TNexsrvService::GetSysInfo(const QString& company, const QString& database) {
  TCompanyDb& db = Db(database.isEmpty() && database_.isEmpty() ? company : database);
  const QList<QVariantList> rows = db.Select(
      QStringLiteral("SELECT SP002, SP003 FROM ADMSP WHERE SP001 = '' AND SP002 NOT IN "
                     "(SELECT SP002 FROM ADMSP WHERE SP001 = ?1 AND ?1 <> '') "
                     "UNION ALL SELECT SP002, SP003 FROM ADMSP WHERE SP001 = ?1 AND ?1 <> '' ORDER BY 1"),
      {company.trimmed()});
  if (rows.isEmpty()) return QVariant();
  TVarMatrix m(0, 1, 0, int(rows.size()) - 1);
  for (int i = 0; i < rows.size(); ++i) {
    m.Set(0, i, rows[i][0]);
    m.Set(1, i, rows[i][1]);
  }
  return QVariant::fromValue(m);
}

QVariant TNexsrvService::GetCounter(const QString& name, const QVariant& params, const QVariant& context) {
  QString company = company_, database;
  if (VarIsArray(context)) {
    const QVariantList c = context.toList();
    if (!c.isEmpty() && !VarToStr(c[0]).isEmpty()) company = VarToStr(c[0]).trimmed();
    if (c.size() > 1) database = VarToStr(c[1]).trimmed();
  }
  TProcedures procedures(Db(database), company);
  return procedures.Run(name.trimmed(), params);
}

QString TNexsrvService::GetMessage(const QString& kind, const QString& code, const QString& language,
                                   const QString& database) {
  const QString k = kind.trimmed().toUpper() == QLatin1String("T") ? QStringLiteral("E") : kind;
  const QString text = Db(database).MessageText(k, code, MessageLanguageOf(language));
  return text.isEmpty() ? QStringLiteral("(%1/%2)").arg(kind.trimmed(), code.trimmed()) : text;
}

}  // namespace vantor
