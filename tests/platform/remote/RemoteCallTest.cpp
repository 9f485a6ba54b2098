// Late-bound calls through TSocketConnection to a real nexsrvd: values,
// by-reference arguments, properties, remote exceptions, objects coming back
// from the server, and the connection's own states.
#include <QDate>
#include <gtest/gtest.h>
#include <memory>

#include "RemoteTestSupport.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/os/Exceptions.h"
#include "platform/remote/RemoteMessage.h"
#include "platform/remote/SocketConnection.h"
#include "platform/variant/Variants.h"

using namespace vantor;
using vantor::test::TRawClient;
using vantor::test::TServerProcess;

namespace {

class RemoteCall : public ::testing::Test {
protected:
  static void SetUpTestSuite() { server_ = new TServerProcess; }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }

  void SetUp() override {
    ASSERT_NE(server_->Port(), 0);
    Configure(conn_);
    conn_.Open();
  }

  static void Configure(TSocketConnection& c) {
    c.SetAddress(QStringLiteral("127.0.0.1"));
    c.SetPort(server_->Port());
    c.SetServerName(QStringLiteral("Nexsrv01S.Class1"));
  }

  QVariant Call(const QString& name, QVariantList args = {}) { return DispCall(conn_.AppServer(), name, args); }

  // Runs the call and answers the class and message of what it raised.
  template <class F>
  static std::pair<QString, QString> Raised(F&& f) {
    try {
      f();
    } catch (const Exception& e) {
      return {e.ClassName(), e.Message()};
    }
    return {QStringLiteral("(nothing)"), QString()};
  }

  static TServerProcess* server_;
  TSocketConnection conn_;
};

TServerProcess* RemoteCall::server_ = nullptr;

class TLocalObject : public TDispatchObject {};

TRemoteRequest Request(TRemoteOp op, quint64 id, qint64 handle, const QString& name,
                       TCallKind kind = TCallKind::Method, const QCborArray& args = {}) {
  TRemoteRequest r;
  r.Op = op;
  r.Id = id;
  r.Handle = handle;
  (op == TRemoteOp::Create ? r.ClassName : r.Member) = name;
  r.Kind = kind;
  r.Args = args;
  return r;
}

}  // namespace

TEST_F(RemoteCall, WhatisAnswersServerDateAndDatabaseKind) {
  const QString before = QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
  const QVariant today = Call(QStringLiteral("Whatis"), {QStringLiteral("TODAY")});
  const QString after = QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
  EXPECT_TRUE(today.toString() == before || today.toString() == after) << today.toString().toStdString();
  const QVariant sqlType = Call(QStringLiteral("WhatIs"), {QStringLiteral("SQLTYPE")});
  EXPECT_EQ(sqlType.typeId(), QMetaType::Int);
  EXPECT_EQ(sqlType.toInt(), 0);
}

TEST_F(RemoteCall, ValuesCrossUnchanged) {
  TVarMatrix matrix(1, 2, 0, 2);
  matrix.Set(1, 0, QStringLiteral("甲"));
  matrix.Set(1, 1, 3.25);
  matrix.Set(2, 2, Null());
  const QVariantList values = {
      QVariant(), Null(), true, 0, -7, qint64(1) << 40, 2.5, QString(), QStringLiteral("委外验退 ✓"),
      QByteArray("\0\x01\xff", 3), VarArrayOf({1, QStringLiteral("x"), VarArrayOf({Null(), QVariant()})}),
      QVariant::fromValue(matrix)};
  const QVariant echoed = Call(QStringLiteral("Echo"), values);
  ASSERT_TRUE(VarIsArray(echoed));
  const QVariantList back = echoed.toList();
  ASSERT_EQ(back.size(), values.size());
  for (qsizetype i = 0; i < values.size(); ++i)
    EXPECT_TRUE(VarSame(back[i], values[i])) << "value " << i << ": " << VarToStr(back[i]).toStdString();
  EXPECT_TRUE(VarIsEmpty(back[0]));
  EXPECT_TRUE(VarIsNull(back[1]));
}

TEST_F(RemoteCall, ByReferenceArgumentsAreWrittenBack) {
  struct TCase {
    const char* Name;
    QVariantList Args;
    TByRefMask Mask;
    QVariantList After;
    QVariant Result;
  } cases[] = {
      {"by reference", {41, 1}, ByRefArg(0), {42, 1}, 42},
      {"by value", {41, 1}, NoByRef, {41, 1}, 42},
      {"fraction", {1.5, 2}, ByRefArg(0), {3.5, 2}, 3.5},
      {"null counts as zero", {Null()}, ByRefArg(0), {1}, 1},
      {"both marked", {10, -4}, ByRefArg(0) | ByRefArg(1), {6, -4}, 6},
      {"mask beyond the arguments", {5}, ByRefArg(0) | ByRefArg(9), {6}, 6},
  };
  const TDispatchRef server = VarToDispatch(conn_.AppServer());
  for (TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    QVariantList args = c.Args;
    const QVariant result = server->Invoke(QStringLiteral("Increment"), args, c.Mask);
    EXPECT_TRUE(VarSame(result, c.Result)) << VarToStr(result).toStdString();
    ASSERT_EQ(args.size(), c.After.size());
    for (qsizetype i = 0; i < args.size(); ++i)
      EXPECT_TRUE(VarSame(args[i], c.After[i])) << "argument " << i << ": " << VarToStr(args[i]).toStdString();
  }
}

