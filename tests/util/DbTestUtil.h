// Test fixture for client datasets: an application server object over
// in-memory tables that speaks the provider protocol (AS_DataRequest,
// AS_GetRecords, AS_ApplyUpdates). An apply is all-or-nothing when more rows
// fail than allowed, a modified or deleted row must still hold the values it
// was fetched with (otherwise it comes back as a reconcile error carrying
// the server's current row), and nested columns are applied with their row.
#pragma once

#include <QHash>
#include <QSharedPointer>
#include <QStringList>
#include <functional>

#include "platform/db/DataPacket.h"
#include "platform/dispatch/Dispatch.h"

namespace vantor::test {

struct TMemoryTable {
  QList<TPacketFieldDef> Fields;   // InKey marks the key columns
  QList<QVariantList> Rows;
  int ColumnOf(const QString& name) const;
};

class TMemoryAppServer : public TDispatchObject {
public:
  TMemoryAppServer();

  void AddProvider(const QString& name, TMemoryTable table);
  TMemoryTable& Table(const QString& provider);

  // What the client asked for, for the tests to check.
  int GetRecordsCalls = 0;
  QList<int> RequestedCounts;
  QVariantList Requests;
  int ApplyCalls = 0;
  TDelta LastDelta;
  // Makes a row fail with this message when it answers non-empty.
  std::function<QString(const TDeltaRow&)> FailRow;

private:
  struct TProviderState {
    TMemoryTable Table;
    QVariant Condition;
    QList<QVariantList> Snapshot;
    int Cursor = 0;
  };
  QVariant DataRequest(QVariantList& args);
  QVariant GetRecords(QVariantList& args);
  QVariant ApplyUpdates(QVariantList& args);
  TProviderState& Provider(const QVariant& name);
  QHash<QString, TProviderState> providers_;
};

// The fixture table of the tests: ID (integer key), CODE (text 10),
// NAME (text 20), QTY (float), FLAG (integer), DAY (date); `rows` rows with
// ID 1..rows, CODE "C0001".., NAME "Name 1".., QTY id * 1.5, FLAG 0, DAY
// 2002-01-01 plus (id mod 28) days.
TMemoryTable ItemsTable(int rows);

// A master table ORDERS (ID key, CUSTOMER) with a nested column LINES
// (LINE key, ITEM, QTY): `orders` orders of `linesEach` lines each.
TMemoryTable OrdersTable(int orders, int linesEach);

// The server in a variant, as a client dataset's AppServer holds it.
QVariant AppServerVariant(const QSharedPointer<TMemoryAppServer>& server);

}  // namespace vantor::test
