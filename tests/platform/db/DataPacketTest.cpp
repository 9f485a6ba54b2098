// Packets, change batches and reconcile errors keep their content through
// their variant form and the wire encoding, and malformed input of every
// shape is refused with EDatabaseError instead of crashing.
#include "platform/db/DataPacket.h"
#include "platform/os/Exceptions.h"
#include "platform/variant/VariantCbor.h"
#include "platform/variant/Variants.h"

#include <functional>
#include <gtest/gtest.h>
#include <limits>

using namespace vantor;

namespace {

QVariant ThroughWire(const QVariant& v) {
  return CborToVariant(QCborValue::fromCbor(VariantToCbor(v).toCbor()));
}

TPacketFieldDef Field(const QString& name, TFieldType type, int size = 0) {
  TPacketFieldDef f;
  f.Name = name;
  f.DataType = type;
  f.Size = size;
  return f;
}

QList<TPacketFieldDef> SampleFields() {
  TPacketFieldDef code = Field(QStringLiteral("CODE"), ftString, 10);
  code.Required = true;
  code.InKey = true;
  TPacketFieldDef amount = Field(QStringLiteral("AMOUNT"), ftBCD, 2);
  amount.Precision = 12;
  amount.ReadOnly = true;
  TPacketFieldDef lines = Field(QStringLiteral("LINES"), ftDataSet);
  lines.Children = {Field(QStringLiteral("ITEM"), ftString, 20), Field(QStringLiteral("QTY"), ftFloat)};
  return {code, amount, Field(QStringLiteral("PHOTO"), ftBlob), lines};
}

void ExpectSameFields(const QList<TPacketFieldDef>& a, const QList<TPacketFieldDef>& b) {
  ASSERT_EQ(a.size(), b.size());
  for (qsizetype i = 0; i < a.size(); ++i) {
    SCOPED_TRACE(a[i].Name.toStdString());
    EXPECT_EQ(a[i].Name, b[i].Name);
    EXPECT_EQ(a[i].DataType, b[i].DataType);
    EXPECT_EQ(a[i].Size, b[i].Size);
    EXPECT_EQ(a[i].Precision, b[i].Precision);
    EXPECT_EQ(a[i].Required, b[i].Required);
    EXPECT_EQ(a[i].ReadOnly, b[i].ReadOnly);
    EXPECT_EQ(a[i].InKey, b[i].InKey);
    ExpectSameFields(a[i].Children, b[i].Children);
  }
}

// Field definitions in variant form, for building bad input by hand.
QVariant F(const QString& name, int type, QVariant children = QVariantList()) {
  return QVariantList{name, type, 0, 0, 0, children};
}
const QVariant kOneInt = QVariantList{F(QStringLiteral("A"), ftInteger)};
const QVariant kTwoInts = QVariantList{F(QStringLiteral("A"), ftInteger), F(QStringLiteral("B"), ftInteger)};
const QVariant kWithDataSet =
    QVariantList{F(QStringLiteral("A"), ftInteger), F(QStringLiteral("D"), ftDataSet, QVariantList{F(QStringLiteral("X"), ftInteger)})};

QVariant DeeplyNestedFields(int depth) {
  QVariant fields = QVariantList{F(QStringLiteral("X"), ftInteger)};
  for (int i = 0; i < depth; ++i) fields = QVariantList{F(QStringLiteral("N"), ftDataSet, fields)};
  return fields;
}

struct TBadCase {
  const char* Name;
  QVariant Value;
  const char* MessagePart;
};

void ExpectRefused(const TBadCase& c, const std::function<void(const QVariant&)>& read) {
  SCOPED_TRACE(c.Name);
  try {
    read(c.Value);
    ADD_FAILURE() << "accepted";
  } catch (const EDatabaseError& e) {
    EXPECT_TRUE(e.Message().contains(QString::fromUtf8(c.MessagePart))) << e.what();
  } catch (const std::exception& e) {
    ADD_FAILURE() << "wrong exception: " << e.what();
  }
}

}  // namespace

