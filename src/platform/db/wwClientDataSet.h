// TwwClientDataSet: the client dataset that the grids and combo boxes of the
// program work with. It adds the per-field control settings the grid reads:
// ControlType lines "FIELD;KIND;PARAMETER" (KIND such as "CheckBox" with the
// checked and unchecked values, or "CustomEdit" with the name of the control
// that edits the field), and picture masks per field.
#pragma once

#include <QStringList>

#include "platform/db/ClientDataSet.h"

namespace vantor {

class TwwClientDataSet : public TClientDataSet {
  Q_OBJECT
  Q_PROPERTY(QStringList ControlType READ ControlType WRITE SetControlType)
  Q_PROPERTY(QStringList PictureMasks READ PictureMasks WRITE SetPictureMasks)

public:
  explicit TwwClientDataSet(QObject* owner = nullptr) : TClientDataSet(owner) {}

  QStringList ControlType() const { return controlType_; }
  void SetControlType(const QStringList& lines) { controlType_ = lines; }
  QStringList PictureMasks() const { return pictureMasks_; }
  void SetPictureMasks(const QStringList& lines) { pictureMasks_ = lines; }

  // The control kind of a field ("" when none is set) and its parameter
  // (everything after the second ";").
  QString ControlTypeOf(const QString& fieldName, QString* parameter = nullptr) const;
  // Sets or replaces the control line of a field; an empty kind removes it.
  void SetControlTypeOf(const QString& fieldName, const QString& kind, const QString& parameter = {});

private:
  int ControlLine(const QString& fieldName) const;
  QStringList controlType_;
  QStringList pictureMasks_;
};

}  // namespace vantor
