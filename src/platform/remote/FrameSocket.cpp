// Blocking reads and writes of whole frames with deadlines.
#include "platform/remote/FrameSocket.h"

#include <QTcpSocket>
#include <limits>

namespace vantor {

namespace {

int RemainingMs(const QDeadlineTimer& deadline) {
  if (deadline.isForever())
    return -1;
  return int(qBound<qint64>(0, deadline.remainingTime(), qint64(std::numeric_limits<int>::max())));
}

// Moves what the socket holds straight into the reader's buffer.
void Drain(QTcpSocket& socket, TFrameReader& reader) {
  const qint64 available = socket.bytesAvailable();
  char* into = reader.Reserve(qsizetype(available));
  const qint64 got = socket.read(into, available);
  reader.Commit(qsizetype(qMax<qint64>(got, 0)));
}

// After a failed wait: was it the peer leaving, the deadline, or nothing?
TFrameIo WaitOutcome(const QTcpSocket& socket, const QDeadlineTimer& deadline) {
  if (socket.state() != QAbstractSocket::ConnectedState)
    return TFrameIo::Closed;
  if (socket.error() != QAbstractSocket::SocketTimeoutError &&
      socket.error() != QAbstractSocket::UnknownSocketError)
    return TFrameIo::Closed;
  if (deadline.hasExpired())
    return TFrameIo::TimedOut;
  return TFrameIo::Done;  // woke early: wait again
}

}  // namespace

TFrameIo ReadFrame(QTcpSocket& socket, TFrameReader& reader, QCborMap* message, QDeadlineTimer deadline) {
  for (;;) {
    switch (reader.Next(*message)) {
    case TFrameReader::TStatus::Frame:
      return TFrameIo::Done;
    case TFrameReader::TStatus::Error:
      return TFrameIo::Invalid;
    case TFrameReader::TStatus::NeedMore:
      break;
    }
    if (socket.bytesAvailable() > 0) {
      Drain(socket, reader);
      continue;
    }
    if (socket.state() != QAbstractSocket::ConnectedState)
      return TFrameIo::Closed;
    if (deadline.hasExpired())
      return TFrameIo::TimedOut;
    if (!socket.waitForReadyRead(RemainingMs(deadline)) && socket.bytesAvailable() == 0) {
      const TFrameIo outcome = WaitOutcome(socket, deadline);
      if (outcome != TFrameIo::Done)
        return outcome;
    }
  }
}

TFrameIo WriteFrame(QTcpSocket& socket, const QByteArray& frame, QDeadlineTimer deadline) {
  if (socket.state() != QAbstractSocket::ConnectedState)
    return TFrameIo::Closed;
  if (socket.write(frame) != frame.size())
    return TFrameIo::Closed;
  return FlushFrames(socket, deadline);
}

TFrameIo FlushFrames(QTcpSocket& socket, QDeadlineTimer deadline) {
  socket.flush();
  while (socket.bytesToWrite() > 0) {
    if (socket.state() != QAbstractSocket::ConnectedState)
      return TFrameIo::Closed;
    if (deadline.hasExpired())
      return TFrameIo::TimedOut;
    if (!socket.waitForBytesWritten(RemainingMs(deadline))) {
      const TFrameIo outcome = WaitOutcome(socket, deadline);
      if (outcome != TFrameIo::Done)
        return outcome;
    }
  }
  return TFrameIo::Done;
}

void TuneSocket(QTcpSocket& socket) {
  socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
  socket.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
}

QString SocketErrorText(const QTcpSocket& socket) {
  switch (socket.error()) {
  case QAbstractSocket::ConnectionRefusedError:
    return QStringLiteral("connection refused");
  case QAbstractSocket::HostNotFoundError:
    return QStringLiteral("host not found");
  case QAbstractSocket::SocketTimeoutError:
    return QStringLiteral("timed out");
  case QAbstractSocket::RemoteHostClosedError:
    return QStringLiteral("connection closed by the server");
  case QAbstractSocket::NetworkError:
    return QStringLiteral("network unreachable");
  default:
    return socket.errorString();
  }
}

}  // namespace vantor
