// The provider's description turned into queries: the fields and their
// metadata, the select statement, the data request, and the cursor that sends
// rows a packet at a time. Applying a batch lives in ProviderApply.cpp.
#include "platform/db/Provider.h"

#include "platform/db/ProviderApply.h"
#include "platform/db/SqlBackend.h"
#include "platform/variant/Variants.h"

#include <QRegularExpression>

namespace vantor {

namespace {

// Text of unknown length computed by the server gets this size; the field is
// read-only, so the size only guides display.
constexpr int kComputedTextSize = 255;

const QRegularExpression& IdentifierPattern() {
  static const QRegularExpression re(QStringLiteral("^[A-Za-z_][A-Za-z0-9_$]*$"));
  return re;
}

// Where the last " AS " outside parentheses and quotes starts, or -1.
qsizetype TopLevelAs(const QString& s) {
  qsizetype found = -1;
  int depth = 0;
  QChar quote;
  for (qsizetype i = 0; i + 3 < s.size(); ++i) {
    const QChar c = s[i];
    if (!quote.isNull()) {
      if (c == quote) quote = QChar();
    } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
      quote = c;
    } else if (c == QLatin1Char('(')) {
      ++depth;
    } else if (c == QLatin1Char(')')) {
      --depth;
    } else if (depth == 0 && c.isSpace() && s[i + 3].isSpace() &&
               s.mid(i + 1, 2).compare(QLatin1String("AS"), Qt::CaseInsensitive) == 0) {
      found = i;
    }
  }
  return found;
}

bool SameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

}  // namespace

TProviderField ParseSelectItem(const QString& item) {
  const QString s = item.trimmed();
  if (IdentifierPattern().match(s).hasMatch()) return {s, {}, {}};
  const qsizetype as = TopLevelAs(s);
  if (as > 0) {
    const QString expression = s.left(as).trimmed();
    const QString name = s.mid(as + 4).trimmed();
    if (!expression.isEmpty() && IdentifierPattern().match(name).hasMatch())
      return {name, expression, {}};
  }
  static const QRegularExpression qualified(
      QStringLiteral("^[A-Za-z_][A-Za-z0-9_$]*\\.([A-Za-z_][A-Za-z0-9_$]*)$"));
  const QRegularExpressionMatch m = qualified.match(s);
  if (m.hasMatch()) return {m.captured(1), s, {}};
  throw EDatabaseError(
      QStringLiteral("The select item \"%1\" is neither a column nor \"expression AS name\"").arg(item));
}

QVariant TProviderChange::OldValue(const QString& field) const {
  const int i = Provider ? Provider->FieldIndex(field) : -1;
  return i >= 0 && i < OldValues.size() ? OldValues[i] : QVariant();
}

QVariant TProviderChange::NewValue(const QString& field) const {
  const int i = Provider ? Provider->FieldIndex(field) : -1;
  return i >= 0 && i < NewValues.size() ? NewValues[i] : QVariant();
}

TProvider::TProvider(QString name, TSqlBackend& backend, TProviderDef def)
    : name_(std::move(name)), backend_(backend), def_(std::move(def)) {}

TProvider::~TProvider() = default;

// --- description ----------------------------------------------------------------------

void TProvider::AddDetail(const QString& fieldName, std::shared_ptr<TProvider> detail,
                          const QStringList& masterFields, const QStringList& detailFields) {
  if (!detail) throw EDatabaseError(QStringLiteral("Provider %1: no detail provider given").arg(name_));
  if (&detail->backend_ != &backend_)
    throw EDatabaseError(QStringLiteral("Provider %1: the detail %2 must use the same connection")
                             .arg(name_, detail->name_));
  if (masterFields.isEmpty() || masterFields.size() != detailFields.size())
    throw EDatabaseError(QStringLiteral("Provider %1: the detail %2 needs as many master fields as "
                                        "detail fields, and at least one").arg(name_, detail->name_));
  // A provider that is its own detail, however indirectly, would nest forever.
  QList<const TProvider*> pending{detail.get()};
  while (!pending.isEmpty()) {
    const TProvider* p = pending.takeLast();
    if (p == this)
      throw EDatabaseError(QStringLiteral("Provider %1 cannot be a detail of itself").arg(name_));
    for (const TDetailLink& l : p->details_) pending.append(l.Provider.get());
  }
  details_.append({fieldName, std::move(detail), masterFields, detailFields, {}, {}, {}});
  prepared_ = false;
}

int TProvider::FieldIndex(const QString& name) const {
  for (qsizetype i = 0; i < columns_.size(); ++i)
    if (SameName(columns_[i].Def.Name, name)) return int(i);
  return -1;
}

