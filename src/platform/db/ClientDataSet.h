// TClientDataSet: a dataset that holds its rows in memory, fetched packet by
// packet from a provider of the application server, edited locally with a
// change log, and sent back as one delta by ApplyUpdates.
//
// The application server is a QVariant holding a TDispatch — set directly
// with SetAppServer, or read from a connection object (RemoteServer) that
// has an "AppServer" property — so an in-process object and a remote proxy
// are interchangeable. The provider protocol is in DataPacket.h.
//
// Order: the visible rows are a permutation of the stored rows, sorted with
// a stable sort on the index fields (IndexFieldNames, or the IndexDefs entry
// named by IndexName, descending per field as the definition says). Changing
// the index keeps the current record current. Locate on a prefix of the
// index fields uses binary search; other exact searches use a hash of the
// key values made once per change of the rows; nothing scans quadratically.
//
// Nested datasets: a detail TClientDataSet whose DataSetField is a dataset
// field of this one shows the detail rows of the current master row. Its
// changes belong to the master's change log and are applied with the
// master's ApplyUpdates, as the Details of the master's delta rows.
#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <memory>
#include <vector>

#include "platform/db/DataSet.h"
#include "platform/db/IndexDefs.h"
#include "platform/db/RowStore.h"

namespace vantor {

class TDataSetField;

class TClientDataSet : public TDataSet {
  Q_OBJECT
  Q_PROPERTY(QString ProviderName READ ProviderName WRITE SetProviderName)
  Q_PROPERTY(int PacketRecords READ PacketRecords WRITE SetPacketRecords)
  Q_PROPERTY(bool FetchOnDemand READ FetchOnDemand WRITE SetFetchOnDemand)
  Q_PROPERTY(QString IndexFieldNames READ IndexFieldNames WRITE SetIndexFieldNames)
  Q_PROPERTY(QString IndexName READ IndexName WRITE SetIndexName)
  Q_PROPERTY(QObject* RemoteServer READ RemoteServer WRITE SetRemoteServer)
  Q_PROPERTY(QVariant AppServer READ AppServer WRITE SetAppServer)
  Q_PROPERTY(int ChangeCount READ ChangeCount)
  Q_PROPERTY(bool StoreDefs READ StoreDefs WRITE SetStoreDefs)
  Q_PROPERTY(bool ValidateWithMask READ ValidateWithMask WRITE SetValidateWithMask)

public:
  explicit TClientDataSet(QObject* owner = nullptr);
  ~TClientDataSet() override;

  // --- the provider --------------------------------------------------------------
  QString ProviderName() const { return providerName_; }
  void SetProviderName(const QString& n) { providerName_ = n; }
  // Rows per packet; -1 fetches all rows at once.
  int PacketRecords() const { return packetRecords_; }
  void SetPacketRecords(int n) { packetRecords_ = n; }
  // Fetch the next packet by itself when navigation passes the last row.
  bool FetchOnDemand() const { return fetchOnDemand_; }
  void SetFetchOnDemand(bool v) { fetchOnDemand_ = v; }
  QObject* RemoteServer() const { return remoteServer_; }
  void SetRemoteServer(QObject* connection) { remoteServer_ = connection; }
  // The application server: the one set directly, else the connection's.
  QVariant AppServer() const;
  void SetAppServer(const QVariant& server) { appServer_ = server; }
  // Sends data to the provider (AS_DataRequest) and answers its reply. The
  // data is kept and sent again before each later open, so every open uses
  // the last request; while no server is reachable it waits for the open.
  QVariant DataRequest(const QVariant& data);
  // Fetches the next packet; answers the number of rows fetched (0 at the end).
  int GetNextPacket();
  bool AllRowsFetched() const { return allFetched_; }
  // Opens a dataset of its own, without provider, from FieldDefs (or from
  // the persistent fields when FieldDefs is empty).
  void CreateDataSet();
  void EmptyDataSet();

  // --- changes -------------------------------------------------------------------
  int ChangeCount() const;
  TUpdateStatus UpdateStatus() const;
  void CancelUpdates();
  void RevertRecord();
  // Forgets the change log as if every change had been applied.
  void MergeChangeLog();
  // Sends the changes to the provider; answers the number of errors. Each
  // error goes through OnReconcileError, whose action decides what becomes
  // of the row (raSkip keeps it pending, raCancel reverts it, raAbort stops
  // reconciling, raMerge takes the server's row as the new original and keeps
  // the change, raRefresh takes the server's row and drops the change,
  // raCorrect keeps the change as it now is). Unless the batch was refused as
  // a whole (more errors than maxErrors, maxErrors -1 meaning no limit), the
  // rows without error are merged.
  int ApplyUpdates(int maxErrors);
  TEvent<void(TClientDataSet*, const TReconcileError&, TUpdateKind, TReconcileAction&)> OnReconcileError{
      QStringLiteral("OnReconcileError")};

