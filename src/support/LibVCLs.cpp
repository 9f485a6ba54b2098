// Component chores over fields, bound controls, grids, list boxes and pages.
#include "support/LibVCLs.h"

#include "platform/db/DataSet.h"
#include "platform/db/DataSource.h"
#include "platform/db/Field.h"
#include "platform/db/FieldTypes.h"
#include "support/LibRTTI.h"
#include "support/LibStrs.h"

#include <QHash>
#include <QHeaderView>
#include <QList>
#include <QListWidget>
#include <QMetaObject>
#include <QScrollBar>
#include <QSet>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>

namespace vantor {

namespace {

// --- field text -------------------------------------------------------------------------

bool IsDoubleByteCodePage(int codePage) { return codePage == 936 || codePage == 950; }

// The longest start of the text that takes at most `size` units: bytes of
// the code page when it is a double-byte one, else characters. A surrogate
// pair is never split.
QString FitText(const QString& text, int size, int codePage) {
  const bool bytes = IsDoubleByteCodePage(codePage);
  if (text.size() <= size && (!bytes || AnsiByteLength(codePage, text) <= size))
    return text;
  qsizetype used = 0, end = 0;
  while (end < text.size()) {
    const qsizetype width = text[end].isHighSurrogate() && end + 1 < text.size() ? 2 : 1;
    const QString ch = text.mid(end, width);
    const qsizetype cost = !bytes ? width : ch[0].unicode() < 0x80 ? 1 : AnsiByteLength(codePage, ch);
    if (used + cost > size || end + width > size)
      break;
    used += cost;
    end += width;
  }
  return text.left(end);
}

bool TakesEditText(const TField* field) {
  return qobject_cast<const TIntegerField*>(field) || qobject_cast<const TFloatField*>(field);
}

// --- bound controls ------------------------------------------------------------------------

// The owner's descendants by the folded name of the field they are bound to.
QHash<QString, QList<QObject*>> BoundControls(QObject* owner) {
  QHash<QString, QList<QObject*>> bound;
  if (!owner)
    return bound;
  for (QObject* child : owner->findChildren<QObject*>()) {
    if (PropertyKindByName(child, QStringLiteral("DataField")) == tkUnknown)
      continue;
    const QString field = GetStrPropByName(child, QStringLiteral("DataField"));
    if (!field.isEmpty())
      bound[field.toCaseFolded()].append(child);
  }
  return bound;
}

// Whether the class or one of its ancestors has this name (without namespace).
bool InheritsClassName(const QObject* object, const char* name) {
  for (const QMetaObject* meta = object->metaObject(); meta; meta = meta->superClass()) {
    const QByteArray className(meta->className());
    const qsizetype colon = className.lastIndexOf(':');
    if (className.mid(colon + 1) == name)
      return true;
  }
  return false;
}

bool TakesOnlyHighlight(const QObject* control) {
  return InheritsClassName(control, "TwwDBComboBox") || InheritsClassName(control, "TDBRadioGroup") ||
         InheritsClassName(control, "TFDbCheckBox");
}

// --- grids -------------------------------------------------------------------------------------

TDataSet* GridDataSet(const QTableView* grid) {
  const auto* source = qobject_cast<TDataSource*>(GetObjectPropByName(grid, QStringLiteral("DataSource")));
  return source ? source->DataSet() : nullptr;
}

class TEnabledScope {
public:
  explicit TEnabledScope(QWidget* w) : widget_(w), was_(w->isEnabled()) { w->setEnabled(false); }
  ~TEnabledScope() { widget_->setEnabled(was_); }

private:
  QWidget* widget_;
  bool was_;
};

void SpreadColumns(QTableView* grid, const QList<int>& columns) {
  const QHeaderView* rows = grid->verticalHeader();
  int needed = (rows && rows->isVisible() ? rows->width() : 0) + 1;
  for (int column : columns)
    needed += grid->columnWidth(column) + 1;
  needed += grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, grid) + 2;
  const int client = grid->contentsRect().width();
  if (needed < client) {
    const int extra = (client - needed) / int(columns.size());
    for (int column : columns)
      grid->setColumnWidth(column, grid->columnWidth(column) + extra);
  } else if (QWidget* parent = grid->parentWidget()) {
    parent->resize(parent->width() - parent->contentsRect().width() + needed, parent->height());
  }
}

// --- pages --------------------------------------------------------------------------------------

// Position of every widget in its window's focus chain, for controls that
// publish no tab order of their own.
QHash<const QWidget*, int> FocusChainOrder(QWidget* start) {
  QHash<const QWidget*, int> order;
  int index = 0;
  QWidget* w = start;
  do {
    order.insert(w, index++);
    w = w->nextInFocusChain();
  } while (w && w != start && !order.contains(w));
  return order;
}

bool HasTabOrder(const QWidget* control) {
  return PropertyKindByName(control, QStringLiteral("TabOrder")) != tkUnknown;
}

// Labels and other controls that never take the focus cannot end a page.
bool IsWindowControl(const QWidget* control) {
  return !control->isWindow() && (HasTabOrder(control) || control->focusPolicy() != Qt::NoFocus);
}

int TabOrderOf(const QWidget* control, const QHash<const QWidget*, int>& chain) {
  if (HasTabOrder(control))
    return int(GetOrdPropByName(control, QStringLiteral("TabOrder")));
  return chain.value(control, -1);
}

// How many pages from the start count: a last "TbsBrowse" page and a
// "TbsUDF" page at the end or just before it are left out.
int CountedPages(const QTabWidget* pages) {
  auto named = [pages](int i, const char* name) {
    return i >= 0 && pages->widget(i)->objectName().compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
  };
  int count = pages->count();
  if (named(count - 1, "TbsBrowse"))
    --count;
  if (named(count - 1, "TbsUDF"))
    --count;
  return count;
}

}  // namespace

