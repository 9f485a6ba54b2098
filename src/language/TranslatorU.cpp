// Loading and binding the converter library.
#include "language/TranslatorU.h"

#include "platform/os/Exceptions.h"
#include "support/LibStrs.h"

#include <QCoreApplication>

namespace vantor {

namespace {

// An address inside this module, to find the folder the module was loaded from.
void ModuleAnchor() {}

QString JoinReasons(const QStringList& reasons) { return reasons.join(QStringLiteral("; ")); }

}  // namespace

QStringList TTranslator::LibraryCandidates(const QString& libraryName) {
  if (libraryName.contains(QLatin1Char('/')))
    return {libraryName};
  QStringList candidates;
  const QString moduleFolder = ExtractFilePath(ModuleFileNameOf(reinterpret_cast<const void*>(&ModuleAnchor)));
  if (!moduleFolder.isEmpty())
    candidates.append(moduleFolder + libraryName);
  if (QCoreApplication::instance()) {
    const QString programFolder = IncludeTrailingPathDelimiter(QCoreApplication::applicationDirPath());
    if (!candidates.contains(programFolder + libraryName))
      candidates.append(programFolder + libraryName);
  }
  candidates.append(libraryName);
  return candidates;
}

TTranslator::TTranslator(const QString& libraryName) {
  QStringList reasons;
  for (const QString& candidate : LibraryCandidates(libraryName)) {
    if (candidate.contains(QLatin1Char('/')) && !FileExists(candidate))
      continue;
    library_ = LoadLibrary(candidate);
    if (library_)
      break;
    reasons.append(LastLibraryError());
  }
  if (!library_) {
    WriteAlertLog(QStringLiteral("Class TranslatorU-40"),
                  QStringLiteral("%1: %2").arg(libraryName, reasons.isEmpty() ? QStringLiteral("not found")
                                                                               : JoinReasons(reasons)),
                  QStringLiteral("D"));
    throw Exception(QStringLiteral("Load Library %1 Error!").arg(libraryName));
  }
  gbToBig5_ = reinterpret_cast<TTextConvertProc>(GetProcAddress(library_, "GBtoBIG5"));
  big5ToGb_ = reinterpret_cast<TTextConvertProc>(GetProcAddress(library_, "BIG5toGB"));
  getBig5Data_ = reinterpret_cast<TLibraryQueryProc>(GetProcAddress(library_, "GetBIG5Data"));
  getGbData_ = reinterpret_cast<TLibraryQueryProc>(GetProcAddress(library_, "GetGBData"));
  saveOrder_ = reinterpret_cast<TLibraryQueryProc>(GetProcAddress(library_, "SaveOrder"));
  if (!gbToBig5_ || !big5ToGb_) {
    FreeLibrary(library_);
    library_ = nullptr;
    throw Exception(QStringLiteral("Get Library Procedure Address Error!"));
  }
}

TTranslator::~TTranslator() {
  if (library_)
    FreeLibrary(library_);
}

QString TTranslator::GBToBIG5(const QString& text) const {
  if (!gbToBig5_)
    return text;
  QString result;
  gbToBig5_(&text, &result);
  return result;
}

QString TTranslator::BIG5ToGB(const QString& text) const {
  if (!big5ToGb_)
    return text;
  QString result;
  big5ToGb_(&text, &result);
  return result;
}

}  // namespace vantor
