// Module loading for the shell.
#include "shell/ModuleHost.h"

#include "platform/os/Exceptions.h"

#include <QDir>
#include <QFileInfo>

namespace vantor {

TModuleHost::TModuleHost(QStringList packageFolders) : folders_(std::move(packageFolders)) {}

TModuleHost::~TModuleHost() { Unload(); }

QString TModuleHost::FindModule(const QString& program) const {
  const QString file = program.toUpper() + QStringLiteral("C.so");
  for (const QString& folder : folders_) {
    const QFileInfo candidate(QDir(folder), file);
    if (candidate.isFile()) return candidate.absoluteFilePath();
  }
  return QString();
}

TDLLBaseController* TModuleHost::Load(const QString& program) {
  Unload();
  const QString path = FindModule(program);
  if (path.isEmpty())
    throw Exception(QStringLiteral("program %1 not found: no %1C.so in %2")
                        .arg(program.toUpper(), folders_.join(QStringLiteral(", "))));
  library_.setFileName(path);
  if (!library_.load())
    throw Exception(QStringLiteral("cannot load %1: %2").arg(path, library_.errorString()));
  auto proc = reinterpret_cast<TGetControllerProc>(library_.resolve("GetController"));
  if (!proc) throw Exception(QStringLiteral("%1 is not a program module: it has no GetController").arg(path));
  controller_.reset(proc());
  if (!controller_) throw Exception(QStringLiteral("%1 returned no controller").arg(path));
  return controller_.get();
}

void TModuleHost::Unload() {
  controller_.reset();
  // The module's code must outlive every object it made; objects it handed to
  // the platform (registered classes) keep it loaded for the process's life.
  if (library_.isLoaded()) library_.setLoadHints(QLibrary::PreventUnloadHint);
}

}  // namespace vantor
