// TField: one column of a dataset as the program sees it. A field is a
// QObject child of its dataset (component name = objectName) whose published
// properties carry the component library's names, so that language files,
// settings documents and grid layouts reach them by name.
//
// Every assignment, whatever its form (Text, AsString, AsInteger, Value...),
// runs the same road: the text or value is converted by the field's type (a
// conversion error changes nothing) → OnValidate, which sees the new value
// through the field itself → the value is stored in the record → OnChange →
// the data sources are told. An exception before the store leaves the old
// value and the record as they were.
#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

#include "platform/db/DBEvents.h"
#include "platform/db/DBTypes.h"
#include "platform/variant/Variants.h"

namespace vantor {

class TDataSet;

class TField : public QObject {
  Q_OBJECT
  Q_PROPERTY(QString FieldName READ FieldName WRITE SetFieldName)
  Q_PROPERTY(QString DisplayLabel READ DisplayLabel WRITE SetDisplayLabel)
  Q_PROPERTY(QString DisplayName READ DisplayName)
  Q_PROPERTY(int DisplayWidth READ DisplayWidth WRITE SetDisplayWidth)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
  Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
  Q_PROPERTY(bool Required READ Required WRITE SetRequired)
  Q_PROPERTY(int Index READ Index WRITE SetIndex)
  Q_PROPERTY(QString EditMask READ EditMask WRITE SetEditMask)
  Q_PROPERTY(int Size READ Size WRITE SetSize)
  Q_PROPERTY(int Alignment READ Alignment WRITE SetAlignment)
  Q_PROPERTY(int FieldKind READ FieldKindInt WRITE SetFieldKindInt)
  Q_PROPERTY(int DataType READ DataTypeInt)

public:
  // A field whose owner is a dataset joins that dataset's field list.
  explicit TField(TFieldType type, QObject* owner = nullptr);
  ~TField() override;

  TDataSet* DataSet() const { return dataSet_; }
  // Moves the field into a dataset's field list (and makes it its child).
  void SetDataSet(TDataSet* ds);

  QString FieldName() const { return fieldName_; }
  void SetFieldName(const QString& name);
  TFieldType DataType() const { return dataType_; }
  TFieldKind FieldKind() const { return kind_; }
  void SetFieldKind(TFieldKind k);
  QString DisplayLabel() const { return displayLabel_.isEmpty() ? fieldName_ : displayLabel_; }
  void SetDisplayLabel(const QString& s);
  // What messages call the field: its label, else its name.
  QString DisplayName() const { return DisplayLabel(); }
  int DisplayWidth() const { return displayWidth_ >= 0 ? displayWidth_ : DefaultWidth(); }
  void SetDisplayWidth(int w);
  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool v) { readOnly_ = v; }
  bool Required() const { return required_; }
  void SetRequired(bool v) { required_ = v; }
  // Position in the dataset's field list; assigning it reorders the fields.
  int Index() const;
  void SetIndex(int i);
  QString EditMask() const { return editMask_; }
  void SetEditMask(const QString& m) { editMask_ = m; }
  int Size() const { return size_; }
  virtual void SetSize(int s) { size_ = s; }
  int Alignment() const { return alignment_; }
  void SetAlignment(int a);
  bool IsBlob() const;
  // The dataset may change this field now (state and read-only flags).
  bool CanModify() const;

  // --- values ---------------------------------------------------------------
  QVariant Value() const;         // Null when empty
  void SetValue(const QVariant& v);
  bool IsNull() const;
  void Clear();
  QVariant OldValue() const;      // the value as fetched, for a changed row

  QString AsString() const;
  void SetAsString(const QString& s);
  int AsInteger() const;
  void SetAsInteger(int v);
  qint64 AsLargeInt() const;
  void SetAsLargeInt(qint64 v);
  double AsFloat() const;
  void SetAsFloat(double v);
  double AsCurrency() const { return AsFloat(); }
  void SetAsCurrency(double v) { SetAsFloat(v); }
  bool AsBoolean() const;
  void SetAsBoolean(bool v);
  TDateTime AsDateTime() const;
  void SetAsDateTime(TDateTime v);

  // The edit text and the display text, through OnGetText when assigned.
  QString Text() const;
  void SetText(const QString& s);   // through OnSetText when assigned
  QString DisplayText() const;

  // Asks the data-aware control showing this field to take the focus.
  void FocusControl();

  // --- events -----------------------------------------------------------------
  TEvent<void(TField*, QString& text, bool displayText)> OnGetText{QStringLiteral("OnGetText")};
  TEvent<void(TField*, const QString& text)> OnSetText{QStringLiteral("OnSetText")};
  TEvent<void(TField*)> OnValidate{QStringLiteral("OnValidate")};
  TEvent<void(TField*)> OnChange{QStringLiteral("OnChange")};
  TEventBase* GetEvent(const QString& name) const { return events_.Find(name); }
  QStringList EventNames() const { return events_.Names(); }

  // --- what the dataset and the subclasses use --------------------------------
  // Converts any value into the stored form of this field; raises
  // EConvertError with a message naming the field when it cannot.
  virtual QVariant Coerce(const QVariant& v) const = 0;
  // Like Coerce for values read from a data packet: never raises, keeps the
  // value as it came when it cannot be converted.
  QVariant CoerceLenient(const QVariant& v) const;
  // The storage slot in the dataset's rows (-1 while unbound).
  int Slot() const { return slot_; }
  void SetSlot(int s) { slot_ = s; }
  // Writes a value already in stored form: validate → store → change.
  void SetData(const QVariant& stored);

protected:
  // Text of a stored value for AsString (never called with Null).
  virtual QString StoredToString(const QVariant& stored) const;
  // The text shown; the default is AsString. Numeric and date fields format.
  virtual QString FormatText(const QVariant& stored, bool display) const;
  virtual int DefaultWidth() const { return 10; }
  [[noreturn]] void RaiseConvert(const QString& text, const QString& what) const;
  [[noreturn]] void RaiseRange(double v, double lo, double hi) const;
  [[noreturn]] void RaiseAccess(const QString& typeName) const;

private:
  int FieldKindInt() const { return kind_; }
  void SetFieldKindInt(int k) { SetFieldKind(TFieldKind(k)); }
  int DataTypeInt() const { return dataType_; }
  void NotifyPropertyChange();

  friend class TDataSet;
  TDataSet* dataSet_ = nullptr;
  TFieldType dataType_;
  TFieldKind kind_ = fkData;
  QString fieldName_;
  QString displayLabel_;
  QString editMask_;
  int displayWidth_ = -1;
  int size_ = 0;
  int alignment_ = taLeftJustify;
  bool visible_ = true;
  bool readOnly_ = false;
  bool required_ = false;
  int slot_ = -1;
  // While OnValidate runs, the value being assigned (the field reads it).
  const QVariant* validating_ = nullptr;
  TEventTable events_;
};

}  // namespace vantor
