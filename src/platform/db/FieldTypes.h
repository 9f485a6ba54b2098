// The field classes by data type, named and numbered as the component
// library names them. Each knows its stored form and how text converts:
//   text (string, fixed char, wide string, memo)   QString, at most Size characters
//   small integer, integer, word, auto-increment     int, range-checked
//   large integer                                    qint64
//   float, currency, BCD                             double (BCD rounded to Size decimals)
//   Boolean                                          bool
//   date, time, date-time                            TDateTime (double)
//   bytes, var-bytes, blob, graphic                  QByteArray
// Numeric and date fields format their text with DisplayFormat (display) and
// EditFormat (editing, falling back to DisplayFormat).
#pragma once

#include "platform/db/Field.h"

namespace vantor {

class TStringField : public TField {
  Q_OBJECT
public:
  explicit TStringField(QObject* owner = nullptr, TFieldType type = ftString);
  QVariant Coerce(const QVariant& v) const override;
protected:
  int DefaultWidth() const override { return Size() > 0 ? Size() : 20; }
};

class TWideStringField : public TStringField {
  Q_OBJECT
public:
  explicit TWideStringField(QObject* owner = nullptr) : TStringField(owner, ftWideString) {}
};

class TNumericField : public TField {
  Q_OBJECT
  Q_PROPERTY(QString DisplayFormat READ DisplayFormat WRITE SetDisplayFormat)
  Q_PROPERTY(QString EditFormat READ EditFormat WRITE SetEditFormat)
public:
  TNumericField(TFieldType type, QObject* owner);
  QString DisplayFormat() const { return displayFormat_; }
  void SetDisplayFormat(const QString& f);
  QString EditFormat() const { return editFormat_; }
  void SetEditFormat(const QString& f);
protected:
  // The picture for display or editing; empty means the type's default.
  QString Picture(bool display) const;
private:
  QString displayFormat_;
  QString editFormat_;
};

class TIntegerField : public TNumericField {
  Q_OBJECT
  Q_PROPERTY(int MinValue READ MinValue WRITE SetMinValue)
  Q_PROPERTY(int MaxValue READ MaxValue WRITE SetMaxValue)
public:
  explicit TIntegerField(QObject* owner = nullptr, TFieldType type = ftInteger);
  QVariant Coerce(const QVariant& v) const override;
  int MinValue() const { return minValue_; }
  void SetMinValue(int v) { minValue_ = v; }
  int MaxValue() const { return maxValue_; }
  void SetMaxValue(int v) { maxValue_ = v; }
protected:
  QString FormatText(const QVariant& stored, bool display) const override;
  int DefaultWidth() const override;
private:
  qint64 TypeMin() const;
  qint64 TypeMax() const;
  int minValue_ = 0;
  int maxValue_ = 0;
};

class TSmallintField : public TIntegerField {
  Q_OBJECT
public:
  explicit TSmallintField(QObject* owner = nullptr) : TIntegerField(owner, ftSmallint) {}
};

class TWordField : public TIntegerField {
  Q_OBJECT
public:
  explicit TWordField(QObject* owner = nullptr) : TIntegerField(owner, ftWord) {}
};

class TAutoIncField : public TIntegerField {
  Q_OBJECT
public:
  explicit TAutoIncField(QObject* owner = nullptr) : TIntegerField(owner, ftAutoInc) {}
};

class TLargeintField : public TNumericField {
  Q_OBJECT
public:
  explicit TLargeintField(QObject* owner = nullptr) : TNumericField(ftLargeint, owner) {}
  QVariant Coerce(const QVariant& v) const override;
protected:
  QString FormatText(const QVariant& stored, bool display) const override;
  int DefaultWidth() const override { return 15; }
};

class TFloatField : public TNumericField {
  Q_OBJECT
  Q_PROPERTY(bool Currency READ Currency WRITE SetCurrency)
  Q_PROPERTY(int Precision READ Precision WRITE SetPrecision)
  Q_PROPERTY(double MinValue READ MinValue WRITE SetMinValue)
  Q_PROPERTY(double MaxValue READ MaxValue WRITE SetMaxValue)
public:
  explicit TFloatField(QObject* owner = nullptr, TFieldType type = ftFloat);
  QVariant Coerce(const QVariant& v) const override;
  bool Currency() const { return currency_; }
  void SetCurrency(bool v) { currency_ = v; }
  int Precision() const { return precision_; }
  void SetPrecision(int p) { precision_ = p; }
  double MinValue() const { return minValue_; }
  void SetMinValue(double v) { minValue_ = v; }
  double MaxValue() const { return maxValue_; }
  void SetMaxValue(double v) { maxValue_ = v; }
protected:
  QString FormatText(const QVariant& stored, bool display) const override;
  // Rounding or range rules of the subtype, applied to every stored value.
  virtual double Normalize(double v) const;
private:
  bool currency_ = false;
  int precision_ = 15;
  double minValue_ = 0;
  double maxValue_ = 0;
};

// Money: kept to four decimals.
class TCurrencyField : public TFloatField {
  Q_OBJECT
public:
  explicit TCurrencyField(QObject* owner = nullptr);
protected:
  double Normalize(double v) const override;
};

// Size is the number of decimals (default 4), Precision the total digits.
class TBCDField : public TFloatField {
  Q_OBJECT
public:
  explicit TBCDField(QObject* owner = nullptr);
protected:
  double Normalize(double v) const override;
};

class TBooleanField : public TField {
  Q_OBJECT
  Q_PROPERTY(QString DisplayValues READ DisplayValues WRITE SetDisplayValues)
public:
  explicit TBooleanField(QObject* owner = nullptr);
  QVariant Coerce(const QVariant& v) const override;
  QString DisplayValues() const { return displayValues_; }
  void SetDisplayValues(const QString& v) { displayValues_ = v; }
protected:
  QString StoredToString(const QVariant& stored) const override;
  int DefaultWidth() const override { return 5; }
private:
  QString TextOf(bool b) const;
  QString displayValues_;
};

class TDateTimeField : public TField {
  Q_OBJECT
  Q_PROPERTY(QString DisplayFormat READ DisplayFormat WRITE SetDisplayFormat)
public:
  explicit TDateTimeField(QObject* owner = nullptr, TFieldType type = ftDateTime);
  QVariant Coerce(const QVariant& v) const override;
  QString DisplayFormat() const { return displayFormat_; }
  void SetDisplayFormat(const QString& f) { displayFormat_ = f; }
protected:
  QString StoredToString(const QVariant& stored) const override;
  QString FormatText(const QVariant& stored, bool display) const override;
  int DefaultWidth() const override;
private:
  QString DefaultPicture() const;
  double ParseText(const QString& text) const;
  QString displayFormat_;
};

class TDateField : public TDateTimeField {
  Q_OBJECT
public:
  explicit TDateField(QObject* owner = nullptr) : TDateTimeField(owner, ftDate) {}
};

class TTimeField : public TDateTimeField {
  Q_OBJECT
public:
  explicit TTimeField(QObject* owner = nullptr) : TDateTimeField(owner, ftTime) {}
};

// Bytes, var-bytes, blob and graphic fields hold raw bytes; AsString maps
// each byte to one character.
class TBinaryField : public TField {
  Q_OBJECT
public:
  explicit TBinaryField(QObject* owner = nullptr, TFieldType type = ftBlob);
  QVariant Coerce(const QVariant& v) const override;
protected:
  QString StoredToString(const QVariant& stored) const override;
};

class TBytesField : public TBinaryField {
  Q_OBJECT
public:
  explicit TBytesField(QObject* owner = nullptr) : TBinaryField(owner, ftBytes) {}
};

class TVarBytesField : public TBinaryField {
  Q_OBJECT
public:
  explicit TVarBytesField(QObject* owner = nullptr) : TBinaryField(owner, ftVarBytes) {}
};

class TBlobField : public TBinaryField {
  Q_OBJECT
public:
  explicit TBlobField(QObject* owner = nullptr, TFieldType type = ftBlob) : TBinaryField(owner, type) {}
};

class TGraphicField : public TBlobField {
  Q_OBJECT
public:
  explicit TGraphicField(QObject* owner = nullptr) : TBlobField(owner, ftGraphic) {}
};

// Memo text has no length limit.
class TMemoField : public TField {
  Q_OBJECT
public:
  explicit TMemoField(QObject* owner = nullptr);
  QVariant Coerce(const QVariant& v) const override;
};

// The column that holds the rows of a nested detail dataset.
class TDataSetField : public TField {
  Q_OBJECT
public:
  explicit TDataSetField(QObject* owner = nullptr);
  QVariant Coerce(const QVariant& v) const override;
  // The detail dataset bound to this field (its DataSetField), if any.
  TDataSet* NestedDataSet() const { return nested_; }
  void SetNestedDataSet(TDataSet* ds) { nested_ = ds; }
protected:
  QString StoredToString(const QVariant& stored) const override;
private:
  TDataSet* nested_ = nullptr;
};

// A summary over all rows: SUM(F), AVG(F), MIN(F), MAX(F), COUNT(F) or COUNT(*).
class TAggregateField : public TField {
  Q_OBJECT
  Q_PROPERTY(QString Expression READ Expression WRITE SetExpression)
  Q_PROPERTY(QString DisplayFormat READ DisplayFormat WRITE SetDisplayFormat)
  Q_PROPERTY(bool Active READ Active WRITE SetActive)
public:
  explicit TAggregateField(QObject* owner = nullptr);
  QVariant Coerce(const QVariant& v) const override;
  QString Expression() const { return expression_; }
  void SetExpression(const QString& e) { expression_ = e; }
  QString DisplayFormat() const { return displayFormat_; }
  void SetDisplayFormat(const QString& f) { displayFormat_ = f; }
  bool Active() const { return active_; }
  void SetActive(bool v) { active_ = v; }
protected:
  QString FormatText(const QVariant& stored, bool display) const override;
private:
  QString expression_;
  QString displayFormat_;
  bool active_ = true;
};

// The field class for a data type (ftString → TStringField, ...).
TField* CreateFieldOfType(TFieldType type, QObject* owner);
// The type's stored QVariant type id (QMetaType::QString, Int, Double...).
int StoredTypeId(TFieldType type);
// True for the types counted as numbers by comparisons and formats.
bool IsNumericType(TFieldType type);

}  // namespace vantor
