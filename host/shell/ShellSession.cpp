// The shell's side of the controller contract, in the order modules rely on:
// HostObject and OnNotify, CreateForm, SetParams, SetRunMode, SetVisible.
#include "shell/ShellSession.h"

#include "platform/dispatch/Dispatch.h"
#include "platform/os/Exceptions.h"
#include "platform/ui/DialogHost.h"
#include "shell/LoginDialog.h"
#include "workcenter/WorkCenterManager.h"

#include <QCoreApplication>
#include <QTimer>

namespace vantor {

namespace {
// Every command is granted unless the shell is told otherwise.
constexpr quint32 kAllHostRights = 0xFF;
}  // namespace

TShellSession::TShellSession(TShellOptions options) : options_(std::move(options)) {}

TShellSession::~TShellSession() = default;

bool TShellSession::Login() {
  if (!options_.User.isEmpty()) return true;
  TLoginDialog dialog;
  if (ShowModal(&dialog, QStringLiteral("Login")) != mrOk) return false;
  options_.User = dialog.User();
  options_.Company = dialog.Company();
  options_.Database = dialog.Database();
  return true;
}

QVariant TShellSession::LoginArray() const {
  // [user, company, database, shell window, extra]
  return QVariantList{options_.User, options_.Company, options_.Database, 0, QString()};
}

bool TShellSession::Start() {
  layout_ = LocateSuite();
  TWorkCenterManager::Register();
  if (!Login()) return false;

  host_ = std::make_unique<TModuleHost>(layout_.PackageFolders);
  TDLLBaseController* ctrl = host_->Load(options_.Program);
  ctrl->HostObject = CreateOleObject(QString::fromLatin1(TWorkCenterManager::kProgId));
  ctrl->OnNotify = [this](int code, TDLLBaseController*) {
    notifications_.append(code);
    if (code == ncFormDestroy) {
      finished_ = true;
      // Leave the event loop once the destroy has fully unwound.
      QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }
  };
  if (ctrl->CreateForm(LoginArray()) != 0)
    throw Exception(QStringLiteral("program %1 could not be started").arg(options_.Program));
  if (options_.Param) ctrl->SetParams(QVariantList{QVariant(), *options_.Param});
  if (options_.RunMode) ctrl->SetRunMode(*options_.RunMode, kAllHostRights, QVariant());
  ctrl->SetVisible(true);
  return true;
}

}  // namespace vantor
