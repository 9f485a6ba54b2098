// Small helpers for tests that work with files and environment variables:
// write and read whole files byte for byte, and set a variable for the
// lifetime of a scope (the registry file and the code page are chosen by
// variables, so tests point them at their own values).
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace vantor {

// Writes the bytes to the file, creating or replacing it; fails the test
// when that is impossible.
void WriteFileBytes(const QString& fileName, const QByteArray& bytes);
// The file's bytes; empty when it cannot be read.
QByteArray ReadFileBytes(const QString& fileName);

class TScopedEnv {
public:
  // Sets the variable, or unsets it when value is nullopt.
  TScopedEnv(const char* name, const std::optional<QByteArray>& value);
  ~TScopedEnv();
  TScopedEnv(const TScopedEnv&) = delete;
  TScopedEnv& operator=(const TScopedEnv&) = delete;

private:
  QByteArray name_;
  std::optional<QByteArray> previous_;
};

}  // namespace vantor
