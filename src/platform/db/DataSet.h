// TDataSet: the state machine shared by every dataset — open and close,
// navigation, the edit buffer, posting, cancelling, deleting, calculated
// fields, bookmarks, the named events in the component library's order and
// the notifications to data sources. Where rows live and in which order is
// the business of a subclass (TClientDataSet), reached through the protected
// row interface: the subclass presents its visible rows as positions
// 0..RowCount()-1 in the current order.
//
// Event order (as the program's handlers expect it):
//   open     BeforeOpen, AfterOpen, AfterScroll
//   close    BeforeClose, AfterClose
//   append / insert  BeforeInsert, BeforeScroll, OnNewRecord, AfterInsert, AfterScroll
//   edit     BeforeEdit, AfterEdit
//   post     BeforePost, AfterPost       cancel  BeforeCancel, AfterCancel
//   delete   BeforeDelete, BeforeScroll, AfterDelete, AfterScroll
//   scroll   BeforeScroll, AfterScroll
#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>

#include "platform/db/DBEvents.h"
#include "platform/db/DBTypes.h"
#include "platform/db/FieldDefs.h"

namespace vantor {

class TDataSource;
class TField;

// The values of the record being edited or inserted, one per storage slot.
// A different type from the stored row: nothing reaches the rows until Post.
struct TRecordBuffer {
  QVariantList Values;
};

class TDataSet : public QObject {
  Q_OBJECT
  Q_PROPERTY(bool Active READ Active WRITE SetActive)
  Q_PROPERTY(bool Filtered READ Filtered WRITE SetFiltered)
  Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
  Q_PROPERTY(bool AutoCalcFields READ AutoCalcFields WRITE SetAutoCalcFields)

public:
  explicit TDataSet(QObject* owner = nullptr);
  ~TDataSet() override;

  // --- fields --------------------------------------------------------------------
  const QList<TField*>& Fields() const { return fields_; }
  int FieldCount() const { return int(fields_.size()); }
  TField* FindField(const QString& name) const;
  // EDatabaseError "Field 'X' not found" when absent.
  TField* FieldByName(const QString& name) const;
  // Creates a persistent field of the class matching the type.
  TField* CreateField(TFieldType type, const QString& name, int size = 0, TFieldKind kind = fkData);
  TFieldDefs& FieldDefs() { return fieldDefs_; }
  const TFieldDefs& FieldDefs() const { return fieldDefs_; }
  // Values of several fields ("A;B") as an array, one field as a value.
  QVariant FieldValues(const QString& names) const;

  // --- state ---------------------------------------------------------------------
  TDataSetState State() const { return state_; }
  bool Active() const { return state_ != dsInactive; }
  void SetActive(bool v);
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }
  bool Modified() const { return modified_; }
  bool IsEmpty() const;
  virtual bool CanModify() const { return !readOnly_; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool v) { readOnly_ = v; }
  bool Filtered() const { return filtered_; }
  void SetFiltered(bool v);
  bool AutoCalcFields() const { return autoCalcFields_; }
  void SetAutoCalcFields(bool v) { autoCalcFields_ = v; }

  // --- navigation ----------------------------------------------------------------
  void First();
  void Last();
  void Next() { MoveBy(1); }
  void Prior() { MoveBy(-1); }
  int MoveBy(int distance);
  bool Bof() const { return bof_; }
  bool Eof() const { return eof_; }
  virtual int RecordCount() const;
  // 1-based position of the current record; -1 while inserting or when empty.
  int RecNo() const;
  void SetRecNo(int recNo);
  // Finds the first record whose fields ("A;B") equal the values (a value,
  // or an array of one value per field) and makes it current.
  bool Locate(const QString& keyFields, const QVariant& keyValues, TLocateOptions options = {});
  // The result fields of the first matching record, without moving; Null
  // when nothing matches.
  QVariant Lookup(const QString& keyFields, const QVariant& keyValues, const QString& resultFields);

  // --- editing -------------------------------------------------------------------
  void Append();
  void Insert();
  void Edit();
  void Post();
  void Cancel();
  void Delete();
  void CheckBrowseMode();
  void UpdateRecord();
  // Appends a record with these values in field order (Null or Unassigned
  // leaves a field empty) and posts it.
  void AppendRecord(const QVariantList& values);

