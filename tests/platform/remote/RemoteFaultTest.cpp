// Faults on both ends of the wire. A client that sends garbage loses its own
// connection and nothing else; a server that is gone, dies during a call,
// stays silent or answers garbage gives the caller ESocketConnectionError
// naming host and port, never a hang.
#include <QCborArray>
#include <QCborValue>
#include <QTcpSocket>
#include <gtest/gtest.h>

#include "RemoteTestSupport.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/os/Exceptions.h"
#include "platform/remote/RemoteMessage.h"
#include "platform/remote/SocketConnection.h"
#include "platform/variant/Variants.h"

using namespace vantor;
using namespace vantor::test;

namespace {

QString Peer(quint16 port) { return QStringLiteral("127.0.0.1:%1").arg(port); }

void Configure(TSocketConnection& c, quint16 port) {
  c.SetAddress(QStringLiteral("127.0.0.1"));
  c.SetPort(port);
  c.SetServerName(QStringLiteral("Nexsrv01S.Class1"));
}

// The message of the ESocketConnectionError that f raises ("" when none).
template <class F>
QString ConnectionError(F&& f) {
  try {
    f();
  } catch (const ESocketConnectionError& e) {
    return e.Message();
  } catch (const Exception& e) {
    return QStringLiteral("unexpected %1: %2").arg(e.ClassName(), e.Message());
  }
  return QString();
}

// A fresh client completes a call: the server is alive and serving.
void ExpectServing(quint16 port) {
  TSocketConnection c;
  Configure(c, port);
  c.Open();
  EXPECT_EQ(DispCall(c.AppServer(), QStringLiteral("Increment"), {1}).toInt(), 2);
}

class RemoteFault : public ::testing::Test {
protected:
  static void SetUpTestSuite() { server_ = new TServerProcess; }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }
  void SetUp() override { ASSERT_NE(server_->Port(), 0); }
  static TServerProcess* server_;
};

TServerProcess* RemoteFault::server_ = nullptr;

}  // namespace

TEST(RemoteConnect, ClosedPortFailsAtOnceNamingHostAndPort) {
  const quint16 port = UnusedPort();
  TSocketConnection c;
  Configure(c, port);
  EXPECT_EQ(ConnectionError([&] { c.Open(); }),
            QStringLiteral("cannot connect to %1: connection refused").arg(Peer(port)));
  EXPECT_FALSE(c.Connected());
}

TEST(RemoteConnect, MissingSettingsAreNamed) {
  TSocketConnection c;
  c.SetServerName(QStringLiteral("Nexsrv01S.Class1"));
  EXPECT_TRUE(ConnectionError([&] { c.Open(); }).contains(QLatin1String("no address given")));
  c.SetAddress(QStringLiteral("127.0.0.1"));
  c.SetServerName(QString());
  EXPECT_TRUE(ConnectionError([&] { c.Open(); }).contains(QLatin1String("no server class")));
  c.SetServerName(QStringLiteral("Nexsrv01S.Class1"));
  c.SetPort(70000);
  EXPECT_TRUE(ConnectionError([&] { c.Open(); }).contains(QLatin1String("127.0.0.1:70000: not a valid port")));
}

