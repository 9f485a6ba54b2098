// Locating, opening and creating the company databases.
#include "appserver/AppDatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QRegularExpression>

#include "appserver/SqlText.h"
#include "platform/db/SqlBackend.h"
#include "platform/os/Exceptions.h"
#include "platform/os/Registry.h"

namespace vantor {

namespace {

QMutex dataDirLock;
QString& DataDirOverride() {
  static QString dir;
  return dir;
}

QString WithSlash(const QString& dir) { return dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/'); }

QString SuiteDataDir() {
  TRegistry reg(HKEY_LOCAL_MACHINE);
  if (!reg.OpenKeyReadOnly(QStringLiteral("\\Software\\ZKM\\Vantor"))) return {};
  QString root = reg.ReadString(QStringLiteral("ServerPath")).trimmed();
  if (root.isEmpty()) root = reg.ReadString(QStringLiteral("ClientPath")).trimmed();
  return root.isEmpty() ? QString() : WithSlash(root) + QStringLiteral("c_Data/");
}

QString ReadResource(const QString& name) {
  QFile f(QStringLiteral(":/appserver/schema/") + name);
  if (!f.open(QIODevice::ReadOnly))
    throw EDatabaseError(QStringLiteral("The server's script %1 is missing from its library").arg(name));
  return QString::fromUtf8(f.readAll());
}

TSqlConnectParams FileParams(const QString& path) {
  TSqlConnectParams p;
  p.Kind = bkSqlite;
  p.Database = path;
  return p;
}

}  // namespace

void TAppDatabase::SetDataDir(const QString& dir) {
  QMutexLocker lock(&dataDirLock);
  DataDirOverride() = dir.isEmpty() ? QString() : WithSlash(QDir(dir).absolutePath());
}

QString TAppDatabase::DataDir() {
  {
    QMutexLocker lock(&dataDirLock);
    if (!DataDirOverride().isEmpty()) return DataDirOverride();
  }
  const QString env = qEnvironmentVariable("VANTOR_DATA_DIR").trimmed();
  if (!env.isEmpty()) return WithSlash(env);
  const QString suite = SuiteDataDir();
  if (!suite.isEmpty()) return suite;
  throw EDatabaseError(QStringLiteral(
      "No data folder for the application server: start nexsrvd with --data DIR, set VANTOR_DATA_DIR, "
      "or give the suite folder as ServerPath in the registry file %1").arg(TRegistry::FileName()));
}

bool TAppDatabase::IsValidName(const QString& database) {
  static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_][A-Za-z0-9_-]{0,39}$"));
  return plain.match(database).hasMatch();
}

QString TAppDatabase::FileFor(const QString& database) {
  if (!IsValidName(database))
    throw EDatabaseError(QStringLiteral("\"%1\" is not a valid company database name (letters, digits, \"_\" and \"-\" only)")
                             .arg(database));
  return DataDir() + database + QStringLiteral(".db");
}

std::unique_ptr<TSqlBackend> TAppDatabase::Open(const QString& database) {
  QString path = FileFor(database);
  // Database names are not case-sensitive; file names are.
  if (!QFileInfo::exists(path)) {
    const QStringList files = QDir(DataDir()).entryList({QStringLiteral("*.db")}, QDir::Files);
    for (const QString& f : files)
      if (f.compare(database + QStringLiteral(".db"), Qt::CaseInsensitive) == 0) path = DataDir() + f;
  }
  if (!QFileInfo::exists(path))
    throw EDatabaseError(QStringLiteral("The company database \"%1\" does not exist (no file %2)").arg(database, path));
  return OpenFile(path);
}

std::unique_ptr<TSqlBackend> TAppDatabase::OpenFile(const QString& path) {
  auto backend = TSqlBackend::Create(FileParams(path));
  backend->Open();
  return backend;
}

std::unique_ptr<TSqlBackend> TAppDatabase::CreateDatabase(const QString& path) {
  if (QFileInfo::exists(path))
    throw EDatabaseError(QStringLiteral("Cannot create the database %1: the file exists already").arg(path));
  const QFileInfo info(path);
  if (!QDir().mkpath(info.absolutePath()))
    throw EDatabaseError(QStringLiteral("Cannot create the folder %1").arg(info.absolutePath()));
  auto backend = OpenFile(path);
  RunScript(*backend, SchemaScript());
  RunScript(*backend, SeedScript());
  return backend;
}

QString TAppDatabase::SchemaScript() { return ReadResource(QStringLiteral("sqlite.sql")); }
QString TAppDatabase::SeedScript() { return ReadResource(QStringLiteral("seed.sql")); }

void TAppDatabase::RunScript(TSqlBackend& backend, const QString& script) {
  const QStringList statements = SplitStatements(script);
  TSqlTransaction transaction(backend);
  for (const QString& s : statements) backend.Exec(s);
  transaction.Commit();
}

}  // namespace vantor
