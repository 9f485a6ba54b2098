// The one small engine behind checks, lookups and named procedures. What a
// check, a lookup or a procedure does is a row of a catalogue table of the
// company database (ADMCK, ADMLW, ADMPR, seeded by the schema scripts);
// this engine finds the row, binds the caller's parameters and runs the
// row's query under the SQL guard. Nothing here knows a table by name.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace vantor {

class TCompanyDb;

struct TCheckDef {
  QString Table, Kind, Query, Description;
  QStringList Columns;
  int ParamCount = 0;
};

struct TLookupDef {
  QString Table, Kind, Query, Title;
  QStringList Columns, Captions, CaptionsTraditional, CaptionsEnglish, KeyColumns;
  int ParamCount = 0;
};

struct TProcedureDef {
  QString Name, Handler, Query;
};

// The parameters of a call as the engine binds them: a single value counts
// as a one-element list; Null and Unassigned become empty texts. Raises
// EDatabaseError naming the call for a nested array or an object.
QVariantList CatalogueParams(const QVariant& params, const QString& call);

class TCatalogue {
public:
  // Lookups answer at most this many rows.
  static constexpr int MaxLookupRows = 2000;

  explicit TCatalogue(TCompanyDb& db) : db_(db) {}

  // Raises EDatabaseError when the table has no check of that kind.
  TCheckDef Check(const QString& table, const QString& kind);
  QList<QVariantList> RunCheck(const TCheckDef& check, const QVariantList& params);

  TLookupDef Lookup(const QString& table, const QString& kind);
  QList<QVariantList> RunLookup(const TLookupDef& lookup, const QVariantList& params);

  // By name without regard to case; raises EDatabaseError for an unknown one.
  TProcedureDef Procedure(const QString& name);

private:
  QList<QVariantList> Row(const QString& key, const QString& sql, const QVariantList& params);
  QVariantList Bind(const QString& query, const QVariantList& params, int needed, const QString& what);

  TCompanyDb& db_;
};

}  // namespace vantor
