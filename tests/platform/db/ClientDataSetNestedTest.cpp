// Nested detail datasets: they follow the master's current row, their
// changes are part of the master's change log, and they are applied with
// the master.
#include <gtest/gtest.h>

#include "ClientDataSetFixture.h"
#include "platform/os/Exceptions.h"

namespace vantor::test {
namespace {

class ClientDataSetNestedTest : public ::testing::Test {
protected:
  void SetUp() override {
    server->AddProvider(QStringLiteral("pvdOrders"), OrdersTable(3, 2));
    master.setObjectName(QStringLiteral("cdsMain"));
    master.SetAppServer(AppServerVariant(server));
    master.SetProviderName(QStringLiteral("pvdOrders"));
    master.Open();
    auto* lines = qobject_cast<TDataSetField*>(master.FieldByName(QStringLiteral("LINES")));
    ASSERT_NE(lines, nullptr);
    detail.setObjectName(QStringLiteral("cdsBody1"));
    detail.SetDataSetField(lines);
    detail.Open();
  }
  QStringList Items() {
    QStringList items;
    for (int r = 0; r < detail.RecordCount(); ++r) {
      TDataSet::TReadScope scope(&detail, r);
      items << detail.FieldByName(QStringLiteral("ITEM"))->AsString();
    }
    return items;
  }
  QStringList ServerItems(int order) {
    QStringList items;
    for (const QVariantList& row : server->Table(QStringLiteral("pvdOrders")).Rows)
      if (row.value(0).toInt() == order)
        for (const QVariant& line : row.value(2).toList()) items << line.toList().value(1).toString();
    return items;
  }