  // --- bookmarks -----------------------------------------------------------------
  TBookmark GetBookmark() const;
  TBookmark Bookmark() const { return GetBookmark(); }
  void GotoBookmark(const TBookmark& b);
  void SetBookmark(const TBookmark& b) { GotoBookmark(b); }
  void FreeBookmark(TBookmark& b) { b = TBookmark(); }
  bool BookmarkValid(const TBookmark& b) const;
  // -1, 0 or 1 by the rows' current order; invalid bookmarks sort first.
  int CompareBookmarks(const TBookmark& a, const TBookmark& b) const;

  // --- controls ------------------------------------------------------------------
  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return disableCount_ > 0; }
  // Re-reads the current record and tells the controls.
  void Resync();

  // --- events --------------------------------------------------------------------
  using TDataSetNotify = TEvent<void(TDataSet*)>;
  TDataSetNotify BeforeOpen{QStringLiteral("BeforeOpen")};
  TDataSetNotify AfterOpen{QStringLiteral("AfterOpen")};
  TDataSetNotify BeforeClose{QStringLiteral("BeforeClose")};
  TDataSetNotify AfterClose{QStringLiteral("AfterClose")};
  TDataSetNotify BeforeInsert{QStringLiteral("BeforeInsert")};
  TDataSetNotify AfterInsert{QStringLiteral("AfterInsert")};
  TDataSetNotify BeforeEdit{QStringLiteral("BeforeEdit")};
  TDataSetNotify AfterEdit{QStringLiteral("AfterEdit")};
  TDataSetNotify BeforePost{QStringLiteral("BeforePost")};
  TDataSetNotify AfterPost{QStringLiteral("AfterPost")};
  TDataSetNotify BeforeCancel{QStringLiteral("BeforeCancel")};
  TDataSetNotify AfterCancel{QStringLiteral("AfterCancel")};
  TDataSetNotify BeforeDelete{QStringLiteral("BeforeDelete")};
  TDataSetNotify AfterDelete{QStringLiteral("AfterDelete")};
  TDataSetNotify BeforeScroll{QStringLiteral("BeforeScroll")};
  TDataSetNotify AfterScroll{QStringLiteral("AfterScroll")};
  TDataSetNotify OnNewRecord{QStringLiteral("OnNewRecord")};
  TDataSetNotify OnCalcFields{QStringLiteral("OnCalcFields")};
  TEvent<void(TDataSet*, bool& accept)> OnFilterRecord{QStringLiteral("OnFilterRecord")};
  // Any event of the dataset by its name, without regard to case.
  TEventBase* GetEvent(const QString& name) const { return events_.Find(name); }
  QStringList EventNames() const { return events_.Names(); }

  // --- reading other rows --------------------------------------------------------
  // While a scope lives, field reads come from visible row `row` (0-based,
  // current order) without scrolling; calculated fields are computed for it.
  // This is how a grid paints rows other than the current one.
  class TReadScope {
  public:
    // The row number that stands for the record being inserted.
    static constexpr int kInsertedRow = -2;
    TReadScope(TDataSet* ds, int row);
    ~TReadScope();
    TReadScope(const TReadScope&) = delete;
    TReadScope& operator=(const TReadScope&) = delete;

  private:
    TDataSet* ds_;
    const QVariantList* saved_;
  };
  // Position of the current row in the current order (-1 when none), and
  // where the record being inserted will appear.
  int ActiveRow() const { return cur_; }
  int InsertRow() const { return state_ == dsInsert ? insertPos_ : -1; }

  // --- used by fields and data sources ---------------------------------------------
  QVariant FieldValue(const TField* f) const;
  virtual QVariant FieldOldValue(const TField* f) const;
  void CheckFieldWritable(const TField* f) const;
  void StoreFieldValue(TField* f, const QVariant& stored);
  void FieldValueChanged(TField* f);
  void RegisterField(TField* f);
  void UnregisterField(TField* f);
  int FieldIndexOf(const TField* f) const { return fields_.indexOf(const_cast<TField*>(f)); }
  void MoveField(TField* f, int newIndex);
  void DataEvent(TDataEvent event, qintptr info = 0);
  void AddDataSource(TDataSource* ds);
  void RemoveDataSource(TDataSource* ds);
  // "cdsMain: " + message, or the message alone for a nameless dataset.
  [[noreturn]] void DatabaseError(const QString& message) const;

