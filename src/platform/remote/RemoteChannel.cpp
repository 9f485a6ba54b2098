// Client side of the protocol: one blocking request/reply exchange per call,
// object handles mapped to proxies, by-reference arguments written back.
#include "platform/remote/RemoteChannel.h"

#include <QDeadlineTimer>
#include <QScopeGuard>
#include <QTcpSocket>

#include "platform/os/Exceptions.h"
#include "platform/remote/FrameSocket.h"

namespace vantor {

namespace {

// Bits of the mask that name arguments that exist.
TByRefMask ClipMask(TByRefMask mask, qsizetype count) {
  return count >= 64 ? mask : mask & ((TByRefMask(1) << count) - 1);
}

}  // namespace

TRemoteChannel::TRemoteChannel(const QString& host, int port, int timeoutMs)
    : host_(host), port_(port), timeoutMs_(timeoutMs) {
  codec_.Encode = [this](const QVariant& ref) -> qint64 {
    const TDispatchRef object = VarToDispatch(ref);
    const auto* proxy = dynamic_cast<const TRemoteObject*>(object.data());
    if (!proxy)
      throw EOleError(QStringLiteral("an object of this program cannot be passed to the application server "
                                     "at %1 (callbacks are not supported)").arg(Peer()));
    if (proxy->Channel() != this)
      throw EOleError(QStringLiteral("an object of another server connection cannot be passed to %1").arg(Peer()));
    return proxy->Handle();
  };
  codec_.Decode = [this](qint64 handle) -> QVariant {
    if (handle <= 0)
      throw EOleError(QStringLiteral("%1 sent an invalid object handle %2").arg(Peer()).arg(handle));
    return VarFromDispatch(TDispatchRef(new TRemoteObject(sharedFromThis(), handle)));
  };
}

TRemoteChannel::~TRemoteChannel() { Close(); }

QString TRemoteChannel::Peer() const { return QStringLiteral("%1:%2").arg(host_).arg(port_); }

bool TRemoteChannel::IsOpen() const {
  return socket_ && socket_->state() == QAbstractSocket::ConnectedState;
}

void TRemoteChannel::Open() {
  if (host_.trimmed().isEmpty())
    throw ESocketConnectionError(
        QStringLiteral("cannot connect to the application server: no address given (port %1)").arg(port_));
  if (port_ <= 0 || port_ > 65535)
    throw ESocketConnectionError(QStringLiteral("cannot connect to %1: not a valid port").arg(Peer()));
  auto socket = std::make_unique<QTcpSocket>();
  socket->connectToHost(host_, quint16(port_));
  if (!socket->waitForConnected(qMax(timeoutMs_, 1)))
    throw ESocketConnectionError(QStringLiteral("cannot connect to %1: %2").arg(Peer(), SocketErrorText(*socket)));
  TuneSocket(*socket);
  socket_ = std::move(socket);
  reader_ = TFrameReader(MaxFrameSize, TFrameReader::TContent::Body);
  releases_.clear();
}

void TRemoteChannel::Close() {
  if (!socket_)
    return;
  // Releases still queued need not go out: closing frees every object of the
  // connection on the server.
  releases_.clear();
  socket_->abort();
  socket_.reset();
}

void TRemoteChannel::EnsureOpen() const {
  if (!IsOpen())
    throw ESocketConnectionError(QStringLiteral("not connected to the application server at %1").arg(Peer()));
}

void TRemoteChannel::Broken(const QString& why) {
  Close();
  throw ESocketConnectionError(QStringLiteral("connection to %1 lost: %2").arg(Peer(), why));
}

QString TRemoteChannel::TimeoutText() const {
  return QStringLiteral("no answer within %1 s").arg(timeoutMs_ / 1000.0);
}

TDispatchRef TRemoteChannel::CreateObject(const QString& progId) {
  EnsureOpen();
  TRemoteRequest request;
  request.Op = TRemoteOp::Create;
  request.ClassName = progId;
  const TRemoteReply reply = Exchange(request);
  if (reply.Failed)
    RaiseByClassName(reply.ErrorClass, reply.ErrorMessage);
  if (reply.Handle <= 0)
    Broken(QStringLiteral("the server answered the creation of %1 without an object").arg(progId));
  return TDispatchRef(new TRemoteObject(sharedFromThis(), reply.Handle));
}

QVariant TRemoteChannel::Call(qint64 handle, TCallKind kind, const QString& member, QVariantList& args,
                              TByRefMask byRef) {
  EnsureOpen();
  TRemoteRequest request;
  request.Handle = handle;
  request.Member = member;
  request.Kind = kind;
  request.ByRef = ClipMask(byRef, args.size());
  request.ArgValues = args;
  TRemoteReply reply = Exchange(request);
  if (reply.Failed)
    RaiseByClassName(reply.ErrorClass, reply.ErrorMessage);
  if (reply.ByRefValues.size() != ByRefCount(request.ByRef))
    Broken(QStringLiteral("the reply to %1 carries %2 by-reference arguments instead of %3")
               .arg(member).arg(reply.ByRefValues.size()).arg(ByRefCount(request.ByRef)));
  // A value the reply could not carry fails the call before any argument is
  // written back, so the caller's variables stay as they were.
  if (reply.ValueFault)
    std::rethrow_exception(reply.ValueFault);
  qsizetype next = 0;
  for (qsizetype i = 0; i < args.size() && i < 64; ++i)
    if (request.ByRef & ByRefArg(int(i)))
      args[i] = std::move(reply.ByRefValues[next++]);
  return std::move(reply.Result);
}

TRemoteReply TRemoteChannel::Exchange(TRemoteRequest& request) {
  request.Id = ++lastId_;
  // The call is written before the queued releases are taken, so that a call
  // that cannot be sent leaves them queued for the next one.
  const QByteArray call = EncodeRequestFrame(request, &codec_);
  if (call.size() - FrameHeaderSize > MaxFrameSize)
    throw EOleError(QStringLiteral("the call of %1 is %2 bytes long, more than the %3 bytes a call may carry")
                        .arg(request.Op == TRemoteOp::Create ? request.ClassName : request.Member)
                        .arg(call.size() - FrameHeaderSize).arg(MaxFrameSize));
  QByteArray frame = TakeReleases();
  if (frame.isEmpty())
    frame = call;
  else
    frame.append(call);

  busy_ = true;
  const auto idle = qScopeGuard([this] { busy_ = false; });
  const QDeadlineTimer deadline(qMax(timeoutMs_, 1));
  Send(frame, deadline);
  return Receive(request.Id, deadline);
}

void TRemoteChannel::Send(const QByteArray& frame, const QDeadlineTimer& deadline) {
  switch (WriteFrame(*socket_, frame, deadline)) {
  case TFrameIo::Done:
  case TFrameIo::Invalid:
    return;
  case TFrameIo::Closed:
    Broken(QStringLiteral("the server closed the connection"));
  case TFrameIo::TimedOut:
    Broken(TimeoutText());
  }
}

TRemoteReply TRemoteChannel::Receive(quint64 id, const QDeadlineTimer& deadline) {
  QCborMap unused;  // replies are read from the frame body
  switch (ReadFrame(*socket_, reader_, &unused, deadline)) {
  case TFrameIo::Done:
    break;
  case TFrameIo::Closed:
    Broken(QStringLiteral("the server closed the connection during the call"));
  case TFrameIo::TimedOut:
    Broken(TimeoutText());
  case TFrameIo::Invalid:
    Broken(QStringLiteral("unreadable reply: %1").arg(reader_.Error()));
  }
  TRemoteReply reply;
  QString error;
  if (DecodeReplyBody(reader_.Body(), &codec_, &reply, &error) != TBodyFault::None)
    Broken(QStringLiteral("unreadable reply: %1").arg(error));
  if (reply.Id == 0 && reply.Failed)
    Broken(reply.ErrorMessage);
  if (reply.Id != id)
    Broken(QStringLiteral("reply to call %1 received while waiting for call %2").arg(reply.Id).arg(id));
  return reply;
}

QByteArray TRemoteChannel::TakeReleases() {
  QByteArray frames;
  for (qint64 handle : std::as_const(releases_)) {
    TRemoteRequest release;
    release.Op = TRemoteOp::Release;
    release.Handle = handle;
    frames.append(EncodeRequestFrame(release, nullptr));
  }
  releases_.clear();
  return frames;
}

void TRemoteChannel::Release(qint64 handle) noexcept {
  try {
    if (!IsOpen())
      return;
    releases_.append(handle);
    // During a call the release rides along with the next request; otherwise
    // it goes now, so the server frees the object at once.
    if (busy_)
      return;
    const QByteArray frames = TakeReleases();
    if (WriteFrame(*socket_, frames, QDeadlineTimer(qMax(timeoutMs_, 1))) != TFrameIo::Done)
      Close();
  } catch (...) {
    // A release that cannot be sent is settled when the connection closes.
  }
}

// --- proxy ---------------------------------------------------------------------------

TRemoteObject::TRemoteObject(QSharedPointer<TRemoteChannel> channel, qint64 handle)
    : channel_(std::move(channel)), handle_(handle) {}

TRemoteObject::~TRemoteObject() { channel_->Release(handle_); }

QVariant TRemoteObject::Invoke(const QString& name, QVariantList& args, TByRefMask byRef) {
  return channel_->Call(handle_, TCallKind::Method, name, args, byRef);
}

QVariant TRemoteObject::GetProperty(const QString& name) {
  QVariantList none;
  return channel_->Call(handle_, TCallKind::Get, name, none, NoByRef);
}

void TRemoteObject::SetProperty(const QString& name, const QVariant& value) {
  QVariantList args{value};
  channel_->Call(handle_, TCallKind::Put, name, args, NoByRef);
}

bool TRemoteObject::HasMember(const QString& name) {
  QVariantList none;
  return channel_->Call(handle_, TCallKind::Has, name, none, NoByRef).toBool();
}

}  // namespace vantor