TEST(DataPacket, PacketKeepsFieldsRowsAndEofThroughTheWire) {
  TDataPacket p;
  p.Fields = SampleFields();
  const QVariantList nested{QVariant(QVariantList{QStringLiteral("BOLT"), 2.5}),
                            QVariant(QVariantList{QStringLiteral("螺母"), Null()})};
  p.Rows = {QVariantList{QStringLiteral("C1"), 12.25, QByteArray("\x00\xff", 2), nested},
            QVariantList{QStringLiteral("供应商"), Null(), Null(), QVariantList()},
            QVariantList{QStringLiteral("C3"), QVariant(), Null(), Null()}};
  p.Eof = false;
  const TDataPacket back = PacketFromVariant(ThroughWire(PacketToVariant(p)));
  ExpectSameFields(back.Fields, p.Fields);
  ASSERT_EQ(back.Rows.size(), p.Rows.size());
  for (qsizetype r = 0; r < p.Rows.size(); ++r)
    EXPECT_TRUE(VarSame(back.Rows[r], p.Rows[r])) << "row " << r;
  EXPECT_FALSE(back.Eof);
  // Null and Unassigned stay apart.
  EXPECT_TRUE(VarIsEmpty(back.Rows[2][1]));
  EXPECT_TRUE(VarIsNull(back.Rows[2][2]));
}

TEST(DataPacket, PacketWithoutMetadataNeedsOnlyRowsOfOneWidth) {
  TDataPacket p;
  p.Rows = {QVariantList{1, 2}, QVariantList{3, 4}};
  const TDataPacket back = PacketFromVariant(PacketToVariant(p));
  EXPECT_TRUE(back.Fields.isEmpty());
  EXPECT_EQ(back.Rows.size(), 2);
  EXPECT_TRUE(back.Eof);
}

TEST(DataPacket, DeltaKeepsKindsValuesAndNestedChanges) {
  TDelta d;
  d.Fields = SampleFields();
  TDeltaRow insert;
  insert.Kind = ukInsert;
  insert.NewValues = {QStringLiteral("N1"), QVariant(), Null(), QVariant()};
  TDeltaRow lineInsert;
  lineInsert.Kind = ukInsert;
  lineInsert.NewValues = {QStringLiteral("PIN"), 3.0};
  insert.Details = {{3, {lineInsert}}};
  TDeltaRow modify;
  modify.OldValues = {QStringLiteral("C1"), 1.0, Null(), QVariant()};
  modify.NewValues = {QVariant(), 2.0, QVariant(), QVariant()};
  TDeltaRow remove;
  remove.Kind = ukDelete;
  remove.OldValues = {QStringLiteral("C2"), Null(), Null(), QVariant()};
  d.Rows = {insert, modify, remove};

  const TDelta back = DeltaFromVariant(ThroughWire(DeltaToVariant(d)));
  ExpectSameFields(back.Fields, d.Fields);
  ASSERT_EQ(back.Rows.size(), 3);
  for (qsizetype r = 0; r < 3; ++r) {
    EXPECT_EQ(back.Rows[r].Kind, d.Rows[r].Kind);
    EXPECT_TRUE(VarSame(back.Rows[r].OldValues, d.Rows[r].OldValues)) << "row " << r;
    EXPECT_TRUE(VarSame(back.Rows[r].NewValues, d.Rows[r].NewValues)) << "row " << r;
  }
  ASSERT_EQ(back.Rows[0].Details.size(), 1);
  EXPECT_EQ(back.Rows[0].Details[0].first, 3);
  ASSERT_EQ(back.Rows[0].Details[0].second.size(), 1);
  EXPECT_TRUE(VarSame(back.Rows[0].Details[0].second[0].NewValues, lineInsert.NewValues));
  EXPECT_TRUE(back.Rows[1].Details.isEmpty());
}

TEST(DataPacket, ReconcileErrorsKeepEveryPart) {
  TReconcileError e;
  e.RowIndex = 4;
  e.Kind = ukDelete;
  e.Message = QStringLiteral("Record not found or changed by another user");
  e.Context = QStringLiteral("Delete from DOCS, key DOCNO=D004");
  e.ErrorCode = -1;
  e.CurValues = {QStringLiteral("D004"), Null(), 7};
  const QList<TReconcileError> back = ReconcileErrorsFromVariant(ThroughWire(ReconcileErrorsToVariant({e})));
  ASSERT_EQ(back.size(), 1);
  EXPECT_EQ(back[0].RowIndex, 4);
  EXPECT_EQ(back[0].Kind, ukDelete);
  EXPECT_EQ(back[0].Message, e.Message);
  EXPECT_EQ(back[0].Context, e.Context);
  EXPECT_EQ(back[0].ErrorCode, -1);
  EXPECT_TRUE(VarSame(back[0].CurValues, e.CurValues));
  EXPECT_TRUE(ReconcileErrorsFromVariant(QVariant()).isEmpty());
}

