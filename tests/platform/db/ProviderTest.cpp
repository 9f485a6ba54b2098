// The provider's reading side on both backends: field metadata of the
// fixture, packets with restart and end of data, nested detail rows, the data
// request, and the protocol as an automation object answers it.
#include "ProviderTestFixture.h"

#include "platform/db/ProviderAppServer.h"
#include "platform/variant/Variants.h"

using namespace vantor;
using namespace vantor::test;

namespace {

class TProviderTest : public TDbFixture {
protected:
  void SetUp() override {
    TDbFixture::SetUp();
    if (!IsSkipped()) CreateFixture();
  }
};

const TPacketFieldDef& FieldNamed(const QList<TPacketFieldDef>& defs, const QString& name) {
  for (const TPacketFieldDef& f : defs)
    if (f.Name == name) return f;
  static const TPacketFieldDef none;
  ADD_FAILURE() << "no field " << name.toStdString();
  return none;
}

QStringList Names(const QList<TPacketFieldDef>& defs) {
  QStringList names;
  for (const TPacketFieldDef& f : defs) names.append(f.Name);
  return names;
}

QString FirstKey(const TDataPacket& p) { return p.Rows.isEmpty() ? QString() : p.Rows.first().first().toString(); }

// A provider that accepts a supplier code as its condition.
class TBySupplier : public TProvider {
public:
  using TProvider::TProvider;

protected:
  void BuildWhere(const QVariant& request, QString& where, QVariantList& params) override {
    const QString supplier = request.toList().value(0).toString();
    if (supplier.isEmpty()) return;
    where = QStringLiteral("T.SUPP = ?");
    params = {supplier};
  }
};

}  // namespace

TEST_P(TProviderTest, MetadataDescribesTypesSizesKeyAndReadOnlyColumns) {
  auto docs = MakeDocs(true);
  const QList<TPacketFieldDef> defs = docs->FieldDefs();
  EXPECT_EQ(Names(defs), QStringList({"DOCNO", "SUPP", "SUPPNAME", "DOCDATE", "QTY", "PRICE", "LINES", "CONFIRMED",
                                      "REMARK", "PHOTO", "FLAG", "AMOUNT", "DOCLINES"}));
  struct TExpect { const char* Name; TFieldType Type; int Size; bool Required, ReadOnly, InKey; };
  const TExpect expected[] = {
      {"DOCNO", ftString, 12, true, false, true},     {"SUPP", ftString, 10, false, false, false},
      {"DOCDATE", ftFixedChar, 8, true, false, false}, {"QTY", ftBCD, 3, false, false, false},
      {"PRICE", ftFloat, 0, false, false, false},     {"LINES", ftInteger, 0, false, false, false},
      {"CONFIRMED", ftBoolean, 0, false, false, false}, {"REMARK", ftMemo, 0, false, false, false},
      {"PHOTO", ftBlob, 0, false, false, false},      {"FLAG", ftInteger, 0, false, false, false},
      {"AMOUNT", ftFloat, 0, false, true, false},
  };
  for (const TExpect& e : expected) {
    SCOPED_TRACE(e.Name);
    const TPacketFieldDef& f = FieldNamed(defs, QString::fromLatin1(e.Name));
    EXPECT_EQ(f.DataType, e.Type);
    EXPECT_EQ(f.Size, e.Size);
    EXPECT_EQ(f.Required, e.Required);
    EXPECT_EQ(f.ReadOnly, e.ReadOnly);
    EXPECT_EQ(f.InKey, e.InKey);
  }
  EXPECT_EQ(FieldNamed(defs, QStringLiteral("QTY")).Precision, 12);
  // The joined column declares no type: it is inferred, and read-only.
  const TPacketFieldDef& supplierName = FieldNamed(defs, QStringLiteral("SUPPNAME"));
  EXPECT_EQ(supplierName.DataType, ftString);
  EXPECT_GT(supplierName.Size, 0);
  EXPECT_TRUE(supplierName.ReadOnly);

  const TPacketFieldDef& lines = FieldNamed(defs, QStringLiteral("DOCLINES"));
  EXPECT_EQ(lines.DataType, ftDataSet);
  EXPECT_EQ(Names(lines.Children), QStringList({"DOCNO", "LINENO", "ITEM", "QTY", "FLAG"}));
  EXPECT_TRUE(FieldNamed(lines.Children, QStringLiteral("LINENO")).InKey);
}

