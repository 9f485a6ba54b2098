// Shared pieces of the dataset tests: a client dataset on the in-memory
// application server, and a recorder of dataset events.
#pragma once

#include <gtest/gtest.h>

#include <QStringList>
#include <memory>

#include "platform/db/DB.h"
#include "util/DbTestUtil.h"

namespace vantor::test {

// Records the named dataset events in the order they fire.
class TEventRecorder {
public:
  void Attach(TDataSet* ds) {
    for (const QString& name : ds->EventNames()) {
      if (name == QLatin1String("OnCalcFields") || name == QLatin1String("OnFilterRecord") ||
          name == QLatin1String("OnReconcileError"))
        continue;
      auto* e = dynamic_cast<TEvent<void(TDataSet*)>*>(ds->GetEvent(name));
      if (e) e->Set(QStringLiteral("Record") + name, [this, name](TDataSet*) { Events << name; });
    }
  }
  QStringList Take() {
    QStringList out = Events;
    Events.clear();
    return out;
  }
  QStringList Events;
};

class TItemsTest : public ::testing::Test {
protected:
  void OpenItems(int rows, int packetRecords = -1, bool fetchOnDemand = true) {
    server->AddProvider(QStringLiteral("pvdItems"), ItemsTable(rows));
    cds = std::make_unique<TClientDataSet>();
    cds->setObjectName(QStringLiteral("cdsItems"));
    cds->SetAppServer(AppServerVariant(server));
    cds->SetProviderName(QStringLiteral("pvdItems"));
    cds->SetPacketRecords(packetRecords);
    cds->SetFetchOnDemand(fetchOnDemand);
    cds->Open();
  }
  TField* F(const char* name) const { return cds->FieldByName(QString::fromLatin1(name)); }
  // The IDs of the visible rows in their current order, the cursor kept.
  QList<int> Ids() {
    QList<int> ids;
    for (int r = 0; r < cds->RecordCount(); ++r) {
      TDataSet::TReadScope scope(cds.get(), r);
      ids << F("ID")->AsInteger();
    }
    return ids;
  }
  QVariantList ServerRow(int id) {
    for (const QVariantList& row : server->Table(QStringLiteral("pvdItems")).Rows)
      if (row.value(0).toInt() == id) return row;
    return {};
  }

  QSharedPointer<TMemoryAppServer> server{new TMemoryAppServer};
  std::unique_ptr<TClientDataSet> cds;
};

}  // namespace vantor::test
