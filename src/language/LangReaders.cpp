// The readers that apply a language document to components: the walk over
// a component and what it owns, and the per-component attribute readers
// with their property paths ("Items_3", "Columns_0.Caption", "Font.Name").
#include "language/LangComponents.h"
#include "language/LangPropertyPath.h"
#include "language/LanguageController.h"

#include <QComboBox>
#include <QMetaProperty>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <optional>

namespace vantor {

namespace {

// What a path segment can lead to: an object, a column or an item of a list
// view (a tree widget with a visible header), a node of a tree view (one
// with a hidden header), or a string list.
struct TLangTarget {
  enum TKind { kNone, kObject, kListColumn, kListItem, kTreeNode, kStrings };
  TKind Kind = kNone;
  QObject* Object = nullptr;
  QTreeWidget* Tree = nullptr;
  QTreeWidgetItem* Item = nullptr;
  int Column = -1;
  TStringsRef Strings;

  static TLangTarget Of(QObject* object) {
    TLangTarget target;
    target.Kind = object ? kObject : kNone;
    target.Object = object;
    return target;
  }
};

// "Items_3" → ("Items", 3); a name without a numeric suffix has no index.
std::pair<QString, std::optional<int>> SplitIndex(const QString& name) {
  const qsizetype underscore = name.lastIndexOf(QLatin1Char('_'));
  if (underscore <= 0)
    return {name, std::nullopt};
  bool ok = false;
  const int index = name.mid(underscore + 1).toInt(&ok);
  if (!ok)
    return {name, std::nullopt};
  return {name.left(underscore), index};
}

bool IsListView(const QTreeWidget* tree) { return tree && !tree->isHeaderHidden(); }

// The tree node with the absolute (pre-order) index, or null.
QTreeWidgetItem* TreeNodeAt(QTreeWidget* tree, int index) {
  if (index < 0)
    return nullptr;
  int position = 0;
  for (QTreeWidgetItemIterator it(tree); *it; ++it, ++position)
    if (position == index)
      return *it;
  return nullptr;
}

QObject* ObjectProperty(QObject* object, const QString& name) {
  const QMetaObject* meta = object->metaObject();
  for (int i = 0; i < meta->propertyCount(); ++i) {
    const QMetaProperty property = meta->property(i);
    if (name.compare(QLatin1String(property.name()), Qt::CaseInsensitive) == 0)
      return property.metaType().flags().testFlag(QMetaType::PointerToQObject)
                 ? property.read(object).value<QObject*>()
                 : nullptr;
  }
  return nullptr;
}

QObject* CollectionItem(QObject* object, int index) {
  const auto* collection = qobject_cast<ILangCollection*>(object);
  if (!collection || index < 0 || index >= collection->LangItemCount())
    return nullptr;
  return collection->LangItem(index);
}

// One indexed segment ("Items_N" or "Columns_N") applied to an object.
TLangTarget IndexedTarget(QObject* object, const QString& base, int index) {
  if (qobject_cast<ILangCollection*>(object))
    return TLangTarget::Of(CollectionItem(object, index));
  if (auto* tree = qobject_cast<QTreeWidget*>(object)) {
    TLangTarget target;
    target.Tree = tree;
    const bool columns = base.compare(QLatin1String("Columns"), Qt::CaseInsensitive) == 0;
    if (IsListView(tree) && columns && index >= 0 && index < tree->columnCount()) {
      target.Kind = TLangTarget::kListColumn;
      target.Column = index;
    } else if (IsListView(tree) && !columns && index >= 0 && index < tree->topLevelItemCount()) {
      target.Kind = TLangTarget::kListItem;
      target.Item = tree->topLevelItem(index);
    } else if (!IsListView(tree) && !columns && (target.Item = TreeNodeAt(tree, index))) {
      target.Kind = TLangTarget::kTreeNode;
    }
    return target;
  }
  QObject* property = ObjectProperty(object, base);
  if (property && qobject_cast<ILangCollection*>(property))
    return TLangTarget::Of(CollectionItem(property, index));
  return TLangTarget::Of(property);
}

bool HasFontValue(QObject* object, const QString& name) { return HasFontProperty(object, name); }

void ApplyToItemTarget(const TLangTarget& target, const QString& name, const QString& value) {
  const bool caption = name.compare(QLatin1String("Caption"), Qt::CaseInsensitive) == 0;
  switch (target.Kind) {
    case TLangTarget::kListColumn:
      if (caption)
        target.Tree->headerItem()->setText(target.Column, value);
      else if (name.compare(QLatin1String("Width"), Qt::CaseInsensitive) == 0 && value.trimmed().toInt() > 0)
        target.Tree->setColumnWidth(target.Column, value.trimmed().toInt());
      break;
    case TLangTarget::kListItem:
      if (caption)
        target.Item->setText(0, value);
      break;
    case TLangTarget::kTreeNode:
      if (name.compare(QLatin1String("Text"), Qt::CaseInsensitive) == 0)
        target.Item->setText(0, value);
      break;
    default: break;
  }
}

}  // namespace

// --- TComponentRead ------------------------------------------------------------------------

TComponentRead::TComponentRead(QObject* component, const TLangNode& node) : component_(component), node_(node) {}

void TComponentRead::ReadItem(int index) {
  const TLangNode attribute = node_.Attribute(index);
  if (!attribute.IsNull())
    ReadAttribute(attribute);
}

void TComponentRead::ReadItem(const QString& name) {
  const TLangNode attribute = node_.AttributeByName(name);
  if (!attribute.IsNull())
    ReadAttribute(attribute);
}

void TComponentRead::ReadAll() {
  for (int i = 0; i < node_.AttributeCount(); ++i)
    ReadItem(i);
}

void TComponentRead::ReadAttribute(const TLangNode& attribute) {
  if (!component_)
    return;
  const QString path = attribute.NodeName();
  const QString value = attribute.NodeType() == TLangNode::ntAttribute ? attribute.NodeValue() : QString();
  QStringList segments = path.split(QLatin1Char('.'));
  const QString last = segments.takeLast();
  TLangTarget target = TLangTarget::Of(component_);
  for (qsizetype i = 0; i < segments.size(); ++i) {
    if (target.Kind != TLangTarget::kObject)
      return;
    const auto [base, index] = SplitIndex(segments[i]);
    if (index) {
      if (base.compare(QLatin1String("Items"), Qt::CaseInsensitive) != 0 &&
          base.compare(QLatin1String("Columns"), Qt::CaseInsensitive) != 0)
        return;
      target = IndexedTarget(target.Object, base, *index);
    } else if (QObject* child = ObjectProperty(target.Object, base)) {
      target = TLangTarget::Of(child);
    } else if (HasFontValue(target.Object, base)) {
      // A font is a value here, not an object: its parts go to the setter.
      SetPropertyByPath(target.Object, QStringList(segments.mid(i)).join(QLatin1Char('.')) + '.' + last, value);
      return;
    } else {
      return;
    }
  }
  const auto [name, index] = SplitIndex(last);
  if (target.Kind == TLangTarget::kObject && index) {
    if (TStringsRef strings = TStringsRef::Of(target.Object, name); strings.IsValid()) {
      strings.Set(*index, value);
      return;
    }
  }
  if (target.Kind == TLangTarget::kObject)
    SetPropertyByPath(target.Object, last, value);
  else
    ApplyToItemTarget(target, last, value);
}

// --- combo readers -------------------------------------------------------------------------

void TCustomComboBoxRead::ReadAll() {
  const int itemIndex = ComboItemIndex(GetComponent());
  TComponentRead::ReadAll();
  SetComboItemIndex(GetComponent(), itemIndex);
}

void TwwDBCustomComboBoxRead::ReadAll() {
  const int itemIndex = ComboItemIndex(GetComponent());
  TComponentRead::ReadAll();
  SetComboItemIndex(GetComponent(), itemIndex);
}

ILangReadPtr TReaderFactory::CreateReader(QObject* component, const TLangNode& node) {
  if (InheritsClassName(component, QStringLiteral("TwwDBCustomComboBox")))
    return std::make_shared<TwwDBCustomComboBoxRead>(component, node);
  if (qobject_cast<QComboBox*>(component) || InheritsClassName(component, QStringLiteral("TCustomComboBox")))
    return std::make_shared<TCustomComboBoxRead>(component, node);
  return std::make_shared<TComponentRead>(component, node);
}

// --- TLangReader ---------------------------------------------------------------------------

TLangReader::TLangReader(const TLangDocument& document) : document_(document) {}

void TLangReader::SetExcludeControls(const QStringList& names) {
  excluded_.clear();
  for (const QString& name : names)
    excluded_.insert(name.trimmed().toLower());
}

bool TLangReader::IsExcluded(const QString& name) const { return excluded_.contains(name.trimmed().toLower()); }

void TLangReader::Translate(QObject* component, const TLangNode& node) {
  DoBeforeLoadComponent(component, node);
  TReaderFactory::CreateReader(component, node)->ReadAll();
  DoAfterLoadComponent(component, node);
}

void TLangReader::LoadComponent(QObject* component) {
  if (!component)
    return;
  const TLangNode root = document_.DocumentElement();
  if (IsFormOrDataModule(component) && !root.IsNull())
    Translate(component, root);
  const QString name = component->objectName();
  if (!name.isEmpty() && !IsExcluded(name)) {
    const TLangNode node = document_.SelectElement(name);
    if (!node.IsNull())
      Translate(component, node);
  }
  // Translating may create or remove children; walk a guarded copy.
  QList<QPointer<QObject>> children;
  for (QObject* child : component->children())
    children.append(child);
  for (const QPointer<QObject>& child : children)
    if (child)
      LoadComponent(child);
}

void TLangReader::DoAfterLoadComponent(QObject* component, const TLangNode& node) {
  if (AfterLoadComponent)
    AfterLoadComponent(component, node);
}

void TLangReader::DoBeforeLoadComponent(QObject* component, const TLangNode& node) {
  if (BeforeLoadComponent)
    BeforeLoadComponent(component, node);
}

}  // namespace vantor