TEST_P(TProviderTest, PacketsOfTwentyWithRestartAndEof) {
  auto docs = MakeDocs();
  TDataPacket p = docs->GetRecords(20, poRestart);
  EXPECT_FALSE(p.Fields.isEmpty());
  EXPECT_EQ(p.Rows.size(), 20);
  EXPECT_EQ(FirstKey(p), QStringLiteral("D001"));
  EXPECT_FALSE(p.Eof);

  p = docs->GetRecords(20, 0);
  EXPECT_TRUE(p.Fields.isEmpty());
  EXPECT_EQ(p.Rows.size(), 20);
  EXPECT_EQ(FirstKey(p), QStringLiteral("D021"));
  EXPECT_FALSE(p.Eof);

  p = docs->GetRecords(20, 0);
  EXPECT_EQ(p.Rows.size(), 5);
  EXPECT_EQ(p.Rows.last().first().toString(), QStringLiteral("D045"));
  EXPECT_TRUE(p.Eof);

  p = docs->GetRecords(20, 0);  // after the end: nothing, still the end
  EXPECT_TRUE(p.Rows.isEmpty());
  EXPECT_TRUE(p.Eof);

  p = docs->GetRecords(20, poRestart);  // re-runs the query
  EXPECT_EQ(FirstKey(p), QStringLiteral("D001"));
  p = docs->GetRecords(-1, 0);  // all remaining rows
  EXPECT_EQ(p.Rows.size(), 25);
  EXPECT_TRUE(p.Eof);

  EXPECT_THROW(docs->GetRecords(-2, 0), EDatabaseError);
}

// The end is known exactly: a last packet that takes the last row says so,
// and a request for no rows gives the metadata alone.
TEST_P(TProviderTest, EofIsExactWhenRowsEndOnAPacketBoundary) {
  Run(QStringLiteral("DELETE FROM DOCS WHERE DOCNO > ?"), {QStringLiteral("D040")});
  auto docs = MakeDocs();
  TDataPacket p = docs->GetRecords(0, poRestart);
  EXPECT_FALSE(p.Fields.isEmpty());
  EXPECT_TRUE(p.Rows.isEmpty());
  EXPECT_FALSE(p.Eof);
  EXPECT_FALSE(docs->GetRecords(20, 0).Eof);
  p = docs->GetRecords(20, 0);
  EXPECT_EQ(p.Rows.size(), 20);
  EXPECT_TRUE(p.Eof);

  Run(QStringLiteral("DELETE FROM DOCS"));
  p = docs->GetRecords(20, poRestart);
  EXPECT_TRUE(p.Rows.isEmpty());
  EXPECT_TRUE(p.Eof);
}

TEST_P(TProviderTest, RowsCarryStoredJoinedComputedAndNullValues) {
  auto docs = MakeDocs();
  const TDataPacket p = docs->GetRecords(3, poRestart);
  ASSERT_EQ(p.Rows.size(), 3);
  auto at = [&](int row, const char* name) { return p.Rows[row][docs->FieldIndex(QString::fromLatin1(name))]; };
  EXPECT_EQ(at(0, "DOCNO"), QVariant(QStringLiteral("D001")));
  EXPECT_EQ(at(0, "SUPPNAME"), QVariant(QStringLiteral("第一供应商")));
  EXPECT_EQ(at(0, "DOCDATE"), QVariant(QStringLiteral("20240101")));
  EXPECT_DOUBLE_EQ(at(0, "QTY").toDouble(), 1.5);
  EXPECT_DOUBLE_EQ(at(0, "AMOUNT").toDouble(), 1.5 * 10.25);
  EXPECT_EQ(at(0, "LINES"), QVariant(1));
  EXPECT_EQ(at(0, "CONFIRMED"), QVariant(true));
  EXPECT_EQ(at(1, "CONFIRMED"), QVariant(false));
  EXPECT_EQ(at(0, "REMARK"), QVariant(QStringLiteral("含'引号'的备注")));
  EXPECT_EQ(at(0, "PHOTO"), QVariant(QByteArray("\x00\x01\xfe\xff", 4)));
  EXPECT_TRUE(VarIsNull(at(1, "PHOTO")));
  EXPECT_TRUE(VarIsNull(at(2, "SUPP")));      // D003 has no supplier ...
  EXPECT_TRUE(VarIsNull(at(2, "SUPPNAME")));  // ... so the join finds no name
}

