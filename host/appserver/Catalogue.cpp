// Catalogue rows to queries.
#include "appserver/Catalogue.h"

#include "appserver/CompanyDb.h"
#include "appserver/SqlText.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/os/Exceptions.h"
#include "platform/variant/Variants.h"

namespace vantor {

namespace {

QStringList SplitList(const QVariant& v) {
  QStringList out;
  for (const QString& s : VarToStr(v).split(QLatin1Char(','), Qt::SkipEmptyParts)) out.append(s.trimmed());
  return out;
}

QString Norm(const QString& s) { return s.trimmed().toUpper(); }

}  // namespace

QVariantList CatalogueParams(const QVariant& params, const QString& call) {
  QVariantList in;
  if (VarIsMatrix(params)) in = VarToMatrix(params).Cells();
  else if (VarIsArray(params)) in = params.toList();
  else if (!VarIsBlank(params)) in.append(params);
  QVariantList out;
  out.reserve(in.size());
  for (qsizetype i = 0; i < in.size(); ++i) {
    const QVariant& v = in[i];
    if (VarIsArray(v) || VarIsDispatch(v))
      throw EDatabaseError(QStringLiteral("%1: parameter %2 must be a single value, not an array or object").arg(call).arg(i));
    out.append(VarIsBlank(v) ? QVariant(QStringLiteral("")) : v);  // a null text would bind as NULL
  }
  return out;
}

QList<QVariantList> TCatalogue::Row(const QString& key, const QString& sql, const QVariantList& params) {
  QList<QVariantList> rows;
  if (db_.CachedRows(key, rows)) return rows;
  rows = db_.Select(sql, params);
  db_.CacheRows(key, rows);
  return rows;
}

TCheckDef TCatalogue::Check(const QString& table, const QString& kind) {
  const QList<QVariantList> rows = Row(
      QStringLiteral("CK/%1/%2").arg(Norm(table), kind.trimmed()),
      QStringLiteral("SELECT CK001, CK002, CK003, CK004, CK005, CK006 FROM ADMCK WHERE CK001 = ?1 AND CK002 = ?2"),
      {Norm(table), kind.trimmed()});
  if (rows.isEmpty())
    throw EDatabaseError(QStringLiteral("The server has no check of kind \"%1\" on table \"%2\"").arg(kind, table));
  const QVariantList& r = rows.first();
  return {VarToStr(r[0]), VarToStr(r[1]), VarToStr(r[2]), VarToStr(r[4]), SplitList(r[3]), r[5].toInt()};
}

QList<QVariantList> TCatalogue::RunCheck(const TCheckDef& check, const QVariantList& params) {
  const QString what = QStringLiteral("the check %1/%2").arg(check.Table, check.Kind);
  return db_.Select(check.Query, Bind(check.Query, params, check.ParamCount, what));
}

TLookupDef TCatalogue::Lookup(const QString& table, const QString& kind) {
  const QList<QVariantList> rows = Row(
      QStringLiteral("LW/%1/%2").arg(Norm(table), kind.trimmed()),
      QStringLiteral("SELECT LW001, LW002, LW003, LW004, LW005, LW006, LW007, LW008, LW009, LW010 FROM ADMLW "
                     "WHERE LW001 = ?1 AND LW002 = ?2"),
      {Norm(table), kind.trimmed()});
  if (rows.isEmpty())
    throw EDatabaseError(QStringLiteral("The server has no lookup of kind \"%1\" on table \"%2\"").arg(kind, table));
  const QVariantList& r = rows.first();
  TLookupDef d;
  d.Table = VarToStr(r[0]);
  d.Kind = VarToStr(r[1]);
  d.Query = VarToStr(r[2]);
  d.Columns = SplitList(r[3]);
  d.Captions = SplitList(r[4]);
  d.CaptionsTraditional = SplitList(r[5]);
  d.CaptionsEnglish = SplitList(r[6]);
  d.KeyColumns = SplitList(r[7]);
  d.ParamCount = r[8].toInt();
  d.Title = VarToStr(r[9]);
  return d;
}

QList<QVariantList> TCatalogue::RunLookup(const TLookupDef& lookup, const QVariantList& params) {
  const QString what = QStringLiteral("the lookup %1/%2").arg(lookup.Table, lookup.Kind);
  // The catalogue's lookup queries end with their ORDER BY; the limit follows it.
  return db_.Select(QStringLiteral("%1 LIMIT %2").arg(lookup.Query.trimmed()).arg(MaxLookupRows),
                    Bind(lookup.Query, params, lookup.ParamCount, what));
}

TProcedureDef TCatalogue::Procedure(const QString& name) {
  const QList<QVariantList> rows = Row(QStringLiteral("PR/%1").arg(Norm(name)),
                                       QStringLiteral("SELECT PR001, PR002, PR003 FROM ADMPR WHERE PR001 = ?1"), {Norm(name)});
  if (rows.isEmpty()) throw EDatabaseError(QStringLiteral("The server has no procedure named \"%1\"").arg(name));
  return {VarToStr(rows[0][0]), VarToStr(rows[0][1]), VarToStr(rows[0][2])};
}

// Binds exactly what the query asks for: a caller may send more values than
// a query uses (the program row check sends the database name too).
QVariantList TCatalogue::Bind(const QString& query, const QVariantList& params, int needed, const QString& what) {
  if (params.size() < needed)
    throw EDatabaseError(QStringLiteral("%1 needs %2 parameter(s), got %3").arg(what).arg(needed).arg(params.size()));
  const int used = PlaceholderCount(query);
  QVariantList bound = params.mid(0, used);
  while (bound.size() < used) bound.append(QStringLiteral(""));
  return bound;
}

}  // namespace vantor