protected:
  // --- the row interface of subclasses ---------------------------------------------
  virtual void InternalOpen() = 0;       // field definitions and rows
  virtual void InternalClose() = 0;
  virtual int RowCount() const = 0;      // visible rows fetched so far
  virtual const QVariantList& RowValues(int row) const = 0;
  virtual QVariantList& MutableRowValues(int row) = 0;  // for calculated slots only
  virtual TBookmark RowBookmark(int row) const = 0;
  virtual int RowOfBookmark(const TBookmark& b) const = 0;  // -1 when not visible
  // Fetches more rows; answers whether any arrived. `all` fetches every row.
  virtual bool FetchMoreRows(bool all) { return false; }
  virtual bool FetchOnDemandEnabled() const { return false; }
  // Stores the buffer (a new row at `row`, or over the row at `row`) and
  // answers the row's visible position afterwards (-1 when filtered out).
  virtual int InternalPost(int row, bool inserting, const TRecordBuffer& buffer) = 0;
  virtual void InternalDelete(int row) = 0;
  // Called before a record is edited, inserted or deleted (a nested dataset
  // makes sure its master row exists first).
  virtual void PrepareChange() {}
  // The filter was switched on or off: the subclass rebuilds its rows.
  virtual void FilterChanged() {}
  // The record being edited or inserted is given up.
  virtual void InternalCancel() {}
  // Sees every data event, even while controls are disabled (nested
  // datasets follow their master's current row through it).
  virtual void DataEventHook(TDataEvent event) {}
  // Finds the first visible row matching; the default scans in order.
  virtual int FindRow(const QList<TField*>& fields, const QVariantList& values, TLocateOptions options);
  // Value of an aggregate field.
  virtual QVariant AggregateValue(const TField* f) const;

  // --- helpers for subclasses -----------------------------------------------------
  // Closes without events; subclasses call it from their destructor.
  void CloseForDestroy();
  void AddEvent(TEventBase* e) { events_.Add(e); }
  // Makes the first row current (Bof) and tells the controls.
  void ResetToFirst(bool notify = true);
  int SlotCount() const { return slotCount_; }
  // Makes fields from the definitions, or binds the persistent fields to them.
  void BindFields();
  void DestroyDynamicFields();
  // Whether the filter accepts a row's values.
  bool AcceptRow(const QVariantList& values);
  // After the subclass reordered or refilled its rows: keep `keep` current.
  void RepositionAfterChange(const TBookmark& keep, bool notify = true);
  void SetCurrentRow(int row);
  void ClearBuffers();
  static bool MatchesValue(const QVariant& stored, const QVariant& wanted, TLocateOptions options);
  QList<TField*> FieldList(const QString& names) const;
  QVariantList KeyValueList(const QVariant& keyValues, int count) const;

private:
  void SetState(TDataSetState s);
  void OpenCursor();
  void CloseCursor();
  void BeginInsertAppend();
  void EndInsertAppend();
  void CheckActive() const;
  void CheckCanModify() const;
  void CheckRequiredFields();
  void CalculateFields(QVariantList* values);
  void CalculateCurrent();
  bool HasCalcFields() const;
  void NotifyDataSources(TDataEvent event, qintptr info);
  void ScrollTo(int row);
  const QVariantList* ActiveValues() const;
  void RegisterEvents();

  QList<TField*> fields_;
  QList<TDataSource*> dataSources_;
  TFieldDefs fieldDefs_;
  TDataSetState state_ = dsInactive;
  TRecordBuffer buffer_;
  int cur_ = -1;
  int insertPos_ = -1;
  int slotCount_ = 0;
  bool bof_ = true;
  bool eof_ = true;
  bool modified_ = false;
  bool readOnly_ = false;
  bool filtered_ = false;
  bool autoCalcFields_ = true;
  bool hasCalc_ = false;
  QList<TField*> dynamic_;
  bool destroying_ = false;
  int disableCount_ = 0;
  TDataSetState disableState_ = dsInactive;
  TDataEvent enableEvent_ = deDataSetChange;
  const QVariantList* readValues_ = nullptr;  // a read scope or filter
  QVariantList* calcValues_ = nullptr;        // while OnCalcFields runs
  TEventTable events_;
};

}  // namespace vantor
