// TTranslator binds the text conversion of the converter library, which is
// loaded at run time by name so that the module starts without it when no
// conversion is wanted.
//
// The library exports five functions: "GBtoBIG5" and "BIG5toGB" take the
// source text and write the converted text (simplified to traditional
// Chinese and back); "GetBIG5Data", "GetGBData" and "SaveOrder" are bound
// but never called. Both sides share Qt's reference-counted strings, so the
// text the library writes belongs to the caller.
#pragma once

#include "platform/os/SysUtils.h"

#include <QString>
#include <QStringList>

namespace vantor {

using TTextConvertProc = void (*)(const QString* source, QString* result);
using TLibraryQueryProc = int (*)();

// The converter library's file name.
inline const QString kConverterLibraryName = QStringLiteral("qxlanguage.so");

class TTranslator {
public:
  // Loads the library: from the folder of this module, then the folder of
  // the program, then the loader's search path. Raises Exception "Load
  // Library <name> Error!" when it cannot be loaded (the loader's reason
  // goes to the alert log) and "Get Library Procedure Address Error!" when a
  // conversion entry point is missing.
  explicit TTranslator(const QString& libraryName = kConverterLibraryName);
  ~TTranslator();
  TTranslator(const TTranslator&) = delete;
  TTranslator& operator=(const TTranslator&) = delete;

  // The argument unchanged when the entry point is missing.
  QString GBToBIG5(const QString& text) const;
  QString BIG5ToGB(const QString& text) const;

  // The files tried for a library name, in order.
  static QStringList LibraryCandidates(const QString& libraryName);

private:
  HMODULE library_ = nullptr;
  TTextConvertProc gbToBig5_ = nullptr;
  TTextConvertProc big5ToGb_ = nullptr;
  TLibraryQueryProc getBig5Data_ = nullptr;
  TLibraryQueryProc getGbData_ = nullptr;
  TLibraryQueryProc saveOrder_ = nullptr;
};

}  // namespace vantor
