// The members of the work-centre manager that every module calls first. The
// services behind it (validator, lookups, counter) attach here as they grow.
#include "workcenter/WorkCenterManager.h"

namespace vantor {

TWorkCenterManager::TWorkCenterManager() {
  Method(QStringLiteral("DependencyVersion"), [](QVariantList&) { return QVariant(kDependencyVersion); });
  // A stand-alone start connects the manager before use; nothing to do here.
  Method(QStringLiteral("Connect"), [](QVariantList&) { return QVariant(); });
  Method(QStringLiteral("ProductID"), [](QVariantList&) { return QVariant(1); });
}

void TWorkCenterManager::Register() {
  RegisterOleClass(QString::fromLatin1(kProgId), [] { return TDispatchRef(new TWorkCenterManager); });
}

}  // namespace vantor
