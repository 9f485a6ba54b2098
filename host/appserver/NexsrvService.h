// The service object behind the work centre's validator and counter:
// checks and queries by table and kind, the next document number, the
// system parameters, the named procedures of GETCOUNTER and message texts.
// The work centre creates it by class name and forwards its services'
// calls unchanged (argument order and by-reference arguments as the
// program module sends them).
//
//   CheckValue(table, kind, var database, var params, var result) -> boolean
//       result: the columns of the first answer row
//   QueryData(table, kind, var database, var params, var result)  -> boolean
//       result: every answer row, each an array of columns
//   QueryMaxSeq(var table, var fields, var values, var date, var program,
//               var database, var number)                          -> boolean
//   GetSysInfo(var company [, database])  -> 2 x n array: names, values
//   GETCOUNTER(var name, var params, [company, database])          -> answer
//   GetMessage(kind, code [, language [, database]])               -> text
//
// Properties ProductID and BaseLimited (set by the broker before a check),
// CompanyID and DatabaseName (the login of the work centre; calls that name
// no database use the last one named).
#pragma once

#include <QString>
#include <QVariant>

#include "appserver/CompanyDb.h"
#include "platform/dispatch/Dispatch.h"

namespace vantor {

class TNexsrvService : public TDispatchObject {
public:
  static QString ProgId();  // "Nexsrv01S.Service"

  TNexsrvService();

  // For tests and tools: use an already open database under a name.
  TCompanyDbPool& Pool() { return pool_; }

  bool CheckValue(const QString& table, const QString& kind, const QString& database, const QVariant& params,
                  QVariant& result);
  bool QueryData(const QString& table, const QString& kind, const QString& database, const QVariant& params,
                 QVariant& result);
  bool QueryMaxSeq(const QString& table, const QString& fields, const QVariant& values, const QString& database,
                   QString& number);
  QVariant GetSysInfo(const QString& company, const QString& database);
  QVariant GetCounter(const QString& name, const QVariant& params, const QVariant& context);
  QString GetMessage(const QString& kind, const QString& code, const QString& language, const QString& database);

private:
  TCompanyDb& Db(const QString& database);
  void RegisterMembers();

  TCompanyDbPool pool_;
  QString database_, company_;
  QVariant productId_, baseLimited_;
};

}  // namespace vantor
