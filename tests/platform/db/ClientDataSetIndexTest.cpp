// Orders and searches: IndexFieldNames, descending index definitions,
// Locate on several fields, bookmarks across sorting and fetching, filters.
#include <gtest/gtest.h>

#include "ClientDataSetFixture.h"
#include "platform/os/Exceptions.h"

namespace vantor::test {
namespace {

class ClientDataSetIndexTest : public TItemsTest {
protected:
  // NAME sorts by text: "Name 1" < "Name 10" < "Name 11" < "Name 2" ...
  void SetUp() override { OpenItems(12); }
};

TEST_F(ClientDataSetIndexTest, IndexFieldNamesSortsAndKeepsTheCurrentRecord) {
  cds->SetRecNo(2);
  ASSERT_EQ(F("ID")->AsInteger(), 2);
  cds->SetIndexFieldNames(QStringLiteral("NAME"));
  EXPECT_EQ(Ids(), (QList<int>{1, 10, 11, 12, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(F("ID")->AsInteger(), 2);
  EXPECT_EQ(cds->RecNo(), 5);
  cds->SetIndexFieldNames(QString());  // back to the order of arrival
  EXPECT_EQ(Ids(), (QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
  EXPECT_EQ(F("ID")->AsInteger(), 2);
}

TEST_F(ClientDataSetIndexTest, SeveralFieldsAndDescendingDefinitions) {
  // DAY repeats every 28 ids; with 12 rows every DAY differs, so group by FLAG first.
  cds->SetIndexFieldNames(QStringLiteral("FLAG;QTY"));
  EXPECT_EQ(Ids().first(), 1);
  TIndexDef& def = cds->IndexDefs().Add(QStringLiteral("QTY"), QStringLiteral("FLAG;QTY"));
  def.DescFields = QStringLiteral("QTY");
  cds->SetIndexName(QStringLiteral("QTY"));
  EXPECT_EQ(Ids().first(), 12);
  EXPECT_EQ(Ids().last(), 1);
  EXPECT_EQ(cds->IndexFieldNames(), QString());
  cds->SetIndexFieldNames(QStringLiteral("QTY"));  // and back to ascending
  EXPECT_EQ(Ids().first(), 1);
  EXPECT_THROW(cds->SetIndexName(QStringLiteral("missing")), EDatabaseError);
  EXPECT_EQ(cds->IndexFieldNames(), QStringLiteral("QTY"));  // the failed change is undone
}

TEST_F(ClientDataSetIndexTest, PostingMovesTheRecordToItsPlaceAndKeepsItCurrent) {
  cds->SetIndexFieldNames(QStringLiteral("QTY"));
  cds->First();
  cds->Edit();
  F("QTY")->SetAsFloat(1000);
  cds->Post();
  EXPECT_EQ(F("ID")->AsInteger(), 1);
  EXPECT_EQ(cds->RecNo(), 12);
  cds->Append();
  F("ID")->SetAsInteger(13);
  F("QTY")->SetAsFloat(0.5);
  cds->Post();
  EXPECT_EQ(cds->RecNo(), 1);
  EXPECT_EQ(Ids().first(), 13);
}

TEST_F(ClientDataSetIndexTest, LocateOnTwoFieldsWithAndWithoutAnIndex) {
  const struct {
    const char* Index;
  } orders[] = {{""}, {"CODE;QTY"}, {"QTY;CODE"}, {"NAME"}};
  for (const auto& o : orders) {
    cds->SetIndexFieldNames(QString::fromLatin1(o.Index));
    EXPECT_TRUE(cds->Locate(QStringLiteral("CODE;QTY"), QVariantList{QStringLiteral("C0007"), 10.5})) << o.Index;
    EXPECT_EQ(F("ID")->AsInteger(), 7) << o.Index;
    EXPECT_FALSE(cds->Locate(QStringLiteral("CODE;QTY"), QVariantList{QStringLiteral("C0007"), 1.5})) << o.Index;
    EXPECT_EQ(F("ID")->AsInteger(), 7) << "a failed Locate does not move";
    // A value given as text matches a number.
    EXPECT_TRUE(cds->Locate(QStringLiteral("QTY;CODE"), QVariantList{QStringLiteral("3"), QStringLiteral("C0002")}))
        << o.Index;
    EXPECT_EQ(F("ID")->AsInteger(), 2) << o.Index;
  }
}

TEST_F(ClientDataSetIndexTest, LocateOptionsAndEditsAreSeenByLaterSearches) {
  EXPECT_TRUE(cds->Locate(QStringLiteral("NAME"), QStringLiteral("name 5"), loCaseInsensitive));
  EXPECT_EQ(F("ID")->AsInteger(), 5);
  EXPECT_TRUE(cds->Locate(QStringLiteral("NAME"), QStringLiteral("Name 1"), loPartialKey));
  EXPECT_EQ(F("ID")->AsInteger(), 1);
  EXPECT_FALSE(cds->Locate(QStringLiteral("NAME"), QStringLiteral("name 5"), {}));
  // The exact-match cache must notice edits.
  EXPECT_TRUE(cds->Locate(QStringLiteral("CODE"), QStringLiteral("C0009")));
  cds->Edit();
  F("CODE")->SetAsString(QStringLiteral("Z9"));
  cds->Post();
  EXPECT_FALSE(cds->Locate(QStringLiteral("CODE"), QStringLiteral("C0009")));
  EXPECT_TRUE(cds->Locate(QStringLiteral("CODE"), QStringLiteral("Z9")));
  EXPECT_EQ(F("ID")->AsInteger(), 9);
  EXPECT_EQ(cds->Lookup(QStringLiteral("ID"), 4, QStringLiteral("CODE;NAME")),
            QVariant(QVariantList{QStringLiteral("C0004"), QStringLiteral("Name 4")}));
  EXPECT_EQ(F("ID")->AsInteger(), 9);  // Lookup does not move
  EXPECT_TRUE(VarIsNull(cds->Lookup(QStringLiteral("ID"), 99, QStringLiteral("CODE"))));
}

TEST_F(ClientDataSetIndexTest, BookmarksSurviveSortingAndFetching) {
  cds->Close();
  server->Table(QStringLiteral("pvdItems")) = ItemsTable(50);
  cds->SetPacketRecords(20);
  cds->SetFetchOnDemand(false);
  cds->Open();
  cds->SetRecNo(7);
  const TBookmark seven = cds->GetBookmark();
  cds->SetRecNo(3);
  const TBookmark three = cds->GetBookmark();
  EXPECT_EQ(cds->CompareBookmarks(three, seven), -1);
  cds->IndexDefs().Add(QStringLiteral("desc"), QStringLiteral("ID"), ixDescending);
  cds->SetIndexName(QStringLiteral("desc"));
  EXPECT_EQ(cds->CompareBookmarks(three, seven), 1);
  cds->GetNextPacket();
  cds->GetNextPacket();
  cds->GotoBookmark(seven);
  EXPECT_EQ(F("ID")->AsInteger(), 7);
  EXPECT_TRUE(cds->BookmarkValid(three));
  cds->GotoBookmark(three);
  cds->Delete();
  EXPECT_FALSE(cds->BookmarkValid(three));
  EXPECT_THROW(cds->GotoBookmark(three), EDatabaseError);
  TBookmark freed = seven;
  cds->FreeBookmark(freed);
  EXPECT_FALSE(freed.IsValid());
}

TEST_F(ClientDataSetIndexTest, FilterHidesRowsAndKeepsNewOnesConsistent) {
  cds->OnFilterRecord.Set(QStringLiteral("EvenOnly"), [](TDataSet* d, bool& accept) {
    EXPECT_EQ(d->State(), dsFilter);
    accept = d->FieldByName(QStringLiteral("ID"))->AsInteger() % 2 == 0;
  });
  cds->SetFiltered(true);
  EXPECT_EQ(Ids(), (QList<int>{2, 4, 6, 8, 10, 12}));
  cds->SetFiltered(false);
  EXPECT_EQ(cds->RecordCount(), 12);
}

TEST_F(ClientDataSetIndexTest, CalculatedFieldsCannotBeIndexed) {
  cds->Close();
  cds->CreateField(ftInteger, QStringLiteral("ID"));
  cds->CreateField(ftString, QStringLiteral("MultiSelected"), 1, fkCalculated);
  cds->Open();
  EXPECT_THROW(cds->SetIndexFieldNames(QStringLiteral("MultiSelected")), EDatabaseError);
  EXPECT_EQ(cds->IndexFieldNames(), QString());
}

}  // namespace
}  // namespace vantor::test
