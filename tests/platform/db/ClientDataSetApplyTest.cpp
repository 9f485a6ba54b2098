// The change log and ApplyUpdates: mixed batches, the delta sent, conflicts
// through the reconcile event, reconcile actions, and CancelUpdates.
#include <gtest/gtest.h>

#include "ClientDataSetFixture.h"
#include "platform/os/Exceptions.h"

namespace vantor::test {
namespace {

class ClientDataSetApplyTest : public TItemsTest {
protected:
  void SetUp() override { OpenItems(5); }
  void Goto(int id) { ASSERT_TRUE(cds->Locate(QStringLiteral("ID"), id)); }
  void MakeMixedBatch() {
    Goto(2);
    cds->Edit();
    F("NAME")->SetAsString(QStringLiteral("renamed"));
    cds->Post();
    Goto(3);
    cds->Delete();
    cds->Append();
    F("ID")->SetAsInteger(6);
    F("CODE")->SetAsString(QStringLiteral("C0006"));
    cds->Post();
  }
  QList<TReconcileError> seen;
};

TEST_F(ClientDataSetApplyTest, AMixedBatchReachesTheServerAndIsMerged) {
  MakeMixedBatch();
  EXPECT_EQ(cds->ChangeCount(), 3);
  EXPECT_EQ(cds->UpdateStatus(), usInserted);
  EXPECT_EQ(cds->ApplyUpdates(0), 0);
  EXPECT_EQ(cds->ChangeCount(), 0);
  EXPECT_EQ(cds->UpdateStatus(), usUnmodified);
  EXPECT_EQ(ServerRow(2).value(2).toString(), QStringLiteral("renamed"));
  EXPECT_TRUE(ServerRow(3).isEmpty());
  EXPECT_EQ(ServerRow(6).value(1).toString(), QStringLiteral("C0006"));
  EXPECT_EQ(Ids(), (QList<int>{1, 2, 4, 5, 6}));
  EXPECT_EQ(cds->ApplyUpdates(0), 0);
  EXPECT_EQ(server->ApplyCalls, 1);  // nothing left to send
}

TEST_F(ClientDataSetApplyTest, TheDeltaCarriesOriginalsAndOnlyTheChangedValues) {
  MakeMixedBatch();
  cds->ApplyUpdates(0);
  const TDelta& d = server->LastDelta;
  ASSERT_EQ(d.Rows.size(), 3);
  EXPECT_EQ(d.Fields.size(), 6);
  const TDeltaRow& modify = d.Rows.at(0);
  EXPECT_EQ(modify.Kind, ukModify);
  EXPECT_EQ(modify.OldValues.value(2).toString(), QStringLiteral("Name 2"));
  EXPECT_EQ(modify.NewValues.value(2).toString(), QStringLiteral("renamed"));
  EXPECT_FALSE(modify.NewValues.value(1).isValid());  // unchanged: Unassigned
  EXPECT_EQ(d.Rows.at(1).Kind, ukDelete);
  EXPECT_EQ(d.Rows.at(1).OldValues.value(0).toInt(), 3);
  EXPECT_EQ(d.Rows.at(2).Kind, ukInsert);
  EXPECT_TRUE(VarIsNull(d.Rows.at(2).NewValues.value(3)));  // a field left empty is Null, not Unassigned
}

TEST_F(ClientDataSetApplyTest, AConflictComesBackThroughReconcileAndNothingIsCommitted) {
  MakeMixedBatch();
  // Another user changed row 2 after it was fetched.
  server->Table(QStringLiteral("pvdItems")).Rows[1][4] = 7;
  cds->OnReconcileError.Set(QStringLiteral("cdsMainReconcileError"),
                            [this](TClientDataSet*, const TReconcileError& e, TUpdateKind kind, TReconcileAction&) {
                              seen << e;
                              EXPECT_EQ(kind, ukModify);
                            });
  EXPECT_EQ(cds->ApplyUpdates(0), 1);
  ASSERT_EQ(seen.size(), 1);
  EXPECT_EQ(seen.first().Message, QStringLiteral("Record changed by another user"));
  EXPECT_EQ(seen.first().CurValues.value(4).toInt(), 7);
  EXPECT_FALSE(ServerRow(3).isEmpty());   // the delete was not kept
  EXPECT_TRUE(ServerRow(6).isEmpty());    // nor the insert
  EXPECT_EQ(ServerRow(2).value(2).toString(), QStringLiteral("Name 2"));
  EXPECT_EQ(cds->ChangeCount(), 3);       // everything still pending
}

TEST_F(ClientDataSetApplyTest, WithoutAnErrorLimitTheGoodRowsAreAppliedAndMerged) {
  MakeMixedBatch();
  server->Table(QStringLiteral("pvdItems")).Rows[1][4] = 7;
  EXPECT_EQ(cds->ApplyUpdates(-1), 1);
  EXPECT_TRUE(ServerRow(3).isEmpty());
  EXPECT_FALSE(ServerRow(6).isEmpty());
  EXPECT_EQ(cds->ChangeCount(), 1);
  Goto(2);
  EXPECT_EQ(cds->UpdateStatus(), usModified);
}

TEST_F(ClientDataSetApplyTest, ReconcileActionsDecideWhatBecomesOfTheRow) {
  const struct {
    TReconcileAction Action;
    const char* NameAfter;
    int PendingAfter;
    int FlagAfter;
  } cases[] = {{raSkip, "renamed", 1, 0}, {raCancel, "Name 2", 0, 0}, {raRefresh, "Name 2", 0, 7},
               {raMerge, "renamed", 1, 7}};
  for (const auto& c : cases) {
    cds->CancelUpdates();
    server->Table(QStringLiteral("pvdItems")) = ItemsTable(5);
    cds->Close();
    cds->Open();
    Goto(2);
    cds->Edit();
    F("NAME")->SetAsString(QStringLiteral("renamed"));
    cds->Post();
    server->Table(QStringLiteral("pvdItems")).Rows[1][4] = 7;
    cds->OnReconcileError.Set(QStringLiteral("Reconcile"),
                              [&](TClientDataSet*, const TReconcileError&, TUpdateKind, TReconcileAction& a) {
                                a = c.Action;
                              });
    EXPECT_EQ(cds->ApplyUpdates(0), 1) << int(c.Action);
    Goto(2);
    EXPECT_EQ(F("NAME")->AsString(), QString::fromLatin1(c.NameAfter)) << int(c.Action);
    EXPECT_EQ(cds->ChangeCount(), c.PendingAfter) << int(c.Action);
    EXPECT_EQ(F("FLAG")->AsInteger(), c.FlagAfter) << int(c.Action);
    if (c.Action == raMerge) {
      // The server's row became the original: the change now applies.
      EXPECT_EQ(cds->ApplyUpdates(0), 0);
      EXPECT_EQ(ServerRow(2).value(2).toString(), QStringLiteral("renamed"));
    }
  }
}

TEST_F(ClientDataSetApplyTest, CancelUpdatesRestoresEverything) {
  const QList<int> before = Ids();
  MakeMixedBatch();
  Goto(1);
  cds->Edit();
  F("QTY")->SetAsFloat(99);
  cds->Post();
  cds->Edit();  // an open edit is given up too
  F("NAME")->SetAsString(QStringLiteral("unposted"));
  cds->CancelUpdates();
  EXPECT_EQ(cds->State(), dsBrowse);
  EXPECT_EQ(cds->ChangeCount(), 0);
  EXPECT_EQ(Ids(), before);
  Goto(1);
  EXPECT_DOUBLE_EQ(F("QTY")->AsFloat(), 1.5);
  EXPECT_EQ(F("NAME")->AsString(), QStringLiteral("Name 1"));
  Goto(2);
  EXPECT_EQ(F("NAME")->AsString(), QStringLiteral("Name 2"));
}

TEST_F(ClientDataSetApplyTest, OldValueAndUpdateStatusFollowTheLog) {
  Goto(4);
  EXPECT_EQ(cds->UpdateStatus(), usUnmodified);
  cds->Edit();
  F("NAME")->SetAsString(QStringLiteral("first"));
  cds->Post();
  cds->Edit();
  F("NAME")->SetAsString(QStringLiteral("second"));
  cds->Post();
  EXPECT_EQ(cds->ChangeCount(), 1);
  EXPECT_EQ(cds->UpdateStatus(), usModified);
  EXPECT_EQ(F("NAME")->OldValue().toString(), QStringLiteral("Name 4"));
  cds->RevertRecord();
  EXPECT_EQ(F("NAME")->AsString(), QStringLiteral("Name 4"));
  EXPECT_EQ(cds->ChangeCount(), 0);
}

TEST_F(ClientDataSetApplyTest, AnInsertDeletedBeforeApplyLeavesNothingPending) {
  cds->Append();
  F("ID")->SetAsInteger(7);
  cds->Post();
  cds->Delete();
  EXPECT_EQ(cds->ChangeCount(), 0);
  EXPECT_EQ(cds->RecordCount(), 5);
}

TEST_F(ClientDataSetApplyTest, AServerFailureKeepsEveryChange) {
  MakeMixedBatch();
  server->FailRow = [](const TDeltaRow&) -> QString { throw EOleError(QStringLiteral("connection lost")); };
  EXPECT_THROW(cds->ApplyUpdates(0), EOleError);
  EXPECT_EQ(cds->ChangeCount(), 3);
  server->FailRow = nullptr;
  EXPECT_EQ(cds->ApplyUpdates(0), 0);
  EXPECT_FALSE(ServerRow(6).isEmpty());
}

}  // namespace
}  // namespace vantor::test
