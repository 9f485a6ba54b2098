// TSocketServer: serves the registered automation classes to remote clients.
// An accept thread takes connections; each connection gets a thread and a
// session of its own (see TServerSession). The server needs no event loop of
// its caller, so a daemon's main thread may simply wait for a signal.
#pragma once

#include <QHostAddress>
#include <QString>
#include <atomic>
#include <future>
#include <list>
#include <memory>
#include <thread>

namespace vantor {

class TServerSession;

class TSocketServer {
public:
  TSocketServer();
  ~TSocketServer();  // stops
  TSocketServer(const TSocketServer&) = delete;
  TSocketServer& operator=(const TSocketServer&) = delete;

  // Starts accepting on address:port (port 0: any free port, see Port()).
  // Raises ESocketConnectionError "cannot listen on ADDRESS:PORT: reason".
  void Listen(const QHostAddress& address, quint16 port);
  bool IsListening() const { return acceptor_.joinable(); }
  quint16 Port() const { return port_.load(); }
  // Connections being served right now.
  int ConnectionCount() const { return connections_.load(); }

  // Stops accepting, lets every session finish its current call, closes all
  // connections and joins every thread.
  void Stop();

private:
  struct TWorker;
  void AcceptLoop(const QHostAddress& address, quint16 port, std::promise<QString>* listening);
  void StartSession(qintptr descriptor);
  void Reap(bool all);

  std::thread acceptor_;
  std::atomic<bool> stopping_{false};
  std::atomic<quint16> port_{0};
  std::atomic<int> connections_{0};
  std::list<TWorker> workers_;  // touched by the accept thread only
};

}  // namespace vantor
