// Properties and events by name: every property kind, case-insensitive
// names, missing objects and names, and the suspension of dataset events.
#include "support/LibRTTI.h"

#include "SupportWidgets.h"
#include "platform/db/ClientDataSet.h"
#include "platform/db/DataSource.h"
#include "platform/db/FieldTypes.h"
#include "platform/os/Exceptions.h"

#include <QWidget>
#include <gtest/gtest.h>

namespace vantor::test {
namespace {

TEST(LibRTTIProperties, ReadEveryKindByName) {
  TSampleComponent c, buddy;
  c.Caption = QStringLiteral("标题");
  c.Color = 15532027;
  c.Enabled = false;
  c.Align = TSampleComponent::alClient;
  c.Options = TSampleComponent::goFixed | TSampleComponent::goTabs;
  c.Buddy = &buddy;
  c.Ratio = 2.5;
  c.Big = 1LL << 40;
  c.Letter = QChar(u'中');

  EXPECT_EQ(GetStrPropByName(&c, QStringLiteral("Caption")), QStringLiteral("标题"));
  EXPECT_EQ(GetStrPropByName(&c, QStringLiteral("caption")), QStringLiteral("标题"));
  EXPECT_EQ(GetStrPropByName(&c, QStringLiteral("Color")), QLatin1String("15532027"));
  const struct {
    const char* name;
    qint64 expected;
  } ordinals[] = {
      {"Color", 15532027}, {"Enabled", 0}, {"Align", TSampleComponent::alClient}, {"Options", 5},
      {"Buddy", qint64(reinterpret_cast<qintptr>(&buddy))}, {"Big", 1LL << 40}, {"Letter", 0x4E2D},
      {"Ratio", 0}, {"Caption", 0}, {"Missing", 0}, {"", 0},
  };
  for (const auto& o : ordinals) EXPECT_EQ(GetOrdPropByName(&c, QLatin1String(o.name)), o.expected) << o.name;
  EXPECT_EQ(GetObjectPropByName(&c, QStringLiteral("buddy")), &buddy);
  EXPECT_EQ(GetObjectPropByName(&c, QStringLiteral("Color")), nullptr);

  for (const char* name : {"Missing", ""}) EXPECT_EQ(GetStrPropByName(&c, QLatin1String(name)), QString());
  EXPECT_EQ(GetStrPropByName(nullptr, QStringLiteral("Caption")), QString());
  EXPECT_EQ(GetOrdPropByName(nullptr, QStringLiteral("Color")), 0);
}

TEST(LibRTTIProperties, WriteByName) {
  TSampleComponent c, buddy;
  SetStrPropByName(&c, QStringLiteral("CAPTION"), QStringLiteral("新"));
  EXPECT_EQ(c.Caption, QStringLiteral("新"));
  SetStrPropByName(&c, QStringLiteral("Color"), QStringLiteral("12"));
  EXPECT_EQ(c.Color, 12);
  SetStrPropByName(&c, QStringLiteral("Color"), QStringLiteral("red"));  // no number: ignored
  EXPECT_EQ(c.Color, 12);
  SetStrPropByName(&c, QStringLiteral("Fixed"), QStringLiteral("x"));    // read-only: ignored
  EXPECT_EQ(c.Fixed(), QLatin1String("fixed"));

  SetOrdPropByName(&c, QStringLiteral("Color"), 255);
  SetOrdPropByName(&c, QStringLiteral("Enabled"), 0);
  SetOrdPropByName(&c, QStringLiteral("Align"), TSampleComponent::alTop);
  SetOrdPropByName(&c, QStringLiteral("Options"), 6);
  SetOrdPropByName(&c, QStringLiteral("Letter"), 0x6587);
  SetOrdPropByName(&c, QStringLiteral("Big"), 1LL << 50);
  SetOrdPropByName(&c, QStringLiteral("Ratio"), 7);  // not ordinal: ignored
  EXPECT_EQ(c.Color, 255);
  EXPECT_FALSE(c.Enabled);
  EXPECT_EQ(c.Align, TSampleComponent::alTop);
  EXPECT_EQ(int(c.Options), 6);
  EXPECT_EQ(c.Letter, QChar(u'文'));
  EXPECT_EQ(c.Big, 1LL << 50);
  EXPECT_EQ(c.Ratio, 0);

  SetObjectPropByName(&c, QStringLiteral("Buddy"), &buddy);
  EXPECT_EQ(c.Buddy, &buddy);
  SetOrdPropByName(&c, QStringLiteral("Buddy"), 12345);  // never an address from a number
  EXPECT_EQ(c.Buddy, &buddy);
  SetOrdPropByName(&c, QStringLiteral("Buddy"), 0);
  EXPECT_EQ(c.Buddy, nullptr);

  SetStrPropByName(nullptr, QStringLiteral("Caption"), QStringLiteral("x"));
  SetOrdPropByName(&c, QString(), 1);
}

TEST(LibRTTIProperties, PlainWidgetsAnswerToTheLibraryNames) {
  QWidget w;
  SetOrdPropByName(&w, QStringLiteral("Enabled"), 0);
  EXPECT_FALSE(w.isEnabled());
  EXPECT_EQ(GetOrdPropByName(&w, QStringLiteral("Enabled")), 0);
  SetOrdPropByName(&w, QStringLiteral("Enabled"), 1);
  EXPECT_TRUE(w.isEnabled());
}

TEST(LibRTTIProperties, KindsAndPresence) {
  TSampleComponent c;
  TClientDataSet ds;
  TDataSource source;
  TStringField field(&ds);
  const struct {
    const QObject* object;
    const char* name;
    TTypeKind kind;
  } cases[] = {
      {&c, "Caption", tkLString}, {&c, "Color", tkInteger}, {&c, "Enabled", tkEnumeration},
      {&c, "Align", tkEnumeration}, {&c, "Options", tkSet}, {&c, "Buddy", tkClass}, {&c, "Ratio", tkFloat},
      {&c, "Big", tkInt64}, {&c, "Letter", tkWChar}, {&c, "Lines", tkClass}, {&c, "Data", tkVariant},
      {&c, "onclick", tkMethod}, {&c, "Missing", tkUnknown}, {&c, "", tkUnknown},
      {&ds, "BeforePost", tkMethod}, {&ds, "Active", tkEnumeration}, {&ds, "PacketRecords", tkInteger},
      {&field, "OnValidate", tkMethod}, {&field, "Size", tkInteger}, {&source, "onDataChange", tkMethod},
      {&source, "OnStateChange", tkMethod}, {nullptr, "Caption", tkUnknown},
  };
  for (const auto& k : cases) {
    EXPECT_EQ(PropertyKindByName(k.object, QLatin1String(k.name)), k.kind) << k.name;
    EXPECT_EQ(HasProperty(k.object, QLatin1String(k.name)), k.kind != tkUnknown) << k.name;
  }
}

TEST(LibRTTIEvents, HandlersMoveBetweenComponentsByName) {
  TClientDataSet first, second;
  int posts = 0;
  first.BeforePost.Set(QStringLiteral("cdsMainBeforePost"), [&](TDataSet*) { ++posts; });
  const TEventHandler handler = GetMethodPropByName(&first, QStringLiteral("beforepost"));
  EXPECT_TRUE(handler.Assigned());
  EXPECT_EQ(handler.Name, QLatin1String("cdsMainBeforePost"));
  SetMethodPropByName(&second, QStringLiteral("BeforePost"), handler);
  EXPECT_EQ(second.BeforePost.Name(), QLatin1String("cdsMainBeforePost"));
  second.BeforePost(&second);
  EXPECT_EQ(posts, 1);

  EXPECT_FALSE(GetMethodPropByName(&first, QStringLiteral("NoSuchEvent")).Assigned());
  EXPECT_FALSE(GetMethodPropByName(nullptr, QStringLiteral("BeforePost")).Assigned());
  SetMethodPropByName(&second, QStringLiteral("BeforePost"), TEventHandler());
  EXPECT_FALSE(second.BeforePost.Assigned());

  TSampleComponent c;
  EXPECT_THROW(SetMethodPropByName(&c, QStringLiteral("OnClick"), handler), EInvalidOperation);
  EXPECT_FALSE(c.OnClick.Assigned());
}

// A dataset with a handler on some of the ten events (and on one event
// outside them), counting every call.
class SuspendEventsTest : public ::testing::Test {
protected:
  void SetUp() override {
    ds.setObjectName(QStringLiteral("cdsMain"));
    auto* code = new TStringField(&ds);
    code->SetFieldName(QStringLiteral("CODE"));
    code->SetSize(10);
    source.SetDataSet(&ds);
    for (const char* name : {"AfterOpen", "BeforeInsert", "AfterInsert", "BeforePost", "AfterPost", "AfterScroll",
                             "BeforeDelete"}) {
      auto* event = static_cast<TDataSet::TDataSetNotify*>(ds.GetEvent(QLatin1String(name)));
      event->Set(QStringLiteral("cdsMain") + QLatin1String(name), [this](TDataSet*) { ++dataSetCalls; });
    }
    source.OnDataChange.Set(QStringLiteral("dsMainDataChange"), [this](TField*) { ++sourceCalls; });
  }

