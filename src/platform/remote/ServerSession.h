// One client connection of the application server, served on its own thread
// with its own blocking socket. The session owns the objects its client
// created (its handle table), so every client has its own server objects, and
// they die with the connection. A client that breaks the protocol loses its
// connection; it cannot disturb any other session.
#pragma once

#include <QCborMap>
#include <QHash>
#include <QString>
#include <atomic>

#include "platform/dispatch/Dispatch.h"
#include "platform/remote/RemoteMessage.h"
#include "platform/variant/VariantCbor.h"

class QTcpSocket;

namespace vantor {

class TServerSession {
public:
  // Limits that keep one client from exhausting the server.
  static constexpr int MaxObjects = 100000;
  static constexpr int WriteTimeoutMs = 60000;

  TServerSession(qintptr descriptor, const std::atomic<bool>& stopping);
  TServerSession(const TServerSession&) = delete;
  TServerSession& operator=(const TServerSession&) = delete;

  // The thread body: serves until the client leaves or the server stops.
  void Run() noexcept;
  bool Finished() const { return finished_.load(); }

private:
  void Serve(QTcpSocket& socket);
  bool Handle(QTcpSocket& socket, QByteArrayView body);
  QByteArray Answer(TRemoteRequest& request);
  void Create(const TRemoteRequest& request, TRemoteReply* reply);
  void Call(TRemoteRequest& request, TRemoteReply* reply);
  QVariant Dispatch(const TDispatchRef& object, const TRemoteRequest& request, QVariantList& args, TByRefMask mask);
  qint64 Adopt(const TDispatchRef& object);
  bool Send(QTcpSocket& socket, const QByteArray& frame);
  void Goodbye(QTcpSocket& socket, const QString& why);
  void Linger(QTcpSocket& socket);

  qintptr descriptor_;
  const std::atomic<bool>& stopping_;
  std::atomic<bool> finished_{false};
  QString peer_;
  QHash<qint64, TDispatchRef> objects_;
  qint64 lastHandle_ = 0;
  TCborObjectCodec codec_;
};

}  // namespace vantor
