// Accepting connections and running one session thread per client.
#include "platform/remote/SocketServer.h"

#include <QLoggingCategory>
#include <QTcpServer>
#include <system_error>
#include <unistd.h>

#include "platform/os/Exceptions.h"
#include "platform/remote/ServerSession.h"

Q_DECLARE_LOGGING_CATEGORY(lcRemoteServer)

namespace vantor {

namespace {

constexpr int AcceptPollMs = 200;

// Keeps the accepted descriptors instead of wrapping them in sockets here: a
// socket must be created on the thread that will use it.
class TAcceptor : public QTcpServer {
public:
  QList<qintptr> Accepted;

protected:
  void incomingConnection(qintptr descriptor) override { Accepted.append(descriptor); }
};

}  // namespace

struct TSocketServer::TWorker {
  std::unique_ptr<TServerSession> Session;
  std::thread Thread;
};

TSocketServer::TSocketServer() = default;

TSocketServer::~TSocketServer() { Stop(); }

void TSocketServer::Listen(const QHostAddress& address, quint16 port) {
  if (IsListening())
    throw ESocketConnectionError(QStringLiteral("the server already listens on port %1").arg(Port()));
  stopping_ = false;
  std::promise<QString> listening;
  std::future<QString> outcome = listening.get_future();
  acceptor_ = std::thread([this, address, port, &listening] { AcceptLoop(address, port, &listening); });
  const QString error = outcome.get();
  if (!error.isEmpty()) {
    acceptor_.join();
    throw ESocketConnectionError(
        QStringLiteral("cannot listen on %1:%2: %3").arg(address.toString()).arg(port).arg(error));
  }
}

void TSocketServer::Stop() {
  if (!acceptor_.joinable())
    return;
  stopping_ = true;
  acceptor_.join();
}

void TSocketServer::AcceptLoop(const QHostAddress& address, quint16 port, std::promise<QString>* listening) {
  TAcceptor server;
  if (!server.listen(address, port)) {
    listening->set_value(server.errorString().isEmpty() ? QStringLiteral("unknown error") : server.errorString());
    return;
  }
  port_ = server.serverPort();
  listening->set_value(QString());  // the caller's promise is gone after this

  while (!stopping_.load()) {
    server.waitForNewConnection(AcceptPollMs);
    for (qintptr descriptor : std::as_const(server.Accepted))
      StartSession(descriptor);
    server.Accepted.clear();
    Reap(false);
  }
  server.close();
  Reap(true);
}

void TSocketServer::StartSession(qintptr descriptor) {
  auto& worker = workers_.emplace_back();
  worker.Session = std::make_unique<TServerSession>(descriptor, stopping_);
  ++connections_;
  try {
    TServerSession* session = worker.Session.get();
    worker.Thread = std::thread([this, session] {
      session->Run();
      --connections_;
    });
  } catch (const std::system_error& e) {
    --connections_;
    qCWarning(lcRemoteServer, "no thread for a new connection (%s); refused", e.what());
    ::close(int(descriptor));
    workers_.pop_back();
  }
}

void TSocketServer::Reap(bool all) {
  for (auto it = workers_.begin(); it != workers_.end();) {
    if (all || it->Session->Finished()) {
      it->Thread.join();
      it = workers_.erase(it);
    } else {
      ++it;
    }
  }
}

}  // namespace vantor