TEST_F(RemoteCall, RemoteExceptionsArriveWithClassAndMessage) {
  struct TCase {
    const char* Name;
    QString Member;
    QVariantList Args;
    const char* Class;
    const char* Message;  // the server's words, or how they begin
  } cases[] = {
      {"rule of the server", QStringLiteral("Increment"), {QStringLiteral("abc")}, "EConvertError",
       "Increment: \"abc\" is not a number"},
      {"unknown member", QStringLiteral("NoSuchMember"), {}, "EOleError", "Unknown name: NoSuchMember"},
      {"unknown item", QStringLiteral("Whatis"), {QStringLiteral("COLOR")}, "EOleError",
       "Whatis: unknown item \"COLOR\""},
      {"missing argument", QStringLiteral("Whatis"), {}, "EOleError", "Whatis expects"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const auto [cls, message] = Raised([&] { Call(c.Member, c.Args); });
    EXPECT_EQ(cls.toStdString(), c.Class);
    EXPECT_TRUE(message.startsWith(QLatin1String(c.Message))) << message.toStdString();
    EXPECT_TRUE(conn_.Connected()) << "a failed call keeps the connection";
  }
  EXPECT_EQ(Call(QStringLiteral("Increment"), {1}).toInt(), 2);
}

TEST_F(RemoteCall, EachConnectionHasItsOwnServerObject) {
  TSocketConnection other;
  Configure(other);
  other.Open();
  DispPut(conn_.AppServer(), QStringLiteral("TopRow"), 5);
  DispCall(other.AppServer(), QStringLiteral("SetTopRow"), {9});
  EXPECT_EQ(DispGet(conn_.AppServer(), QStringLiteral("toprow")).toInt(), 5);
  EXPECT_EQ(DispGet(other.AppServer(), QStringLiteral("TopRow")).toInt(), 9);
  const TDispatchRef server = VarToDispatch(conn_.AppServer());
  EXPECT_TRUE(server->HasMember(QStringLiteral("echo")));
  EXPECT_FALSE(server->HasMember(QStringLiteral("Nope")));
}

TEST_F(RemoteCall, ObjectsFromTheServerBecomeProxies) {
  const QVariantList back = Call(QStringLiteral("Echo"), {conn_.AppServer(), conn_.AppServer()}).toList();
  ASSERT_EQ(back.size(), 2);
  ASSERT_TRUE(VarIsDispatch(back[0]));
  // A new handle for the same server object: what one changes, the other sees.
  DispCall(back[0], QStringLiteral("SetTopRow"), {33});
  EXPECT_EQ(DispGet(conn_.AppServer(), QStringLiteral("TopRow")).toInt(), 33);
  EXPECT_EQ(DispGet(back[1], QStringLiteral("TopRow")).toInt(), 33);
}

TEST_F(RemoteCall, ObjectsOfThisProgramAreRefused) {
  const QVariant local = VarFromDispatch(TDispatchRef(new TLocalObject));
  const auto [cls, message] = Raised([&] { Call(QStringLiteral("Echo"), {1, local}); });
  EXPECT_EQ(cls, QStringLiteral("EOleError"));
  EXPECT_TRUE(message.contains(QLatin1String("callbacks are not supported"))) << message.toStdString();

  TSocketConnection other;
  Configure(other);
  other.Open();
  const auto [cls2, message2] = Raised([&] { Call(QStringLiteral("Echo"), {other.AppServer()}); });
  EXPECT_EQ(cls2, QStringLiteral("EOleError"));
  EXPECT_TRUE(message2.contains(QLatin1String("another server connection"))) << message2.toStdString();
  EXPECT_EQ(Call(QStringLiteral("Increment"), {1}).toInt(), 2);
}

TEST_F(RemoteCall, UnknownHandleOrMemberFailsOnlyThatCall) {
  TRawClient raw(server_->Port());
  raw.Send(EncodeRequest(Request(TRemoteOp::Create, 1, 0, QStringLiteral("nexsrv01s.CLASS1"))));
  TRemoteReply created;
  QString error;
  ASSERT_TRUE(DecodeReply(raw.Receive(), &created, &error)) << error.toStdString();
  ASSERT_FALSE(created.Failed) << created.ErrorMessage.toStdString();
  const qint64 h = created.Handle;

  struct TCase {
    const char* Name;
    TRemoteRequest Request;
    const char* Message;
  } cases[] = {
      {"unknown handle", Request(TRemoteOp::Call, 2, 999, QStringLiteral("Echo")), "unknown object handle 999"},
      {"unknown member", Request(TRemoteOp::Call, 3, h, QStringLiteral("Nothing")), "Unknown name: Nothing"},
      {"put with two values", Request(TRemoteOp::Call, 4, h, QStringLiteral("TopRow"), TCallKind::Put, {1, 2}),
       "property TopRow is set with one value, not 2"},
      {"unknown handle inside the arguments",
       Request(TRemoteOp::Call, 5, h, QStringLiteral("Echo"), TCallKind::Method,
               {QCborValue(QCborTag(40002), 77)}),
       "unknown object handle 77"},
  };
  quint64 id = 10;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    raw.Send(EncodeRequest(c.Request));
    TRemoteReply reply;
    ASSERT_TRUE(DecodeReply(raw.Receive(), &reply, &error)) << error.toStdString();
    EXPECT_EQ(reply.Id, c.Request.Id);
    EXPECT_TRUE(reply.Failed);
    EXPECT_EQ(reply.ErrorClass, QStringLiteral("EOleError"));
    EXPECT_EQ(reply.ErrorMessage.toStdString(), c.Message);

    raw.Send(EncodeRequest(
        Request(TRemoteOp::Call, ++id, h, QStringLiteral("Whatis"), TCallKind::Method, {QStringLiteral("SQLTYPE")})));
    ASSERT_TRUE(DecodeReply(raw.Receive(), &reply, &error)) << error.toStdString();
    EXPECT_FALSE(reply.Failed) << reply.ErrorMessage.toStdString();
    EXPECT_EQ(reply.Value.toInteger(-1), 0);
  }
}

