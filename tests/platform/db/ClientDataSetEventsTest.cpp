// Dataset events in the component library's order, navigation flags,
// browse-mode checks, and notifications of data sources while controls are
// disabled.
#include <gtest/gtest.h>

#include "ClientDataSetFixture.h"
#include "platform/os/Exceptions.h"

namespace vantor::test {
namespace {

class ClientDataSetEventsTest : public TItemsTest {
protected:
  void SetUp() override {
    server->AddProvider(QStringLiteral("pvdItems"), ItemsTable(5));
    cds = std::make_unique<TClientDataSet>();
    cds->SetAppServer(AppServerVariant(server));
    cds->SetProviderName(QStringLiteral("pvdItems"));
    events.Attach(cds.get());
  }
  TEventRecorder events;
};

TEST_F(ClientDataSetEventsTest, FireInTheComponentLibrarysOrder) {
  struct TStep {
    const char* What;
    std::function<void(TClientDataSet*)> Run;
    QStringList Expected;
  };
  const TStep steps[] = {
      {"open", [](TClientDataSet* d) { d->Open(); }, {"BeforeOpen", "AfterOpen", "AfterScroll"}},
      {"next", [](TClientDataSet* d) { d->Next(); }, {"BeforeScroll", "AfterScroll"}},
      {"edit", [](TClientDataSet* d) { d->Edit(); }, {"BeforeEdit", "AfterEdit"}},
      {"post",
       [](TClientDataSet* d) {
         d->FieldByName(QStringLiteral("NAME"))->SetAsString(QStringLiteral("x"));
         d->Post();
       },
       {"BeforePost", "AfterPost"}},
      {"append", [](TClientDataSet* d) { d->Append(); },
       {"BeforeInsert", "BeforeScroll", "OnNewRecord", "AfterInsert", "AfterScroll"}},
      {"cancel", [](TClientDataSet* d) { d->Cancel(); }, {"BeforeCancel", "AfterCancel"}},
      {"insert", [](TClientDataSet* d) { d->Insert(); },
       {"BeforeInsert", "BeforeScroll", "OnNewRecord", "AfterInsert", "AfterScroll"}},
      {"post insert",
       [](TClientDataSet* d) {
         d->FieldByName(QStringLiteral("ID"))->SetAsInteger(99);
         d->Post();
       },
       {"BeforePost", "AfterPost"}},
      {"delete", [](TClientDataSet* d) { d->Delete(); },
       {"BeforeDelete", "BeforeScroll", "AfterDelete", "AfterScroll"}},
      {"first", [](TClientDataSet* d) { d->First(); }, {"BeforeScroll", "AfterScroll"}},
      {"last", [](TClientDataSet* d) { d->Last(); }, {"BeforeScroll", "AfterScroll"}},
      {"next at the end", [](TClientDataSet* d) { d->Next(); }, {"BeforeScroll"}},
      {"edit, then scroll posts",
       [](TClientDataSet* d) {
         d->Edit();
         d->FieldByName(QStringLiteral("NAME"))->SetAsString(QStringLiteral("y"));
         d->Prior();
       },
       {"BeforeEdit", "AfterEdit", "BeforePost", "AfterPost", "BeforeScroll", "AfterScroll"}},
      {"close", [](TClientDataSet* d) { d->Close(); }, {"BeforeClose", "AfterClose"}},
  };
  for (const TStep& s : steps) {
    s.Run(cds.get());
    EXPECT_EQ(events.Take(), s.Expected) << s.What;
  }
}

TEST_F(ClientDataSetEventsTest, ARefusingBeforePostKeepsTheRecordInEditState) {
  cds->Open();
  cds->BeforePost.Set(QStringLiteral("Refuse"), [this](TDataSet*) {
    events.Events << QStringLiteral("BeforePost");
    Abort();
  });
  cds->Edit();
  F("NAME")->SetAsString(QStringLiteral("held"));
  events.Take();
  EXPECT_THROW(cds->Post(), EAbort);
  EXPECT_EQ(events.Take(), QStringList{"BeforePost"});
  EXPECT_EQ(cds->State(), dsEdit);
  EXPECT_EQ(F("NAME")->AsString(), QStringLiteral("held"));
  EXPECT_EQ(cds->ChangeCount(), 0);
}

TEST_F(ClientDataSetEventsTest, NewRecordDefaultsDoNotCountAsModified) {
  cds->Open();
  cds->OnNewRecord.Set(QStringLiteral("NewRecord"), [](TDataSet* d) {
    EXPECT_EQ(d->State(), dsInsert);
    d->FieldByName(QStringLiteral("FLAG"))->SetAsInteger(-1);
  });
  cds->Append();
  EXPECT_EQ(F("FLAG")->AsInteger(), -1);
  EXPECT_FALSE(cds->Modified());
  cds->First();  // nothing typed: the new record is given up
  EXPECT_EQ(cds->RecordCount(), 5);
  cds->Append();
  F("ID")->SetAsInteger(6);
  cds->First();  // typed: posted
  EXPECT_EQ(cds->RecordCount(), 6);
}

TEST_F(ClientDataSetEventsTest, EditOnAnEmptyDatasetInserts) {
  server->Table(QStringLiteral("pvdItems")).Rows.clear();
  cds->Open();
  EXPECT_TRUE(cds->IsEmpty());
  EXPECT_TRUE(cds->Bof());
  EXPECT_TRUE(cds->Eof());
  cds->Edit();
  EXPECT_EQ(cds->State(), dsInsert);
}

TEST_F(ClientDataSetEventsTest, NavigationFlagsAndPositions) {
  cds->Open();
  EXPECT_TRUE(cds->Bof());
  EXPECT_FALSE(cds->Eof());
  EXPECT_EQ(cds->RecNo(), 1);
  EXPECT_EQ(cds->MoveBy(3), 3);
  EXPECT_EQ(cds->RecNo(), 4);
  EXPECT_EQ(cds->MoveBy(10), 1);
  EXPECT_TRUE(cds->Eof());
  EXPECT_EQ(cds->MoveBy(1), 0);
  EXPECT_EQ(cds->MoveBy(-10), -4);
  EXPECT_TRUE(cds->Bof());
  cds->SetRecNo(3);
  EXPECT_EQ(F("ID")->AsInteger(), 3);
  // Walking backwards until Bof visits every record once.
  cds->Last();
  QList<int> seen;
  while (!cds->Bof()) {
    seen << F("ID")->AsInteger();
    cds->Prior();
  }
  EXPECT_EQ(seen, (QList<int>{5, 4, 3, 2, 1}));
}

TEST_F(ClientDataSetEventsTest, DeletingEverythingFromTheEndEndsAtBof) {
  cds->Open();
  cds->Last();
  int deleted = 0;
  while (!cds->Bof()) {
    cds->Delete();
    ++deleted;
    cds->Last();
  }
  EXPECT_EQ(deleted, 5);
  EXPECT_TRUE(cds->IsEmpty());
  EXPECT_EQ(cds->ChangeCount(), 5);
}

TEST_F(ClientDataSetEventsTest, DisabledControlsHearNothingUntilTheOutermostEnable) {
  cds->Open();
  TDataSource source;
  source.SetDataSet(cds.get());
  int dataChanges = 0, stateChanges = 0;
  source.OnDataChange.Set(QStringLiteral("DataChange"), [&](TField*) { ++dataChanges; });
  source.OnStateChange.Set(QStringLiteral("StateChange"), [&](TDataSource*) { ++stateChanges; });
  cds->DisableControls();
  cds->DisableControls();
  cds->Next();
  cds->Edit();
  F("NAME")->SetAsString(QStringLiteral("quiet"));
  cds->EnableControls();
  EXPECT_TRUE(cds->ControlsDisabled());
  EXPECT_EQ(dataChanges, 0);
  EXPECT_EQ(stateChanges, 0);
  cds->EnableControls();
  EXPECT_FALSE(cds->ControlsDisabled());
  EXPECT_EQ(stateChanges, 1);  // browse → edit, told once
  EXPECT_EQ(dataChanges, 1);   // one data-set-changed notification
  cds->Post();
  EXPECT_EQ(stateChanges, 2);
}

TEST_F(ClientDataSetEventsTest, DatasetEventsAreSuspendedAndRestoredByName) {
  cds->Open();
  const QStringList names{"BeforeScroll", "AfterScroll", "BeforeEdit", "AfterEdit", "BeforePost", "AfterPost"};
  QList<TEventHandler> saved;
  for (const QString& n : names) {
    TEventBase* e = cds->GetEvent(n.toLower());
    ASSERT_NE(e, nullptr) << n.toStdString();
    saved << e->Save();
    e->Clear();
  }
  events.Take();
  cds->Next();
  cds->Edit();
  cds->Post();
  EXPECT_TRUE(events.Take().isEmpty());
  for (int i = 0; i < names.size(); ++i) cds->GetEvent(names.at(i))->Restore(saved.at(i));
  EXPECT_EQ(cds->AfterScroll.Name(), QStringLiteral("RecordAfterScroll"));
  cds->Next();
  EXPECT_EQ(events.Take(), (QStringList{"BeforeScroll", "AfterScroll"}));
}

TEST_F(ClientDataSetEventsTest, FieldNotFoundNamesTheField) {
  cds->setObjectName(QStringLiteral("cdsMain"));
  cds->Open();
  EXPECT_EQ(cds->FindField(QStringLiteral("nope")), nullptr);
  EXPECT_EQ(cds->FindField(QStringLiteral("name")), F("NAME"));
  try {
    cds->FieldByName(QStringLiteral("TJ999"));
    ADD_FAILURE();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), QStringLiteral("cdsMain: Field 'TJ999' not found"));
  }
}

}  // namespace
}  // namespace vantor::test
