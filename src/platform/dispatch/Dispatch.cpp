// Late-bound objects, variants that hold them, and the class registry behind
// CreateOleObject. Libraries register their classes while they load; the
// registration file tells which library to load for a class not yet known.
#include "platform/dispatch/Dispatch.h"

#include "platform/dispatch/OleRegistration.h"
#include "platform/os/Exceptions.h"

#include <QLibrary>
#include <QMutex>
#include <QMutexLocker>

namespace vantor {

namespace {
QString Key(const QString& name) { return name.toUpper(); }

[[noreturn]] void UnknownName(const QString& name) {
  throw EOleError(QStringLiteral("Unknown name") + (name.isEmpty() ? QString() : ": " + name));
}

struct TClassTable {
  QMutex lock;
  QHash<QString, TClassFactory> factories;
  QString registrationFile;
};

TClassTable& Classes() {
  static TClassTable table;
  return table;
}

bool FindFactory(const QString& progId, TClassFactory& out) {
  TClassTable& t = Classes();
  QMutexLocker guard(&t.lock);
  auto it = t.factories.constFind(Key(progId));
  if (it == t.factories.constEnd()) return false;
  out = it.value();
  return true;
}
}  // namespace

// --- TDispatchObject ----------------------------------------------------------

QVariant TDispatchObject::Invoke(const QString& name, QVariantList& args, TByRefMask) {
  auto m = methods_.constFind(Key(name));
  if (m != methods_.constEnd()) return m.value()(args);
  // A property read may be written as a call without arguments.
  auto p = props_.constFind(Key(name));
  if (p != props_.constEnd() && args.isEmpty() && p->get) return p->get();
  UnknownName(name);
}

QVariant TDispatchObject::GetProperty(const QString& name) {
  auto p = props_.constFind(Key(name));
  if (p != props_.constEnd() && p->get) return p->get();
  // A method without arguments may be read as a property, as late binding allows.
  auto m = methods_.constFind(Key(name));
  if (m != methods_.constEnd()) {
    QVariantList none;
    return m.value()(none);
  }
  UnknownName(name);
}

void TDispatchObject::SetProperty(const QString& name, const QVariant& value) {
  auto p = props_.constFind(Key(name));
  if (p == props_.constEnd() || !p->set) UnknownName(name);
  p->set(value);
}

bool TDispatchObject::HasMember(const QString& name) {
  const QString k = Key(name);
  return methods_.contains(k) || props_.contains(k);
}

void TDispatchObject::Method(const QString& name, TMethod fn) { methods_.insert(Key(name), std::move(fn)); }

void TDispatchObject::Property(const QString& name, TGetter get, TSetter set) {
  props_.insert(Key(name), TProp{std::move(get), std::move(set)});
}

// --- variants --------------------------------------------------------------------

QVariant VarFromDispatch(const TDispatchRef& d) {
  return d ? QVariant::fromValue(d) : QVariant();
}

bool VarIsDispatch(const QVariant& v) { return v.metaType() == QMetaType::fromType<TDispatchRef>(); }

TDispatchRef VarToDispatch(const QVariant& v) {
  TDispatchRef d = VarIsDispatch(v) ? v.value<TDispatchRef>() : TDispatchRef();
  if (!d) throw EOleError(QStringLiteral("Variant does not reference an automation object"));
  return d;
}

QVariant DispCall(const QVariant& obj, const QString& name, QVariantList args) {
  return VarToDispatch(obj)->Invoke(name, args, NoByRef);
}

QVariant DispGet(const QVariant& obj, const QString& name) { return VarToDispatch(obj)->GetProperty(name); }

void DispPut(const QVariant& obj, const QString& name, const QVariant& value) {
  VarToDispatch(obj)->SetProperty(name, value);
}

// --- class registry -----------------------------------------------------------------

void RegisterOleClass(const QString& progId, TClassFactory factory) {
  TClassTable& t = Classes();
  QMutexLocker guard(&t.lock);
  t.factories.insert(Key(progId), std::move(factory));
}

void UnregisterOleClass(const QString& progId) {
  TClassTable& t = Classes();
  QMutexLocker guard(&t.lock);
  t.factories.remove(Key(progId));
}

void SetOleRegistrationFile(const QString& path) {
  TClassTable& t = Classes();
  QMutexLocker guard(&t.lock);
  t.registrationFile = path;
}

QString OleRegistrationFile() {
  TClassTable& t = Classes();
  {
    QMutexLocker guard(&t.lock);
    if (!t.registrationFile.isEmpty()) return t.registrationFile;
  }
  return DefaultOleRegistrationFile();
}

QVariant CreateOleObject(const QString& progId) {
  TClassFactory factory;
  if (!FindFactory(progId, factory)) {
    // Loading the library runs its registrars; the library stays loaded for
    // the life of the process, as a class server would.
    const QString library = OleLibraryFor(OleRegistrationFile(), progId);
    if (!library.isEmpty()) {
      QLibrary lib(library);
      if (!lib.load())
        throw EOleError(QStringLiteral("Cannot load %1 for class %2: %3")
                            .arg(library, progId, lib.errorString()));
    }
    if (!FindFactory(progId, factory)) throw EOleError(QStringLiteral("Invalid class string"));
  }
  TDispatchRef obj = factory();
  if (!obj) throw EOleError(QStringLiteral("Class %1 could not create an object").arg(progId));
  return VarFromDispatch(obj);
}

}  // namespace vantor
