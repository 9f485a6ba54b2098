// Late binding by name and creation of objects by class name.
#include "platform/dispatch/Dispatch.h"
#include "platform/os/Exceptions.h"
#include "platform/variant/Variants.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vantor;

namespace {

class TCounter : public TDispatchObject {
public:
  TCounter() {
    Method(QStringLiteral("GetCounter"), [this](QVariantList& args) {
      // Writes the next value into its first argument, as by-reference callers expect.
      ++value_;
      if (!args.isEmpty()) args[0] = value_;
      return QVariant(value_);
    });
    Method(QStringLiteral("Whatis"), [](QVariantList& args) {
      return args.value(0).toString() == QLatin1String("TODAY") ? QVariant(QStringLiteral("20261211"))
                                                                : QVariant(0);
    });
    Property(QStringLiteral("ProductID"), [this] { return product_; },
             [this](const QVariant& v) { product_ = v; });
    Property(QStringLiteral("ReadOnlyValue"), [] { return QVariant(7); });
  }

private:
  int value_ = 0;
  QVariant product_;
};

}  // namespace

TEST(Dispatch, NamesAreMatchedWithoutRegardToCase) {
  const QVariant obj = VarFromDispatch(TDispatchRef(new TCounter));
  for (const char* name : {"Whatis", "WhatIs", "WHATIS", "whatis"})
    EXPECT_EQ(DispCall(obj, QString::fromLatin1(name), {QStringLiteral("TODAY")}).toString(),
              QStringLiteral("20261211"))
        << name;
  EXPECT_EQ(DispCall(obj, QStringLiteral("GETCOUNTER")).toInt(), 1);
  EXPECT_EQ(DispCall(obj, QStringLiteral("GetCounter")).toInt(), 2);
}

TEST(Dispatch, ByReferenceArgumentsAreWrittenBack) {
  TDispatchRef obj(new TCounter);
  QVariantList args{QVariant()};
  obj->Invoke(QStringLiteral("getcounter"), args, ByRefArg(0));
  EXPECT_EQ(args[0].toInt(), 1);
}

TEST(Dispatch, PropertiesGetAndPut) {
  const QVariant obj = VarFromDispatch(TDispatchRef(new TCounter));
  DispPut(obj, QStringLiteral("productid"), QStringLiteral("ERP"));
  EXPECT_EQ(DispGet(obj, QStringLiteral("ProductID")).toString(), QStringLiteral("ERP"));
  EXPECT_EQ(DispGet(obj, QStringLiteral("ReadOnlyValue")).toInt(), 7);
  EXPECT_THROW(DispPut(obj, QStringLiteral("ReadOnlyValue"), 1), EOleError);
}

TEST(Dispatch, UnknownMembersAndEmptyObjectsFail) {
  const QVariant obj = VarFromDispatch(TDispatchRef(new TCounter));
  try {
    DispCall(obj, QStringLiteral("NoSuchMember"));
    FAIL() << "no exception";
  } catch (const EOleError& e) {
    EXPECT_TRUE(e.Message().startsWith(QStringLiteral("Unknown name")));
  }
  EXPECT_THROW(DispGet(obj, QStringLiteral("NoSuchProperty")), EOleError);
  EXPECT_THROW(DispCall(QVariant(), QStringLiteral("DependencyVersion")), EOleError);
  EXPECT_THROW(DispCall(Null(), QStringLiteral("DependencyVersion")), EOleError);
}

TEST(Dispatch, CreateOleObjectByRegisteredClass) {
  RegisterOleClass(QStringLiteral("Test.Counter"), [] { return TDispatchRef(new TCounter); });
  const QVariant a = CreateOleObject(QStringLiteral("TEST.COUNTER"));
  const QVariant b = CreateOleObject(QStringLiteral("test.counter"));
  DispCall(a, QStringLiteral("GetCounter"));
  // Each creation is a new object.
  EXPECT_EQ(DispCall(b, QStringLiteral("GetCounter")).toInt(), 1);
  UnregisterOleClass(QStringLiteral("Test.Counter"));
  try {
    CreateOleObject(QStringLiteral("Test.Counter"));
    FAIL() << "no exception";
  } catch (const EOleError& e) {
    EXPECT_EQ(e.Message(), QStringLiteral("Invalid class string"));
  }
}

TEST(Dispatch, RegistrationFileLoadsTheLibraryOnFirstUse) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QFile reg(dir.filePath(QStringLiteral("ComClasses.ini")));
  ASSERT_TRUE(reg.open(QIODevice::WriteOnly));
  reg.write("[Classes]\n"
            "Missing.Class=does-not-exist.so\n"
            "NEXSRV01S.Class1=" VANTOR_BIN_DIR "/libnexsrv01s.so\n");
  reg.close();
  SetOleRegistrationFile(reg.fileName());
  EXPECT_THROW(CreateOleObject(QStringLiteral("Missing.Class")), EOleError);
  EXPECT_THROW(CreateOleObject(QStringLiteral("Never.Registered")), EOleError);
  const QVariant server = CreateOleObject(QStringLiteral("Nexsrv01S.Class1"));
  EXPECT_EQ(DispCall(server, QStringLiteral("WhatIs"), {QStringLiteral("SQLTYPE")}).toInt(), 0);
  SetOleRegistrationFile(QString());
}
