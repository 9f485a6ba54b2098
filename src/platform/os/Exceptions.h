// The exception hierarchy of the program, named as the component library names
// it, so that handlers read like the rules they implement. EAbort is the silent
// abort: the event-loop guard swallows it, everything else is shown.
#pragma once

#include <QString>
#include <exception>
#include <memory>

namespace vantor {

class Exception : public std::exception {
public:
  explicit Exception(QString message) : message_(std::move(message)), utf8_(message_.toUtf8()) {}
  const QString& Message() const { return message_; }
  void SetMessage(const QString& m) { message_ = m; utf8_ = m.toUtf8(); }
  const char* what() const noexcept override { return utf8_.constData(); }
  // The class name that travels over the wire and is shown in reports.
  virtual QString ClassName() const { return QStringLiteral("Exception"); }
  virtual std::unique_ptr<Exception> Clone() const { return std::make_unique<Exception>(*this); }
  [[noreturn]] virtual void Raise() const { throw *this; }

private:
  QString message_;
  QByteArray utf8_;
};

#define VANTOR_EXCEPTION(Name, Base)                                                         \
  class Name : public Base {                                                                 \
  public:                                                                                    \
    using Base::Base;                                                                        \
    QString ClassName() const override { return QStringLiteral(#Name); }                     \
    std::unique_ptr<Exception> Clone() const override { return std::make_unique<Name>(*this); } \
    [[noreturn]] void Raise() const override { throw *this; }                                \
  };

VANTOR_EXCEPTION(EAbort, Exception)
VANTOR_EXCEPTION(EOleError, Exception)
VANTOR_EXCEPTION(EOleSysError, EOleError)
VANTOR_EXCEPTION(EVariantError, Exception)
VANTOR_EXCEPTION(EConvertError, Exception)
VANTOR_EXCEPTION(EDatabaseError, Exception)
VANTOR_EXCEPTION(EReconcileError, EDatabaseError)
VANTOR_EXCEPTION(ESocketConnectionError, Exception)
VANTOR_EXCEPTION(EInOutError, Exception)
VANTOR_EXCEPTION(EListError, Exception)
VANTOR_EXCEPTION(EInvalidOperation, Exception)
VANTOR_EXCEPTION(EAbstractError, Exception)
VANTOR_EXCEPTION(ERegistryException, Exception)

#undef VANTOR_EXCEPTION

// The silent abort that ends a rule after it has shown its message.
[[noreturn]] void Abort();

// Raise the exception of the named class with this message (a remote
// exception is raised again on the client under its own class). Unknown class
// names give a plain Exception.
[[noreturn]] void RaiseByClassName(const QString& className, const QString& message);

}  // namespace vantor
