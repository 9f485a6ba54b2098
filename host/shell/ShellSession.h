// One run of the shell: the chosen program, its module, its controller and
// the work-centre manager handed to it.
#pragma once

#include "shell/ModuleHost.h"
#include "shell/ShellOptions.h"
#include "shell/SuiteLocator.h"

#include <QVariant>

namespace vantor {

class TShellSession {
public:
  explicit TShellSession(TShellOptions options);
  ~TShellSession();

  // Logs in (asking when the command line named no user), loads the module
  // and shows its window. False when the user cancelled the login.
  bool Start();
  // True once the program's window has been freed.
  bool Finished() const { return finished_; }
  TDLLBaseController* Controller() const { return host_ ? host_->Controller() : nullptr; }
  // Notification codes received, in order (for those who watch the session).
  const QList<int>& Notifications() const { return notifications_; }

private:
  bool Login();
  QVariant LoginArray() const;

  TShellOptions options_;
  TSuiteLayout layout_;
  std::unique_ptr<TModuleHost> host_;
  QList<int> notifications_;
  bool finished_ = false;
};

}  // namespace vantor
