// TSocketServer in this process, serving a probe class of the test: remote
// exceptions of every class, the life of server objects handed to clients,
// and stopping with clients connected.
#include <QPoint>
#include <QTcpServer>
#include <atomic>
#include <gtest/gtest.h>

#include "platform/dispatch/Dispatch.h"
#include "platform/os/Exceptions.h"
#include "platform/remote/SocketConnection.h"
#include "platform/remote/SocketServer.h"
#include "platform/variant/Variants.h"

using namespace vantor;

namespace {

std::atomic<int> liveProbes{0};

// Raises what it is told to and hands out new probes.
class TProbe : public TDispatchObject {
public:
  TProbe() {
    ++liveProbes;
    Method(QStringLiteral("Fail"), [](QVariantList& args) -> QVariant {
      RaiseByClassName(args.value(0).toString(), args.value(1).toString());
    });
    Method(QStringLiteral("Spawn"), [](QVariantList&) { return VarFromDispatch(TDispatchRef(new TProbe)); });
    // An answer that cannot be sent: the probe in it must not stay behind.
    Method(QStringLiteral("SpawnUnsendable"), [](QVariantList&) {
      return VarArrayOf({VarFromDispatch(TDispatchRef(new TProbe)), QVariant(QPoint(1, 2))});
    });
    Method(QStringLiteral("Live"), [](QVariantList&) { return QVariant(liveProbes.load()); });
  }
  ~TProbe() override { --liveProbes; }
};

const QString ProbeClass = QStringLiteral("RemoteTest.Probe");

class SocketServerTest : public ::testing::Test {
protected:
  void SetUp() override {
    RegisterOleClass(ProbeClass, [] { return TDispatchRef(new TProbe); });
    server_.Listen(QHostAddress::LocalHost, 0);
    conn_.SetAddress(QStringLiteral("127.0.0.1"));
    conn_.SetPort(server_.Port());
    conn_.SetServerName(ProbeClass);
    conn_.Open();
  }
  void TearDown() override {
    conn_.Close();
    server_.Stop();
    UnregisterOleClass(ProbeClass);
  }
  int Live() { return DispCall(conn_.AppServer(), QStringLiteral("Live")).toInt(); }

  TSocketServer server_;
  TSocketConnection conn_;
};

}  // namespace

TEST_F(SocketServerTest, RemoteExceptionsAreRaisedUnderTheirOwnClass) {
  struct TCase {
    const char* Sent;
    const char* Raised;
  } cases[] = {
      {"EDatabaseError", "EDatabaseError"}, {"EReconcileError", "EReconcileError"},
      {"EAbort", "EAbort"},                 {"EConvertError", "EConvertError"},
      {"ENoSuchClass", "Exception"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Sent);
    const QString message = QStringLiteral("单据 %1 已被修改").arg(QLatin1String(c.Sent));
    QString cls, got;
    try {
      DispCall(conn_.AppServer(), QStringLiteral("Fail"), {QString::fromLatin1(c.Sent), message});
    } catch (const Exception& e) {
      cls = e.ClassName();
      got = e.Message();
    }
    EXPECT_EQ(cls.toStdString(), c.Raised);
    EXPECT_EQ(got, message);
  }
}

TEST_F(SocketServerTest, HandedOutObjectsLiveAsLongAsTheirProxies) {
  const int before = Live();
  QVariant child = DispCall(conn_.AppServer(), QStringLiteral("Spawn"));
  ASSERT_TRUE(VarIsDispatch(child));
  EXPECT_EQ(Live(), before + 1);
  EXPECT_EQ(DispCall(child, QStringLiteral("Live")).toInt(), before + 1);
  child = QVariant();  // the release goes out at once
  EXPECT_EQ(Live(), before);
}

TEST_F(SocketServerTest, ObjectsOfAFailedCallAreNotKept) {
  const int before = Live();
  EXPECT_THROW(DispCall(conn_.AppServer(), QStringLiteral("SpawnUnsendable")), EVariantError);
  EXPECT_EQ(Live(), before);
}

TEST_F(SocketServerTest, StoppingEndsSessionsAndFreesTheirObjects) {
  TSocketConnection second;
  second.SetAddress(QStringLiteral("127.0.0.1"));
  second.SetPort(server_.Port());
  second.SetServerName(ProbeClass);
  second.Open();
  EXPECT_EQ(Live(), 2);
  server_.Stop();
  EXPECT_EQ(liveProbes.load(), 0);
  EXPECT_EQ(server_.ConnectionCount(), 0);
  EXPECT_THROW(DispCall(second.AppServer(), QStringLiteral("Live")), ESocketConnectionError);
}

TEST(SocketServer, BusyPortIsReported) {
  QTcpServer holder;
  ASSERT_TRUE(holder.listen(QHostAddress::LocalHost, 0));
  TSocketServer server;
  try {
    server.Listen(QHostAddress::LocalHost, holder.serverPort());
    ADD_FAILURE() << "listening on a busy port succeeded";
  } catch (const ESocketConnectionError& e) {
    EXPECT_TRUE(e.Message().startsWith(QStringLiteral("cannot listen on 127.0.0.1:%1: ").arg(holder.serverPort())))
        << e.Message().toStdString();
  }
  EXPECT_FALSE(server.IsListening());
}