int TProvider::RequireField(const QString& name, const QString& role, bool stored) const {
  const int i = FieldIndex(name);
  if (i < 0)
    throw EDatabaseError(QStringLiteral("Provider %1: the %2 %3 is not one of its fields").arg(name_, role, name));
  if (stored && columns_[i].Column.isEmpty())
    throw EDatabaseError(QStringLiteral("Provider %1: the %2 %3 is not a column of the table %4")
                             .arg(name_, role, name, def_.Table));
  return i;
}

QString TProvider::Qualifier() const {
  return backend_.QuoteIdentifier(def_.Alias.isEmpty() ? def_.Table : def_.Alias);
}

void TProvider::Prepare() {
  if (prepared_) return;
  columns_.clear();
  key_.clear();
  updateWhere_.clear();
  if (def_.Table.isEmpty()) throw EDatabaseError(QStringLiteral("Provider %1 names no table").arg(name_));
  quotedTable_ = backend_.QuoteIdentifier(def_.Table);
  const QList<TSqlColumn> table = backend_.TableColumns(def_.Table);
  QList<TProviderField> fields;
  for (const QString& item : def_.Select) fields.append(ParseSelectItem(item));
  fields.append(def_.Fields);
  if (fields.isEmpty())
    for (const TSqlColumn& c : table) fields.append({c.Name.toUpper(), {}, {}});
  for (const TProviderField& f : fields) {
    if (FieldIndex(f.Name) >= 0)
      throw EDatabaseError(QStringLiteral("Provider %1: the field %2 is selected twice").arg(name_, f.Name));
    AddField(f, table);
  }
  ResolveKey(table);
  ResolveUpdateWhere();
  InferComputedTypes();
  for (qsizetype i = 0; i < details_.size(); ++i) ResolveDetail(int(i));
  prepared_ = true;
}

// A plain name, or one qualified by this provider's own table, is a stored
// column; anything else the server computes.
void TProvider::AddField(const TProviderField& f, const QList<TSqlColumn>& table) {
  QString column = f.Expression.isEmpty() ? f.Name : QString();
  const qsizetype dot = f.Expression.indexOf(QLatin1Char('.'));
  if (!f.Expression.isEmpty() && dot > 0 && IdentifierPattern().match(f.Expression.mid(dot + 1)).hasMatch()) {
    const QString qualifier = f.Expression.left(dot);
    if (SameName(qualifier, def_.Alias.isEmpty() ? def_.Table : def_.Alias))
      column = f.Expression.mid(dot + 1);
  }
  TColumn c;
  c.Def.Name = f.Name;
  c.SelectIndex = int(columns_.size());
  if (column.isEmpty()) {
    const TSqlTypeInfo t = FieldTypeOfDeclared(f.DeclaredType);
    c.Def.DataType = t.DataType;
    c.Def.Size = t.Size;
    c.Def.Precision = t.Precision;
    c.Def.ReadOnly = true;
    c.SelectSql = QLatin1Char('(') + f.Expression + QLatin1Char(')');
    columns_.append(c);
    return;
  }
  auto it = std::find_if(table.begin(), table.end(), [&](const TSqlColumn& t) { return SameName(t.Name, column); });
  if (it == table.end())
    throw EDatabaseError(QStringLiteral("Provider %1: the table %2 has no column %3").arg(name_, def_.Table, column));
  c.Column = it->Name;
  c.QuotedColumn = backend_.QuoteIdentifier(it->Name);
  c.Def.DataType = it->Type.DataType == ftUnknown ? ftMemo : it->Type.DataType;
  c.Def.Size = it->Type.Size;
  c.Def.Precision = it->Type.Precision;
  c.Def.Required = it->NotNull;
  c.SelectSql = Qualifier() + QLatin1Char('.') + c.QuotedColumn;
  columns_.append(c);
}

void TProvider::ResolveKey(const QList<TSqlColumn>& table) {
  QStringList names = def_.KeyFields;
  if (names.isEmpty()) {
    QList<TSqlColumn> keyColumns;
    for (const TSqlColumn& c : table)
      if (c.KeyPosition > 0) keyColumns.append(c);
    std::sort(keyColumns.begin(), keyColumns.end(),
              [](const TSqlColumn& a, const TSqlColumn& b) { return a.KeyPosition < b.KeyPosition; });
    for (const TSqlColumn& c : keyColumns) {
      auto it = std::find_if(columns_.begin(), columns_.end(),
                             [&](const TColumn& k) { return SameName(k.Column, c.Name); });
      if (it == columns_.end())
        throw EDatabaseError(QStringLiteral("Provider %1: the key column %2 of the table %3 is not selected")
                                 .arg(name_, c.Name, def_.Table));
      names.append(it->Def.Name);
    }
  }
  if (names.isEmpty())
    throw EDatabaseError(QStringLiteral("Provider %1: the table %2 has no primary key; name the key fields")
                             .arg(name_, def_.Table));
  for (const QString& n : names) {
    const int i = RequireField(n, QStringLiteral("key field"), true);
    if (!key_.contains(i)) key_.append(i);
    columns_[i].Def.InKey = true;
  }
}

