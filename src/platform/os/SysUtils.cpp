// Operating-system services: user, folders, desktop opener, libraries, paths.
#include "platform/os/SysUtils.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <dlfcn.h>
#include <pwd.h>
#include <unistd.h>

namespace vantor {

namespace {

const QChar kDelimiter = QLatin1Char('/');

TShellOpener& CurrentOpener() {
  static TShellOpener opener = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
  return opener;
}

QString& LibraryError() {
  thread_local QString error;
  return error;
}

// Where the name part of a path starts.
qsizetype NameStart(const QString& fileName) { return fileName.lastIndexOf(kDelimiter) + 1; }

}  // namespace

QString GetUserName() {
  // The account behind the process first: $USER can be stale after su.
  if (const passwd* entry = getpwuid(geteuid()); entry && entry->pw_name && *entry->pw_name)
    return QString::fromLocal8Bit(entry->pw_name);
  const QString fromEnv = qEnvironmentVariable("USER");
  return fromEnv.isEmpty() ? qEnvironmentVariable("LOGNAME") : fromEnv;
}

QString GetTempPath() { return IncludeTrailingPathDelimiter(QDir::tempPath()); }

bool ShellExecute(const QString& pathOrUrl) {
  if (pathOrUrl.trimmed().isEmpty())
    return false;
  const QUrl asUrl(pathOrUrl, QUrl::StrictMode);
  // A one-letter scheme would be a drive letter, never a URL here.
  const bool isUrl = asUrl.isValid() && asUrl.scheme().size() > 1;
  const QUrl url = isUrl ? asUrl : QUrl::fromLocalFile(QFileInfo(pathOrUrl).absoluteFilePath());
  const TShellOpener opener = CurrentOpener();
  return opener && opener(url);
}

TShellOpenerScope::TShellOpenerScope(TShellOpener opener) : previous_(std::move(CurrentOpener())) {
  CurrentOpener() = std::move(opener);
}

TShellOpenerScope::~TShellOpenerScope() { CurrentOpener() = std::move(previous_); }

HMODULE LoadLibrary(const QString& path) {
  auto* library = new QLibrary(path);
  if (!library->load()) {
    LibraryError() = library->errorString();
    delete library;
    return nullptr;
  }
  LibraryError().clear();
  return library;
}

QString LastLibraryError() { return LibraryError(); }

void* GetProcAddress(HMODULE module, const char* name) {
  if (!module || !name) {
    LibraryError() = QStringLiteral("No library or no symbol name given");
    return nullptr;
  }
  void* address = reinterpret_cast<void*>(module->resolve(name));
  LibraryError() = address ? QString()
                           : QStringLiteral("Cannot find the symbol \"%1\" in %2")
                                 .arg(QString::fromLatin1(name), module->fileName());
  return address;
}

bool FreeLibrary(HMODULE module) {
  if (!module)
    return false;
  // unload() answers false while another handle still holds the file; that
  // is the counting working, not a failure of this release.
  module->unload();
  delete module;
  return true;
}

QString ModuleFileNameOf(const void* addressInsideModule) {
  Dl_info info{};
  if (!addressInsideModule || dladdr(addressInsideModule, &info) == 0 || !info.dli_fname)
    return {};
  const QString name = QFile::decodeName(info.dli_fname);
  // The executable itself may be listed under the name it was started by.
  if (name.isEmpty() || !name.contains(kDelimiter)) {
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    return self.isEmpty() ? QCoreApplication::applicationFilePath() : self;
  }
  return QFileInfo(name).absoluteFilePath();
}

bool FileExists(const QString& fileName) {
  const QFileInfo info(fileName);
  return !fileName.isEmpty() && info.exists() && !info.isDir();
}

bool DirectoryExists(const QString& directory) {
  return !directory.isEmpty() && QFileInfo(directory).isDir();
}

bool ForceDirectories(const QString& directory) {
  if (directory.trimmed().isEmpty())
    return false;
  return QDir().mkpath(directory) && DirectoryExists(directory);
}

QString IncludeTrailingPathDelimiter(const QString& path) {
  return path.endsWith(kDelimiter) ? path : path + kDelimiter;
}

QString ExcludeTrailingPathDelimiter(const QString& path) {
  return path.endsWith(kDelimiter) && path.size() > 1 ? path.chopped(1) : path;
}

QString ExtractFilePath(const QString& fileName) { return fileName.left(NameStart(fileName)); }

QString ExtractFileName(const QString& fileName) { return fileName.mid(NameStart(fileName)); }

QString ExtractFileExt(const QString& fileName) {
  const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
  return dot >= NameStart(fileName) ? fileName.mid(dot) : QString();
}

QString ChangeFileExt(const QString& fileName, const QString& extension) {
  const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
  const qsizetype end = dot >= NameStart(fileName) ? dot : fileName.size();
  return fileName.left(end) + extension;
}

}  // namespace vantor
