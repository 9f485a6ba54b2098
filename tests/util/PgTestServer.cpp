// Starting and stopping the throwaway server with the PostgreSQL tools. The
// tools run through fork and exec rather than QProcess so that the server can
// still be stopped while static objects are destroyed at exit.
#include "util/PgTestServer.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QVersionNumber>

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace vantor::test {

namespace {

// The newest installed PostgreSQL's tool folder, or empty.
QString FindBinDir() {
  QDir root(QStringLiteral("/usr/lib/postgresql"));
  QString best;
  QVersionNumber bestVersion;
  for (const QString& v : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    const QString bin = root.filePath(v + QStringLiteral("/bin"));
    const QVersionNumber version = QVersionNumber::fromString(v);
    if (QFile::exists(bin + QStringLiteral("/initdb")) && QFile::exists(bin + QStringLiteral("/pg_ctl")) &&
        (best.isEmpty() || version > bestVersion)) {
      best = bin;
      bestVersion = version;
    }
  }
  return best;
}

int FreePort() {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  if (s < 0) return 0;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  int port = 0;
  if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
    port = ntohs(a.sin_port);
  ::close(s);
  return port;
}

// Runs argv with its output appended to logFile; answers the exit status.
int Run(const QStringList& argv, const QString& logFile) {
  std::vector<QByteArray> bytes;
  for (const QString& a : argv) bytes.push_back(a.toLocal8Bit());
  std::vector<char*> args;
  for (QByteArray& b : bytes) args.push_back(b.data());
  args.push_back(nullptr);
  const QByteArray log = logFile.toLocal8Bit();
  const pid_t pid = ::fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    const int fd = ::open(log.constData(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd >= 0) {
      ::dup2(fd, 1);
      ::dup2(fd, 2);
      ::close(fd);
    }
    const int devNull = ::open("/dev/null", O_RDONLY);
    if (devNull >= 0) ::dup2(devNull, 0);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::unique_ptr<TPgTestServer>& Instance() {
  static std::unique_ptr<TPgTestServer> server;
  return server;
}

}  // namespace

TPgTestServer* TPgTestServer::Shared(QString* whyNot) {
  static bool tried = false;
  static QString reason;
  if (!tried) {
    tried = true;
    if (qEnvironmentVariableIsSet("VANTOR_NO_PG_TESTS")) {
      reason = QStringLiteral("VANTOR_NO_PG_TESTS is set");
    } else {
      std::unique_ptr<TPgTestServer> server(new TPgTestServer());
      if (server->Start(reason)) Instance() = std::move(server);
    }
  }
  if (whyNot) *whyNot = reason;
  return Instance().get();
}

TPgTestServer::~TPgTestServer() { Stop(); }

QString TPgTestServer::LogTail() const {
  QFile f(dir_ + QStringLiteral("/tools.log"));
  if (!f.open(QIODevice::ReadOnly)) return QString();
  const QByteArray all = f.readAll();
  return QString::fromLocal8Bit(all.right(600)).trimmed();
}

QStringList TPgTestServer::RunAs() const {
  if (!asPostgres_) return {};
  return {QFile::exists(QStringLiteral("/usr/sbin/runuser")) ? QStringLiteral("/usr/sbin/runuser")
                                                             : QStringLiteral("/sbin/runuser"),
          QStringLiteral("-u"), QStringLiteral("postgres"), QStringLiteral("--")};
}

// The temporary folder, owned by the account that runs the server: initdb
// refuses to run as root.
bool TPgTestServer::MakeFolder(QString& whyNot) {
  const passwd* pw = nullptr;
  if (::geteuid() == 0) {
    pw = ::getpwnam("postgres");
    asPostgres_ = true;
    if (!pw || !QFile::exists(RunAs().first())) {
      whyNot = QStringLiteral("running as root without a \"postgres\" account or runuser to start PostgreSQL");
      return false;
    }
  }
  QByteArray pattern = QDir::tempPath().toLocal8Bit() + "/vantor-pg-XXXXXX";
  if (!::mkdtemp(pattern.data())) {
    whyNot = QStringLiteral("cannot create a temporary folder for PostgreSQL");
    return false;
  }
  dir_ = QString::fromLocal8Bit(pattern);
  ::chmod(pattern.constData(), 0755);
  if (pw && ::chown(pattern.constData(), pw->pw_uid, pw->pw_gid) != 0) {
    whyNot = QStringLiteral("cannot hand the temporary folder to the postgres account");
    return false;
  }
  return true;
}

QString TPgTestServer::TemplateDir() const {
  return QDir::tempPath() + QStringLiteral("/vantor-pg-template-%1-%2")
                                .arg(QDir(binDir_).absolutePath().section(QLatin1Char('/'), -2, -2))
                                .arg(::geteuid());
}

// initdb takes seconds and every test process needs a fresh cluster, so the
// first process leaves a pristine copy of its cluster in the temporary folder
// and later ones copy that. The copy appears by renaming a finished one: no
// process ever sees half a template.
bool TPgTestServer::MakeCluster(bool fromTemplate) {
  const QString data = dir_ + QStringLiteral("/data");
  const QString log = dir_ + QStringLiteral("/tools.log");
  QDir(data).removeRecursively();
  if (fromTemplate && QFile::exists(TemplateDir() + QStringLiteral("/PG_VERSION")) &&
      Run({QStringLiteral("/bin/cp"), QStringLiteral("-a"), TemplateDir(), data}, log) == 0)
    return true;
  QDir(data).removeRecursively();
  if (Run(RunAs() + QStringList{binDir_ + QStringLiteral("/initdb"), QStringLiteral("-D"), data, QStringLiteral("-E"),
                                QStringLiteral("UTF8"), QStringLiteral("--locale=C"), QStringLiteral("--auth=trust"),
                                QStringLiteral("-N"), QStringLiteral("-U"), User()},
          log) != 0)
    return false;
  const QString staging = dir_ + QStringLiteral("/template");
  if (Run({QStringLiteral("/bin/cp"), QStringLiteral("-a"), data, staging}, log) == 0 &&
      ::rename(staging.toLocal8Bit().constData(), TemplateDir().toLocal8Bit().constData()) != 0)
    QDir(staging).removeRecursively();  // another process was quicker
  return true;
}

// A port can be taken between asking and binding; try a few.
bool TPgTestServer::StartCluster() {
  for (int attempt = 0; attempt < 3 && !running_; ++attempt) {
    port_ = FreePort();
    const QString options = QStringLiteral("-c listen_addresses=127.0.0.1 -p %1 -k %2 -c fsync=off "
                                           "-c synchronous_commit=off -c full_page_writes=off")
                                .arg(port_).arg(dir_);
    running_ = Run(RunAs() + QStringList{binDir_ + QStringLiteral("/pg_ctl"), QStringLiteral("-D"),
                                         dir_ + QStringLiteral("/data"), QStringLiteral("-l"),
                                         dir_ + QStringLiteral("/server.log"), QStringLiteral("-w"), QStringLiteral("-t"),
                                         QStringLiteral("60"), QStringLiteral("-o"), options, QStringLiteral("start")},
                   dir_ + QStringLiteral("/tools.log")) == 0;
  }
  return running_;
}

bool TPgTestServer::Start(QString& whyNot) {
  binDir_ = FindBinDir();
  if (binDir_.isEmpty()) {
    whyNot = QStringLiteral("no PostgreSQL server tools (initdb, pg_ctl) under /usr/lib/postgresql");
    return false;
  }
  if (!MakeFolder(whyNot)) return false;
  if (MakeCluster(true) && StartCluster()) return true;
  // A template that does not start is dropped, and the cluster made afresh.
  QDir(TemplateDir()).removeRecursively();
  if (!MakeCluster(false)) {
    whyNot = QStringLiteral("initdb failed: ") + LogTail();
    return false;
  }
  if (!StartCluster()) whyNot = QStringLiteral("pg_ctl could not start the server: ") + LogTail();
  return running_;
}

void TPgTestServer::Stop() {
  if (running_) {
    Run(RunAs() + QStringList{binDir_ + QStringLiteral("/pg_ctl"), QStringLiteral("-D"), dir_ + QStringLiteral("/data"),
                            QStringLiteral("-m"), QStringLiteral("immediate"), QStringLiteral("-w"), QStringLiteral("stop")},
        QStringLiteral("/dev/null"));
    running_ = false;
  }
  if (!dir_.isEmpty()) QDir(dir_).removeRecursively();
  dir_.clear();
}

}  // namespace vantor::test
