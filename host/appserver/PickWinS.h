// PickWinS.Class1, the lookup-data object. Its one provider, "pvdF2Win",
// serves the rows of a catalogue lookup (ADMLW) to the lookup combo: the
// combo's data request is the lookup request of the program module (the
// 14-element open parameters or the 19-element request: table, kind,
// parameters, ..., database), and AS_DataRequest answers what the window
// needs to show them: [columns, captions, key columns, title]. The rows
// then come with AS_GetRecords a packet at a time.
//
//   F2GetData(request)                   -> rows of columns (no window)
//   F2Columns(table, kind [, language [, database]]) -> as AS_DataRequest
//
// Property DatabaseName: the database of requests that name none.
#pragma once

#include <QString>
#include <QVariant>

#include "appserver/CompanyDb.h"
#include "platform/db/DataPacket.h"
#include "platform/dispatch/Dispatch.h"

namespace vantor {

struct TLookupDef;

class TPickWinS : public TDispatchObject {
public:
  static QString ProgId();  // "PickWinS.Class1"

  TPickWinS();
  TCompanyDbPool& Pool() { return pool_; }

  QVariant F2GetData(const QVariant& request);
  QVariant Describe(const QString& table, const QString& kind, TMessageLanguage language, const QString& database);

private:
  struct TRequest {
    QString Table, Kind, Database;
    QVariant Params;
  };
  TRequest ParseRequest(const QVariant& request) const;
  TCompanyDb& Db(const QString& database);
  QVariant DataRequest(const QVariant& request);
  QVariant GetRecords(int count, int options);
  static QVariant Description(const TLookupDef& d, TMessageLanguage language);

  TCompanyDbPool pool_;
  QString database_;
  TDataPacket rows_;     // of the last data request
  qsizetype next_ = 0;   // first row not yet sent
};

}  // namespace vantor
