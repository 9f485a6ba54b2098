// The guard around everything the event loop calls. A rule that refused has
// already shown its message and ends in the silent abort, which the guard
// swallows; any other exception is a failure the user must see, shown in an
// error box through the dialog host. Nothing is let through to Qt, which
// cannot unwind an exception across its event loop.
#pragma once

#include <QApplication>
#include <exception>
#include <functional>
#include <utility>

namespace vantor {

// Runs the handler; true when it ran to its end, false when it raised.
bool RunGuarded(const std::function<void()>& handler);

// Shows the exception in an error box (the silent abort shows nothing).
void ShowException(std::exception_ptr error);
// The text shown for an exception.
QString ExceptionMessage(std::exception_ptr error);

// Wraps a slot, lambda or timer handler so that it runs under the guard:
// connect(button, &QPushButton::clicked, Guarded([this] { DoSave(); }));
template <class Handler>
auto Guarded(Handler handler) {
  return [handler = std::move(handler)](auto&&... args) mutable {
    RunGuarded([&] { handler(std::forward<decltype(args)>(args)...); });
  };
}

// What TGuardedApplication::notify does: delivers the event through
// deliver under the guard; an event whose handler raised counts as not
// handled.
bool NotifyGuarded(QObject* receiver, QEvent* event, const std::function<bool(QObject*, QEvent*)>& deliver);

// The application object of a program: every event is delivered under the
// guard, so a handler anywhere that lets an exception out is caught here.
class TGuardedApplication : public QApplication {
public:
  TGuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace vantor
