// Late binding by name: the automation objects of the shell, the work centre and
// the application server are all reached through TDispatch, in process or over
// a socket alike. Member names are matched without regard to case, so
// "Whatis" and "WhatIs" reach the same member.
#pragma once

#include <QHash>
#include <QSharedPointer>
#include <QString>
#include <QVariant>
#include <functional>

namespace vantor {

// Bit i set: argument i is passed by reference and the callee's value is
// written back into the caller's list.
using TByRefMask = quint64;
constexpr TByRefMask NoByRef = 0;
constexpr TByRefMask ByRefArg(int i) { return TByRefMask(1) << i; }

class TDispatch {
public:
  virtual ~TDispatch() = default;
  // Calls a method. Arguments marked in byRef may be changed by the callee and
  // are then visible in args. Unknown member: EOleError "Unknown name".
  virtual QVariant Invoke(const QString& name, QVariantList& args, TByRefMask byRef = NoByRef) = 0;
  virtual QVariant GetProperty(const QString& name) = 0;
  virtual void SetProperty(const QString& name, const QVariant& value) = 0;
  // Whether the object answers to this member (method or property).
  virtual bool HasMember(const QString& name) = 0;
};

using TDispatchRef = QSharedPointer<TDispatch>;

// An object whose members are registered in a table: the usual way to write
// an automation class. Methods receive the argument list and may write into it.
class TDispatchObject : public TDispatch {
public:
  using TMethod = std::function<QVariant(QVariantList& args)>;
  using TGetter = std::function<QVariant()>;
  using TSetter = std::function<void(const QVariant&)>;

  QVariant Invoke(const QString& name, QVariantList& args, TByRefMask byRef = NoByRef) override;
  QVariant GetProperty(const QString& name) override;
  void SetProperty(const QString& name, const QVariant& value) override;
  bool HasMember(const QString& name) override;

protected:
  void Method(const QString& name, TMethod fn);
  void Property(const QString& name, TGetter get, TSetter set = {});

private:
  QHash<QString, TMethod> methods_;
  struct TProp { TGetter get; TSetter set; };
  QHash<QString, TProp> props_;
};

// --- variants holding objects ---------------------------------------------------
QVariant VarFromDispatch(const TDispatchRef& d);
bool VarIsDispatch(const QVariant& v);
// The object held by v; EOleError when v holds none (an empty host object, say).
TDispatchRef VarToDispatch(const QVariant& v);

// Convenience for late-bound calls on a variant, with every argument by value.
QVariant DispCall(const QVariant& obj, const QString& name, QVariantList args = {});
QVariant DispGet(const QVariant& obj, const QString& name);
void DispPut(const QVariant& obj, const QString& name, const QVariant& value);

// --- class registry ----------------------------------------------------------------
using TClassFactory = std::function<TDispatchRef()>;

// Called by a library when it loads (a static registrar), or by tests.
void RegisterOleClass(const QString& progId, TClassFactory factory);
void UnregisterOleClass(const QString& progId);

// The file that maps ProgIDs to library files ([Classes] PROGID=relative/path.so,
// relative to the file's folder). By default "ComClasses.ini" in the suite
// folder named by the registry's ClientPath (or ServerPath).
void SetOleRegistrationFile(const QString& path);
QString OleRegistrationFile();

// Creates an object by class name; loads its library on first use.
// Unknown ProgID: EOleError "Invalid class string".
QVariant CreateOleObject(const QString& progId);

// Registers a class with the registry while a shared library loads.
struct TOleClassRegistrar {
  TOleClassRegistrar(const QString& progId, TClassFactory factory) {
    RegisterOleClass(progId, std::move(factory));
  }
};

}  // namespace vantor

Q_DECLARE_METATYPE(vantor::TDispatchRef)