TEST(DataPacket, MalformedPacketsAreRefused) {
  const double huge = 1e300;
  const TBadCase cases[] = {
      {"not an array", QStringLiteral("packet"), "expected an array"},
      {"too short", QVariantList{QVariantList(), QVariantList()}, "at least 3"},
      {"fields not an array", QVariantList{QStringLiteral("x"), QVariantList(), true}, "expected an array"},
      {"field too short", QVariantList{QVariantList{QVariantList{QStringLiteral("A"), 1}}, QVariantList(), true}, "at least 6"},
      {"field without name", QVariantList{QVariantList{F(QString(), ftInteger)}, QVariantList(), true}, "no name"},
      {"field name not text", QVariantList{QVariantList{QVariantList{42, 1, 0, 0, 0, QVariantList()}}, QVariantList(), true}, "expected a text"},
      {"type out of range", QVariantList{QVariantList{F(QStringLiteral("A"), 99)}, QVariantList(), true}, "outside"},
      {"type as text", QVariantList{QVariantList{QVariantList{QStringLiteral("A"), QStringLiteral("1"), 0, 0, 0, QVariantList()}}, QVariantList(), true}, "expected an integer"},
      {"type not integral", QVariantList{QVariantList{QVariantList{QStringLiteral("A"), 1.5, 0, 0, 0, QVariantList()}}, QVariantList(), true}, "expected an integer"},
      {"huge size", QVariantList{QVariantList{QVariantList{QStringLiteral("A"), 1, huge, 0, 0, QVariantList()}}, QVariantList(), true}, "expected an integer"},
      {"negative size", QVariantList{QVariantList{QVariantList{QStringLiteral("A"), 1, -1, 0, 0, QVariantList()}}, QVariantList(), true}, "outside"},
      {"duplicate names", QVariantList{QVariantList{F(QStringLiteral("A"), 1), F(QStringLiteral("a"), 1)}, QVariantList(), true}, "occurs twice"},
      {"children on a plain field", QVariantList{QVariantList{F(QStringLiteral("A"), 1, QVariantList{F(QStringLiteral("X"), 1)})}, QVariantList(), true}, "only a dataset field"},
      {"nesting too deep", QVariantList{DeeplyNestedFields(40), QVariantList(), true}, "too deep"},
      {"rows not an array", QVariantList{kOneInt, 5, true}, "expected an array"},
      {"row not an array", QVariantList{kOneInt, QVariantList{QStringLiteral("r")}, true}, "expected an array"},
      {"row too narrow", QVariantList{kTwoInts, QVariantList{QVariant(QVariantList{1})}, true}, "1 values for 2 fields"},
      {"row too wide", QVariantList{kOneInt, QVariantList{QVariant(QVariantList{1, 2})}, true}, "2 values for 1 fields"},
      {"uneven rows without fields", QVariantList{QVariantList(), QVariantList{QVariant(QVariantList{1, 2}), QVariant(QVariantList{1})}, true}, "first row has 2"},
      {"array in a plain cell", QVariantList{kOneInt, QVariantList{QVariant(QVariantList{QVariant(QVariantList{1})})}, true}, "single value"},
      {"nested cell not rows", QVariantList{kWithDataSet, QVariantList{QVariant(QVariantList{1, QStringLiteral("x")})}, true}, "expected an array"},
      {"nested row too wide", QVariantList{kWithDataSet, QVariantList{QVariant(QVariantList{1, QVariantList{QVariant(QVariantList{1, 2})}})}, true}, "2 values for 1 fields"},
      {"eof not a flag", QVariantList{kOneInt, QVariantList(), QStringLiteral("yes")}, "expected an integer"},
      {"eof out of range", QVariantList{kOneInt, QVariantList(), 2}, "outside"},
  };
  for (const TBadCase& c : cases) ExpectRefused(c, [](const QVariant& v) { PacketFromVariant(v); });
}

