// TSocketConnection: the data module's connection to a remote application
// server. Setting Connected true opens a socket to Address:Port and creates the
// server object named by ServerName there; AppServer then holds its proxy, a
// TDispatch like any in-process object. For a server on the same machine the
// data module may instead create the object in-process and hand it over
// through AppServer; the connection then merely holds it.
//
// Everything is synchronous and belongs to the thread that opened the
// connection. Failures raise ESocketConnectionError naming host and port.
#pragma once

#include <QObject>
#include <QPointer>
#include <QSharedPointer>
#include <QString>
#include <QVariant>

namespace vantor {

class TRemoteChannel;

class TSocketConnection : public QObject {
  Q_OBJECT
  Q_PROPERTY(QString Address READ Address WRITE SetAddress)
  Q_PROPERTY(int Port READ Port WRITE SetPort)
  Q_PROPERTY(QString ServerName READ ServerName WRITE SetServerName)
  Q_PROPERTY(QString ServerGUID READ ServerGUID WRITE SetServerGUID)
  Q_PROPERTY(bool Connected READ Connected WRITE SetConnected)
  Q_PROPERTY(QObject* ObjectBroker READ ObjectBroker WRITE SetObjectBroker)
  Q_PROPERTY(bool SupportCallbacks READ SupportCallbacks WRITE SetSupportCallbacks)
  Q_PROPERTY(QVariant AppServer READ AppServer WRITE SetAppServer)
  Q_PROPERTY(int CallTimeout READ CallTimeout WRITE SetCallTimeout)

public:
  static constexpr int DefaultPort = 211;
  static constexpr int DefaultCallTimeout = 60000;  // milliseconds

  explicit TSocketConnection(QObject* parent = nullptr);
  ~TSocketConnection() override;

  QString Address() const { return address_; }
  void SetAddress(const QString& address) { address_ = address; }
  int Port() const { return port_; }
  void SetPort(int port) { port_ = port; }
  QString ServerName() const { return serverName_; }
  void SetServerName(const QString& name) { serverName_ = name; }
  // Kept for the data modules that set it; classes are found by name.
  QString ServerGUID() const { return serverGuid_; }
  void SetServerGUID(const QString& guid) { serverGuid_ = guid; }
  // Kept but unused: there is one server per connection.
  QObject* ObjectBroker() const { return objectBroker_; }
  void SetObjectBroker(QObject* broker) { objectBroker_ = broker; }
  // Kept; objects of this program are never passed to the server either way.
  bool SupportCallbacks() const { return supportCallbacks_; }
  void SetSupportCallbacks(bool on) { supportCallbacks_ = on; }

  // True while a socket to the server is open, or an in-process server is held.
  bool Connected() const;
  void SetConnected(bool on);
  void Open() { SetConnected(true); }
  void Close() { SetConnected(false); }

  // The server object: its proxy while connected, an in-process object handed
  // over by the caller, or Unassigned.
  QVariant AppServer() const { return appServer_; }
  // Hands an in-process server to the connection (closing any socket first);
  // Unassigned lets go of it.
  void SetAppServer(const QVariant& server);

  // Longest wait for the server to connect and for each call, in milliseconds.
  int CallTimeout() const { return callTimeout_; }
  void SetCallTimeout(int ms);

private:
  void Connect();
  void Disconnect();

  QString address_;
  int port_ = DefaultPort;
  QString serverName_;
  QString serverGuid_;
  QPointer<QObject> objectBroker_;
  bool supportCallbacks_ = false;
  int callTimeout_ = DefaultCallTimeout;
  QSharedPointer<TRemoteChannel> channel_;
  QVariant appServer_;
};

}  // namespace vantor
