// The client end of one socket to an application server, and the proxies of
// the server objects reached through it. One channel serves any number of
// objects (handles); each proxy keeps the channel alive, and releases its
// server object when the last reference to it goes.
//
// Calls are synchronous: the calling thread blocks until the reply arrives,
// the server goes away or the time-out passes. A channel belongs to the thread
// that opened it. Any failure of the connection itself closes the channel and
// raises ESocketConnectionError naming host and port; later calls raise it too.
#pragma once

#include <QDeadlineTimer>
#include <QEnableSharedFromThis>
#include <QList>
#include <QSharedPointer>
#include <QString>
#include <QVariant>
#include <memory>

#include "platform/dispatch/Dispatch.h"
#include "platform/remote/RemoteFrame.h"
#include "platform/remote/RemoteMessage.h"
#include "platform/variant/VariantCbor.h"

class QTcpSocket;

namespace vantor {

class TRemoteChannel : public QEnableSharedFromThis<TRemoteChannel> {
public:
  TRemoteChannel(const QString& host, int port, int timeoutMs);
  ~TRemoteChannel();
  TRemoteChannel(const TRemoteChannel&) = delete;
  TRemoteChannel& operator=(const TRemoteChannel&) = delete;

  // Raises ESocketConnectionError "cannot connect to HOST:PORT: reason".
  void Open();
  void Close();
  bool IsOpen() const;
  QString Peer() const;  // "host:port"
  void SetTimeout(int ms) { timeoutMs_ = ms; }

  // Creates an object of the class on the server and answers its proxy.
  TDispatchRef CreateObject(const QString& progId);
  QVariant Call(qint64 handle, TCallKind kind, const QString& member, QVariantList& args, TByRefMask byRef);
  // One-way; never raises (it runs from destructors).
  void Release(qint64 handle) noexcept;

private:
  TRemoteReply Exchange(TRemoteRequest& request);
  void Send(const QByteArray& frame, const QDeadlineTimer& deadline);
  TRemoteReply Receive(quint64 id, const QDeadlineTimer& deadline);
  QByteArray TakeReleases();
  void EnsureOpen() const;
  [[noreturn]] void Broken(const QString& why);
  QString TimeoutText() const;

  QString host_;
  int port_;
  int timeoutMs_;
  std::unique_ptr<QTcpSocket> socket_;
  TFrameReader reader_{MaxFrameSize, TFrameReader::TContent::Body};
  quint64 lastId_ = 0;
  bool busy_ = false;
  QList<qint64> releases_;  // handles dropped while a call was under way
  TCborObjectCodec codec_;
};

// A server object seen through a channel.
class TRemoteObject : public TDispatch {
public:
  TRemoteObject(QSharedPointer<TRemoteChannel> channel, qint64 handle);
  ~TRemoteObject() override;

  QVariant Invoke(const QString& name, QVariantList& args, TByRefMask byRef = NoByRef) override;
  QVariant GetProperty(const QString& name) override;
  void SetProperty(const QString& name, const QVariant& value) override;
  bool HasMember(const QString& name) override;

  qint64 Handle() const { return handle_; }
  const TRemoteChannel* Channel() const { return channel_.data(); }

private:
  QSharedPointer<TRemoteChannel> channel_;
  qint64 handle_;
};

}  // namespace vantor
