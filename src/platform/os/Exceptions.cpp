// The silent abort and the raising of an exception known only by its class
// name. A server or a remote peer reports failures as (class, message) pairs;
// raising them again under their own class lets a caller's handler for, say,
// EDatabaseError work the same whether the object ran in process or remotely.
#include "platform/os/Exceptions.h"

#include <QHash>
#include <functional>

namespace vantor {

namespace {

using TRaiser = std::function<void(const QString&)>;

template <class E>
TRaiser RaiserOf() {
  return [](const QString& message) { throw E(message); };
}

const QHash<QString, TRaiser>& RaiserTable() {
  static const QHash<QString, TRaiser> table = {
      {QStringLiteral("Exception"), RaiserOf<Exception>()},
      {QStringLiteral("EAbort"), RaiserOf<EAbort>()},
      {QStringLiteral("EOleError"), RaiserOf<EOleError>()},
      {QStringLiteral("EOleSysError"), RaiserOf<EOleSysError>()},
      {QStringLiteral("EVariantError"), RaiserOf<EVariantError>()},
      {QStringLiteral("EConvertError"), RaiserOf<EConvertError>()},
      {QStringLiteral("EDatabaseError"), RaiserOf<EDatabaseError>()},
      {QStringLiteral("EReconcileError"), RaiserOf<EReconcileError>()},
      {QStringLiteral("ESocketConnectionError"), RaiserOf<ESocketConnectionError>()},
      {QStringLiteral("EInOutError"), RaiserOf<EInOutError>()},
      {QStringLiteral("EListError"), RaiserOf<EListError>()},
      {QStringLiteral("EInvalidOperation"), RaiserOf<EInvalidOperation>()},
      {QStringLiteral("EAbstractError"), RaiserOf<EAbstractError>()},
      {QStringLiteral("ERegistryException"), RaiserOf<ERegistryException>()},
  };
  return table;
}

}  // namespace

void Abort() { throw EAbort(QStringLiteral("Operation aborted")); }

void RaiseByClassName(const QString& className, const QString& message) {
  const auto& table = RaiserTable();
  const auto it = table.constFind(className);
  if (it != table.constEnd())
    it.value()(message);
  throw Exception(message);
}

}  // namespace vantor
