// The named server procedures of GETCOUNTER. The catalogue (ADMPR) maps a
// procedure name to one of the handlers below; each handler checks the
// shape of its parameter array and raises EDatabaseError with the
// procedure's name when the shape is wrong.
//
//   SimpleSql / SimpleSQL [query, columns, database, "N"] -> rows
//   UnitConvert  [item, quantity, unit, target unit]      -> [quantity]
//   GetUserDefine [company, user, program, section]        -> XML text
//   SetUserDefine [company, user, program, "section/key", value] -> true
//   QueryUDFData [key, "", database, "N", [values]]        -> rows ([[value]])
//   TransactionSQL [[statement, ...], text]                -> true
//   UpdateUDFFields [form GUID, program, rule, condition, values] -> true
//   DoUpdateUDFFields [form GUID]                          -> true / false
#pragma once

#include <QString>
#include <QVariant>

namespace vantor {

class TCompanyDb;

class TProcedures {
public:
  TProcedures(TCompanyDb& db, QString company) : db_(db), company_(std::move(company)) {}

  QVariant Run(const QString& name, const QVariant& params);

  // Used by the apply of the providers as well: the conversion factor to
  // the stock unit of an item, or an error naming item and unit.
  double UnitFactor(const QString& query, const QString& item, const QString& unit);

private:
  QVariant SimpleSql(const QVariantList& p);
  QVariant UnitConvert(const QString& query, const QVariantList& p);
  QVariant GetUserDefine(const QVariantList& p);
  QVariant SetUserDefine(const QVariantList& p);
  QVariant QueryUdfData(const QVariantList& p);
  QVariant TransactionSql(const QVariantList& p);
  QVariant UpdateUdfFields(const QVariantList& p);
  QVariant DoUpdateUdfFields(const QVariantList& p);

  void RunUpdateRule(const QString& program, const QString& rule, const QString& condition);

  TCompanyDb& db_;
  QString company_;
  QString name_;  // of the procedure running, for messages
};

}  // namespace vantor