  // --- index -----------------------------------------------------------------------
  TIndexDefs& IndexDefs() { return indexDefs_; }
  const TIndexDefs& IndexDefs() const { return indexDefs_; }
  QString IndexFieldNames() const { return indexFieldNames_; }
  void SetIndexFieldNames(const QString& names);
  QString IndexName() const { return indexName_; }
  void SetIndexName(const QString& name);

  // --- nested datasets -------------------------------------------------------------
  TDataSetField* DataSetField() const { return dataSetField_; }
  void SetDataSetField(TDataSetField* field);
  TClientDataSet* MasterDataSet() const { return master_; }

  bool StoreDefs() const { return storeDefs_; }
  void SetStoreDefs(bool v) { storeDefs_ = v; }
  bool ValidateWithMask() const { return validateWithMask_; }
  void SetValidateWithMask(bool v) { validateWithMask_ = v; }

  QVariant FieldOldValue(const TField* f) const override;

protected:
  void InternalOpen() override;
  void InternalClose() override;
  int RowCount() const override { return int(view_.size()); }
  const QVariantList& RowValues(int row) const override;
  QVariantList& MutableRowValues(int row) override;
  TBookmark RowBookmark(int row) const override;
  int RowOfBookmark(const TBookmark& b) const override;
  bool FetchMoreRows(bool all) override;
  bool FetchOnDemandEnabled() const override { return fetchOnDemand_ && !IsNested(); }
  int InternalPost(int row, bool inserting, const TRecordBuffer& buffer) override;
  void InternalDelete(int row) override;
  void InternalCancel() override;
  void PrepareChange() override;
  void FilterChanged() override;
  void DataEventHook(TDataEvent event) override;
  int FindRow(const QList<TField*>& fields, const QVariantList& values, TLocateOptions options) override;

private:
  struct TSortKey {
    int Slot;
    bool Descending;
    bool CaseInsensitive;
  };

  bool IsNested() const { return dataSetField_ != nullptr; }
  QVariant CheckedAppServer() const;
  void OpenFromProvider();
  void OpenNested();
  void OpenLocal();
  void AdoptRows(TRowStoreRef store);
  int FetchPacket(int count);
  int GetNextPacketOf(int count);
  void AppendToView(size_t firstNewRow);

  // index and view
  void BuildSortKeys();
  void RebuildView();
  bool RowLess(int a, int b) const;
  void ChangeIndex(const QString& fieldNames, const QString& indexName);
  void ApplyIndexChange();
  int PosOfRow(int storeRow) const;
  // Puts a posted row at its place in the view; answers its position (-1: filtered out).
  int PlaceRow(int storeRow, int wantedPos, bool inserting);
  int StoreRowAt(int row) const { return view_[size_t(row)]; }
  int BinarySearch(const QList<TField*>& fields, const QVariantList& values) const;
  int HashSearch(const QList<TField*>& fields, const QVariantList& values);
  void Touch() { ++version_; posDirty_ = true; }

  // nested
  int NestedOrdinal(const TDataSetField* field) const;
  TRowStoreRef CurrentDetailStore(int ordinal, int dataColumns);
  void NoteChange();
  void MarkRowDetailChanged(int storeRow);
  void SyncDetails(bool force);
  void AttachToMaster(bool force);
  int CurrentStoreRow() const { return ActiveRow() >= 0 ? StoreRowAt(ActiveRow()) : -1; }
  void CheckMasterRecord();

  // apply
  TDelta BuildDelta(const TRowStore& store, const TFieldDefs& defs, std::vector<int>* rowsOut) const;
  void Reconcile(const QList<TReconcileError>& errors, const std::vector<int>& rows, bool rolledBack);
  void MergeWithServerRow(int storeRow, const QVariantList& server);
  void AfterStoreChange();

  QString providerName_;
  int packetRecords_ = -1;
  bool fetchOnDemand_ = true;
  bool allFetched_ = true;
  bool storeDefs_ = false;
  bool validateWithMask_ = false;
  bool localOpen_ = false;
  QPointer<QObject> remoteServer_;
  QVariant appServer_;
  QVariant request_;
  bool requestSent_ = false;

  TRowStoreRef store_;
  std::vector<int> view_;
  mutable std::vector<int> posOf_;
  mutable bool posDirty_ = true;
  quint64 version_ = 0;
  std::vector<TSortKey> sortKeys_;
  TIndexDefs indexDefs_;
  QString indexFieldNames_;
  QString indexName_;

  // exact-match search cache: key field list → key text → first visible row
  QString hashFields_;
  quint64 hashVersion_ = 0;
  QHash<QString, int> hash_;

  // nested
  TDataSetField* dataSetField_ = nullptr;
  QPointer<TClientDataSet> master_;
  int masterRow_ = -1;  // the master's row whose details this dataset shows
  QList<QPointer<TClientDataSet>> details_;
  std::vector<TRowStoreRef> pendingDetails_;  // detail rows of a record being inserted
};

}  // namespace vantor
