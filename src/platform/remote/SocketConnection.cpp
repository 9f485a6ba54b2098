// Opening and closing the connection to the application server.
#include "platform/remote/SocketConnection.h"

#include "platform/dispatch/Dispatch.h"
#include "platform/os/Exceptions.h"
#include "platform/remote/RemoteChannel.h"
#include "platform/variant/Variants.h"

namespace vantor {

TSocketConnection::TSocketConnection(QObject* parent) : QObject(parent) {}

TSocketConnection::~TSocketConnection() { Disconnect(); }

bool TSocketConnection::Connected() const {
  if (channel_)
    return channel_->IsOpen();
  return VarIsDispatch(appServer_);
}

void TSocketConnection::SetConnected(bool on) {
  if (on == Connected())
    return;
  if (on)
    Connect();
  else
    Disconnect();
}

void TSocketConnection::SetCallTimeout(int ms) {
  callTimeout_ = qMax(ms, 1);
  if (channel_)
    channel_->SetTimeout(callTimeout_);
}

void TSocketConnection::SetAppServer(const QVariant& server) {
  if (!VarIsEmpty(server) && !VarIsDispatch(server))
    throw EOleError(QStringLiteral("the application server of a connection must be an automation object"));
  Disconnect();
  appServer_ = server;
}

void TSocketConnection::Connect() {
  // A connection that broke keeps its dead proxy until it is opened again.
  Disconnect();
  if (serverName_.trimmed().isEmpty())
    throw ESocketConnectionError(
        QStringLiteral("cannot connect to %1:%2: no server class (ServerName) given").arg(address_).arg(port_));
  auto channel = QSharedPointer<TRemoteChannel>::create(address_, port_, callTimeout_);
  channel->Open();
  try {
    appServer_ = VarFromDispatch(channel->CreateObject(serverName_));
  } catch (...) {
    channel->Close();
    throw;
  }
  channel_ = channel;
}

void TSocketConnection::Disconnect() {
  // The proxy goes first so that its server object is released while the
  // socket is still there to say so.
  appServer_ = QVariant();
  if (channel_) {
    channel_->Close();
    channel_.reset();
  }
}

}  // namespace vantor
