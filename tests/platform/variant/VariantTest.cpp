// Variant conventions: Unassigned and Null stay apart everywhere, on the wire
// too; arrays keep their shape and bounds through CBOR.
#include "platform/dispatch/Dispatch.h"
#include "platform/os/Exceptions.h"
#include "platform/variant/VariantCbor.h"
#include "platform/variant/Variants.h"

#include <QCborArray>
#include <gtest/gtest.h>

using namespace vantor;

namespace {

QVariant RoundTrip(const QVariant& v, const TCborObjectCodec* codec = nullptr) {
  // Through bytes, as the wire carries it.
  const QByteArray bytes = VariantToCbor(v, codec).toCbor();
  return CborToVariant(QCborValue::fromCbor(bytes), codec);
}

TVarMatrix SampleMatrix() {
  TVarMatrix m(1, 2, -1, 1);  // non-zero low bounds on purpose
  m.Set(1, -1, QStringLiteral("供应商"));
  m.Set(1, 0, Null());
  m.Set(2, 0, 42);
  m.Set(2, 1, VarArrayOf({1.5, Null(), QVariant()}));
  return m;
}

}  // namespace

TEST(Variants, NullAndUnassignedAreDistinct) {
  EXPECT_TRUE(VarIsEmpty(QVariant()));
  EXPECT_FALSE(VarIsNull(QVariant()));
  EXPECT_TRUE(VarIsNull(Null()));
  EXPECT_FALSE(VarIsEmpty(Null()));
  EXPECT_TRUE(VarIsBlank(Null()));
  EXPECT_TRUE(VarIsBlank(QVariant()));
  // An empty string is a value, not a blank.
  EXPECT_FALSE(VarIsBlank(QString()));
  EXPECT_FALSE(VarSame(Null(), QVariant()));
  EXPECT_FALSE(VarSame(Null(), QString()));
}

TEST(Variants, ArraysAndBounds) {
  const QVariant a = VarArrayOf({1, QStringLiteral("x"), Null()});
  EXPECT_TRUE(VarIsArray(a));
  EXPECT_EQ(VarArrayHighBound(a), 2);
  EXPECT_EQ(VarArrayLowBound(a), 0);
  EXPECT_EQ(VarArrayHighBound(VarArrayCreate(0)), -1);
  EXPECT_THROW(VarArrayHighBound(a, 2), EVariantError);
  EXPECT_THROW(VarArrayHighBound(QStringLiteral("text")), EVariantError);

  const QVariant m = QVariant::fromValue(SampleMatrix());
  EXPECT_TRUE(VarIsArray(m));
  EXPECT_EQ(VarArrayDimCount(m), 2);
  EXPECT_EQ(VarArrayLowBound(m, 1), 1);
  EXPECT_EQ(VarArrayHighBound(m, 1), 2);
  EXPECT_EQ(VarArrayLowBound(m, 2), -1);
  EXPECT_EQ(VarArrayHighBound(m, 2), 1);
  EXPECT_TRUE(VarIsEmpty(SampleMatrix().At(1, 1)));
  EXPECT_THROW(SampleMatrix().At(0, 0), EVariantError);
  EXPECT_THROW(SampleMatrix().At(2, 2), EVariantError);
}

TEST(VariantCbor, EveryShapeRoundTrips) {
  const QVariant cases[] = {
      QVariant(),
      Null(),
      QVariant(true),
      QVariant(false),
      QVariant(0),
      QVariant(-2147483647 - 1),
      QVariant(qlonglong(1) << 40),
      QVariant(3.25),
      QVariant(-0.1),
      QVariant(QStringLiteral("委外验退 TJ001")),
      QVariant(QString()),
      QVariant(QByteArray("\x00\x01\xff", 3)),
      VarArrayOf({}),
      VarArrayOf({Null(), QVariant(), 1, QStringLiteral("a")}),
      VarArrayOf({VarArrayOf({1, VarArrayOf({Null()})}), QVariant::fromValue(SampleMatrix())}),
      QVariant::fromValue(SampleMatrix()),
      QVariant::fromValue(TVarMatrix(0, -1, 0, -1)),
  };
  for (const QVariant& v : cases) {
    const QVariant back = RoundTrip(v);
    EXPECT_TRUE(VarSame(v, back)) << "type " << v.typeName() << " came back as " << back.typeName();
  }
}

TEST(VariantCbor, IntegersKeepTheirValueAcrossWidths) {
  for (qlonglong n : {0LL, 1LL, -1LL, 2147483647LL, 2147483648LL, -9007199254740993LL}) {
    const QVariant back = RoundTrip(QVariant(n));
    EXPECT_EQ(back.toLongLong(), n);
  }
}

TEST(VariantCbor, ObjectReferencesNeedACodec) {
  auto obj = TDispatchRef(new TDispatchObject);
  const QVariant v = VarArrayOf({VarFromDispatch(obj)});
  EXPECT_THROW(VariantToCbor(v), EVariantError);

  QList<TDispatchRef> table;
  TCborObjectCodec codec;
  codec.Encode = [&](const QVariant& ref) { table.append(VarToDispatch(ref)); return qint64(table.size() - 1); };
  codec.Decode = [&](qint64 h) { return VarFromDispatch(table.value(h)); };
  const QVariant back = RoundTrip(v, &codec);
  ASSERT_TRUE(VarIsDispatch(back.toList().value(0)));
  EXPECT_EQ(VarToDispatch(back.toList().value(0)).data(), obj.data());
}

TEST(VariantCbor, MalformedInputIsRefused) {
  const QCborValue bad[] = {
      QCborValue(QCborTag(40001), QCborArray{0, 1, 0}),                    // bounds missing
      QCborValue(QCborTag(40001), QCborArray{0, 1, 0, 1, QCborArray{1}}),  // cells missing
      QCborValue(QCborTag(40001), QCborArray{0, 1, 0, 1, 5}),              // cells not an array
      QCborValue(QCborTag(40002), 3),                                       // object without codec
      QCborValue(QCborTag(99), 1),                                          // unknown tag
      QCborValue(QCborSimpleType(99)),
  };
  for (const QCborValue& c : bad) EXPECT_THROW(CborToVariant(c), EVariantError);
}

TEST(Variants, DatesCountDaysFrom1899) {
  EXPECT_DOUBLE_EQ(DateToDateTime(QDate(1899, 12, 30)), 0.0);
  EXPECT_DOUBLE_EQ(DateToDateTime(QDate(2000, 1, 1)), 36526.0);
  EXPECT_EQ(DateTimeToDate(36526.0), QDate(2000, 1, 1));
  // "The first of the month plus day - 1 days" works by plain addition.
  EXPECT_EQ(DateTimeToDate(DateToDateTime(QDate(2024, 2, 1)) + 29 - 1), QDate(2024, 2, 29));
  const QDateTime noon(QDate(2026, 12, 11), QTime(12, 0));
  EXPECT_DOUBLE_EQ(QDateTimeToDateTime(noon) - DateToDateTime(noon.date()), 0.5);
  EXPECT_EQ(DateTimeToQDateTime(QDateTimeToDateTime(noon)), noon);
  EXPECT_DOUBLE_EQ(DateToDateTime(QDate()), 0.0);
}