  QSharedPointer<TMemoryAppServer> server{new TMemoryAppServer};
  TClientDataSet master;
  TClientDataSet detail;
};

TEST_F(ClientDataSetNestedTest, TheDetailShowsTheLinesOfTheCurrentMaster) {
  EXPECT_EQ(Items(), (QStringList{"I1-1", "I1-2"}));
  EXPECT_EQ(static_cast<TDataSetField*>(master.FieldByName(QStringLiteral("LINES")))->NestedDataSet(), &detail);
  master.Next();
  EXPECT_EQ(Items(), (QStringList{"I2-1", "I2-2"}));
  EXPECT_EQ(detail.RecNo(), 1);
  master.Last();
  EXPECT_EQ(Items(), (QStringList{"I3-1", "I3-2"}));
}

TEST_F(ClientDataSetNestedTest, DetailChangesApplyWithTheMaster) {
  master.Next();  // order 2
  detail.Edit();
  detail.FieldByName(QStringLiteral("ITEM"))->SetAsString(QStringLiteral("CHANGED"));
  detail.Post();
  detail.Last();
  detail.Delete();
  detail.Append();
  detail.FieldByName(QStringLiteral("LINE"))->SetAsInteger(9);
  detail.FieldByName(QStringLiteral("ITEM"))->SetAsString(QStringLiteral("NEW"));
  detail.Post();
  EXPECT_EQ(detail.ChangeCount(), 3);
  EXPECT_EQ(master.ChangeCount(), 3);
  master.First();  // the changes stay with order 2
  EXPECT_EQ(Items(), (QStringList{"I1-1", "I1-2"}));
  EXPECT_EQ(master.ApplyUpdates(0), 0);
  EXPECT_EQ(master.ChangeCount(), 0);
  EXPECT_EQ(ServerItems(2), (QStringList{"CHANGED", "NEW"}));
  EXPECT_EQ(ServerItems(1), (QStringList{"I1-1", "I1-2"}));
  const TDelta& d = server->LastDelta;
  ASSERT_EQ(d.Rows.size(), 1);
  EXPECT_EQ(d.Rows.first().Kind, ukModify);
  ASSERT_EQ(d.Rows.first().Details.size(), 1);
  EXPECT_EQ(d.Rows.first().Details.first().first, 2);  // the column of LINES
  EXPECT_EQ(d.Rows.first().Details.first().second.size(), 3);
}

TEST_F(ClientDataSetNestedTest, ANewMasterTakesTheLinesEnteredWhileItIsInserted) {
  master.Append();
  master.FieldByName(QStringLiteral("ID"))->SetAsInteger(4);
  EXPECT_TRUE(detail.IsEmpty());
  for (int l = 1; l <= 2; ++l) {
    detail.Append();
    detail.FieldByName(QStringLiteral("LINE"))->SetAsInteger(l);
    detail.FieldByName(QStringLiteral("ITEM"))->SetAsString(QStringLiteral("N%1").arg(l));
    detail.Post();
  }
  EXPECT_EQ(master.State(), dsInsert);  // the master was not posted behind its back
  master.FieldByName(QStringLiteral("CUSTOMER"))->SetAsString(QStringLiteral("NEWCUST"));
  master.Post();
  EXPECT_EQ(Items(), (QStringList{"N1", "N2"}));
  EXPECT_EQ(master.ChangeCount(), 3);
  // Applying through the detail applies the master's whole log.
  EXPECT_EQ(detail.ApplyUpdates(0), 0);
  EXPECT_EQ(ServerItems(4), (QStringList{"N1", "N2"}));
  EXPECT_EQ(master.ChangeCount(), 0);
}

TEST_F(ClientDataSetNestedTest, AnOpenDetailEditIsPostedToItsOwnMasterRowWhenTheMasterMoves) {
  detail.Edit();
  detail.FieldByName(QStringLiteral("ITEM"))->SetAsString(QStringLiteral("EDITED"));
  master.Next();
  EXPECT_EQ(detail.State(), dsBrowse);
  EXPECT_EQ(Items(), (QStringList{"I2-1", "I2-2"}));
  EXPECT_EQ(master.ChangeCount(), 1);
  EXPECT_EQ(master.ApplyUpdates(0), 0);
  EXPECT_EQ(ServerItems(1), (QStringList{"EDITED", "I1-2"}));
  EXPECT_EQ(ServerItems(2), (QStringList{"I2-1", "I2-2"}));
}

TEST_F(ClientDataSetNestedTest, LinesAddedAfterTheNewMasterWasPostedApplyWithIt) {
  master.Append();
  master.FieldByName(QStringLiteral("ID"))->SetAsInteger(6);
  master.Post();
  EXPECT_EQ(master.ApplyUpdates(0), 0);
  detail.Append();
  detail.FieldByName(QStringLiteral("LINE"))->SetAsInteger(1);
  detail.FieldByName(QStringLiteral("ITEM"))->SetAsString(QStringLiteral("LATE"));
  detail.Post();
  EXPECT_EQ(master.ChangeCount(), 1);
  EXPECT_EQ(master.ApplyUpdates(0), 0);
  EXPECT_EQ(ServerItems(6), QStringList{"LATE"});
}

TEST_F(ClientDataSetNestedTest, CancellingTheNewMasterDropsItsLines) {
  master.Append();
  master.FieldByName(QStringLiteral("ID"))->SetAsInteger(5);
  detail.Append();
  detail.FieldByName(QStringLiteral("LINE"))->SetAsInteger(1);
  detail.Post();
  master.Cancel();
  EXPECT_EQ(master.ChangeCount(), 0);
  EXPECT_EQ(Items(), (QStringList{"I1-1", "I1-2"}));
}

TEST_F(ClientDataSetNestedTest, CancelUpdatesRevertsDetailsAndAConflictKeepsThemPending) {
  detail.Delete();
  EXPECT_EQ(master.ChangeCount(), 1);
  master.CancelUpdates();
  EXPECT_EQ(master.ChangeCount(), 0);
  EXPECT_EQ(Items(), (QStringList{"I1-1", "I1-2"}));
  detail.Edit();
  detail.FieldByName(QStringLiteral("QTY"))->SetAsFloat(42);
  detail.Post();
  server->Table(QStringLiteral("pvdOrders")).Rows[0][1] = QStringLiteral("OTHER");
  int reconciled = 0;
  master.OnReconcileError.Set(QStringLiteral("Reconcile"),
                              [&](TClientDataSet*, const TReconcileError&, TUpdateKind, TReconcileAction&) {
                                ++reconciled;
                              });
  EXPECT_EQ(master.ApplyUpdates(0), 1);
  EXPECT_EQ(reconciled, 1);
  EXPECT_EQ(master.ChangeCount(), 1);
}

TEST_F(ClientDataSetNestedTest, ADetailCannotChangeWithoutAMasterRecord) {
  server->Table(QStringLiteral("pvdOrders")).Rows.clear();
  detail.Close();
  master.Close();
  master.Open();
  detail.Open();
  EXPECT_TRUE(detail.IsEmpty());
  EXPECT_THROW(detail.Append(), EDatabaseError);
  master.Close();
  EXPECT_FALSE(detail.Active());
}

}  // namespace
}  // namespace vantor::test
