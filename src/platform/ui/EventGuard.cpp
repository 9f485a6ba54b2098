// The event-loop guard and the guarded application.
#include "platform/ui/EventGuard.h"

#include "platform/os/Exceptions.h"
#include "platform/ui/DialogHost.h"

#include <QCoreApplication>
#include <QtGlobal>

namespace vantor {

QString ExceptionMessage(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const Exception& e) {
    return e.Message().isEmpty() ? e.ClassName() : e.Message();
  } catch (const std::exception& e) {
    const QString what = QString::fromUtf8(e.what());
    return what.isEmpty() ? QStringLiteral("Unexpected error") : what;
  } catch (...) {
    return QStringLiteral("Unexpected error of unknown kind");
  }
}

void ShowException(std::exception_ptr error) {
  if (!error)
    return;
  try {
    std::rethrow_exception(error);
  } catch (const EAbort&) {
    return;
  } catch (...) {
  }
  const QString message = ExceptionMessage(error);
  try {
    TMessageRequest request = TMessageRequest::Standard(message, mtError, {mbOK});
    request.Caption = QCoreApplication::applicationName();
    MessageDlg(request);
  } catch (...) {
    // The error box itself failed: the message must still reach someone,
    // and nothing may leave the guard.
    qCritical("Unhandled error (the error box failed too): %s", qUtf8Printable(message));
  }
}

bool RunGuarded(const std::function<void()>& handler) {
  try {
    if (handler)
      handler();
    return true;
  } catch (...) {
    ShowException(std::current_exception());
    return false;
  }
}

bool NotifyGuarded(QObject* receiver, QEvent* event, const std::function<bool(QObject*, QEvent*)>& deliver) {
  bool handled = false;
  RunGuarded([&] { handled = deliver(receiver, event); });
  return handled;
}

bool TGuardedApplication::notify(QObject* receiver, QEvent* event) {
  return NotifyGuarded(receiver, event, [this](QObject* r, QEvent* e) { return QApplication::notify(r, e); });
}

}  // namespace vantor