bool SetFieldText(TField* field, const QString& text, bool useEditText, int codePage) {
  if (!field)
    return false;
  const bool wasReadOnly = field->ReadOnly();
  field->SetReadOnly(false);
  try {
    if (useEditText && TakesEditText(field)) {
      field->SetText(text);
    } else if (qobject_cast<TStringField*>(field) && field->Size() > 0) {
      field->SetAsString(FitText(text, field->Size(), codePage == CP_ACP ? SystemCodePage() : codePage));
    } else {
      field->SetAsString(text);
    }
  } catch (...) {
    field->SetReadOnly(wasReadOnly);
    throw;
  }
  field->SetReadOnly(wasReadOnly);
  return true;
}

void ColorByDataFields(QObject* owner, const QString& fieldList, const QString& separator, int color) {
  const QHash<QString, QList<QObject*>> bound = BoundControls(owner);
  QString rest = fieldList;
  while (!rest.isEmpty()) {
    const QString name = CutToken(rest, separator).trimmed();
    if (name.isEmpty())
      break;
    for (QObject* control : bound.value(name.toCaseFolded()))
      if (color == kBoundControlHighlight || !TakesOnlyHighlight(control))
        SetOrdPropByName(control, QStringLiteral("Color"), color);
  }
}

void EnableByDataFields(QObject* owner, const QString& fieldList, const QString& separator, bool enabled) {
  const QHash<QString, QList<QObject*>> bound = BoundControls(owner);
  QString rest = fieldList;
  while (!rest.isEmpty()) {
    const QString entry = CutToken(rest, separator).trimmed();
    // An empty entry would otherwise match every unbound control.
    const QString name = entry.section(QLatin1Char(' '), 0, 0).trimmed();
    if (name.isEmpty())
      continue;
    for (QObject* control : bound.value(name.toCaseFolded()))
      SetOrdPropByName(control, QStringLiteral("Enabled"), enabled ? 1 : 0);
  }
}

void FitGridColumns(QTableView* grid) {
  if (!grid || !grid->model())
    return;
  const TDataSet* dataSet = GridDataSet(grid);
  if (!dataSet || !dataSet->Active() || dataSet->FieldCount() == 0)
    return;
  QList<int> columns;
  for (int c = 0; c < grid->model()->columnCount(); ++c)
    if (!grid->isColumnHidden(c))
      columns.append(c);
  if (columns.isEmpty())
    return;
  TEnabledScope disabled(grid);
  SpreadColumns(grid, columns);
}

void AddSelectedItems(QListWidget* target, QListWidget* source) {
  if (!target || !source)
    return;
  QSet<QString> held;
  for (int i = 0; i < target->count(); ++i)
    held.insert(target->item(i)->text());
  for (int i = 0; i < source->count(); ++i) {
    const QListWidgetItem* item = source->item(i);
    if (item->isSelected() && !held.contains(item->text())) {
      target->addItem(item->text());
      held.insert(item->text());
    }
  }
}

bool IsBrowsingWithData(const TDataSet* dataSet) {
  if (!dataSet)
    return false;
  try {
    return dataSet->Active() && dataSet->State() == dsBrowse && !(dataSet->Bof() && dataSet->Eof());
  } catch (const std::exception&) {
    return false;  // a dataset that cannot tell counts as closed
  }
}

QWidget* LastControlsOfPages(QTabWidget* pages, QStringList& names) {
  names.clear();
  if (!pages || pages->count() == 0)
    return nullptr;
  const QHash<const QWidget*, int> chain = FocusChainOrder(pages->window());
  const int counted = qMin(CountedPages(pages), 16);
  QWidget* last = nullptr;
  for (int p = 0; p < counted; ++p) {
    QWidget* page = pages->widget(p);
    QWidget* best = nullptr;
    int bestOrder = 0;
    for (QWidget* control : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (!control->isVisibleTo(page) || !control->isEnabledTo(page) || !IsWindowControl(control))
        continue;
      const int order = TabOrderOf(control, chain);
      if (!best || bestOrder < order) {
        best = control;
        bestOrder = order;
      }
    }
    if (best) {
      names.append(best->objectName());
      last = best;
    }
  }
  return last;
}

}  // namespace vantor
