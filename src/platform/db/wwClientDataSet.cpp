// Control settings of the grid's client dataset.
#include "platform/db/wwClientDataSet.h"

namespace vantor {

int TwwClientDataSet::ControlLine(const QString& fieldName) const {
  for (int i = 0; i < controlType_.size(); ++i)
    if (controlType_.at(i).section(QLatin1Char(';'), 0, 0).trimmed().compare(fieldName, Qt::CaseInsensitive) == 0)
      return i;
  return -1;
}

QString TwwClientDataSet::ControlTypeOf(const QString& fieldName, QString* parameter) const {
  const int i = ControlLine(fieldName);
  if (parameter) *parameter = i < 0 ? QString() : controlType_.at(i).section(QLatin1Char(';'), 2);
  return i < 0 ? QString() : controlType_.at(i).section(QLatin1Char(';'), 1, 1);
}

void TwwClientDataSet::SetControlTypeOf(const QString& fieldName, const QString& kind, const QString& parameter) {
  const int i = ControlLine(fieldName);
  if (kind.isEmpty()) {
    if (i >= 0) controlType_.removeAt(i);
    return;
  }
  const QString line = fieldName + QLatin1Char(';') + kind + QLatin1Char(';') + parameter;
  if (i >= 0)
    controlType_[i] = line;
  else
    controlType_ << line;
}

}  // namespace vantor
