// TDataSource and TDataLink: how data-aware controls hear about a dataset.
// A dataset tells each of its data sources about every change of state,
// record and position; a data source hands that on to its links and fires
// OnDataChange and OnStateChange. While the dataset's controls are disabled
// nothing is passed on.
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

#include "platform/db/DBEvents.h"
#include "platform/db/DBTypes.h"

namespace vantor {

class TDataSet;
class TDataSource;
class TField;

class TDataLink {
public:
  TDataLink();
  virtual ~TDataLink();
  TDataLink(const TDataLink&) = delete;
  TDataLink& operator=(const TDataLink&) = delete;

  TDataSource* DataSource() const { return dataSource_; }
  void SetDataSource(TDataSource* ds);
  TDataSet* DataSet() const;
  // The data source has an open dataset.
  bool Active() const { return active_; }
  // The dataset is in edit or insert state.
  bool Editing() const { return editing_; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool v);
  // Puts the dataset into edit state when the data source allows it;
  // answers whether the dataset is editing afterwards.
  bool Edit();
  // Pushes what the controls hold into the record (before a post).
  void UpdateRecord();

protected:
  virtual void ActiveChanged() {}
  virtual void DataSetChanged() { RecordChanged(nullptr); }
  virtual void DataSetScrolled(int distance) { DataSetChanged(); }
  virtual void RecordChanged(TField* field) {}
  virtual void EditingChanged() {}
  virtual void UpdateData() {}
  virtual void CheckBrowseMode() {}
  virtual void LayoutChanged() { DataSetChanged(); }
  virtual void FocusControl(TField* field) {}

private:
  friend class TDataSource;
  void DataEvent(TDataEvent event, qintptr info);
  void UpdateState();
  TDataSource* dataSource_ = nullptr;
  bool active_ = false;
  bool editing_ = false;
  bool readOnly_ = false;
  bool updating_ = false;
};

class TDataSource : public QObject {
  Q_OBJECT
  Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
  Q_PROPERTY(bool AutoEdit READ AutoEdit WRITE SetAutoEdit)

public:
  explicit TDataSource(QObject* owner = nullptr);
  ~TDataSource() override;

  TDataSet* DataSet() const { return dataSet_; }
  void SetDataSet(TDataSet* ds);
  TDataSetState State() const;
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  bool AutoEdit() const { return autoEdit_; }
  void SetAutoEdit(bool v) { autoEdit_ = v; }
  void Edit();
  const QList<TDataLink*>& DataLinks() const { return links_; }

  TEvent<void(TField*)> OnDataChange{QStringLiteral("OnDataChange")};
  TEvent<void(TDataSource*)> OnStateChange{QStringLiteral("OnStateChange")};
  TEvent<void(TDataSource*)> OnUpdateData{QStringLiteral("OnUpdateData")};
  TEventBase* GetEvent(const QString& name) const { return events_.Find(name); }

private:
  friend class TDataSet;
  friend class TDataLink;
  // Called by the dataset.
  void DataEvent(TDataEvent event, qintptr info);
  void NotifyLinks(TDataEvent event, qintptr info);
  void AddLink(TDataLink* l) { links_ << l; }
  void RemoveLink(TDataLink* l) { links_.removeAll(l); }

  QPointer<TDataSet> dataSet_;
  QList<TDataLink*> links_;
  bool enabled_ = true;
  bool autoEdit_ = true;
  TDataSetState lastState_ = dsInactive;
  TEventTable events_;
};

}  // namespace vantor