TEST_P(TProviderTest, NestedDetailRowsComeWithEachMaster) {
  auto docs = MakeDocs(true);
  const TDataPacket p = docs->GetRecords(3, poRestart);
  const int lines = docs->FieldIndex(QStringLiteral("DOCLINES"));
  ASSERT_GE(lines, 0);
  const QVariantList first = p.Rows[0][lines].toList();
  ASSERT_EQ(first.size(), 2);
  EXPECT_EQ(first[0].toList()[2], QVariant(QStringLiteral("BOLT")));
  EXPECT_EQ(first[1].toList()[1], QVariant(2));
  EXPECT_EQ(p.Rows[1][lines].toList().size(), 1);
  EXPECT_EQ(p.Rows[2][lines].typeId(), QMetaType::QVariantList);
  EXPECT_TRUE(p.Rows[2][lines].toList().isEmpty());
  // The packet is well-formed for the client's reader.
  EXPECT_NO_THROW(PacketFromVariant(PacketToVariant(p)));
}

TEST_P(TProviderTest, DefaultDataRequestAcceptsOnlyAnEmptyCondition) {
  auto docs = MakeDocs();
  EXPECT_NO_THROW(docs->DataRequest(QVariantList{QString(), QStringLiteral("extra")}));
  EXPECT_NO_THROW(docs->DataRequest(QVariantList{QStringLiteral("   "), QString()}));
  EXPECT_NO_THROW(docs->DataRequest(QVariant()));
  EXPECT_THROW(docs->DataRequest(QVariantList{QStringLiteral("DOCNO = 'D001'"), QString()}), EDatabaseError);
  EXPECT_EQ(docs->GetRecords(-1, poRestart).Rows.size(), 45);
}

TEST_P(TProviderTest, ConditionHookFiltersTheNextRestart) {
  TBySupplier docs(QStringLiteral("pvdDocs"), Db(), DocsDef());
  docs.DataRequest(QVariantList{QStringLiteral("S2"), QString()});
  TDataPacket p = docs.GetRecords(-1, poRestart);
  EXPECT_EQ(p.Rows.size(), 15);
  for (const QVariantList& row : p.Rows) EXPECT_EQ(row[1], QVariant(QStringLiteral("S2")));
  docs.DataRequest(QVariantList{QString(), QString()});
  EXPECT_EQ(docs.GetRecords(-1, poRestart).Rows.size(), 45);
}

// An apply between two packets neither breaks the cursor nor repeats or
// skips rows.
TEST_P(TProviderTest, CursorContinuesAcrossAnApplyBatch) {
  auto docs = MakeDocs();
  docs->GetRecords(20, poRestart);
  TDelta d;
  d.Fields = docs->FieldDefs();
  TDeltaRow r;
  QVariantList old(d.Fields.size()), now(d.Fields.size());
  old[0] = QStringLiteral("D030");
  old[docs->FieldIndex(QStringLiteral("FLAG"))] = 1;
  now[docs->FieldIndex(QStringLiteral("REMARK"))] = QStringLiteral("changed");
  r.OldValues = old;
  r.NewValues = now;
  d.Rows = {r};
  int errors = -1;
  EXPECT_TRUE(docs->ApplyUpdates(d, 0, errors).isEmpty());
  EXPECT_EQ(errors, 0);
  TDataPacket p = docs->GetRecords(20, 0);
  ASSERT_EQ(p.Rows.size(), 20);
  EXPECT_EQ(FirstKey(p), QStringLiteral("D021"));
  EXPECT_EQ(docs->GetRecords(-1, 0).Rows.size(), 5);
}

TEST_P(TProviderTest, BadDescriptionsAreRefusedWithTheirReason) {
  struct TBad { const char* Name; std::function<void(TProviderDef&)> Change; const char* MessagePart; };
  const TBad cases[] = {
      {"unknown column", [](TProviderDef& d) { d.Select.append(QStringLiteral("NOPE")); }, "has no column NOPE"},
      {"unknown table", [](TProviderDef& d) { d.Table = QStringLiteral("NOTABLE"); }, "does not exist"},
      {"key not selected", [](TProviderDef& d) { d.Select.removeFirst(); }, "key column"},
      {"selected twice", [](TProviderDef& d) { d.Select.append(QStringLiteral("T.QTY AS DOCNO")); }, "twice"},
      {"bad select item", [](TProviderDef& d) { d.Select.append(QStringLiteral("QTY +")); }, "neither a column"},
      {"computed update guard", [](TProviderDef& d) { d.UpdateWhere = QStringList{QStringLiteral("AMOUNT")}; }, "not a column"},
  };
  for (const TBad& c : cases) {
    SCOPED_TRACE(c.Name);
    TProviderDef def = DocsDef();
    c.Change(def);
    TProvider p(QStringLiteral("pvdBad"), Db(), def);
    try {
      p.FieldDefs();
      ADD_FAILURE() << "accepted";
    } catch (const EDatabaseError& e) {
      EXPECT_TRUE(e.Message().contains(QString::fromLatin1(c.MessagePart))) << e.what();
    }
  }
  auto docs = MakeDocs();
  EXPECT_THROW(docs->AddDetail(QStringLiteral("SELF"), docs, {QStringLiteral("DOCNO")}, {QStringLiteral("DOCNO")}),
               EDatabaseError);
}

