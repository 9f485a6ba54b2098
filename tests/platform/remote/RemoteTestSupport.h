// Helpers of the remote-call tests: a real nexsrvd child process, a raw
// protocol client for sending what a well-behaved client never would, and a
// scripted fake server for the faults a real server rarely shows on cue.
#pragma once

#include <QByteArray>
#include <QCborMap>
#include <QProcess>
#include <QString>
#include <QTcpSocket>
#include <functional>
#include <memory>
#include <thread>

#include "platform/remote/RemoteFrame.h"

namespace vantor::test {

// nexsrvd on a free loopback port, started and waited for until it listens.
class TServerProcess {
public:
  TServerProcess();
  ~TServerProcess();
  quint16 Port() const { return port_; }
  bool IsRunning() const { return process_.state() == QProcess::Running; }
  void Kill();
  // SIGTERM; answers the exit code, or -1 when the process did not end well.
  int Terminate();

private:
  QProcess process_;
  quint16 port_ = 0;
};

// Speaks frames over a plain socket; every wait is bounded.
class TRawClient {
public:
  explicit TRawClient(quint16 port);
  bool IsConnected() const { return socket_.state() == QAbstractSocket::ConnectedState; }
  void SendBytes(const QByteArray& bytes);
  void Send(const QCborMap& message) { SendBytes(EncodeFrame(message)); }
  // The next frame; an empty map when none came within the wait.
  QCborMap Receive(int waitMs = 5000);
  // Whether the server closed the connection within the wait.
  bool WaitClosed(int waitMs = 5000);
  void Disconnect();

private:
  QTcpSocket socket_;
  TFrameReader reader_;
};

// A port on which nobody listens (it was free a moment ago).
quint16 UnusedPort();

// One connection's worth of a scripted server on its own thread: it answers
// the first request (the creation of the server object) with handle 1 and
// hands the second to the script, which may then misbehave as it likes.
class TFakeServer {
public:
  using TScript = std::function<void(QTcpSocket& socket, const QCborMap& request)>;
  explicit TFakeServer(TScript script);
  ~TFakeServer();
  quint16 Port() const { return port_; }

private:
  void Serve(std::function<void(quint16)> listening);
  TScript script_;
  quint16 port_ = 0;
  std::thread thread_;
};

// Length header in front of arbitrary bytes.
QByteArray Framed(const QByteArray& body);
QByteArray BigEndianSize(quint32 size);

}  // namespace vantor::test
