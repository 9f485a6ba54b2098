// Component access by the component library's names, on Qt's meta-object
// system and the standard widgets.
#include "language/LangComponents.h"

#include "platform/ui/DialogHost.h"
#include "support/LibRTTI.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDockWidget>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>

#include <QMenu>
#include <QMetaClassInfo>
#include <QMetaProperty>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>

namespace vantor {

namespace {


// The Qt property that stands for a library name on a standard widget.
const char* MappedPropertyName(const QObject* object, const QString& name) {
  if (name.compare(QLatin1String("Caption"), Qt::CaseInsensitive) == 0) {
    if (qobject_cast<const QAbstractButton*>(object) || qobject_cast<const QLabel*>(object) ||
        qobject_cast<const QAction*>(object))
      return "text";
    if (qobject_cast<const QGroupBox*>(object) || qobject_cast<const QMenu*>(object))
      return "title";
    if (qobject_cast<const QDockWidget*>(object))
      return "windowTitle";
    const auto* widget = qobject_cast<const QWidget*>(object);
    if (widget && widget->isWindow())
      return "windowTitle";
    return nullptr;
  }
  if (name.compare(QLatin1String("Hint"), Qt::CaseInsensitive) == 0 &&
      (qobject_cast<const QWidget*>(object) || qobject_cast<const QAction*>(object)))
    return "toolTip";
  return nullptr;
}

bool IsTextType(const QMetaProperty& property) {
  const int id = property.metaType().id();
  return id == QMetaType::QString || id == QMetaType::QByteArray;
}

QMetaProperty FindTextProperty(const QObject* object, const QString& name) {
  QMetaProperty property = FindPropertyByName(object, name);
  if (property.isValid())
    return IsTextType(property) ? property : QMetaProperty();
  if (const char* mapped = MappedPropertyName(object, name)) {
    const int index = object->metaObject()->indexOfProperty(mapped);
    if (index >= 0)
      return object->metaObject()->property(index);
  }
  return QMetaProperty();
}

QMetaProperty FindFontProperty(const QObject* object, const QString& name) {
  const QMetaProperty property = FindPropertyByName(object, name);
  return property.isValid() && property.metaType().id() == QMetaType::QFont ? property : QMetaProperty();
}

bool IsName(const QString& name, const char* expected) {
  return name.compare(QLatin1String(expected), Qt::CaseInsensitive) == 0;
}

QString StripNamespace(const char* className) {
  const QString name = QString::fromLatin1(className);
  const qsizetype colon = name.lastIndexOf(QLatin1String("::"));
  return colon < 0 ? name : name.mid(colon + 2);
}

const QString kSimplifiedFamily = QStringLiteral("Noto Sans CJK SC");
const QString kTraditionalFamily = QStringLiteral("Noto Sans CJK TC");
const QString kCommonCjkFamily = QStringLiteral("WenQuanYi Micro Hei");

}  // namespace

// --- class names ---------------------------------------------------------------------------

QStringList ComponentClassChain(const QObject* object) {
  QStringList names;
  for (const QMetaObject* meta = object ? object->metaObject() : nullptr; meta; meta = meta->superClass())
    names.append(StripNamespace(meta->className()));
  return names;
}

bool InheritsClassName(const QObject* object, const QString& className) {
  return ComponentClassChain(object).contains(className);
}

bool IsFormOrDataModule(const QObject* object) {
  if (!object)
    return false;
  // Popups, tool tips and the like are windows too, but no forms.
  if (const auto* widget = qobject_cast<const QWidget*>(object);
      widget && (widget->windowType() == Qt::Window || widget->windowType() == Qt::Dialog))
    return true;
  const QMetaObject* meta = object->metaObject();
  const int index = meta->indexOfClassInfo("ComponentKind");
  if (index < 0)
    return false;
  const QLatin1String kind(meta->classInfo(index).value());
  return kind == QLatin1String("Form") || kind == QLatin1String("DataModule");
}

// --- texts and fonts -----------------------------------------------------------------------

bool HasTextProperty(const QObject* object, const QString& name) {
  return FindTextProperty(object, name).isValid();
}

QString GetTextProperty(const QObject* object, const QString& name) {
  const QMetaProperty property = FindTextProperty(object, name);
  return property.isValid() ? property.read(object).toString() : QString();
}

bool SetTextProperty(QObject* object, const QString& name, const QString& value) {
  const QMetaProperty property = FindTextProperty(object, name);
  if (!property.isValid() || !property.isWritable())
    return false;
  if (property.metaType().id() == QMetaType::QByteArray)
    return property.write(object, value.toUtf8());
  return property.write(object, value);
}

bool HasFontProperty(const QObject* object, const QString& name) {
  return FindFontProperty(object, name).isValid();
}

QFont GetFontProperty(const QObject* object, const QString& name) {
  const QMetaProperty property = FindFontProperty(object, name);
  return property.isValid() ? property.read(object).value<QFont>() : QFont();
}

bool SetFontProperty(QObject* object, const QString& name, const QFont& font) {
  const QMetaProperty property = FindFontProperty(object, name);
  return property.isValid() && property.isWritable() && property.write(object, font);
}

void SetFontCharset(QFont& font, int charset) {
  QStringList families{font.family()};
  if (charset == GB2312_CHARSET)
    families << kSimplifiedFamily << kCommonCjkFamily;
  else if (charset == CHINESEBIG5_CHARSET)
    families << kTraditionalFamily << kCommonCjkFamily;
  font.setFamilies(families);
}

int FontCharsetOf(const QFont& font) {
  const QStringList families = font.families();
  if (families.contains(kTraditionalFamily))
    return CHINESEBIG5_CHARSET;
  if (families.contains(kSimplifiedFamily))
    return GB2312_CHARSET;
  return DEFAULT_CHARSET;
}

// --- string lists --------------------------------------------------------------------------

TStringsRef TStringsRef::Of(QObject* object, const QString& name) {
  TStringsRef ref;
  if (!object || name.isEmpty())
    return ref;
  ref.object_ = object;
  const QMetaProperty property = FindPropertyByName(object, name);
  if (property.isValid() && property.metaType().id() == QMetaType::QStringList) {
    ref.kind_ = kProperty;
    ref.property_ = property.name();
  } else if (IsName(name, "Items") && qobject_cast<QComboBox*>(object)) {
    ref.kind_ = kComboItems;
  } else if (IsName(name, "Items") && qobject_cast<QListWidget*>(object)) {
    ref.kind_ = kListItems;
  } else if (IsName(name, "Lines") && qobject_cast<QPlainTextEdit*>(object)) {
    ref.kind_ = kPlainLines;
  } else if (IsName(name, "Lines") && qobject_cast<QTextEdit*>(object)) {
    ref.kind_ = kRichLines;
  }
  return ref;
}

QStringList TStringsRef::Lines() const {
  if (!IsValid())
    return {};
  switch (kind_) {
    case kProperty: return object_->property(property_.constData()).toStringList();
    case kComboItems: {
      const auto* combo = static_cast<const QComboBox*>(object_.data());
      QStringList lines;
      for (int i = 0; i < combo->count(); ++i)
        lines.append(combo->itemText(i));
      return lines;
    }
    case kListItems: {
      const auto* list = static_cast<const QListWidget*>(object_.data());
      QStringList lines;
      for (int i = 0; i < list->count(); ++i)
        lines.append(list->item(i)->text());
      return lines;
    }
    case kPlainLines: {
      const QString text = static_cast<const QPlainTextEdit*>(object_.data())->toPlainText();
      return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
    }
    case kRichLines: {
      const QString text = static_cast<const QTextEdit*>(object_.data())->toPlainText();
      return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
    }
    case kNone: break;
  }
  return {};
}

void TStringsRef::SetLines(const QStringList& lines) {
  if (!IsValid())
    return;
  switch (kind_) {
    case kProperty: object_->setProperty(property_.constData(), lines); break;
    case kComboItems: {
      auto* combo = static_cast<QComboBox*>(object_.data());
      for (int i = 0; i < lines.size(); ++i)
        i < combo->count() ? combo->setItemText(i, lines[i]) : combo->addItem(lines[i]);
      while (combo->count() > lines.size())
        combo->removeItem(combo->count() - 1);
      break;
    }
    case kListItems: {
      auto* list = static_cast<QListWidget*>(object_.data());
      for (int i = 0; i < lines.size(); ++i)
        i < list->count() ? list->item(i)->setText(lines[i]) : list->addItem(lines[i]);
      while (list->count() > lines.size())
        delete list->takeItem(list->count() - 1);
      break;
    }
    case kPlainLines:
      static_cast<QPlainTextEdit*>(object_.data())->setPlainText(lines.join(QLatin1Char('\n')));
      break;
    case kRichLines:
      static_cast<QTextEdit*>(object_.data())->setPlainText(lines.join(QLatin1Char('\n')));
      break;
    case kNone: break;
  }
}

int TStringsRef::Count() const {
  if (!IsValid())
    return 0;
  if (kind_ == kComboItems)
    return static_cast<const QComboBox*>(object_.data())->count();
  if (kind_ == kListItems)
    return static_cast<const QListWidget*>(object_.data())->count();
  return int(Lines().size());
}

QString TStringsRef::Get(int index) const {
  if (!IsValid() || index < 0)
    return QString();
  if (kind_ == kComboItems)
    return static_cast<const QComboBox*>(object_.data())->itemText(index);
  if (kind_ == kListItems) {
    const QListWidgetItem* item = static_cast<const QListWidget*>(object_.data())->item(index);
    return item ? item->text() : QString();
  }
  return Lines().value(index);
}

void TStringsRef::Set(int index, const QString& text) {
  if (!IsValid() || index < 0)
    return;
  if (kind_ == kComboItems) {
    auto* combo = static_cast<QComboBox*>(object_.data());
    while (combo->count() <= index)
      combo->addItem(QString());
    combo->setItemText(index, text);
    return;
  }
  if (kind_ == kListItems) {
    auto* list = static_cast<QListWidget*>(object_.data());
    while (list->count() <= index)
      list->addItem(QString());
    list->item(index)->setText(text);
    return;
  }
  QStringList lines = Lines();
  while (lines.size() <= index)
    lines.append(QString());
  lines[index] = text;
  SetLines(lines);
}

int ComboItemIndex(const QObject* combo) {
  if (const auto* box = qobject_cast<const QComboBox*>(combo))
    return box->currentIndex();
  const QMetaProperty property = FindPropertyByName(combo, QStringLiteral("ItemIndex"));
  return property.isValid() ? property.read(combo).toInt() : -1;
}

void SetComboItemIndex(QObject* combo, int index) {
  if (auto* box = qobject_cast<QComboBox*>(combo)) {
    box->setCurrentIndex(index < box->count() ? index : -1);
    return;
  }
  const QMetaProperty property = FindPropertyByName(combo, QStringLiteral("ItemIndex"));
  if (property.isValid() && property.isWritable())
    property.write(combo, index);
}

}  // namespace vantor
