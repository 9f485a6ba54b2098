// The road of an assignment (OnSetText → OnValidate seeing the new value →
// store → OnChange → data source), refusals on the way, required fields,
// calculated fields, field order and named field events.
#include <gtest/gtest.h>

#include "ClientDataSetFixture.h"
#include "platform/os/Exceptions.h"

namespace vantor::test {
namespace {

class FieldValidationTest : public TItemsTest {
protected:
  void SetUp() override {
    OpenItems(3);
    source.SetDataSet(cds.get());
    source.OnDataChange.Set(QStringLiteral("DataChange"), [this](TField* f) {
      if (f) log << QStringLiteral("DataChange:") + f->FieldName();
    });
  }
  TDataSource source;
  QStringList log;
};

TEST_F(FieldValidationTest, AssignmentRunsSetTextValidateStoreChangeThenNotifies) {
  TField* name = F("NAME");
  name->OnSetText.Set(QStringLiteral("NameSetText"), [this](TField* f, const QString& text) {
    log << QStringLiteral("SetText:") + text;
    f->SetAsString(text.toUpper());
  });
  name->OnValidate.Set(QStringLiteral("NameValidate"), [this](TField* f) {
    // The field already reads the new value; the record still holds the old.
    log << QStringLiteral("Validate:") + f->AsString();
    log << QStringLiteral("CodeSeen:") + f->DataSet()->FieldByName(QStringLiteral("CODE"))->AsString();
  });
  name->OnChange.Set(QStringLiteral("NameChange"), [this](TField* f) { log << QStringLiteral("Change:") + f->AsString(); });
  cds->Edit();
  name->SetText(QStringLiteral("abc"));
  EXPECT_EQ(log, (QStringList{"SetText:abc", "Validate:ABC", "CodeSeen:C0001", "Change:ABC", "DataChange:NAME"}));
  EXPECT_EQ(name->AsString(), QStringLiteral("ABC"));
}

TEST_F(FieldValidationTest, AnExceptionInOnValidateKeepsTheOldValueAndStopsTheRoad) {
  TField* qty = F("QTY");
  qty->OnValidate.Set(QStringLiteral("QtyValidate"), [](TField* f) {
    if (f->AsFloat() > 100) Abort();
  });
  qty->OnChange.Set(QStringLiteral("QtyChange"), [this](TField*) { log << QStringLiteral("Change"); });
  cds->Edit();
  EXPECT_THROW(qty->SetAsFloat(150), EAbort);
  EXPECT_DOUBLE_EQ(qty->AsFloat(), 1.5);
  EXPECT_TRUE(log.isEmpty());
  EXPECT_FALSE(cds->Modified());
  qty->SetAsFloat(99);
  EXPECT_DOUBLE_EQ(qty->AsFloat(), 99);
  EXPECT_EQ(log, (QStringList{"Change", "DataChange:QTY"}));
}

TEST_F(FieldValidationTest, ValidateHandlersMayAssignOtherFieldsWhoseHandlersRunToo) {
  // A chain as in a source-document key: a new CODE empties NAME, whose own
  // rule then resets QTY.
  F("CODE")->OnValidate.Set(QStringLiteral("CodeValidate"), [](TField* f) {
    f->DataSet()->FieldByName(QStringLiteral("NAME"))->SetAsString(QString());
  });
  F("NAME")->OnValidate.Set(QStringLiteral("NameValidate"), [](TField* f) {
    if (f->AsString().isEmpty()) f->DataSet()->FieldByName(QStringLiteral("QTY"))->SetAsFloat(0);
  });
  cds->Edit();
  F("CODE")->SetText(QStringLiteral("NEW"));
  EXPECT_EQ(F("CODE")->AsString(), QStringLiteral("NEW"));
  EXPECT_EQ(F("NAME")->AsString(), QString());
  EXPECT_DOUBLE_EQ(F("QTY")->AsFloat(), 0);
}

TEST_F(FieldValidationTest, RequiredFieldsAreCheckedAfterBeforePost) {
  F("NAME")->SetRequired(true);
  cds->BeforePost.Set(QStringLiteral("CheckRequired"), [this](TDataSet*) { log << QStringLiteral("BeforePost"); });
  cds->Append();
  F("ID")->SetAsInteger(10);
  log.clear();
  try {
    cds->Post();
    ADD_FAILURE() << "posted without NAME";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), QStringLiteral("Field 'NAME' must have a value"));
  }
  EXPECT_EQ(log, QStringList{"BeforePost"});
  EXPECT_EQ(cds->State(), dsInsert);
  F("NAME")->SetAsString(QStringLiteral("named"));
  cds->Post();
  EXPECT_EQ(cds->RecordCount(), 4);
}

