// Packets: PacketRecords, fetching on demand and by GetNextPacket, the
// fetch-on-scroll pattern of the entry forms, and data requests.
#include <gtest/gtest.h>

#include "ClientDataSetFixture.h"
#include "platform/os/Exceptions.h"

namespace vantor::test {
namespace {

class ClientDataSetPacketTest : public TItemsTest {};

TEST_F(ClientDataSetPacketTest, OpenFetchesOnePacketAndNextFetchesMoreOnDemand) {
  OpenItems(50, 20, true);
  EXPECT_EQ(cds->RecordCount(), 20);
  EXPECT_EQ(server->GetRecordsCalls, 1);
  EXPECT_FALSE(cds->AllRowsFetched());
  for (int i = 0; i < 20; ++i) cds->Next();
  EXPECT_EQ(cds->RecordCount(), 40);
  EXPECT_EQ(F("ID")->AsInteger(), 21);
  EXPECT_FALSE(cds->Eof());
  cds->Last();
  EXPECT_EQ(cds->RecordCount(), 50);
  EXPECT_EQ(F("ID")->AsInteger(), 50);
  EXPECT_EQ(server->RequestedCounts, (QList<int>{20, 20, -1}));
  EXPECT_TRUE(cds->AllRowsFetched());
}

TEST_F(ClientDataSetPacketTest, WithoutFetchOnDemandOnlyGetNextPacketFetches) {
  OpenItems(50, 20, false);
  cds->Last();
  EXPECT_EQ(cds->RecordCount(), 20);
  cds->Next();
  EXPECT_TRUE(cds->Eof());
  EXPECT_EQ(server->GetRecordsCalls, 1);
  EXPECT_EQ(cds->GetNextPacket(), 20);
  EXPECT_EQ(cds->GetNextPacket(), 10);
  EXPECT_EQ(cds->GetNextPacket(), 0);
  EXPECT_EQ(cds->RecordCount(), 50);
  EXPECT_EQ(F("ID")->AsInteger(), 20);  // the cursor stays where it was
}

TEST_F(ClientDataSetPacketTest, BeforeScrollAtEofFetchesTheNextPacketAndTheScrollGoesOn) {
  OpenItems(30, 20, false);
  TDataSource source;
  source.SetDataSet(cds.get());
  // The entry forms' fetch-on-scroll rule.
  cds->BeforeScroll.Set(QStringLiteral("cdsMainBeforeScroll"), [](TDataSet* d) {
    if (d->Eof() && d->State() == dsBrowse) {
      d->DisableControls();
      static_cast<TClientDataSet*>(d)->GetNextPacket();
      d->EnableControls();
    }
  });
  cds->SetRecNo(19);
  cds->Next();  // onto the last fetched row
  EXPECT_EQ(F("ID")->AsInteger(), 20);
  EXPECT_FALSE(cds->Eof());
  cds->Next();  // reaches the end of what was fetched
  EXPECT_TRUE(cds->Eof());
  EXPECT_EQ(cds->RecordCount(), 20);
  cds->Next();  // fetches, then moves on
  EXPECT_EQ(cds->RecordCount(), 30);
  EXPECT_EQ(F("ID")->AsInteger(), 21);
  EXPECT_FALSE(cds->Eof());
}

TEST_F(ClientDataSetPacketTest, FetchedRowsJoinAnActiveIndexInOrder) {
  OpenItems(45, 20, false);
  cds->IndexDefs().Add(QStringLiteral("byIdDesc"), QStringLiteral("ID"), ixDescending);
  cds->SetIndexName(QStringLiteral("byIdDesc"));
  while (cds->GetNextPacket() > 0) {
  }
  const QList<int> ids = Ids();
  ASSERT_EQ(ids.size(), 45);
  for (int i = 0; i < ids.size(); ++i) EXPECT_EQ(ids.at(i), 45 - i);
}

TEST_F(ClientDataSetPacketTest, DataRequestCarriesTheConditionBeforeEachOpen) {
  server->AddProvider(QStringLiteral("pvdItems"), ItemsTable(10));
  TClientDataSet ds;
  ds.SetAppServer(AppServerVariant(server));
  ds.SetProviderName(QStringLiteral("pvdItems"));
  EXPECT_EQ(ds.DataRequest(QVariantList{QStringLiteral("CODE=C0003"), QString()}), QVariant(QStringLiteral("ok")));
  ds.Open();
  EXPECT_EQ(ds.RecordCount(), 1);
  EXPECT_EQ(server->Requests.size(), 1);  // sent once: by DataRequest itself
  ds.Close();
  ds.Open();                               // a reopen repeats the last request
  EXPECT_EQ(server->Requests.size(), 2);
  EXPECT_EQ(ds.RecordCount(), 1);
  ds.Close();
  ds.DataRequest(QVariantList{QStringLiteral("1=2"), QStringLiteral("ID")});
  ds.Open();
  EXPECT_TRUE(ds.IsEmpty());
  EXPECT_EQ(server->Requests.last().toList().value(1).toString(), QStringLiteral("ID"));
}

TEST_F(ClientDataSetPacketTest, ARequestWaitsForTheServerWhenNoneIsSetYet) {
  server->AddProvider(QStringLiteral("pvdItems"), ItemsTable(10));
  TClientDataSet ds;
  ds.SetProviderName(QStringLiteral("pvdItems"));
  EXPECT_FALSE(ds.DataRequest(QVariantList{QStringLiteral("ID=4"), QString()}).isValid());
  ds.SetAppServer(AppServerVariant(server));
  ds.Open();
  EXPECT_EQ(ds.RecordCount(), 1);
  EXPECT_EQ(ds.FieldByName(QStringLiteral("ID"))->AsInteger(), 4);
}

TEST_F(ClientDataSetPacketTest, OpeningWithoutProviderSaysWhatIsMissing) {
  TClientDataSet ds;
  ds.setObjectName(QStringLiteral("cdsMain"));
  try {
    ds.Open();
    ADD_FAILURE();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), QStringLiteral("cdsMain: Missing data provider or data packet"));
  }
  EXPECT_FALSE(ds.Active());
}

