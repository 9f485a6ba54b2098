// A throwaway PostgreSQL server for the tests that run once per database:
// a fresh cluster in a temporary folder (copied from a pristine one that the
// first test process leaves in the temporary folder), started on a free local
// port, stopped and removed when the test process ends. When no server can be started here
// (no PostgreSQL binaries, no "postgres" account to run them as root), the
// callers skip their PostgreSQL cases with the reason this gives.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>

namespace vantor::test {

class TPgTestServer {
public:
  // The server of this process, started on first use; nullptr when it cannot
  // start, with the reason in *whyNot. Setting VANTOR_NO_PG_TESTS skips it.
  static TPgTestServer* Shared(QString* whyNot = nullptr);
  ~TPgTestServer();

  QString Host() const { return QStringLiteral("127.0.0.1"); }
  int Port() const { return port_; }
  QString User() const { return QStringLiteral("postgres"); }
  QString Database() const { return QStringLiteral("postgres"); }

private:
  TPgTestServer() = default;
  bool Start(QString& whyNot);
  bool MakeFolder(QString& whyNot);
  bool MakeCluster(bool fromTemplate);
  bool StartCluster();
  QStringList RunAs() const;
  QString TemplateDir() const;
  void Stop();
  QString LogTail() const;

  QString binDir_;
  QString dir_;      // the temporary folder: data, socket and log
  int port_ = 0;
  bool running_ = false;
  bool asPostgres_ = false;  // we are root: run the tools as "postgres"
};

}  // namespace vantor::test
