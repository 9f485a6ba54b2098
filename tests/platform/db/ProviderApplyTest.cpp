// Applying change batches on both backends: a mixed batch, rows changed or
// deleted by another user, database errors, MaxErrors, nested details with
// their master, the row hook, and batches abandoned half-way.
#include "ProviderTestFixture.h"

#include "platform/variant/Variants.h"

#include <functional>

using namespace vantor;
using namespace vantor::test;

namespace {

using TValues = QList<QPair<QString, QVariant>>;

const QString kChanged = QStringLiteral("Record not found or changed by another user");

QVariantList ByName(const QList<TPacketFieldDef>& fields, const TValues& values) {
  QVariantList out(fields.size());
  for (const auto& [name, value] : values) {
    const auto it = std::find_if(fields.begin(), fields.end(), [&](const TPacketFieldDef& f) { return f.Name == name; });
    if (it == fields.end()) ADD_FAILURE() << "no field " << name.toStdString();
    else out[it - fields.begin()] = value;
  }
  return out;
}

TDeltaRow Insert(const QList<TPacketFieldDef>& fields, const TValues& values) {
  TDeltaRow r;
  r.Kind = ukInsert;
  r.NewValues = ByName(fields, values);
  return r;
}

TDeltaRow Modify(const QVariantList& fetched, const QList<TPacketFieldDef>& fields, const TValues& values) {
  TDeltaRow r;
  r.OldValues = fetched;
  r.NewValues = ByName(fields, values);
  return r;
}

TDeltaRow Delete(const QVariantList& fetched) {
  TDeltaRow r;
  r.Kind = ukDelete;
  r.OldValues = fetched;
  return r;
}

class TProviderApplyTest : public TDbFixture {
protected:
  void SetUp() override {
    TDbFixture::SetUp();
    if (!IsSkipped()) CreateFixture();
  }

  void ResetFixture() {
    for (const char* table : {"DOCLINES", "DOCS", "SUPP"}) Run(QStringLiteral("DROP TABLE ") + QLatin1String(table));
    CreateFixture();
  }

  // Rows as the client fetched them, by their first field.
  QHash<QString, QVariantList> Fetch(TProvider& p) {
    QHash<QString, QVariantList> rows;
    for (const QVariantList& r : p.GetRecords(-1, poRestart).Rows) rows.insert(r[0].toString(), r);
    return rows;
  }

  QVariant DocValue(const QString& docno, const QString& column) {
    return Scalar(QStringLiteral("SELECT %1 FROM DOCS WHERE DOCNO = ?").arg(column), {docno});
  }

  void SetFlagElsewhere(const QString& docno, int flag) {
    OpenSecond()->ExecChange(QStringLiteral("UPDATE DOCS SET FLAG = ? WHERE DOCNO = ?"), {flag, docno});
  }
};

// A provider whose rule refuses large quantities, and that can be told to
// fail as a lost connection would, half-way through a batch.
class TGuardedDocs : public TProvider {
public:
  using TProvider::TProvider;
  int LoseConnectionAtRow = -1;

protected:
  void BeforeUpdateRecord(const TProviderChange& change) override {
    if (rows_++ == LoseConnectionAtRow) throw ESocketConnectionError(QStringLiteral("connection lost"));
    if (change.NewValue(QStringLiteral("QTY")).toDouble() > 1000)
      throw EDatabaseError(QStringLiteral("A quantity above 1000 needs approval"));
  }

private:
  int rows_ = 0;
};

}  // namespace

TEST_P(TProviderApplyTest, MixedBatchInsertsUpdatesAndDeletes) {
  auto docs = MakeDocs();
  auto fetched = Fetch(*docs);
  TDelta d;
  d.Fields = docs->FieldDefs();
  d.Rows = {Insert(d.Fields, {{"DOCNO", "D100"}, {"SUPP", "S1"}, {"DOCDATE", "20240301"}, {"QTY", 2.5},
                              {"CONFIRMED", true}, {"REMARK", QStringLiteral("新单")}, {"FLAG", 1}, {"AMOUNT", 999.0}}),
            Modify(fetched["D002"], d.Fields, {{"QTY", 7.5}, {"REMARK", Null()}, {"SUPPNAME", "ignored"}}),
            Delete(fetched["D003"])};
  int errorCount = -1;
  const QList<TReconcileError> errors = docs->ApplyUpdates(d, 0, errorCount);
  EXPECT_TRUE(errors.isEmpty()) << (errors.isEmpty() ? "" : errors[0].Message.toStdString());
  EXPECT_EQ(errorCount, 0);

  EXPECT_DOUBLE_EQ(DocValue("D100", "QTY").toDouble(), 2.5);
  EXPECT_EQ(DocValue("D100", "REMARK").toString(), QStringLiteral("新单"));
  EXPECT_TRUE(DocValue("D100", "PRICE").isNull());  // not given: left to the table
  EXPECT_DOUBLE_EQ(DocValue("D002", "QTY").toDouble(), 7.5);
  EXPECT_TRUE(DocValue("D002", "REMARK").isNull());
  EXPECT_DOUBLE_EQ(DocValue("D002", "PRICE").toDouble(), 10.25);  // unassigned: untouched
  EXPECT_EQ(DocValue("D002", "DOCDATE").toString(), QStringLiteral("20240102"));
  EXPECT_EQ(Count("DOCS", "DOCNO = 'D003'"), 0);
  EXPECT_EQ(Count("DOCS"), 45);
  EXPECT_FALSE(Db().InTransaction());
}