TEST_F(ClientDataSetPacketTest, ConnectionObjectsProvideTheServerThroughAppServer) {
  server->AddProvider(QStringLiteral("pvdItems"), ItemsTable(3));
  QObject connection;
  connection.setProperty("AppServer", AppServerVariant(server));
  TClientDataSet ds;
  ds.SetRemoteServer(&connection);
  ds.SetProviderName(QStringLiteral("pvdItems"));
  ds.Open();
  EXPECT_EQ(ds.RecordCount(), 3);
}

TEST_F(ClientDataSetPacketTest, PersistentFieldsBindByNameAndUnknownOnesAreReported) {
  server->AddProvider(QStringLiteral("pvdItems"), ItemsTable(3));
  TClientDataSet ds;
  ds.SetAppServer(AppServerVariant(server));
  ds.SetProviderName(QStringLiteral("pvdItems"));
  TField* code = ds.CreateField(ftString, QStringLiteral("CODE"), 10);
  TField* flag = ds.CreateField(ftFloat, QStringLiteral("FLAG"));  // a number column read as float
  ds.Open();
  EXPECT_EQ(ds.FieldCount(), 2);
  EXPECT_EQ(code->AsString(), QStringLiteral("C0001"));
  EXPECT_DOUBLE_EQ(flag->AsFloat(), 0);
  ds.Close();
  ds.CreateField(ftString, QStringLiteral("TJ999"), 10);
  EXPECT_THROW(ds.Open(), EDatabaseError);
  EXPECT_FALSE(ds.Active());
}

}  // namespace
}  // namespace vantor::test
