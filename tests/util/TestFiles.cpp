// File and environment helpers of tests.
#include "util/TestFiles.h"

#include <QFile>
#include <gtest/gtest.h>

namespace vantor {

void WriteFileBytes(const QString& fileName, const QByteArray& bytes) {
  QFile file(fileName);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
    ADD_FAILURE() << "cannot write test file " << fileName.toStdString() << ": " << file.errorString().toStdString();
}

QByteArray ReadFileBytes(const QString& fileName) {
  QFile file(fileName);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TScopedEnv::TScopedEnv(const char* name, const std::optional<QByteArray>& value) : name_(name) {
  if (qEnvironmentVariableIsSet(name))
    previous_ = qgetenv(name);
  if (value)
    qputenv(name, *value);
  else
    qunsetenv(name);
}

TScopedEnv::~TScopedEnv() {
  if (previous_)
    qputenv(name_.constData(), *previous_);
  else
    qunsetenv(name_.constData());
}

}  // namespace vantor
