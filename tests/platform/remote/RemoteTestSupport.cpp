// The nexsrvd child process, the raw client and the fake server.
#include "RemoteTestSupport.h"

#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QTcpServer>
#include <QtEndian>
#include <future>
#include <gtest/gtest.h>

#include "platform/remote/FrameSocket.h"
#include "platform/remote/RemoteMessage.h"

namespace vantor::test {

// --- nexsrvd -----------------------------------------------------------------------

TServerProcess::TServerProcess() {
  process_.setProgram(QStringLiteral(VANTOR_BIN_DIR "/nexsrvd"));
  // Port 0: the server picks a free port and names it in its start-up line.
  process_.setArguments({QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--address"),
                         QStringLiteral("127.0.0.1")});
  process_.setProcessChannelMode(QProcess::SeparateChannels);
  process_.start();
  if (!process_.waitForStarted(10000)) {
    ADD_FAILURE() << "nexsrvd did not start: " << process_.errorString().toStdString();
    return;
  }
  const QRegularExpression portPattern(QStringLiteral("port (\\d+)"));
  const QDeadlineTimer deadline(20000);
  while (!process_.canReadLine() && !deadline.hasExpired() && process_.state() == QProcess::Running)
    process_.waitForReadyRead(int(qMax<qint64>(deadline.remainingTime(), 1)));
  const QString line = QString::fromUtf8(process_.readLine());
  const auto match = portPattern.match(line);
  if (!match.hasMatch()) {
    ADD_FAILURE() << "nexsrvd did not report a port: \"" << line.toStdString() << "\" "
                  << process_.readAllStandardError().toStdString();
    return;
  }
  port_ = quint16(match.captured(1).toUInt());
}

TServerProcess::~TServerProcess() {
  if (process_.state() != QProcess::NotRunning) {
    process_.kill();
    process_.waitForFinished(5000);
  }
}

void TServerProcess::Kill() {
  process_.kill();
  process_.waitForFinished(5000);
}

int TServerProcess::Terminate() {
  process_.terminate();
  if (!process_.waitForFinished(15000) || process_.exitStatus() != QProcess::NormalExit)
    return -1;
  return process_.exitCode();
}

// --- raw client --------------------------------------------------------------------

TRawClient::TRawClient(quint16 port) {
  socket_.connectToHost(QStringLiteral("127.0.0.1"), port);
  if (!socket_.waitForConnected(5000))
    ADD_FAILURE() << "raw client cannot connect: " << socket_.errorString().toStdString();
}

void TRawClient::SendBytes(const QByteArray& bytes) {
  WriteFrame(socket_, bytes, QDeadlineTimer(5000));
}

QCborMap TRawClient::Receive(int waitMs) {
  QCborMap message;
  if (ReadFrame(socket_, reader_, &message, QDeadlineTimer(waitMs)) != TFrameIo::Done)
    return QCborMap();
  return message;
}

bool TRawClient::WaitClosed(int waitMs) {
  const QDeadlineTimer deadline(waitMs);
  while (socket_.state() == QAbstractSocket::ConnectedState && !deadline.hasExpired()) {
    socket_.waitForReadyRead(int(qMax<qint64>(deadline.remainingTime(), 1)));
    socket_.readAll();
  }
  return socket_.state() != QAbstractSocket::ConnectedState;
}

void TRawClient::Disconnect() { socket_.abort(); }

quint16 UnusedPort() {
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost, 0);
  const quint16 port = probe.serverPort();
  probe.close();
  return port;
}

// --- fake server ---------------------------------------------------------------------

TFakeServer::TFakeServer(TScript script) : script_(std::move(script)) {
  std::promise<quint16> listening;
  auto port = listening.get_future();
  thread_ = std::thread([this, &listening] { Serve([&listening](quint16 p) { listening.set_value(p); }); });
  port_ = port.get();
}

TFakeServer::~TFakeServer() { thread_.join(); }

void TFakeServer::Serve(std::function<void(quint16)> listening) {
  QTcpServer server;
  server.listen(QHostAddress::LocalHost, 0);
  listening(server.serverPort());
  if (!server.waitForNewConnection(10000))
    return;
  std::unique_ptr<QTcpSocket> socket(server.nextPendingConnection());
  TFrameReader reader;
  QCborMap request;
  if (ReadFrame(*socket, reader, &request, QDeadlineTimer(10000)) != TFrameIo::Done)
    return;
  TRemoteReply created;
  created.Id = quint64(request.value(QStringLiteral("id")).toInteger());
  created.Handle = 1;
  WriteFrame(*socket, EncodeFrame(EncodeReply(created)), QDeadlineTimer(10000));
  if (ReadFrame(*socket, reader, &request, QDeadlineTimer(10000)) != TFrameIo::Done)
    return;
  script_(*socket, request);
}

QByteArray BigEndianSize(quint32 size) {
  QByteArray header(4, '\0');
  qToBigEndian(size, header.data());
  return header;
}

QByteArray Framed(const QByteArray& body) { return BigEndianSize(quint32(body.size())) + body; }

}  // namespace vantor::test