TEST_F(RemoteFault, BadFramesCostOnlyTheirOwnConnection) {
  QCborMap opIsNumber{{QStringLiteral("op"), 7}, {QStringLiteral("id"), 1}};
  QCborMap memberIsNumber{{QStringLiteral("op"), QStringLiteral("call")}, {QStringLiteral("id"), 1},
                          {QStringLiteral("h"), 1}, {QStringLiteral("m"), 5}, {QStringLiteral("k"), 0}};
  QCborMap unknownOp{{QStringLiteral("op"), QStringLiteral("drop")}, {QStringLiteral("id"), 1}};
  struct TCase {
    const char* Name;
    QByteArray Bytes;
    const char* Reason;
  } cases[] = {
      {"100 MiB announced", BigEndianSize(100u << 20) + QByteArray(1000, 'x'), "exceeds the limit"},
      {"garbage", Framed(QByteArray("\xff\xfe\xfd\xfc\xfb\xfa", 6)), "not valid CBOR"},
      {"empty frame", BigEndianSize(0), "empty frame"},
      {"array, not a map", Framed(QCborValue(QCborArray{1, 2, 3}).toCbor()), "no message map"},
      {"op of the wrong type", EncodeFrame(opIsNumber), "field \"op\""},
      {"member of the wrong type", EncodeFrame(memberIsNumber), "field \"m\""},
      {"unknown operation", EncodeFrame(unknownOp), "unknown operation \"drop\""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TRawClient raw(server_->Port());
    raw.SendBytes(c.Bytes);
    TRemoteReply goodbye;
    QString error;
    ASSERT_TRUE(DecodeReply(raw.Receive(), &goodbye, &error)) << error.toStdString();
    EXPECT_EQ(goodbye.Id, 0u);
    EXPECT_EQ(goodbye.ErrorClass, QStringLiteral("ESocketConnectionError"));
    EXPECT_TRUE(goodbye.ErrorMessage.contains(QLatin1String(c.Reason))) << goodbye.ErrorMessage.toStdString();
    EXPECT_TRUE(raw.WaitClosed()) << "the server closes a connection that broke the protocol";
    ExpectServing(server_->Port());
  }
  EXPECT_TRUE(server_->IsRunning());
}

TEST_F(RemoteFault, TruncatedFramesDoNotDisturbOtherClients) {
  // One client stops in the middle of a frame and stays; one leaves mid-frame.
  TRawClient stalled(server_->Port());
  stalled.SendBytes(BigEndianSize(200) + QByteArray(50, 'a'));
  TRawClient leaving(server_->Port());
  leaving.SendBytes(EncodeFrame(QCborMap{{QStringLiteral("op"), QStringLiteral("create")}}).left(9));
  leaving.Disconnect();
  ExpectServing(server_->Port());
  EXPECT_TRUE(stalled.IsConnected());
  EXPECT_TRUE(server_->IsRunning());
}

TEST(RemoteServerGone, KilledServerGivesConnectionErrorThenRefusesCalls) {
  TServerProcess server;
  ASSERT_NE(server.Port(), 0);
  TSocketConnection c;
  Configure(c, server.Port());
  c.Open();
  ASSERT_EQ(DispCall(c.AppServer(), QStringLiteral("Increment"), {1}).toInt(), 2);
  server.Kill();
  const QString lost = ConnectionError([&] { DispCall(c.AppServer(), QStringLiteral("Echo"), {1}); });
  EXPECT_TRUE(lost.startsWith(QStringLiteral("connection to %1 lost: ").arg(Peer(server.Port()))))
      << lost.toStdString();
  EXPECT_FALSE(c.Connected());
  EXPECT_EQ(ConnectionError([&] { DispCall(c.AppServer(), QStringLiteral("Echo")); }),
            QStringLiteral("not connected to the application server at %1").arg(Peer(server.Port())));
}

TEST(RemoteServerGone, TerminatedServerExitsCleanlyWithClientsConnected) {
  TServerProcess server;
  ASSERT_NE(server.Port(), 0);
  TSocketConnection c;
  Configure(c, server.Port());
  c.Open();
  EXPECT_EQ(server.Terminate(), 0);
  EXPECT_FALSE(ConnectionError([&] { DispCall(c.AppServer(), QStringLiteral("Echo")); }).isEmpty());
}

// Faults staged by a fake server after it has answered the connect.
TEST(RemoteServerFault, EachFaultEndsTheCallWithItsOwnWords) {
  struct TCase {
    const char* Name;
    TFakeServer::TScript Script;
    const char* Words;
  } cases[] = {
      {"dies during the call", [](QTcpSocket& s, const QCborMap&) { s.abort(); },
       "the server closed the connection during the call"},
      {"never answers",
       [](QTcpSocket& s, const QCborMap&) {
         // Stays until the client gives up.
         while (s.state() == QAbstractSocket::ConnectedState && s.waitForReadyRead(10000))
           s.readAll();
       },
       "no answer within 0.3 s"},
      {"answers garbage",
       [](QTcpSocket& s, const QCborMap&) {
         s.write(Framed("\xff\xff\xff"));
         s.waitForBytesWritten(5000);
         s.waitForDisconnected(5000);
       },
       "unreadable reply: frame is not valid CBOR"},
      {"announces a 1 GiB reply",
       [](QTcpSocket& s, const QCborMap&) {
         s.write(BigEndianSize(1u << 30) + QByteArray(4096, 'z'));
         s.waitForBytesWritten(5000);
         s.waitForDisconnected(5000);
       },
       "unreadable reply: frame of 1073741824 bytes exceeds the limit"},
      {"answers another call",
       [](QTcpSocket& s, const QCborMap&) {
         TRemoteReply wrong;
         wrong.Id = 999;
         s.write(EncodeFrame(EncodeReply(wrong)));
         s.waitForBytesWritten(5000);
         s.waitForDisconnected(5000);
       },
       "reply to call 999 received while waiting for call 2"},
      {"answers without the written-back arguments",
       [](QTcpSocket& s, const QCborMap& request) {
         TRemoteReply reply;
         reply.Id = quint64(request.value(QStringLiteral("id")).toInteger());
         s.write(EncodeFrame(EncodeReply(reply)));
         s.waitForBytesWritten(5000);
         s.waitForDisconnected(5000);
       },
       "carries 0 by-reference arguments instead of 1"},
  };
  for (TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TFakeServer fake(c.Script);
    TSocketConnection conn;
    Configure(conn, fake.Port());
    conn.SetCallTimeout(300);
    conn.Open();
    QVariantList args{1};
    const QString error = ConnectionError(
        [&] { VarToDispatch(conn.AppServer())->Invoke(QStringLiteral("Increment"), args, ByRefArg(0)); });
    EXPECT_TRUE(error.startsWith(QStringLiteral("connection to %1 lost: ").arg(Peer(fake.Port()))))
        << error.toStdString();
    EXPECT_TRUE(error.contains(QLatin1String(c.Words))) << error.toStdString();
    EXPECT_FALSE(conn.Connected());
    EXPECT_EQ(args[0].toInt(), 1) << "a failed call writes nothing back";
  }
}
