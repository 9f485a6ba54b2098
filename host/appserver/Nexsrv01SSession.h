// The state of a logged-in Nexsrv01S.Class1: the login, the user's rights,
// the program's main table, and the providers, which refer to the login
// and so are declared (and destroyed) after it.
#pragma once

#include <memory>

#include "appserver/Nexsrv01S.h"
#include "appserver/Rights.h"
#include "appserver/ServerProviders.h"

namespace vantor {

struct TNexsrv01S::TSession {
  TProviderLogin Login;
  TUserRights Rights;
  QString Table, Select, MaxRecord;
  QStringList KeyFields;
  std::shared_ptr<TGuardedProvider> Main;
  std::shared_ptr<TGuardedProvider> Colour;  // made on first use
  std::shared_ptr<TSchemeProvider> Schemes;
};

}  // namespace vantor
