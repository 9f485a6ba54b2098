// vantor: the client shell. Logs the user in, loads the named program module
// from the suite's package folders and runs its window until it is closed.
#include "platform/dispatch/Dispatch.h"
#include "platform/os/Exceptions.h"
#include "platform/ui/EventGuard.h"
#include "shell/ShellSession.h"

#include <cstdio>

int main(int argc, char** argv) {
  vantor::TGuardedApplication app(argc, argv);
  app.setApplicationName(QStringLiteral("vantor"));
  try {
    vantor::TShellSession session(vantor::ParseShellOptions(app.arguments()));
    if (!session.Start()) return 1;
    if (!session.Finished()) app.exec();
    return 0;
  } catch (const vantor::Exception& e) {
    std::fprintf(stderr, "vantor: %s\n", e.what());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vantor: %s\n", e.what());
  }
  return 1;
}
