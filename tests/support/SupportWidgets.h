// Components for the helper tests: an object with a published property of
// every kind and an event slot of its own, data-bound controls under the
// class names the colour rule knows, a control with a tab order of its own
// and a grid with a data source.
#pragma once

#include "platform/db/DBEvents.h"
#include "platform/db/DataSource.h"
#include "support/LibRTTI.h"

#include <QChar>
#include <QLineEdit>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTableView>
#include <QVariant>

namespace vantor::test {

class TSampleComponent : public QObject, public IEventOwner {
  Q_OBJECT
  Q_INTERFACES(vantor::IEventOwner)
  Q_PROPERTY(QString Caption MEMBER Caption)
  Q_PROPERTY(int Color MEMBER Color)
  Q_PROPERTY(bool Enabled MEMBER Enabled)
  Q_PROPERTY(TAlign Align MEMBER Align)
  Q_PROPERTY(TOptions Options READ GetOptions WRITE SetOptions)
  Q_PROPERTY(QObject* Buddy MEMBER Buddy)
  Q_PROPERTY(double Ratio MEMBER Ratio)
  Q_PROPERTY(qint64 Big MEMBER Big)
  Q_PROPERTY(QChar Letter MEMBER Letter)
  Q_PROPERTY(QStringList Lines MEMBER Lines)
  Q_PROPERTY(QVariant Data MEMBER Data)
  Q_PROPERTY(QString Fixed READ Fixed)

public:
  enum TAlign { alNone, alTop, alBottom, alClient };
  Q_ENUM(TAlign)
  enum TOption { goFixed = 1, goEditing = 2, goTabs = 4 };
  Q_DECLARE_FLAGS(TOptions, TOption)
  Q_FLAG(TOptions)

  QString Caption;
  int Color = 0;
  bool Enabled = true;
  TAlign Align = alNone;
  TOptions Options;
  QObject* Buddy = nullptr;
  double Ratio = 0;
  qint64 Big = 0;
  QChar Letter;
  QStringList Lines;
  QVariant Data;
  QString Fixed() const { return QStringLiteral("fixed"); }
  TOptions GetOptions() const { return Options; }
  void SetOptions(TOptions o) { Options = o; }

  TEvent<void(TSampleComponent*)> OnClick{QStringLiteral("OnClick")};
  TEventBase* GetEvent(const QString& name) const override {
    return name.compare(QLatin1String("OnClick"), Qt::CaseInsensitive) == 0 ? const_cast<TEvent<void(TSampleComponent*)>*>(&OnClick)
                                                                             : nullptr;
  }
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TSampleComponent::TOptions)

// An edit bound to a field, with the component library's colour property.
class TBoundEdit : public QLineEdit {
  Q_OBJECT
  Q_PROPERTY(QString DataField MEMBER DataField)
  Q_PROPERTY(int Color MEMBER Color)

public:
  using QLineEdit::QLineEdit;
  QString DataField;
  int Color = -1;
};

class TFDbCheckBox : public TBoundEdit {
  Q_OBJECT
public:
  using TBoundEdit::TBoundEdit;
};

class TwwDBComboBox : public TBoundEdit {
  Q_OBJECT
public:
  using TBoundEdit::TBoundEdit;
};

class TOrderedEdit : public QLineEdit {
  Q_OBJECT
  Q_PROPERTY(int TabOrder MEMBER TabOrder)
public:
  using QLineEdit::QLineEdit;
  int TabOrder = 0;
};

class TTestGrid : public QTableView {
  Q_OBJECT
  Q_PROPERTY(QObject* DataSource READ DataSource WRITE SetDataSource)
public:
  using QTableView::QTableView;
  QObject* DataSource() const { return source_; }
  void SetDataSource(QObject* s) { source_ = s; }

private:
  QPointer<QObject> source_;
};

}  // namespace vantor::test