void TProvider::ResolveUpdateWhere() {
  updateWhere_ = key_;
  QStringList names;
  if (def_.UpdateWhere) {
    names = *def_.UpdateWhere;
  } else {
    const int flag = FieldIndex(QStringLiteral("FLAG"));
    if (flag >= 0 && !columns_[flag].Column.isEmpty()) names.append(columns_[flag].Def.Name);
  }
  for (const QString& n : names) {
    const int i = RequireField(n, QStringLiteral("update-where field"), true);
    if (!updateWhere_.contains(i)) updateWhere_.append(i);
  }
}

// Expressions that declare no type take the type of their result column.
void TProvider::InferComputedTypes() {
  bool any = false;
  for (const TColumn& c : columns_) any = any || (c.Column.isEmpty() && c.Def.DataType == ftUnknown);
  if (!any) return;
  const QList<TSqlTypeInfo> types = backend_.ResultTypes(SelectSql(QStringLiteral("1 = 0"), 0));
  for (TColumn& c : columns_) {
    if (!c.Column.isEmpty() || c.Def.DataType != ftUnknown) continue;
    const TSqlTypeInfo t = c.SelectIndex < types.size() ? types[c.SelectIndex] : TSqlTypeInfo{};
    c.Def.DataType = t.DataType == ftUnknown ? ftString : t.DataType;
    c.Def.Size = t.Size;
    if (c.Def.DataType == ftString && c.Def.Size <= 0) c.Def.Size = kComputedTextSize;
  }
}

void TProvider::ResolveDetail(int index) {
  TDetailLink& link = details_[index];
  TProvider& detail = *link.Provider;
  detail.Prepare();
  link.MasterIndexes.clear();
  link.DetailIndexes.clear();
  for (const QString& f : link.MasterFields)
    link.MasterIndexes.append(RequireField(f, QStringLiteral("master field"), false));
  for (const QString& f : link.DetailFields)
    link.DetailIndexes.append(detail.RequireField(f, QStringLiteral("detail link field"), true));
  if (FieldIndex(link.FieldName) >= 0)
    throw EDatabaseError(QStringLiteral("Provider %1: the dataset field %2 clashes with a field")
                             .arg(name_, link.FieldName));
  TColumn c;
  c.Def.Name = link.FieldName;
  c.Def.DataType = ftDataSet;
  c.Def.Children = detail.FieldDefs();
  c.Detail = index;
  columns_.append(c);
}

QList<TPacketFieldDef> TProvider::FieldDefs() {
  Prepare();
  QList<TPacketFieldDef> defs;
  defs.reserve(columns_.size());
  for (const TColumn& c : columns_) defs.append(c.Def);
  return defs;
}

// --- statements ------------------------------------------------------------------------

QString TProvider::SelectSql(const QString& where, int limit) const {
  QStringList select, order;
  for (const TColumn& c : columns_)
    if (c.Detail < 0) select.append(c.SelectSql);
  if (!order_.isEmpty()) order.append(order_);
  for (int k : key_) order.append(columns_[k].SelectSql);
  QString sql = QStringLiteral("SELECT ") + select.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") + quotedTable_;
  if (!def_.Alias.isEmpty()) sql += QLatin1Char(' ') + backend_.QuoteIdentifier(def_.Alias);
  if (!def_.Joins.trimmed().isEmpty()) sql += QLatin1Char(' ') + def_.Joins.trimmed();
  if (!where.trimmed().isEmpty()) sql += QStringLiteral(" WHERE ") + where;
  if (!order.isEmpty()) sql += QStringLiteral(" ORDER BY ") + order.join(QStringLiteral(", "));
  return sql + backend_.LimitClause(limit);
}

// A condition on the given columns of this provider's table, for the select.
QString TProvider::ColumnsWhere(const QList<int>& indexes, const QVariantList& values,
                                QVariantList& params) const {
  QStringList parts;
  for (qsizetype i = 0; i < indexes.size(); ++i) {
    const TColumn& c = columns_[indexes[i]];
    if (VarIsBlank(values[i])) {
      parts.append(c.SelectSql + QStringLiteral(" IS NULL"));
    } else {
      parts.append(c.SelectSql + QStringLiteral(" = ?"));
      params.append(backend_.ToSql(values[i], c.Def.DataType));
    }
  }
  return parts.join(QStringLiteral(" AND "));
}

// --- data request -------------------------------------------------------------------------

