// The controller's base: notification plumbing shared by every controller.
#include "entry/DLLBaseCtrller.h"

namespace vantor {

TDLLBaseController::~TDLLBaseController() = default;

void TDLLBaseController::DoFormCreated() { DoNotify(ncFormCreated); }
void TDLLBaseController::DoFormShow(QObject*) { DoNotify(ncFormShow); }
void TDLLBaseController::DoFormHide(QObject*) { DoNotify(ncFormHide); }
void TDLLBaseController::DoFormDestroy(QObject*) { DoNotify(ncFormDestroy); }
void TDLLBaseController::DoFormClose(QObject*, int&) { DoNotify(ncFormClose); }

void TDLLBaseController::DoNotify(int code) {
  if (OnNotify) OnNotify(code, this);
}

void TDLLBaseController::ReservedHook() {}

}  // namespace vantor
