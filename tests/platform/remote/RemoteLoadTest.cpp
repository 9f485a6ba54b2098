// Many clients at once against one nexsrvd: every answer must be the one to
// its own question, and no client may see another client's state.
#include <QStringList>
#include <atomic>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include <vector>

#include "RemoteTestSupport.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/os/Exceptions.h"
#include "platform/remote/SocketConnection.h"
#include "platform/variant/Variants.h"

using namespace vantor;
using vantor::test::TServerProcess;

namespace {

struct TClientOutcome {
  std::atomic<int> Correct{0};
  std::mutex Lock;
  QStringList Faults;

  void Fault(const QString& what) {
    std::lock_guard<std::mutex> guard(Lock);
    if (Faults.size() < 10)
      Faults.append(what);
  }
};

// One client's session: its own connection, its own server object (TopRow
// marks it), and calls whose answers only that client can predict.
void RunClient(quint16 port, int client, int calls, TClientOutcome* outcome) {
  try {
    TSocketConnection conn;
    conn.SetAddress(QStringLiteral("127.0.0.1"));
    conn.SetPort(port);
    conn.SetServerName(QStringLiteral("Nexsrv01S.Class1"));
    conn.Open();
    const TDispatchRef server = VarToDispatch(conn.AppServer());
    server->SetProperty(QStringLiteral("TopRow"), client);
    for (int i = 0; i < calls; ++i) {
      const QString text = QStringLiteral("client %1 call %2 委外").arg(client).arg(i);
      QVariantList echoArgs{client, i, text};
      const QVariantList back = server->Invoke(QStringLiteral("Echo"), echoArgs).toList();
      QVariantList incArgs{client * 100000 + i, 1};
      server->Invoke(QStringLiteral("Increment"), incArgs, ByRefArg(0));
      const bool right = back.size() == 3 && back[0].toInt() == client && back[1].toInt() == i &&
                         back[2].toString() == text && incArgs[0].toInt() == client * 100000 + i + 1;
      if (right)
        ++outcome->Correct;
      else
        outcome->Fault(QStringLiteral("client %1 call %2: wrong answer").arg(client).arg(i));
    }
    if (server->GetProperty(QStringLiteral("TopRow")).toInt() != client)
      outcome->Fault(QStringLiteral("client %1 sees another client's object").arg(client));
  } catch (const Exception& e) {
    outcome->Fault(QStringLiteral("client %1: %2: %3").arg(client).arg(e.ClassName(), e.Message()));
  }
}

}  // namespace

TEST(RemoteLoad, SixteenClientsGetTheirOwnAnswers) {
  TServerProcess server;
  ASSERT_NE(server.Port(), 0);
  constexpr int Clients = 16;
  constexpr int Calls = 250;
  TClientOutcome outcome;
  std::vector<std::thread> threads;
  for (int client = 0; client < Clients; ++client)
    threads.emplace_back(RunClient, server.Port(), client, Calls, &outcome);
  for (std::thread& t : threads)
    t.join();
  EXPECT_TRUE(outcome.Faults.isEmpty()) << outcome.Faults.join(QLatin1Char('\n')).toStdString();
  EXPECT_EQ(outcome.Correct.load(), Clients * Calls);
  EXPECT_TRUE(server.IsRunning());
}
