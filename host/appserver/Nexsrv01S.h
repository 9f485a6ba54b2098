// Nexsrv01S.Class1, the application-server object behind the program's data.
// One instance per client: in process it is created by class name, over TCP
// each connection of nexsrvd creates its own. The class registers itself with
// the automation class registry when the library loads.
#pragma once

#include <QString>
#include <QVariant>

#include "platform/dispatch/Dispatch.h"

namespace vantor {

class TNexsrv01S : public TDispatchObject {
public:
  static QString ProgId();  // "Nexsrv01S.Class1"

  TNexsrv01S();

  // "TODAY": the server's date as YYYYMMDD; "SQLTYPE": the kind of database
  // (0: the dialect with row limits and SUBSTRING date conditions).
  QVariant Whatis(const QString& item) const;

private:
  QVariant Echo(const QVariantList& args) const;
  QVariant Increment(QVariantList& args) const;

  int topRow_ = 0;
};

}  // namespace vantor
