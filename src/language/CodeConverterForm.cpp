// Converting a whole form: caption, hints, and for every component its
// texts, string lists, fonts and owner-draw styles, then what its class
// holds beyond published properties (list and tree views, tab bars, string
// grids, menus, and controls that convert themselves).
//
// The components of a form are its named descendants in creation order
// (Qt's own inner widgets, named "qt_...", are not components). Standard Qt
// widgets have no owner-draw styles: their style is recorded as the dynamic
// property "Style" with the component library's value names, which is what
// the framework's controls publish as a real property.
#include "language/CodeConverter.h"

#include "language/LangComponents.h"
#include "language/LangPropertyPath.h"
#include "platform/variant/Variants.h"

#include <QComboBox>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMetaEnum>
#include <QMetaProperty>
#include <QTabBar>
#include <QTableWidget>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QWidget>

namespace vantor {

namespace {

constexpr QChar kEntrySeparator(3);

QList<QObject*> FormComponents(QWidget* form) {
  QList<QObject*> components;
  for (QObject* child : form->findChildren<QObject*>()) {
    const QString name = child->objectName();
    if (!name.isEmpty() && !name.startsWith(QLatin1String("qt_")))
      components.append(child);
  }
  return components;
}

QString EntryName(const QString& entry) { return entry.section(kEntrySeparator, 0, 0); }
QString EntryProperties(const QString& entry) {
  const qsizetype separator = entry.indexOf(kEntrySeparator);
  return separator < 0 ? QString() : entry.mid(separator + 1);
}

// The published "Style" as text: a real property (enumeration key or
// text), else the recorded dynamic property, else what a standard combo or
// list widget is by nature.
QString ComponentStyle(const QObject* component) {
  const QMetaObject* meta = component->metaObject();
  const int index = meta->indexOfProperty("Style");
  if (index >= 0) {
    const QMetaProperty property = meta->property(index);
    const QVariant value = property.read(component);
    if (property.isEnumType())
      return QString::fromLatin1(property.enumerator().valueToKey(value.toInt()));
    return value.toString();
  }
  const QVariant recorded = component->property("Style");
  if (recorded.isValid())
    return recorded.toString();
  if (const auto* combo = qobject_cast<const QComboBox*>(component))
    return combo->isEditable() ? QStringLiteral("csDropDown") : QStringLiteral("csDropDownList");
  if (qobject_cast<const QListWidget*>(component))
    return QStringLiteral("lbStandard");
  return QString();
}

void SetComponentStyle(QObject* component, const QString& style) {
  if (component->metaObject()->indexOfProperty("Style") >= 0)
    SetPropertyByPath(component, QStringLiteral("Style"), style);
  else
    component->setProperty("Style", style);
}

void SetOwnerDraw(QObject* component) {
  if (component->metaObject()->indexOfProperty("OwnerDraw") >= 0)
    SetPropertyByPath(component, QStringLiteral("OwnerDraw"), QStringLiteral("True"));
  else
    component->setProperty("OwnerDraw", true);
}

// Owner-drawn styles draw items in the component's own font, so that the
// character set applied to it reaches the item texts too.
void ForceOwnerDraw(QObject* component) {
  const QString style = ComponentStyle(component);
  if (style == QLatin1String("csDropDown")) {
    SetComponentStyle(component, QStringLiteral("csOwnerDrawVariable"));
  } else if (style == QLatin1String("csDropDownList")) {
    const int itemIndex = ComboItemIndex(component);
    SetComponentStyle(component, QStringLiteral("csOwnerDrawFixed"));
    if (itemIndex >= 0 && ComboItemIndex(component) != itemIndex)
      SetComboItemIndex(component, itemIndex);
  } else if (style == QLatin1String("lbStandard")) {
    SetComponentStyle(component, QStringLiteral("lbOwnerDrawFixed"));
  }
}

bool IsMenu(const QObject* component) {
  return qobject_cast<const QMenu*>(component) || qobject_cast<const QMenuBar*>(component) ||
         InheritsClassName(component, QStringLiteral("TMenu"));
}

template <class Convert>
void ConvertTreeItem(QTreeWidgetItem* item, int columns, Convert convert) {
  for (int column = 0; column < columns; ++column)
    item->setText(column, convert(item->text(column)));
}

template <class Convert>
void ConvertTreeWidget(QTreeWidget* tree, bool deep, Convert convert) {
  const int columns = tree->columnCount();
  if (!tree->isHeaderHidden()) {
    // A list view: column captions, item captions and sub-items.
    ConvertTreeItem(tree->headerItem(), columns, convert);
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
      ConvertTreeItem(tree->topLevelItem(i), columns, convert);
  } else if (deep) {
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
      ConvertTreeItem(*it, columns, convert);
  }
}

template <class Convert>
void ConvertTableWidget(QTableWidget* table, Convert convert) {
  for (int row = 0; row < table->rowCount(); ++row)
    for (int column = 0; column < table->columnCount(); ++column)
      if (QTableWidgetItem* item = table->item(row, column))
        item->setText(convert(item->text()));
  for (int column = 0; column < table->columnCount(); ++column)
    if (QTableWidgetItem* item = table->horizontalHeaderItem(column))
      item->setText(convert(item->text()));
  for (int row = 0; row < table->rowCount(); ++row)
    if (QTableWidgetItem* item = table->verticalHeaderItem(row))
      item->setText(convert(item->text()));
}

}  // namespace

void TCodeConverter::ConvertFormExcept(QWidget* form, const QVariant& exclusions, bool deep) {
  if (!translator_)
    return;
  exclusions_.clear();
  const QVariantList items = exclusions.typeId() == QMetaType::QVariantList ? exclusions.toList()
                                                                            : QVariantList{exclusions};
  for (const QVariant& item : items) {
    if (item.typeId() == QMetaType::QVariantList) {
      QStringList parts;
      for (const QVariant& part : item.toList())
        parts.append(VarToStr(part));
      if (!parts.isEmpty())
        exclusions_.append(parts.takeFirst() + kEntrySeparator + parts.join(QLatin1Char(',')));
    } else if (!VarIsBlank(item) && !VarToStr(item).isEmpty()) {
      exclusions_.append(VarToStr(item));
    }
  }
  ConvertForm(form, QStringLiteral("DO"), deep);
}

void TCodeConverter::ConvertForm(QWidget* form, const QString& exclusionFlag, bool deep) {
  if (!translator_ || !form)
    return;
  const bool hasCaption = HasTextProperty(form, QStringLiteral("Caption"));
  if (systemCodePage_ == QLatin1String("950")) {
    // The system draws window captions in its own code page.
    if (hasCaption)
      SetTextProperty(form, QStringLiteral("Caption"), GBToBIG5(GetTextProperty(form, QStringLiteral("Caption"))));
    else
      form->setWindowTitle(GBToBIG5(form->windowTitle()));
  }
  for (const char* hint : {"Hint", "ButtonHint"}) {
    const QString name = QLatin1String(hint);
    if (HasTextProperty(form, name))
      SetTextProperty(form, name, ConvertText(uiConvertMode_, GetTextProperty(form, name)));
  }
  ApplyScreenFonts();
  if (uiConvertMode_ == 0)
    return;
  for (QObject* component : FormComponents(form)) {
    const QString* entry = nullptr;
    if (!exclusionFlag.isEmpty()) {
      for (const QString& candidate : exclusions_)
        if (EntryName(candidate).compare(component->objectName(), Qt::CaseInsensitive) == 0) {
          entry = &candidate;
          break;
        }
    }
    ConvertComponent(component, entry, deep);
  }
}

void TCodeConverter::ConvertStrings(QObject* component, const QString& name, int direction) {
  TStringsRef strings = TStringsRef::Of(component, name);
  if (!strings.IsValid())
    return;
  const bool combo = qobject_cast<QComboBox*>(component) || InheritsClassName(component, QStringLiteral("TCustomComboBox"));
  const int itemIndex = combo ? ComboItemIndex(component) : -1;
  QStringList lines = strings.Lines();
  for (QString& line : lines)
    line = ConvertText(direction, line);
  strings.SetLines(lines);
  if (combo)
    SetComboItemIndex(component, itemIndex);
}

void TCodeConverter::ConvertComponent(QObject* component, const QString* entry, bool deep) {
  const QString properties = entry ? EntryProperties(*entry) : QString();
  if (entry) {
    SetPropertyByPath(component, QStringLiteral("ParentFont"), QStringLiteral("False"));
    if (properties.isEmpty())
      return;
  }
  auto handled = [&](const char* property) {
    return !entry || !properties.contains(QLatin1String(property), Qt::CaseInsensitive);
  };
  for (const char* fontName : {"Font", "TitleFont"}) {
    const QString name = QLatin1String(fontName);
    if (handled(fontName) && HasFontProperty(component, name)) {
      QFont font = GetFontProperty(component, name);
      ApplyFontCharset(uiConvertMode_, font);
      SetFontProperty(component, name, font);
    }
  }
  // An exclusion entry can keep Caption and Hint; ButtonHint is converted
  // only for components without an entry.
  for (const char* textName : {"Caption", "Hint", "ButtonHint"}) {
    const QString name = QLatin1String(textName);
    const bool wanted = name == QLatin1String("ButtonHint") ? !entry : handled(textName);
    if (wanted && HasTextProperty(component, name))
      SetTextProperty(component, name, ConvertText(uiConvertMode_, GetTextProperty(component, name)));
  }
  if (handled("Items"))
    ConvertStrings(component, QStringLiteral("Items"), uiConvertMode_);
  if (handled("Lines"))
    ConvertStrings(component, QStringLiteral("Lines"), uiConvertMode_);
  if (handled("Style") && uiConvertMode_ != 0)
    ForceOwnerDraw(component);
  if (handled("Panels")) {
    QObject* panels = component->property("Panels").value<QObject*>();
    if (auto* collection = qobject_cast<ILangCollection*>(panels))
      for (int i = 0; i < collection->LangItemCount(); ++i)
        if (QObject* panel = collection->LangItem(i))
          SetTextProperty(panel, QStringLiteral("Text"),
                          ConvertText(uiConvertMode_, GetTextProperty(panel, QStringLiteral("Text"))));
  }
  if (!entry)
    ConvertByClass(component, deep);
}

void TCodeConverter::ConvertByClass(QObject* component, bool deep) {
  if (IsMenu(component) && uiConvertMode_ != 0)
    SetOwnerDraw(component);
  const int direction = uiConvertMode_ == 1 ? 1 : uiConvertMode_ == 2 ? 2 : 0;
  if (direction == 0)
    return;
  auto convert = [&](const QString& text) { return ConvertText(direction, text); };
  if (auto* convertible = dynamic_cast<ICodeConvertible*>(component)) {
    convertible->ConvertTexts(*this, direction, deep);
  } else if (auto* tree = qobject_cast<QTreeWidget*>(component)) {
    ConvertTreeWidget(tree, deep, convert);
  } else if (auto* tabs = qobject_cast<QTabBar*>(component)) {
    const int current = tabs->currentIndex();
    for (int i = 0; i < tabs->count(); ++i)
      tabs->setTabText(i, convert(tabs->tabText(i)));
    tabs->setCurrentIndex(current);
  } else if (auto* combo = qobject_cast<QComboBox*>(component)) {
    if (ComponentStyle(combo) != QLatin1String("csSimple"))
      SetComponentStyle(combo, QStringLiteral("csOwnerDrawFixed"));
    if (combo->currentIndex() < 0 && combo->count() > 0)
      combo->setCurrentIndex(0);
  } else if (auto* table = qobject_cast<QTableWidget*>(component); table && deep) {
    ConvertTableWidget(table, convert);
  }
}

}  // namespace vantor
