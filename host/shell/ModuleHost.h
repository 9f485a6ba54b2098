// Runs one program module: loads PROGRAM + "C.so" from the suite's package
// folders, obtains its controller and drives it in the order modules expect:
// HostObject and OnNotify, CreateForm, SetParams, SetRunMode, SetVisible.
#pragma once

#include "entry/DLLBaseCtrller.h"

#include <QLibrary>
#include <QStringList>
#include <functional>
#include <memory>

namespace vantor {

class TModuleHost {
public:
  explicit TModuleHost(QStringList packageFolders);
  ~TModuleHost();

  // The module file for a program, searched in the package folders in order;
  // empty when none has it.
  QString FindModule(const QString& program) const;

  // Loads the module and makes a controller; raises Exception naming the file
  // and the loader's reason when that fails.
  TDLLBaseController* Load(const QString& program);

  TDLLBaseController* Controller() const { return controller_.get(); }
  // Frees the controller (which frees a form still open) and unloads.
  void Unload();

private:
  QStringList folders_;
  QLibrary library_;
  std::unique_ptr<TDLLBaseController> controller_;
};

}  // namespace vantor
