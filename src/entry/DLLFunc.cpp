// GetController: the one symbol the shell looks up in a program module.
#include "entry/DLLFunc.h"

#include "entry/DLLMTCtrller.h"
#include "platform/os/Exceptions.h"

namespace vantor {

TControllerClass DLLControllerClass;

namespace {
// The controller unit's initialisation: runs when the library is loaded.
const bool kControllerClassSet = [] {
  DLLControllerClass = [] { return static_cast<TDLLBaseController*>(new TDLLMTCtrller); };
  return true;
}();
}  // namespace

}  // namespace vantor

extern "C" __attribute__((visibility("default"))) vantor::TDLLBaseController* GetController() {
  if (!vantor::DLLControllerClass)
    throw vantor::Exception(QStringLiteral("ZKM DLL Internal Error :\rNot Assign \"DLLControllerClass\" varible"));
  return vantor::DLLControllerClass();
}