// A row whose FLAG changed since it was fetched is refused; MaxErrors decides
// whether the rest of the batch stands.
TEST_P(TProviderApplyTest, ChangedRowsAndMaxErrors) {
  struct TCase { const char* Name; int MaxErrors; int Conflicts; bool RestKept; };
  const TCase cases[] = {
      {"no error allowed", 0, 1, false},
      {"one allowed, one found", 1, 1, true},
      {"one allowed, two found", 1, 2, false},
      {"unlimited", -1, 2, true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    ResetFixture();
    auto docs = MakeDocs();
    auto fetched = Fetch(*docs);
    TDelta d;
    d.Fields = docs->FieldDefs();
    d.Rows = {Insert(d.Fields, {{"DOCNO", "D100"}, {"DOCDATE", "20240301"}}),
              Modify(fetched["D002"], d.Fields, {{"REMARK", "mine"}}), Delete(fetched["D003"]),
              Modify(fetched["D004"], d.Fields, {{"REMARK", "mine too"}})};
    SetFlagElsewhere("D002", 5);
    if (c.Conflicts > 1) SetFlagElsewhere("D004", 6);

    int errorCount = -1;
    const QList<TReconcileError> errors = docs->ApplyUpdates(d, c.MaxErrors, errorCount);
    ASSERT_EQ(errors.size(), c.Conflicts);
    EXPECT_EQ(errorCount, c.Conflicts);
    const TReconcileError& e = errors[0];
    EXPECT_EQ(e.RowIndex, 1);
    EXPECT_EQ(e.Kind, ukModify);
    EXPECT_EQ(e.Message, kChanged);
    EXPECT_EQ(e.ErrorCode, ReconcileRecordChanged);
    EXPECT_TRUE(e.Context.contains("DOCS") && e.Context.contains("D002")) << e.Context.toStdString();
    ASSERT_EQ(e.CurValues.size(), d.Fields.size());
    EXPECT_EQ(e.CurValues[docs->FieldIndex("DOCNO")], QVariant("D002"));
    EXPECT_EQ(e.CurValues[docs->FieldIndex("FLAG")], QVariant(5));
    EXPECT_EQ(e.CurValues[docs->FieldIndex("SUPPNAME")], QVariant("Second Supplier"));
    if (c.Conflicts > 1) {
      EXPECT_EQ(errors[1].RowIndex, 3);
    }

    EXPECT_EQ(Count("DOCS", "DOCNO = 'D100'"), c.RestKept ? 1 : 0);
    EXPECT_EQ(Count("DOCS", "DOCNO = 'D003'"), c.RestKept ? 0 : 1);
    EXPECT_EQ(DocValue("D002", "REMARK").toString(), QStringLiteral("remark 2"));  // never overwritten
    EXPECT_EQ(DocValue("D002", "FLAG").toInt(), 5);
    EXPECT_FALSE(Db().InTransaction());
  }
}

TEST_P(TProviderApplyTest, RowsDeletedByAnotherUserComeBackWithoutCurrentValues) {
  auto docs = MakeDocs();
  auto fetched = Fetch(*docs);
  OpenSecond()->ExecChange(QStringLiteral("DELETE FROM DOCS WHERE DOCNO IN (?, ?)"), {"D005", "D006"});
  TDelta d;
  d.Fields = docs->FieldDefs();
  d.Rows = {Modify(fetched["D005"], d.Fields, {{"REMARK", "late"}}), Delete(fetched["D006"]),
            Modify(fetched["D007"], d.Fields, {{"REMARK", "fine"}})};
  int errorCount = 0;
  const QList<TReconcileError> errors = docs->ApplyUpdates(d, -1, errorCount);
  ASSERT_EQ(errors.size(), 2);
  EXPECT_EQ(errors[1].Kind, ukDelete);
  for (const TReconcileError& e : errors) {
    EXPECT_EQ(e.Message, kChanged);
    EXPECT_TRUE(e.CurValues.isEmpty());
  }
  EXPECT_EQ(DocValue("D007", "REMARK").toString(), QStringLiteral("fine"));
}

// The database's own refusals, and the provider's checks of what the client
// sent, come back as reconcile errors with the message and a context; the
// good row of the same batch is applied.
TEST_P(TProviderApplyTest, DatabaseErrorsBecomeReconcileErrors) {
  struct TCase {
    const char* Name;
    std::function<TDeltaRow(const QList<TPacketFieldDef>&, QHash<QString, QVariantList>&)> Row;
    QStringList MessageParts;  // any one of them, in lower case
    const char* ContextPart;
    bool HasCurrentValues;
  };
  const TCase cases[] = {
      {"not null violated", [](auto& f, auto&) { return Insert(f, {{"DOCNO", "D101"}, {"DOCDATE", Null()}}); },
       {"null"}, "D101", false},
      {"duplicate key", [](auto& f, auto&) { return Insert(f, {{"DOCNO", "D001"}, {"DOCDATE", "20240301"}}); },
       {"unique", "duplicate"}, "D001", true},
      {"text too long", [](auto& f, auto&) { return Insert(f, {{"DOCNO", "D1234567890123"}, {"DOCDATE", "20240301"}}); },
       {"at most 12"}, "D1234567890123", false},
      {"text into an integer", [](auto& f, auto& rows) { return Modify(rows["D006"], f, {{"LINES", "many"}}); },
       {"lines"}, "D006", true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    ResetFixture();
    auto docs = MakeDocs();
    auto fetched = Fetch(*docs);
    TDelta d;
    d.Fields = docs->FieldDefs();
    d.Rows = {c.Row(d.Fields, fetched), Insert(d.Fields, {{"DOCNO", "D102"}, {"DOCDATE", "20240302"}})};
    int errorCount = 0;
    const QList<TReconcileError> errors = docs->ApplyUpdates(d, -1, errorCount);
    ASSERT_EQ(errors.size(), 1);
    const QString message = errors[0].Message.toLower();
    EXPECT_TRUE(std::any_of(c.MessageParts.begin(), c.MessageParts.end(),
                            [&](const QString& part) { return message.contains(part); }))
        << errors[0].Message.toStdString();
    EXPECT_TRUE(errors[0].Context.contains("DOCS") && errors[0].Context.contains(c.ContextPart))
        << errors[0].Context.toStdString();
    EXPECT_EQ(!errors[0].CurValues.isEmpty(), c.HasCurrentValues);
    EXPECT_EQ(Count("DOCS", "DOCNO = 'D102'"), 1);
    EXPECT_EQ(Count("DOCS"), 46);
  }
}

TEST_P(TProviderApplyTest, NestedDetailsApplyWithTheirMaster) {
  auto docs = MakeDocs(true);
  auto fetched = Fetch(*docs);
  TDelta d;
  d.Fields = docs->FieldDefs();
  const int linesField = docs->FieldIndex("DOCLINES");
  const QList<TPacketFieldDef>& lineFields = d.Fields[linesField].Children;
  const QVariantList d001Lines = fetched["D001"][linesField].toList();
  const QVariantList d002Lines = fetched["D002"][linesField].toList();

  TDeltaRow newDoc = Insert(d.Fields, {{"DOCNO", "D200"}, {"DOCDATE", "20240401"}});
  // The new lines name no document: they belong to their master.
  newDoc.Details = {{linesField, {Insert(lineFields, {{"LINENO", 1}, {"ITEM", "AXLE"}}),
                                  Insert(lineFields, {{"LINENO", 2}, {"ITEM", "HUB"}, {"QTY", 4}})}}};
  TDeltaRow changedLine = Modify(fetched["D001"], d.Fields, {});
  changedLine.Details = {{linesField, {Modify(d001Lines[0].toList(), lineFields, {{"QTY", 99}})}}};
  TDeltaRow removedDoc = Delete(fetched["D002"]);
  removedDoc.Details = {{linesField, {Delete(d002Lines[0].toList())}}};
  d.Rows = {newDoc, changedLine, removedDoc};

  int errorCount = -1;
  const QList<TReconcileError> errors = docs->ApplyUpdates(d, 0, errorCount);
  EXPECT_TRUE(errors.isEmpty()) << (errors.isEmpty() ? "" : errors[0].Message.toStdString());
  EXPECT_EQ(Count("DOCLINES", "DOCNO = 'D200'"), 2);
  EXPECT_EQ(Scalar("SELECT ITEM FROM DOCLINES WHERE DOCNO = 'D200' AND LINENO = 2").toString(), QStringLiteral("HUB"));
  EXPECT_DOUBLE_EQ(Scalar("SELECT QTY FROM DOCLINES WHERE DOCNO = 'D001' AND LINENO = 1").toDouble(), 99);
  EXPECT_DOUBLE_EQ(Scalar("SELECT QTY FROM DOCLINES WHERE DOCNO = 'D001' AND LINENO = 2").toDouble(), 20);
  EXPECT_EQ(Count("DOCS", "DOCNO = 'D002'"), 0);
  EXPECT_EQ(Count("DOCLINES", "DOCNO = 'D002'"), 0);
  // What was applied reads back through the provider.
  const TDataPacket p = docs->GetRecords(-1, poRestart);
  const auto d200 = std::find_if(p.Rows.begin(), p.Rows.end(), [](const QVariantList& r) { return r[0] == "D200"; });
  ASSERT_NE(d200, p.Rows.end());
  EXPECT_EQ((*d200)[linesField].toList().size(), 2);
}

// A master and its details stand or fall together.
TEST_P(TProviderApplyTest, AFailingDetailTakesItsMasterWithIt) {
  auto docs = MakeDocs(true);
  auto fetched = Fetch(*docs);
  TDelta d;
  d.Fields = docs->FieldDefs();
  const int linesField = docs->FieldIndex("DOCLINES");
  const QList<TPacketFieldDef>& lineFields = d.Fields[linesField].Children;

  TDeltaRow newDoc = Insert(d.Fields, {{"DOCNO", "D201"}, {"DOCDATE", "20240401"}});
  newDoc.Details = {{linesField, {Insert(lineFields, {{"LINENO", 1}, {"ITEM", "A"}}),
                                  Insert(lineFields, {{"LINENO", 1}, {"ITEM", "B"}})}}};
  // Someone changed the line of D002 meanwhile: the document is not deleted.
  OpenSecond()->ExecChange(QStringLiteral("UPDATE DOCLINES SET FLAG = 9 WHERE DOCNO = 'D002'"));
  TDeltaRow removedDoc = Delete(fetched["D002"]);
  removedDoc.Details = {{linesField, {Delete(fetched["D002"][linesField].toList()[0].toList())}}};
  d.Rows = {newDoc, removedDoc, Insert(d.Fields, {{"DOCNO", "D202"}, {"DOCDATE", "20240402"}})};

  int errorCount = 0;
  const QList<TReconcileError> errors = docs->ApplyUpdates(d, -1, errorCount);
  ASSERT_EQ(errors.size(), 2);
  EXPECT_EQ(errors[0].RowIndex, 0);
  EXPECT_TRUE(errors[0].Context.contains("DOCLINES")) << errors[0].Context.toStdString();
  EXPECT_TRUE(errors[0].CurValues.isEmpty());  // the detail failed, not the row
  EXPECT_EQ(errors[1].RowIndex, 1);
  EXPECT_EQ(errors[1].Message, kChanged);
  EXPECT_EQ(Count("DOCS", "DOCNO = 'D201'"), 0);
  EXPECT_EQ(Count("DOCLINES", "DOCNO = 'D201'"), 0);
  EXPECT_EQ(Count("DOCS", "DOCNO = 'D002'"), 1);
  EXPECT_EQ(Count("DOCLINES", "DOCNO = 'D002'"), 1);
  EXPECT_EQ(Count("DOCS", "DOCNO = 'D202'"), 1);
}

// Without FLAG only the key guards an update; the guard set can be widened.
TEST_P(TProviderApplyTest, UpdateWhereFieldsGuardUpdates) {
  struct TCase { const char* Name; std::optional<QStringList> UpdateWhere; bool Refused; };
  const TCase cases[] = {{"key only", std::nullopt, false}, {"key and name", QStringList{"NAME"}, true}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    ResetFixture();
    TProviderDef def;
    def.Table = "SUPP";
    def.UpdateWhere = c.UpdateWhere;
    TProvider supp("pvdSupp", Db(), def);
    auto fetched = Fetch(supp);
    OpenSecond()->ExecChange(QStringLiteral("UPDATE SUPP SET NAME = 'Renamed' WHERE CODE = 'S2'"));
    TDelta d;
    d.Fields = supp.FieldDefs();
    d.Rows = {Modify(fetched["S2"], d.Fields, {{"NAME", "Mine"}})};
    int errorCount = 0;
    EXPECT_EQ(supp.ApplyUpdates(d, 0, errorCount).size(), c.Refused ? 1 : 0);
    EXPECT_EQ(Scalar("SELECT NAME FROM SUPP WHERE CODE = 'S2'").toString(), c.Refused ? "Renamed" : "Mine");
  }
}

TEST_P(TProviderApplyTest, RowHookRefusesARowOrAbandonsTheBatch) {
  TGuardedDocs docs("pvdDocs", Db(), DocsDef());
  auto fetched = Fetch(docs);
  TDelta d;
  d.Fields = docs.FieldDefs();
  d.Rows = {Modify(fetched["D010"], d.Fields, {{"QTY", 5000}}), Modify(fetched["D011"], d.Fields, {{"QTY", 50}})};
  int errorCount = 0;
  QList<TReconcileError> errors = docs.ApplyUpdates(d, -1, errorCount);
  ASSERT_EQ(errors.size(), 1);
  EXPECT_EQ(errors[0].Message, QStringLiteral("A quantity above 1000 needs approval"));
  EXPECT_DOUBLE_EQ(DocValue("D011", "QTY").toDouble(), 50);
  EXPECT_DOUBLE_EQ(DocValue("D010", "QTY").toDouble(), 15);

  // The connection is lost at the third row: nothing of the batch is kept.
  TGuardedDocs lost("pvdDocs", Db(), DocsDef());
  lost.LoseConnectionAtRow = 2;
  d.Rows = {Insert(d.Fields, {{"DOCNO", "D300"}, {"DOCDATE", "20240501"}}), Delete(fetched["D012"]),
            Modify(fetched["D013"], d.Fields, {{"QTY", 1}})};
  EXPECT_THROW(lost.ApplyUpdates(d, -1, errorCount), ESocketConnectionError);
  EXPECT_FALSE(Db().InTransaction());
  EXPECT_EQ(Count("DOCS", "DOCNO = 'D300'"), 0);
  EXPECT_EQ(Count("DOCS", "DOCNO = 'D012'"), 1);
  // The connection is usable again afterwards.
  d.Rows = {Delete(fetched["D012"])};
  EXPECT_TRUE(docs.ApplyUpdates(d, 0, errorCount).isEmpty());
  EXPECT_EQ(Count("DOCS", "DOCNO = 'D012'"), 0);
}

TEST_P(TProviderApplyTest, MalformedBatchesAreRefusedBeforeAnythingIsWritten) {
  auto docs = MakeDocs(true);
  auto fetched = Fetch(*docs);
  const QList<TPacketFieldDef> fields = docs->FieldDefs();
  TPacketFieldDef unknown;
  unknown.Name = "NOPE";
  unknown.DataType = ftInteger;
  struct TCase { const char* Name; TDelta Delta; const char* MessagePart; };
  TDeltaRow shortRow = Delete(fetched["D001"]);
  shortRow.OldValues.removeLast();
  TDeltaRow badDetail = Delete(fetched["D001"]);
  badDetail.Details = {{0, {}}};
  TDeltaRow noKey = Delete(fetched["D001"]);
  noKey.OldValues[0] = QVariant();
  const TCase cases[] = {
      {"unknown field", TDelta{{unknown}, {}}, "not one of the provider"},
      {"row too short", TDelta{fields, {Insert(fields, {{"DOCNO", "D400"}, {"DOCDATE", "20240101"}}), shortRow}}, "do not match"},
      {"detail on a plain field", TDelta{fields, {badDetail}}, "not a dataset field"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    int errorCount = 0;
    try {
      docs->ApplyUpdates(c.Delta, -1, errorCount);
      ADD_FAILURE() << "accepted";
    } catch (const EDatabaseError& e) {
      EXPECT_TRUE(e.Message().contains(c.MessagePart)) << e.what();
    }
  }
  EXPECT_EQ(Count("DOCS"), 45);
  // A row without its key is that row's error, not a guess at which row was meant.
  int errorCount = 0;
  const QList<TReconcileError> errors = docs->ApplyUpdates(TDelta{fields, {noKey}}, -1, errorCount);
  ASSERT_EQ(errors.size(), 1);
  EXPECT_TRUE(errors[0].Message.contains("key field DOCNO")) << errors[0].Message.toStdString();
  EXPECT_EQ(Count("DOCS"), 45);
}

INSTANTIATE_TEST_SUITE_P(Backends, TProviderApplyTest, ::testing::Values(bkSqlite, bkPostgres),
                         TDbFixture::BackendName);
