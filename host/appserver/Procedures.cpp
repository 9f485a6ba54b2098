// The handlers of the named procedures.
#include "appserver/Procedures.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QXmlStreamWriter>
#include <cmath>

#include "appserver/Catalogue.h"
#include "appserver/CompanyDb.h"
#include "appserver/SqlText.h"
#include "platform/db/SqlBackend.h"
#include "platform/os/Exceptions.h"
#include "platform/variant/Variants.h"

namespace vantor {

namespace {

const QString kAllPrograms = QStringLiteral("********************");

QVariantList RowsToVariant(const QList<QVariantList>& rows) {
  QVariantList out;
  out.reserve(rows.size());
  for (const QVariantList& r : rows) out.append(QVariant(r));
  return out;
}

QString Stamp() { return QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmsszzz")); }

}  // namespace

QVariant TProcedures::Run(const QString& name, const QVariant& params) {
  TCatalogue catalogue(db_);
  const TProcedureDef def = catalogue.Procedure(name);
  name_ = name;
  if (!VarIsArray(params) && !VarIsBlank(params))
    throw EDatabaseError(QStringLiteral("%1: the parameters must be an array").arg(name));
  const QVariantList p = VarIsArray(params) ? params.toList() : QVariantList();
  const QString h = def.Handler.toUpper();
  if (h == QLatin1String("SIMPLESQL")) return SimpleSql(p);
  if (h == QLatin1String("UNITCONVERT")) return UnitConvert(def.Query, p);
  if (h == QLatin1String("GETUSERDEFINE")) return GetUserDefine(p);
  if (h == QLatin1String("SETUSERDEFINE")) return SetUserDefine(p);
  if (h == QLatin1String("QUERYUDFDATA")) return QueryUdfData(p);
  if (h == QLatin1String("TRANSACTIONSQL")) return TransactionSql(p);
  if (h == QLatin1String("UPDATEUDFFIELDS")) return UpdateUdfFields(p);
  if (h == QLatin1String("DOUPDATEUDFFIELDS")) return DoUpdateUdfFields(p);
  throw EDatabaseError(QStringLiteral("The procedure %1 names an unknown handler \"%2\"").arg(name, def.Handler));
}

namespace {

void Need(const QVariantList& p, int count, const QString& name, const char* shape) {
  if (p.size() < count)
    throw EDatabaseError(QStringLiteral("%1 expects [%2], got %3 element(s)").arg(name, QLatin1String(shape)).arg(p.size()));
}

QString Text(const QVariantList& p, int i, const QString& name) {
  if (VarIsArray(p[i]))
    throw EDatabaseError(QStringLiteral("%1: element %2 must be a text, not an array").arg(name).arg(i));
  return VarToStr(p[i]);
}

double Number(const QVariantList& p, int i, const QString& name) {
  bool ok = false;
  const double d = VarIsBlank(p[i]) ? 0.0 : p[i].toDouble(&ok);
  if (!VarIsBlank(p[i]) && (!ok || VarIsArray(p[i])))
    throw EDatabaseError(QStringLiteral("%1: element %2 (\"%3\") is not a number").arg(name).arg(i).arg(VarToStr(p[i])));
  return d;
}

}  // namespace

QVariant TProcedures::SimpleSql(const QVariantList& p) {
  Need(p, 1, name_, "query, columns, database, \"N\"");
  return RowsToVariant(db_.ClientSelect(Text(p, 0, name_)));
}

double TProcedures::UnitFactor(const QString& query, const QString& item, const QString& unit) {
  const QList<QVariantList> rows = db_.Select(query, {item, unit});
  if (rows.isEmpty() || rows.first().isEmpty() || VarIsNull(rows.first().first()))
    throw EDatabaseError(QStringLiteral("The item %1 has no conversion for the unit \"%2\"").arg(item, unit));
  return rows.first().first().toDouble();
}

QVariant TProcedures::UnitConvert(const QString& query, const QVariantList& p) {
  Need(p, 4, name_, "item, quantity, unit, target unit");
  const QString item = Text(p, 0, name_), from = Text(p, 2, name_).trimmed(), to = Text(p, 3, name_).trimmed();
  const double quantity = Number(p, 1, name_);
  if (to.isEmpty() || from.isEmpty()) return QVariantList{0.0};
  if (from.compare(to, Qt::CaseInsensitive) == 0) return QVariantList{quantity};
  const double converted = quantity * UnitFactor(query, item, from) / UnitFactor(query, item, to);
  return QVariantList{std::round(converted * 1e6) / 1e6};
}

QVariant TProcedures::GetUserDefine(const QVariantList& p) {
  Need(p, 4, name_, "company, user, program, section");
  const QString section = Text(p, 3, name_).trimmed();
  if (!IsPlainIdentifier(section)) throw EDatabaseError(QStringLiteral("%1: \"%2\" is not a section name").arg(name_, section));
  // Settings for every program first, so that the program's own win.
  const QList<QVariantList> rows = db_.Select(
      QStringLiteral("SELECT UD005, UD006 FROM ADMUD WHERE UD001 = ?1 AND UD002 = ?2 AND (UD003 = ?3 OR UD003 = ?4) "
                     "AND UD004 = ?5 ORDER BY CASE WHEN UD003 = ?4 THEN 0 ELSE 1 END, UD005"),
      {Text(p, 0, name_), Text(p, 1, name_), Text(p, 2, name_), kAllPrograms, section});
  if (rows.isEmpty()) return QString();
  QMap<QString, QString> values;
  for (const QVariantList& r : rows) values.insert(VarToStr(r[0]), VarToStr(r[1]));
  QString xml;
  QXmlStreamWriter w(&xml);
  w.writeStartElement(section);
  if (section.compare(QLatin1String("NumberFieldsSetting"), Qt::CaseInsensitive) == 0)
    w.writeAttribute(QStringLiteral("Enabled"), QStringLiteral("True"));
  for (auto it = values.cbegin(); it != values.cend(); ++it) w.writeTextElement(it.key(), it.value());
  w.writeEndElement();
  return xml;
}

QVariant TProcedures::SetUserDefine(const QVariantList& p) {
  Need(p, 5, name_, "company, user, program, section/key, value");
  const QString company = Text(p, 0, name_), user = Text(p, 1, name_), program = Text(p, 2, name_).trimmed();
  const QStringList path = Text(p, 3, name_).split(QLatin1Char('/'));
  if (path.size() != 2 || !IsPlainIdentifier(path[0].trimmed()) || !IsPlainIdentifier(path[1].trimmed()))
    throw EDatabaseError(QStringLiteral("%1: \"%2\" is not of the form section/key").arg(name_, Text(p, 3, name_)));
  if (user.trimmed().isEmpty() || program.isEmpty())
    throw EDatabaseError(QStringLiteral("%1: the user and the program must not be empty").arg(name_));
  const QString section = path[0].trimmed(), key = path[1].trimmed();
  TSqlBackend& b = db_.Backend();
  TSqlTransaction transaction(b);
  // A setting for every program replaces what single programs had.
  if (program == kAllPrograms)
    b.ExecChange(QStringLiteral("DELETE FROM ADMUD WHERE UD001 = ? AND UD002 = ? AND UD004 = ? AND UD005 = ?"),
                 {company, user, section, key});
  b.ExecChange(QStringLiteral("INSERT INTO ADMUD (UD001, UD002, UD003, UD004, UD005, UD006) VALUES (?, ?, ?, ?, ?, ?) "
                              "ON CONFLICT (UD001, UD002, UD003, UD004, UD005) DO UPDATE SET UD006 = excluded.UD006"),
               {company, user, program, section, key, Text(p, 4, name_)});
  transaction.Commit();
  return true;
}

QVariant TProcedures::QueryUdfData(const QVariantList& p) {
  Need(p, 1, name_, "key, \"\", database, \"N\", values");
  const QList<QVariantList> rules = db_.Select(
      QStringLiteral("SELECT TL014 FROM ADMTL JOIN ADMTK ON TK001 = TL001 WHERE TL013 = ?1 AND TL010 = 'Y' "
                     "AND TK003 = 'Y' ORDER BY TL011 LIMIT 1"),
      {Text(p, 0, name_)});
  if (rules.isEmpty())
    throw EDatabaseError(QStringLiteral("%1: no active user-defined field rule has the key \"%2\"").arg(name_, Text(p, 0, name_)));
  const QString query = VarToStr(rules.first().first());
  const QVariantList values = CatalogueParams(p.size() > 4 ? p[4] : QVariant(), name_);
  QVariantList bound = values.mid(0, PlaceholderCount(query));
  while (bound.size() < PlaceholderCount(query)) bound.append(QStringLiteral(""));
  return RowsToVariant(db_.Select(query, bound));
}

}  // namespace vantor
