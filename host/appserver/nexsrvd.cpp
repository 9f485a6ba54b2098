// nexsrvd: the application server's objects served over TCP.
//
//   nexsrvd [--port N] [--address A] [--data DIR]
//
// Port 211 and every interface by default; port 0 picks a free port, which the
// start-up line names. DIR holds one SQLite file per company database
// (DIR/NAME.db); without --data the server looks where TAppDatabase says.
// One line is printed once the server listens; SIGTERM or
// SIGINT stops it after the calls under way have been answered.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QHostAddress>
#include <csignal>
#include <cstdio>
#include <pthread.h>

#include "appserver/AppDatabase.h"
#include "appserver/Nexsrv01S.h"
#include "platform/os/Exceptions.h"
#include "platform/remote/SocketServer.h"

using namespace vantor;

namespace {

struct TOptions {
  QHostAddress Address = QHostAddress(QHostAddress::Any);
  quint16 Port = 211;
};

// Fails with a message on stderr and exit code 2 for a bad command line.
bool ParseOptions(const QCoreApplication& app, TOptions* options) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Serves the application-server objects over TCP."));
  parser.addHelpOption();
  const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("TCP port (default 211, 0: any free port)."),
                                QStringLiteral("N"), QStringLiteral("211"));
  const QCommandLineOption address(QStringLiteral("address"),
                                   QStringLiteral("Address to listen on (default: every interface)."),
                                   QStringLiteral("A"));
  const QCommandLineOption data(QStringLiteral("data"),
                                QStringLiteral("Folder with one SQLite file per company database (NAME.db)."),
                                QStringLiteral("DIR"));
  parser.addOption(port);
  parser.addOption(address);
  parser.addOption(data);
  parser.process(app);

  bool ok = false;
  const uint number = parser.value(port).toUInt(&ok);
  if (!ok || number > 65535) {
    std::fprintf(stderr, "nexsrvd: --port: \"%s\" is not a port number\n", qPrintable(parser.value(port)));
    return false;
  }
  options->Port = quint16(number);
  if (parser.isSet(address) && !options->Address.setAddress(parser.value(address))) {
    std::fprintf(stderr, "nexsrvd: --address: \"%s\" is not an IP address\n", qPrintable(parser.value(address)));
    return false;
  }
  if (parser.isSet(data)) {
    const QFileInfo dir(parser.value(data));
    if (!dir.isDir()) {
      std::fprintf(stderr, "nexsrvd: --data: \"%s\" is not a folder\n", qPrintable(parser.value(data)));
      return false;
    }
    TAppDatabase::SetDataDir(dir.absoluteFilePath());
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  // Termination signals are blocked before any thread exists, so every thread
  // inherits the mask and the main thread alone takes them in sigwait.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("nexsrvd"));
  TOptions options;
  if (!ParseOptions(app, &options))
    return 2;

  TSocketServer server;
  try {
    server.Listen(options.Address, options.Port);
  } catch (const Exception& e) {
    std::fprintf(stderr, "nexsrvd: %s\n", e.what());
    return 1;
  }
  std::printf("nexsrvd: serving %s on %s port %u\n", qPrintable(TNexsrv01S::ProgId()),
              qPrintable(options.Address.toString()), unsigned(server.Port()));
  std::fflush(stdout);

  int received = 0;
  sigwait(&stopSignals, &received);
  server.Stop();
  return 0;
}
