// Nexsrv01S.Class1, the application-server object behind the program's data.
// One instance per client: in process it is created by class name, over TCP
// each connection of nexsrvd creates its own. The class registers itself with
// the automation class registry when the library loads.
//
// A client first calls Connect with [program, user, company, database,
// flag, flag]; 0 means accepted, otherwise:
//   1 the login array is malformed        4 the user is unknown or disabled
//   2 the company does not work in that   5 the program is unknown
//     database                            6 the user may not run the program
//   3 the database cannot be opened
// Then SvrData answers the NAME=VALUE lines of the login (USER_GROUP,
// POWER_DATA, GROUP_LIST, EX_POWER, BaseLimited, MAX_RECORD, M11_TABLE,
// M11_KEY, M11_SELECT), and the providers "pvdMain", "pvdColor" and
// "pvdConSave" answer the provider protocol (AS_DataRequest, AS_GetRecords,
// AS_ApplyUpdates; see platform/db/DataPacket.h). Besides the calls the
// program relies on it answers Echo (its arguments as an array) and
// Increment (adds to a by-reference argument), which let a client check a
// connection end to end and measure it.
#pragma once

#include <QString>
#include <QVariant>
#include <memory>

#include "appserver/CompanyDb.h"
#include "platform/dispatch/Dispatch.h"

namespace vantor {

class TProvider;

class TNexsrv01S : public TDispatchObject {
public:
  static QString ProgId();  // "Nexsrv01S.Class1"

  TNexsrv01S();
  ~TNexsrv01S() override;

  // "TODAY": the server's date as YYYYMMDD; "SQLTYPE": the kind of database
  // (0: the dialect with row limits and SUBSTRING date conditions).
  QVariant Whatis(const QString& item) const;

  int Connect(const QVariantList& login);
  QString SvrData() const;
  // For tests and tools: databases already open under a name.
  TCompanyDbPool& Pool() { return pool_; }

private:
  struct TSession;

  void RegisterMembers();
  void RegisterProviderProtocol();
  void RegisterSchemeCalls();
  int OpenSession(const QString& program, const QString& user, const QString& company, const QString& database);
  TSession& Session() const;
  TProvider& ProviderByName(const QString& name);

  QVariant Echo(const QVariantList& args) const;
  QVariant Increment(QVariantList& args) const;
  QVariant GetBaseLimitedRecs(const QVariantList& args) const;
  QString GetFormat(const QString& company, const QString& program) const;
  QString InsertScheme(const QVariantList& scheme);
  QString DeleteScheme(const QVariantList& scheme);
  QString RenameScheme(const QVariantList& from, const QVariantList& to);

  TCompanyDbPool pool_;
  std::unique_ptr<TSession> session_;
  int topRow_ = 0;
};

}  // namespace vantor
