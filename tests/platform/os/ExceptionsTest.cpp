// The silent abort and raising by class name.
#include "platform/os/Exceptions.h"
#include "util/QtPrinters.h"

#include <gtest/gtest.h>

using namespace vantor;

namespace {

TEST(ExceptionsTest, AbortRaisesTheSilentAbort) {
  try {
    Abort();
  } catch (const EAbort& e) {
    EXPECT_EQ(e.ClassName(), "EAbort");
    EXPECT_EQ(e.Message(), "Operation aborted");
    return;
  } catch (...) {
  }
  FAIL() << "Abort must raise EAbort";
}

const char* const kClasses[] = {
    "Exception",          "EAbort",           "EOleError",      "EOleSysError",      "EVariantError",
    "EConvertError",      "EDatabaseError",   "EReconcileError", "ESocketConnectionError", "EInOutError",
    "EListError",         "EInvalidOperation", "EAbstractError", "ERegistryException",
};

TEST(ExceptionsTest, RaiseByClassNameKeepsClassAndMessage) {
  for (const char* name : kClasses) {
    try {
      RaiseByClassName(name, QStringLiteral("message of %1").arg(name));
      ADD_FAILURE() << name << " was not raised";
    } catch (const Exception& e) {
      EXPECT_EQ(e.ClassName(), name);
      EXPECT_EQ(e.Message(), QStringLiteral("message of %1").arg(name));
      // The clone carries the same class, for errors that travel on.
      EXPECT_EQ(e.Clone()->ClassName(), name);
    }
  }
}

TEST(ExceptionsTest, RaisedClassesAreCaughtByTheirBases) {
  EXPECT_THROW(RaiseByClassName("EReconcileError", "x"), EDatabaseError);
  EXPECT_THROW(RaiseByClassName("EOleSysError", "x"), EOleError);
}

TEST(ExceptionsTest, UnknownClassGivesPlainException) {
  for (const char* name : {"ESomethingElse", "eabort", ""}) {
    try {
      RaiseByClassName(name, "remote text");
      ADD_FAILURE() << name << " was not raised";
    } catch (const Exception& e) {
      EXPECT_EQ(e.ClassName(), "Exception") << name;
      EXPECT_EQ(e.Message(), "remote text");
    }
  }
}

}  // namespace