TEST_F(FieldValidationTest, FieldEventsAreSavedClearedAndRestoredByName) {
  int calls = 0;
  F("NAME")->OnValidate.Set(QStringLiteral("cdsMainNAMEValidate"), [&](TField*) { ++calls; });
  TEventBase* slot = F("NAME")->GetEvent(QStringLiteral("onvalidate"));
  ASSERT_NE(slot, nullptr);
  const TEventHandler saved = slot->Save();
  EXPECT_EQ(saved.Name, QStringLiteral("cdsMainNAMEValidate"));
  slot->Clear();
  cds->Edit();
  F("NAME")->SetAsString(QStringLiteral("a"));
  EXPECT_EQ(calls, 0);
  slot->Restore(saved);
  EXPECT_EQ(F("NAME")->OnValidate.Name(), QStringLiteral("cdsMainNAMEValidate"));
  F("NAME")->SetAsString(QStringLiteral("b"));
  EXPECT_EQ(calls, 1);
  // A dataset handler does not fit a field event.
  cds->AfterPost.Set(QStringLiteral("AfterPostHandler"), [](TDataSet*) {});
  EXPECT_THROW(slot->Restore(cds->GetEvent(QStringLiteral("AfterPost"))->Save()), EInvalidOperation);
}

TEST_F(FieldValidationTest, SettingIndexReordersTheFields) {
  EXPECT_EQ(F("QTY")->Index(), 3);
  F("QTY")->SetIndex(0);
  EXPECT_EQ(cds->Fields().at(0)->FieldName(), QStringLiteral("QTY"));
  EXPECT_EQ(F("ID")->Index(), 1);
  EXPECT_EQ(F("QTY")->property("Index").toInt(), 0);
  F("QTY")->setProperty("Index", 5);
  EXPECT_EQ(cds->Fields().last()->FieldName(), QStringLiteral("QTY"));
}

TEST_F(FieldValidationTest, PublishedPropertiesAreReachedByName) {
  TField* name = F("NAME");
  EXPECT_TRUE(name->setProperty("DisplayLabel", QStringLiteral("名称")));
  EXPECT_TRUE(name->setProperty("Visible", false));
  EXPECT_TRUE(name->setProperty("DisplayWidth", 30));
  EXPECT_EQ(name->DisplayLabel(), QStringLiteral("名称"));
  EXPECT_FALSE(name->Visible());
  EXPECT_EQ(name->DisplayWidth(), 30);
  EXPECT_EQ(name->property("Size").toInt(), 20);
  EXPECT_EQ(name->property("DataType").toInt(), int(ftString));
  EXPECT_TRUE(cds->setProperty("IndexFieldNames", QStringLiteral("NAME")));
  EXPECT_EQ(cds->IndexFieldNames(), QStringLiteral("NAME"));
}

TEST(CalculatedFields, AreComputedPerRecordInTheCalcFieldsState) {
  TClientDataSet ds;
  ds.FieldDefs().Add(QStringLiteral("A"), ftInteger);
  ds.FieldDefs().Add(QStringLiteral("B"), ftInteger);
  ds.CreateField(ftInteger, QStringLiteral("A"));
  ds.CreateField(ftInteger, QStringLiteral("B"));
  TField* sum = ds.CreateField(ftInteger, QStringLiteral("SUM"), 0, fkCalculated);
  TField* mark = ds.CreateField(ftString, QStringLiteral("MultiSelected"), 1, fkInternalCalc);
  QList<TDataSetState> states;
  ds.OnCalcFields.Set(QStringLiteral("CalcFields"), [&](TDataSet* d) {
    states << d->State();
    d->FieldByName(QStringLiteral("SUM"))->SetAsInteger(d->FieldByName(QStringLiteral("A"))->AsInteger() +
                                                        d->FieldByName(QStringLiteral("B"))->AsInteger());
  });
  ds.CreateDataSet();
  ds.AppendRecord({1, 2});
  ds.AppendRecord({10, 20});
  EXPECT_EQ(sum->AsInteger(), 30);
  ds.First();
  EXPECT_EQ(sum->AsInteger(), 3);
  {
    TDataSet::TReadScope row(&ds, 1);
    EXPECT_EQ(sum->AsInteger(), 30);
  }
  ds.Edit();
  ds.FieldByName(QStringLiteral("A"))->SetAsInteger(5);
  EXPECT_EQ(sum->AsInteger(), 7);  // recomputed as the data changes
  EXPECT_THROW(sum->SetAsInteger(1), EDatabaseError);
  mark->SetAsString(QStringLiteral("Y"));
  ds.Post();
  EXPECT_EQ(mark->AsString(), QStringLiteral("Y"));
  ASSERT_FALSE(states.isEmpty());
  for (TDataSetState s : states) EXPECT_EQ(s, dsCalcFields);
}

}  // namespace
}  // namespace vantor::test
