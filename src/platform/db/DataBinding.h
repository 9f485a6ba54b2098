// Data-aware widgets. A widget mixes in TDataAwareWidget (show a value, tell
// what the user entered, null versus empty, read-only, a listener for the
// user's commits); one TDataBinder per data source fills every widget bound
// to a field of its dataset and writes the user's entries back through the
// field's Text, so OnSetText, OnValidate and the type's conversion all apply.
// A refused entry puts the field's text back into the widget and reports the
// error through the binder's error handler (never through the event loop).
#pragma once

#include <QLineEdit>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QVariant>
#include <functional>
#include <memory>

#include "platform/db/DataSource.h"

namespace vantor {

class Exception;
class TDataBinder;
class TField;

class TDataAwareWidget {
public:
  TDataAwareWidget() = default;
  virtual ~TDataAwareWidget();
  TDataAwareWidget(const TDataAwareWidget&) = delete;
  TDataAwareWidget& operator=(const TDataAwareWidget&) = delete;

  // Shows a field's value: Null for an empty field, with the text to show.
  virtual void ShowFieldValue(const QVariant& value, const QString& text) = 0;
  // What the user entered: Null() when the widget still shows an empty field
  // untouched, otherwise the text (which may be empty: an emptied field).
  virtual QVariant EnteredValue() const = 0;
  // The user changed the widget since it was last filled.
  virtual bool UserModified() const = 0;
  virtual void SetDataReadOnly(bool readOnly) = 0;

  // The binder that fills this widget, set by TDataBinder::Bind.
  TDataBinder* Binder() const { return binder_; }

protected:
  // The user began to change the value (the binder puts the dataset into
  // edit state) and finished an entry (the binder writes it to the field).
  void NotifyEditing();
  void NotifyCommit();

private:
  friend class TDataBinder;
  QPointer<TDataBinder> binder_;
};

class TDataBinder : public QObject {
  Q_OBJECT
public:
  explicit TDataBinder(TDataSource* source, QObject* parent = nullptr);
  ~TDataBinder() override;

  TDataSource* DataSource() const;
  void Bind(TDataAwareWidget* widget, const QString& fieldName);
  void Unbind(TDataAwareWidget* widget);
  TField* FieldOf(const TDataAwareWidget* widget) const;
  // Fills every bound widget from the current record.
  void Refresh();
  // Writes the widget's entry to its field; false when it was refused.
  bool Commit(TDataAwareWidget* widget);
  // Receives the errors of refused entries; by default they go to qWarning.
  void SetErrorHandler(std::function<void(const Exception&)> handler) { onError_ = std::move(handler); }

private:
  class TLink;
  struct TBinding {
    TDataAwareWidget* Widget;
    QString FieldName;
  };
  friend class TDataAwareWidget;
  friend class TLink;
  void WidgetEditing(TDataAwareWidget* widget);
  void CommitOrThrow(TDataAwareWidget* widget);
  void Fill(const TBinding& b);
  void FillField(TField* field);
  void CommitModified();
  void ReportError(const Exception& e);
  TBinding* Find(const TDataAwareWidget* widget);
  const TBinding* Find(const TDataAwareWidget* widget) const;

  std::unique_ptr<TLink> link_;
  QList<TBinding> bindings_;
  std::function<void(const Exception&)> onError_;
  bool filling_ = false;
};

// A line edit bound to a field: shows the field's text, and typing then
// leaving the edit (or Enter) assigns the text to the field.
class TDBLineEdit : public QLineEdit, public TDataAwareWidget {
  Q_OBJECT
public:
  explicit TDBLineEdit(QWidget* parent = nullptr);

  void ShowFieldValue(const QVariant& value, const QString& text) override;
  QVariant EnteredValue() const override;
  bool UserModified() const override { return userModified_; }
  void SetDataReadOnly(bool readOnly) override { setReadOnly(readOnly); }
  // The edit shows an empty field that the user has not touched.
  bool ShowsNull() const { return showsNull_; }

private:
  void UserEdited();
  void EditingDone();
  bool showsNull_ = true;
  bool userModified_ = false;
};

}  // namespace vantor