TEST_F(RemoteCall, ConnectingToAnUnknownClassFails) {
  TSocketConnection other;
  Configure(other);
  other.SetServerName(QStringLiteral("No.SuchClass"));
  const auto [cls, message] = Raised([&] { other.Open(); });
  EXPECT_EQ(cls, QStringLiteral("EOleError"));
  EXPECT_EQ(message, QStringLiteral("Invalid class string"));
  EXPECT_FALSE(other.Connected());
  EXPECT_TRUE(VarIsEmpty(other.AppServer()));
}

TEST_F(RemoteCall, ClosedConnectionRefusesCalls) {
  const QVariant proxy = conn_.AppServer();
  conn_.SetConnected(false);
  EXPECT_FALSE(conn_.Connected());
  EXPECT_TRUE(VarIsEmpty(conn_.AppServer()));
  const auto [cls, message] = Raised([&] { DispCall(proxy, QStringLiteral("Echo")); });
  EXPECT_EQ(cls, QStringLiteral("ESocketConnectionError"));
  EXPECT_EQ(message, QStringLiteral("not connected to the application server at 127.0.0.1:%1").arg(server_->Port()));
  conn_.SetConnected(true);  // and it opens again
  EXPECT_EQ(Call(QStringLiteral("Increment"), {1}).toInt(), 2);
}

TEST_F(RemoteCall, InProcessServerIsHeldUntilDisconnected) {
  const QVariant local = VarFromDispatch(TDispatchRef(new TLocalObject));
  conn_.SetAppServer(local);
  EXPECT_TRUE(conn_.Connected());
  EXPECT_EQ(VarToDispatch(conn_.AppServer()), VarToDispatch(local));
  EXPECT_THROW(conn_.SetAppServer(42), EOleError);
  EXPECT_EQ(VarToDispatch(conn_.AppServer()), VarToDispatch(local)) << "a refused value changes nothing";
  conn_.SetConnected(false);
  EXPECT_FALSE(conn_.Connected());
  EXPECT_TRUE(VarIsEmpty(conn_.AppServer()));
}

TEST_F(RemoteCall, PublishedPropertiesReachTheConnection) {
  TSocketConnection c;
  EXPECT_EQ(c.property("Port").toInt(), 211);
  EXPECT_EQ(c.property("CallTimeout").toInt(), 60000);
  EXPECT_FALSE(c.property("Connected").toBool());
  EXPECT_FALSE(c.property("SupportCallbacks").toBool());
  c.setProperty("Address", QStringLiteral("127.0.0.1"));
  c.setProperty("Port", server_->Port());
  c.setProperty("ServerName", QStringLiteral("Nexsrv01S.Class1"));
  c.setProperty("ServerGUID", QStringLiteral("{BB19C8CE-93C6-11D2-B924-0080C8938389}"));
  c.setProperty("ObjectBroker", QVariant::fromValue<QObject*>(nullptr));
  c.setProperty("Connected", true);
  EXPECT_TRUE(c.Connected());
  EXPECT_EQ(c.ServerGUID(), QStringLiteral("{BB19C8CE-93C6-11D2-B924-0080C8938389}"));
  EXPECT_EQ(DispCall(c.property("AppServer"), QStringLiteral("Whatis"), {QStringLiteral("SQLTYPE")}).toInt(), 0);
}