  // Runs operations that fire every handled event; answers how many fired.
  int Exercise() {
    dataSetCalls = sourceCalls = 0;
    if (!ds.Active()) ds.CreateDataSet();
    ds.Append();
    ds.FieldByName(QStringLiteral("CODE"))->SetAsString(QStringLiteral("A"));
    ds.Post();
    return dataSetCalls + sourceCalls;
  }

  TClientDataSet ds;
  TDataSource source;
  int dataSetCalls = 0;
  int sourceCalls = 0;
};

TEST_F(SuspendEventsTest, DataEventsSuspendAndRestoreExactly) {
  const QStringList before = [&] {
    QStringList names;
    for (const QString& e : ds.EventNames()) names << ds.GetEvent(e)->Name();
    return names + QStringList{source.OnDataChange.Name(), source.OnStateChange.Name()};
  }();
  TDataEvents saved;
  SuspendDataEvents(&source, saved);
  for (const char* name : kDataSetEventNames) EXPECT_FALSE(ds.GetEvent(QLatin1String(name))->Assigned()) << name;
  EXPECT_FALSE(source.OnDataChange.Assigned());
  EXPECT_TRUE(ds.BeforeDelete.Assigned());  // not one of the ten
  EXPECT_EQ(saved.Handlers[3].Name, QLatin1String("cdsMainAfterPost"));
  EXPECT_EQ(saved.Handlers[10].Name, QLatin1String("dsMainDataChange"));
  EXPECT_FALSE(saved.Handlers[11].Assigned());
  EXPECT_EQ(Exercise(), 0);

  RestoreDataEvents(&source, saved);
  QStringList after;
  for (const QString& e : ds.EventNames()) after << ds.GetEvent(e)->Name();
  after << source.OnDataChange.Name() << source.OnStateChange.Name();
  EXPECT_EQ(after, before);
  EXPECT_FALSE(ds.BeforeEdit.Assigned());  // empty before, empty after
  EXPECT_GT(Exercise(), 0);
}

TEST_F(SuspendEventsTest, DataSetEventsAndTheScopedForm) {
  TDataSetEvents saved;
  SuspendDataSetEvents(&ds, saved);
  Exercise();
  EXPECT_EQ(dataSetCalls, 0);
  EXPECT_GT(sourceCalls, 0);  // the data source keeps its own handler
  RestoreDataSetEvents(&ds, saved);
  EXPECT_EQ(ds.AfterInsert.Name(), QLatin1String("cdsMainAfterInsert"));

  try {
    TDataSetEventsSuspension suspended(&ds);
    EXPECT_FALSE(ds.BeforePost.Assigned());
    throw EAbort(QString());
  } catch (const EAbort&) {
  }
  EXPECT_EQ(ds.BeforePost.Name(), QLatin1String("cdsMainBeforePost"));
  SuspendDataSetEvents(nullptr, saved);  // nothing to do, nothing breaks
  TDataEvents none;
  SuspendDataEvents(nullptr, none);
  RestoreDataEvents(nullptr, none);
}

TEST_F(SuspendEventsTest, NamedEventsKeepOneEntryPerName) {
  TMethodList saved;
  SuspendNamedEvents(&ds, {QStringLiteral("BeforeDelete"), QStringLiteral("NoSuchEvent"), QStringLiteral("Active"),
                           QStringLiteral("afterscroll"), QStringLiteral("BeforeScroll")},
                     saved);
  ASSERT_EQ(saved.size(), 5);
  EXPECT_EQ(saved[0].Name, QLatin1String("BeforeDelete"));
  EXPECT_EQ(saved[0].Method.Name, QLatin1String("cdsMainBeforeDelete"));
  EXPECT_TRUE(saved[1].Name.isEmpty());
  EXPECT_TRUE(saved[2].Name.isEmpty());
  EXPECT_EQ(saved[3].Method.Name, QLatin1String("cdsMainAfterScroll"));
  EXPECT_EQ(saved[4].Name, QLatin1String("BeforeScroll"));
  EXPECT_FALSE(saved[4].Method.Assigned());
  EXPECT_FALSE(ds.BeforeDelete.Assigned());
  EXPECT_FALSE(ds.AfterScroll.Assigned());
  EXPECT_TRUE(ds.AfterPost.Assigned());

  RestoreNamedEvents(&ds, saved);
  EXPECT_EQ(ds.BeforeDelete.Name(), QLatin1String("cdsMainBeforeDelete"));
  EXPECT_EQ(ds.AfterScroll.Name(), QLatin1String("cdsMainAfterScroll"));
  EXPECT_FALSE(ds.BeforeScroll.Assigned());
}

}  // namespace
}  // namespace vantor::test