TEST(DataPacket, MalformedDeltasAreRefused) {
  auto row = [](QVariant kind, QVariant old, QVariant now, QVariant details = QVariantList()) {
    return QVariant(QVariantList{kind, old, now, details});
  };
  auto delta = [](QVariant fields, QVariantList rows) { return QVariant(QVariantList{fields, rows}); };
  const QVariantList one{1}, two{1, 2}, none;
  const QVariantList ds{1, QVariant()};  // a row of kWithDataSet
  const TBadCase cases[] = {
      {"not an array", 17, "expected an array"},
      {"too short", QVariantList{kOneInt}, "at least 2"},
      {"no fields", delta(QVariantList(), {}), "defines no fields"},
      {"row not an array", delta(kOneInt, {QStringLiteral("r")}), "expected an array"},
      {"row too short", delta(kOneInt, {QVariantList{0, one}}), "at least 3"},
      {"unknown kind", delta(kOneInt, {row(7, one, one)}), "outside"},
      {"kind as text", delta(kOneInt, {row(QStringLiteral("modify"), one, one)}), "expected an integer"},
      {"update without old values", delta(kTwoInts, {row(ukModify, none, two)}), "0 values for 2 fields"},
      {"update with short new values", delta(kTwoInts, {row(ukModify, two, one)}), "1 values for 2 fields"},
      {"insert without new values", delta(kOneInt, {row(ukInsert, none, none)}), "0 values for 1 fields"},
      {"delete without old values", delta(kOneInt, {row(ukDelete, none, none)}), "0 values for 1 fields"},
      {"values not an array", delta(kOneInt, {row(ukDelete, 5, none)}), "expected an array"},
      {"details not an array", delta(kWithDataSet, {row(ukModify, ds, ds, 3)}), "expected an array"},
      {"detail not a pair", delta(kWithDataSet, {row(ukModify, ds, ds, QVariantList{QVariant(QVariantList{1})})}), "at least 2"},
      {"detail index out of range", delta(kWithDataSet, {row(ukModify, ds, ds, QVariantList{QVariant(QVariantList{5, QVariantList()})})}), "outside"},
      {"detail index negative", delta(kWithDataSet, {row(ukModify, ds, ds, QVariantList{QVariant(QVariantList{-1, QVariantList()})})}), "outside"},
      {"detail on a plain field", delta(kWithDataSet, {row(ukModify, ds, ds, QVariantList{QVariant(QVariantList{0, QVariantList()})})}), "not a dataset field"},
      {"detail row too wide", delta(kWithDataSet, {row(ukModify, ds, ds, QVariantList{QVariant(QVariantList{1, QVariantList{row(ukInsert, none, two)}})})}), "2 values for 1 fields"},
  };
  for (const TBadCase& c : cases) ExpectRefused(c, [](const QVariant& v) { DeltaFromVariant(v); });
}

TEST(DataPacket, DeltaValuesAKindDoesNotUseMayBeLeftOut) {
  const QVariantList one{QStringLiteral("K")};
  const QVariant d = QVariantList{kOneInt, QVariantList{QVariant(QVariantList{ukInsert, QVariant(), one}),
                                                        QVariant(QVariantList{ukDelete, one, QVariantList()})}};
  const TDelta back = DeltaFromVariant(d);
  ASSERT_EQ(back.Rows.size(), 2);
  EXPECT_TRUE(back.Rows[0].OldValues.isEmpty());
  EXPECT_TRUE(back.Rows[1].NewValues.isEmpty());
  EXPECT_TRUE(back.Rows[1].Details.isEmpty());
}

TEST(DataPacket, MalformedReconcileErrorsAreRefused) {
  const TBadCase cases[] = {
      {"not an array", QStringLiteral("e"), "expected an array"},
      {"error too short", QVariantList{QVariant(QVariantList{0, 0, QStringLiteral("m")})}, "at least 6"},
      {"row index below -1", QVariantList{QVariant(QVariantList{-5, 0, QString(), QString(), 0, QVariant()})}, "outside"},
      {"message not text", QVariantList{QVariant(QVariantList{0, 0, 12, QString(), 0, QVariant()})}, "expected a text"},
      {"current values not an array", QVariantList{QVariant(QVariantList{0, 0, QString(), QString(), 0, 3})}, "expected an array"},
  };
  for (const TBadCase& c : cases) ExpectRefused(c, [](const QVariant& v) { ReconcileErrorsFromVariant(v); });
}