// --- the protocol through the automation object ----------------------------------------------

TEST_P(TProviderTest, AppServerAnswersTheProtocolByName) {
  TProviderAppServer server(SharedDb());
  server.AddProvider(QStringLiteral("pvdDocs"), DocsDef());
  EXPECT_THROW(server.AddProvider(QStringLiteral("PVDDOCS"), DocsDef()), EDatabaseError);

  QVariantList request{QStringLiteral("pvddocs"), QVariantList{QString(), QString()}};
  server.Invoke(QStringLiteral("as_datarequest"), request);
  QVariantList args{QStringLiteral("pvdDocs"), 20, int(poRestart)};
  TDataPacket p = PacketFromVariant(server.Invoke(QStringLiteral("AS_GetRecords"), args));
  EXPECT_EQ(p.Rows.size(), 20);
  EXPECT_FALSE(p.Fields.isEmpty());

  // Change FLAG of D001 through a batch, with the error count by reference.
  TDelta d;
  d.Fields = p.Fields;
  TDeltaRow r;
  r.OldValues = p.Rows[0];
  r.NewValues = QVariantList(d.Fields.size());
  r.NewValues[server.ProviderByName(QStringLiteral("pvdDocs")).FieldIndex(QStringLiteral("FLAG"))] = 2;
  d.Rows = {r};
  QVariantList apply{QStringLiteral("pvdDocs"), DeltaToVariant(d), 0, 99};
  const QVariant errors = server.Invoke(QStringLiteral("AS_ApplyUpdates"), apply, ByRefArg(3));
  EXPECT_TRUE(ReconcileErrorsFromVariant(errors).isEmpty());
  EXPECT_EQ(apply[3], QVariant(0));
  EXPECT_EQ(Scalar(QStringLiteral("SELECT FLAG FROM DOCS WHERE DOCNO = 'D001'")).toInt(), 2);
}

TEST_P(TProviderTest, AppServerRefusesBadArgumentsWithoutChangingAnything) {
  TProviderAppServer server(SharedDb());
  server.AddProvider(QStringLiteral("pvdDocs"), DocsDef());
  struct TBadCall { const char* Member; QVariantList Args; const char* MessagePart; };
  const TBadCall calls[] = {
      {"AS_GetRecords", {QStringLiteral("pvdNone"), 20, 1}, "no provider named \"pvdNone\""},
      {"AS_GetRecords", {QStringLiteral("pvdDocs"), 20}, "expects 3 arguments"},
      {"AS_GetRecords", {QStringLiteral("pvdDocs"), QStringLiteral("many"), 1}, "must be an integer"},
      {"AS_GetRecords", {42, 20, 1}, "must be a text"},
      {"AS_DataRequest", {QStringLiteral("pvdDocs")}, "expects 2 arguments"},
      {"AS_ApplyUpdates", {QStringLiteral("pvdDocs"), QStringLiteral("not a batch"), 0, 0}, "Malformed change batch"},
      {"AS_ApplyUpdates", {QStringLiteral("pvdDocs"), QVariantList{QVariantList{QVariantList{QStringLiteral("NOPE"), 1, 0, 0, 0, QVariantList()}}, QVariantList{QVariant(QVariantList{ukDelete, QVariantList{1}, QVariantList()})}}, 0, 0}, "not one of the provider"},
  };
  for (const TBadCall& c : calls) {
    SCOPED_TRACE(c.Member);
    QVariantList args = c.Args;
    try {
      server.Invoke(QString::fromLatin1(c.Member), args);
      ADD_FAILURE() << "accepted";
    } catch (const EDatabaseError& e) {
      EXPECT_TRUE(e.Message().contains(QString::fromLatin1(c.MessagePart))) << e.what();
    }
  }
  EXPECT_EQ(Count(QStringLiteral("DOCS")), 45);
}

INSTANTIATE_TEST_SUITE_P(Backends, TProviderTest, ::testing::Values(bkSqlite, bkPostgres), TDbFixture::BackendName);
