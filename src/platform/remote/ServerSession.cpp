// Serving one client: read a request, run it against the session's objects,
// answer. Every failure of a call becomes an error reply; only a broken
// protocol ends the connection.
#include "platform/remote/ServerSession.h"

#include <QDeadlineTimer>
#include <QLoggingCategory>
#include <QTcpSocket>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/os/Exceptions.h"
#include "platform/remote/FrameSocket.h"
#include "platform/remote/RemoteFrame.h"

Q_LOGGING_CATEGORY(lcRemoteServer, "vantor.remote.server")

namespace vantor {

namespace {

// How often a waiting session looks whether the server is stopping.
constexpr int PollMs = 200;

TByRefMask ClipMask(TByRefMask mask, qsizetype count) {
  return count >= 64 ? mask : mask & ((TByRefMask(1) << count) - 1);
}

void Fail(TRemoteReply* reply, const QString& className, const QString& message) {
  reply->Failed = true;
  reply->ErrorClass = className;
  reply->ErrorMessage = message;
  reply->Result = QVariant();
  reply->ByRefValues = QVariantList();
  reply->Handle = 0;
}

}  // namespace

TServerSession::TServerSession(qintptr descriptor, const std::atomic<bool>& stopping)
    : descriptor_(descriptor), stopping_(stopping) {
  codec_.Encode = [this](const QVariant& ref) { return Adopt(VarToDispatch(ref)); };
  codec_.Decode = [this](qint64 handle) -> QVariant {
    const TDispatchRef object = objects_.value(handle);
    if (!object)
      throw EOleError(QStringLiteral("unknown object handle %1").arg(handle));
    return VarFromDispatch(object);
  };
}

void TServerSession::Run() noexcept {
  try {
    QTcpSocket socket;
    if (!socket.setSocketDescriptor(descriptor_)) {
      ::close(int(descriptor_));
      qCWarning(lcRemoteServer, "cannot take over a connection: %s", qPrintable(socket.errorString()));
    } else {
      TuneSocket(socket);
      peer_ = QStringLiteral("%1:%2").arg(socket.peerAddress().toString()).arg(socket.peerPort());
      Serve(socket);
      socket.abort();
    }
  } catch (const std::exception& e) {
    qCWarning(lcRemoteServer, "%s: connection ended by an internal error: %s", qPrintable(peer_), e.what());
  } catch (...) {
    qCWarning(lcRemoteServer, "%s: connection ended by an internal error", qPrintable(peer_));
  }
  // The objects were made on this thread and are released on it.
  try {
    objects_.clear();
  } catch (...) {
    qCWarning(lcRemoteServer, "%s: an object failed while being released", qPrintable(peer_));
  }
  finished_ = true;
}

void TServerSession::Serve(QTcpSocket& socket) {
  TFrameReader reader(MaxFrameSize, TFrameReader::TContent::Body);
  QCborMap message;  // stays empty: requests are read from the frame body
  while (!stopping_.load()) {
    switch (ReadFrame(socket, reader, &message, QDeadlineTimer(PollMs))) {
    case TFrameIo::TimedOut:
      continue;
    case TFrameIo::Closed:
      if (reader.Pending() > 0)
        qCWarning(lcRemoteServer, "%s: client left in the middle of a frame", qPrintable(peer_));
      return;
    case TFrameIo::Invalid:
      Goodbye(socket, reader.Error());
      return;
    case TFrameIo::Done:
      if (!Handle(socket, reader.Body()))
        return;
    }
  }
}

bool TServerSession::Handle(QTcpSocket& socket, QByteArrayView body) {
  TRemoteRequest request;
  QString error;
  switch (DecodeRequestBody(body, &codec_, &request, &error)) {
  case TBodyFault::Frame:
    Goodbye(socket, error);
    return false;
  case TBodyFault::Message:
    Goodbye(socket, QStringLiteral("malformed request: %1").arg(error));
    return false;
  case TBodyFault::None:
    break;
  }
  if (request.Op == TRemoteOp::Release) {
    objects_.remove(request.Handle);
    return true;
  }
  return Send(socket, Answer(request));
}

// The reply's frame. Values are written straight into it, so writing is part
// of the call: a value that cannot be sent, or an answer too large to go,
// fails the call like any other error.
QByteArray TServerSession::Answer(TRemoteRequest& request) {
  TRemoteReply reply;
  reply.Id = request.Id;
  // Handles given out by a call that then fails would never reach the client.
  const qint64 firstNew = lastHandle_ + 1;
  try {
    if (request.Op == TRemoteOp::Create)
      Create(request, &reply);
    else
      Call(request, &reply);
    QByteArray frame = EncodeReplyFrame(reply, &codec_);
    if (frame.size() - FrameHeaderSize > MaxFrameSize)
      throw EOleError(QStringLiteral("the answer to %1 is %2 bytes long, more than the %3 bytes a reply may carry")
                          .arg(request.Member).arg(frame.size() - FrameHeaderSize).arg(MaxFrameSize));
    return frame;
  } catch (const Exception& e) {
    Fail(&reply, e.ClassName(), e.Message());
  } catch (const std::exception& e) {
    Fail(&reply, QStringLiteral("Exception"), QString::fromUtf8(e.what()));
  } catch (...) {
    Fail(&reply, QStringLiteral("Exception"), QStringLiteral("unknown error in %1").arg(request.Member));
  }
  for (qint64 h = firstNew; h <= lastHandle_; ++h)
    objects_.remove(h);
  return EncodeReplyFrame(reply, &codec_);
}

void TServerSession::Create(const TRemoteRequest& request, TRemoteReply* reply) {
  reply->Handle = Adopt(VarToDispatch(CreateOleObject(request.ClassName)));
}

void TServerSession::Call(TRemoteRequest& request, TRemoteReply* reply) {
  const TDispatchRef object = objects_.value(request.Handle);
  if (!object)
    throw EOleError(QStringLiteral("unknown object handle %1").arg(request.Handle));
  if (request.ValueFault)
    std::rethrow_exception(request.ValueFault);
  QVariantList args = std::move(request.ArgValues);
  const TByRefMask mask = ClipMask(request.ByRef, args.size());
  reply->Result = Dispatch(object, request, args, mask);
  for (qsizetype i = 0; i < args.size() && i < 64; ++i)
    if (mask & ByRefArg(int(i)))
      reply->ByRefValues.append(args.at(i));
}

QVariant TServerSession::Dispatch(const TDispatchRef& object, const TRemoteRequest& request, QVariantList& args,
                                  TByRefMask mask) {
  switch (request.Kind) {
  case TCallKind::Method:
    return object->Invoke(request.Member, args, mask);
  case TCallKind::Get:
    return object->GetProperty(request.Member);
  case TCallKind::Put:
    if (args.size() != 1)
      throw EOleError(QStringLiteral("property %1 is set with one value, not %2").arg(request.Member).arg(args.size()));
    object->SetProperty(request.Member, args.first());
    return QVariant();
  case TCallKind::Has:
    return object->HasMember(request.Member);
  }
  return QVariant();
}

qint64 TServerSession::Adopt(const TDispatchRef& object) {
  if (!object)
    throw EOleError(QStringLiteral("no object to hand to the client"));
  if (objects_.size() >= MaxObjects)
    throw EOleError(QStringLiteral("this connection already holds %1 server objects").arg(MaxObjects));
  objects_.insert(++lastHandle_, object);
  return lastHandle_;
}

bool TServerSession::Send(QTcpSocket& socket, const QByteArray& frame) {
  if (socket.write(frame) != frame.size())
    return false;
  // Waiting in slices lets a stopping server leave a client that reads nothing.
  const QDeadlineTimer deadline(WriteTimeoutMs);
  for (;;) {
    switch (FlushFrames(socket, QDeadlineTimer(PollMs))) {
    case TFrameIo::Done:
      return true;
    case TFrameIo::TimedOut:
      if (!stopping_.load() && !deadline.hasExpired())
        continue;
      qCWarning(lcRemoteServer, "%s: client does not read its replies; connection closed", qPrintable(peer_));
      return false;
    default:
      return false;
    }
  }
}

void TServerSession::Goodbye(QTcpSocket& socket, const QString& why) {
  qCWarning(lcRemoteServer, "%s: %s; connection closed", qPrintable(peer_), qPrintable(why));
  TRemoteReply reply;  // id 0: addressed to the connection, not to a call
  Fail(&reply, QStringLiteral("ESocketConnectionError"), QStringLiteral("the server closed the connection: %1").arg(why));
  // Best effort, and brief: the peer may not be reading at all.
  if (WriteFrame(socket, EncodeReplyFrame(reply, nullptr), QDeadlineTimer(1000)) == TFrameIo::Done)
    Linger(socket);
}

void TServerSession::Linger(QTcpSocket& socket) {
  // Closing a socket with unread bytes resets the connection, and a reset may
  // destroy the farewell before the peer reads it. So: end our direction,
  // swallow what the peer still sends, and close once it has gone (or after
  // a second, if it keeps talking).
  ::shutdown(int(socket.socketDescriptor()), SHUT_WR);
  const QDeadlineTimer deadline(1000);
  while (socket.state() == QAbstractSocket::ConnectedState && !deadline.hasExpired()) {
    socket.waitForReadyRead(int(qMax<qint64>(deadline.remainingTime(), 1)));
    socket.skip(socket.bytesAvailable());
  }
}

}  // namespace vantor
