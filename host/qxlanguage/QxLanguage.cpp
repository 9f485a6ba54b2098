// The converter library: simplified and traditional Chinese text through
// OpenCC, behind the five entry points the program module binds by name.
//
// Texts are Unicode, so "GB text" and "BIG5 text" are the same characters in
// the two scripts. Conversion is by character (Taiwan-standard forms) and
// never rewrites vocabulary. Whatever cannot be converted (a character with
// no counterpart, a conversion table that cannot be loaded, a failing
// conversion) comes back unchanged.
#include <QString>
#include <QtGlobal>

#include <opencc/opencc.h>

#include <memory>
#include <string>

namespace {

// One converter per direction, made on first use and kept for the life of
// the library. A converter that cannot be made stays null.
std::unique_ptr<opencc::SimpleConverter> MakeConverter(const char* configName) {
  try {
    return std::make_unique<opencc::SimpleConverter>(configName);
  } catch (const std::exception& error) {
    qWarning("qxlanguage: cannot load the conversion \"%s\": %s", configName, error.what());
    return nullptr;
  }
}

const opencc::SimpleConverter* SimplifiedToTraditional() {
  static const std::unique_ptr<opencc::SimpleConverter> converter = MakeConverter("s2tw.json");
  return converter.get();
}

const opencc::SimpleConverter* TraditionalToSimplified() {
  static const std::unique_ptr<opencc::SimpleConverter> converter = MakeConverter("tw2s.json");
  return converter.get();
}

// Only text with something to convert goes through OpenCC; the rest, and
// every failure, keeps the source (sharing its data with the caller).
void Convert(const opencc::SimpleConverter* converter, const QString* source, QString* result) {
  if (!result)
    return;
  if (!source) {
    result->clear();
    return;
  }
  *result = *source;
  bool wide = false;
  for (QChar c : *source)
    wide = wide || c.unicode() >= 0x80;
  if (!wide || !converter)
    return;
  try {
    const QByteArray utf8 = source->toUtf8();
    const std::string converted = converter->Convert(utf8.constData(), size_t(utf8.size()));
    *result = QString::fromUtf8(converted.data(), qsizetype(converted.size()));
  } catch (const std::exception& error) {
    qWarning("qxlanguage: conversion failed: %s", error.what());
  }
}

}  // namespace

extern "C" {

Q_DECL_EXPORT void GBtoBIG5(const QString* source, QString* result) {
  Convert(SimplifiedToTraditional(), source, result);
}

Q_DECL_EXPORT void BIG5toGB(const QString* source, QString* result) {
  Convert(TraditionalToSimplified(), source, result);
}

// The library keeps no data of its own to hand out or save: these answer
// that there is nothing.
Q_DECL_EXPORT int GetBIG5Data() { return 0; }
Q_DECL_EXPORT int GetGBData() { return 0; }
Q_DECL_EXPORT int SaveOrder() { return 0; }

}  // extern "C"