void TProvider::BuildWhere(const QVariant& request, QString& where, QVariantList& params) {
  QVariant condition = request;
  if (request.typeId() == QMetaType::QVariantList) {
    const QVariantList list = request.toList();
    condition = list.isEmpty() ? QVariant() : list.first();
  }
  if (VarIsBlank(condition) || (VarIsStr(condition) && condition.toString().trimmed().isEmpty())) return;
  throw EDatabaseError(QStringLiteral("The provider %1 does not accept a condition").arg(name_));
}

QVariant TProvider::DataRequest(const QVariant& data) {
  Prepare();  // a condition hook may ask for the fields
  QString where;
  QVariantList params;
  BuildWhere(data, where, params);
  QString order;
  BuildOrder(data, order);
  request_ = data;
  where_ = where;
  order_ = order;
  whereParams_ = params;
  return QVariant();
}

// --- packets ---------------------------------------------------------------------------------

void TProvider::EndCursor(TCursorState state) {
  cursor_ = QSqlQuery();
  pending_.reset();
  for (TDetailLink& l : details_) l.Query.reset();
  state_ = state;
}

void TProvider::CloseCursor() { EndCursor(csClosed); }

void TProvider::OpenCursor() {
  EndCursor(csClosed);
  cursor_ = backend_.OpenCursor(SelectSql(where_, RowLimit()), whereParams_);
  state_ = csOpen;
}

TDataPacket TProvider::GetRecords(int count, int options) {
  if (count < -1)
    throw EDatabaseError(QStringLiteral("Provider %1: %2 rows asked for; a packet holds -1 (all) or more")
                             .arg(name_).arg(count));
  Prepare();
  TDataPacket p;
  if (options & poRestart) {
    p.Fields = FieldDefs();
    OpenCursor();
  } else if (state_ == csClosed) {
    OpenCursor();
  }
  try {
    QVariantList row;
    while ((count < 0 || p.Rows.size() < count) && FetchRow(row)) p.Rows.append(row);
    p.Eof = !HasMore();
  } catch (...) {
    EndCursor(csClosed);
    throw;
  }
  if (p.Eof) EndCursor(csDone);
  return p;
}

bool TProvider::FetchRow(QVariantList& row) {
  if (pending_) {
    row = std::move(*pending_);
    pending_.reset();
    return true;
  }
  if (state_ != csOpen) return false;
  if (cursor_.next()) {
    row = ConvertRow(cursor_);
    return true;
  }
  TSqlBackend::CheckCursor(cursor_);
  EndCursor(csDone);
  return false;
}

bool TProvider::HasMore() {
  if (pending_) return true;
  QVariantList row;
  if (!FetchRow(row)) return false;
  pending_ = std::move(row);
  return true;
}

QVariantList TProvider::ScalarRow(const QSqlQuery& q) const {
  QVariantList row(columns_.size());
  for (qsizetype i = 0; i < columns_.size(); ++i) {
    const TColumn& c = columns_[i];
    if (c.Detail >= 0) continue;
    try {
      row[i] = backend_.FromSql(q.value(c.SelectIndex), c.Def.DataType);
    } catch (const EDatabaseError& e) {
      throw EDatabaseError(QStringLiteral("Provider %1, field %2: %3").arg(name_, c.Def.Name, e.Message()));
    }
  }
  return row;
}

QVariantList TProvider::ConvertRow(const QSqlQuery& q) {
  QVariantList row = ScalarRow(q);
  for (qsizetype i = 0; i < columns_.size(); ++i)
    if (columns_[i].Detail >= 0) row[i] = DetailRows(details_[columns_[i].Detail], row);
  return row;
}

QVariant TProvider::DetailRows(TDetailLink& link, const QVariantList& masterRow) {
  TProvider& detail = *link.Provider;
  QVariantList keys;
  for (int m : link.MasterIndexes) keys.append(masterRow[m]);
  // A master without link values has no details; "= NULL" would say the same
  // more slowly.
  if (std::any_of(keys.begin(), keys.end(), [](const QVariant& v) { return VarIsBlank(v); }))
    return QVariantList();
  QVariantList params;
  const QString where = detail.ColumnsWhere(link.DetailIndexes, keys, params);
  if (!link.Query) link.Query = backend_.PrepareCursor(detail.SelectSql(where, 0));
  QSqlQuery& q = *link.Query;
  backend_.Run(q, params);
  QVariantList rows;
  while (q.next()) rows.append(QVariant(detail.ConvertRow(q)));
  TSqlBackend::CheckCursor(q);
  q.finish();
  return rows;
}

// --- apply --------------------------------------------------------------------------------------

QList<TReconcileError> TProvider::ApplyUpdates(const TDelta& delta, int maxErrors, int& errorCount) {
  Prepare();
  TProviderApply apply(*this, delta);
  return apply.Run(maxErrors, errorCount);
}

}  // namespace vantor
