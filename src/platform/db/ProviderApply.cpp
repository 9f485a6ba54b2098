// The statements of a change batch. Inserts write the stored columns the
// batch gives; updates and deletes find their row by the original values of
// the key and of the guard fields (FLAG), so a row changed by someone else
// since it was fetched is not overwritten but reported. Nested details stand
// or fall with their master row: they are written after it when inserting or
// updating, before it when deleting.
#include "platform/db/ProviderApply.h"

#include "platform/db/SqlBackend.h"
#include "platform/variant/Variants.h"

#include <QStringList>
#include <functional>

namespace vantor {

namespace {

const QString kRowSavepoint = QStringLiteral("vantor_apply_row");
const QString kReadSavepoint = QStringLiteral("vantor_apply_read");

bool IsText(TFieldType t) { return t == ftString || t == ftFixedChar || t == ftWideString; }

QString KindText(TUpdateKind k) {
  switch (k) {
    case ukInsert: return QStringLiteral("Insert into");
    case ukDelete: return QStringLiteral("Delete from");
    default: return QStringLiteral("Update of");
  }
}

}  // namespace

// --- layout and checks -----------------------------------------------------------------

const TProviderApply::TLayout* TProviderApply::BuildLayout(TProvider& p, const QList<TPacketFieldDef>& fields,
                                                             const QString& where) {
  TLayout& l = layouts_.emplace_back();
  l.Provider = &p;
  l.ColumnOf.fill(-1, fields.size());
  QList<bool> seen(p.columns_.size(), false);
  for (qsizetype k = 0; k < fields.size(); ++k) {
    const int i = p.FieldIndex(fields[k].Name);
    if (i < 0 || seen[i]) {
      const QString problem = i < 0 ? QStringLiteral("not one") : QStringLiteral("given twice for one");
      throw EDatabaseError(QStringLiteral("%1: the field %2 is %3 of the provider %4")
                               .arg(where, fields[k].Name, problem, p.name_));
    }
    const TProvider::TColumn& c = p.columns_[i];
    if ((c.Detail >= 0) != (fields[k].DataType == ftDataSet)) {
      const QString negation = c.Detail >= 0 ? QString() : QStringLiteral(" not");
      throw EDatabaseError(QStringLiteral("%1: the field %2 is%3 a dataset field of the provider %4")
                               .arg(where, fields[k].Name, negation, p.name_));
    }
    seen[i] = true;
    l.ColumnOf[k] = i;
    if (c.Detail >= 0) {
      l.LinkOf.insert(int(k), c.Detail);
      l.Details.insert(int(k), BuildLayout(*p.details_[c.Detail].Provider, fields[k].Children,
                                           where + QStringLiteral(", ") + fields[k].Name));
    }
  }
  return &l;
}

// In-process batches skip the checks of DeltaFromVariant; a malformed one is
// refused before anything is written.
void TProviderApply::CheckRows(const TLayout& l, const QList<TDeltaRow>& rows, const QString& where) const {
  const qsizetype n = l.ColumnOf.size();
  for (qsizetype r = 0; r < rows.size(); ++r) {
    const TDeltaRow& row = rows[r];
    const bool oldOk = row.OldValues.size() == n || (row.Kind == ukInsert && row.OldValues.isEmpty());
    const bool newOk = row.NewValues.size() == n || (row.Kind == ukDelete && row.NewValues.isEmpty());
    if (!oldOk || !newOk || row.Kind < ukModify || row.Kind > ukDelete)
      throw EDatabaseError(QStringLiteral("%1, row %2: the values do not match the %3 fields")
                               .arg(where).arg(r).arg(n));
    for (const auto& [index, detailRows] : row.Details) {
      const TLayout* sub = l.Details.value(index, nullptr);
      if (!sub)
        throw EDatabaseError(QStringLiteral("%1, row %2: field %3 is not a dataset field").arg(where).arg(r).arg(index));
      CheckRows(*sub, detailRows, where + QStringLiteral(", row %1, nested").arg(r));
    }
  }
}

QVariantList TProviderApply::InProviderOrder(const TLayout& l, const QVariantList& values) {
  QVariantList out(l.Provider->columns_.size());
  for (qsizetype k = 0; k < values.size() && k < l.ColumnOf.size(); ++k)
    if (l.Provider->columns_[l.ColumnOf[k]].Detail < 0) out[l.ColumnOf[k]] = values[k];
  return out;
}

QString TProviderApply::Context(const TProvider& p, const TProviderChange& change) {
  const QVariantList& values = change.Kind == ukInsert ? change.NewValues : change.OldValues;
  QStringList key;
  for (int k : p.key_)
    key.append(p.columns_[k].Def.Name + QLatin1Char('=') + VarToStr(values.value(k)));
  return QStringLiteral("%1 %2, key %3").arg(KindText(change.Kind), p.def_.Table, key.join(QStringLiteral(", ")));
}

// --- the batch ------------------------------------------------------------------------------

QList<TReconcileError> TProviderApply::Run(int maxErrors, int& errorCount) {
  errorCount = 0;
  const QString where = QStringLiteral("Change batch for provider %1").arg(provider_.name_);
  const TLayout& root = *BuildLayout(provider_, delta_.Fields, where);
  CheckRows(root, delta_.Rows, where);
  QList<TReconcileError> errors;
  if (delta_.Rows.isEmpty()) return errors;
  TSqlBackend& b = provider_.backend_;
  // With no error allowed the first failure rolls everything back, so rows
  // need no savepoints of their own.
  const bool rowSavepoints = maxErrors != 0;
  TSqlTransaction transaction(b);
  for (qsizetype i = 0; i < delta_.Rows.size(); ++i) {
    if (rowSavepoints) b.Savepoint(kRowSavepoint);
    try {
      ApplyRow(root, delta_.Rows[i], nullptr, nullptr);
      if (rowSavepoints) b.ReleaseSavepoint(kRowSavepoint);
    } catch (const TRowFailure& f) {
      const bool abandon = maxErrors >= 0 && errors.size() + 1 > maxErrors;
      if (abandon) {
        transaction.Rollback();
      } else {
        b.RollbackToSavepoint(kRowSavepoint);
        b.ReleaseSavepoint(kRowSavepoint);
      }
      errors.append(MakeError(root, int(i), f));
      if (abandon) {
        errorCount = int(errors.size());
        return errors;
      }
    }
  }
  transaction.Commit();
  errorCount = int(errors.size());
  return errors;
}

void TProviderApply::ApplyRow(const TLayout& l, const TDeltaRow& row, const TProvider::TDetailLink* link,
                              const QVariantList* master) {
  TProvider& p = *l.Provider;
  TProviderChange change{row.Kind, InProviderOrder(l, row.OldValues), InProviderOrder(l, row.NewValues), &p};
  // A new detail row belongs to its master, whatever link values it brought.
  if (link && row.Kind == ukInsert)
    for (qsizetype j = 0; j < link->DetailIndexes.size(); ++j) {
      const QVariant& v = master->at(link->MasterIndexes[j]);
      if (!VarIsBlank(v)) change.NewValues[link->DetailIndexes[j]] = v;
    }
  try {
    p.BeforeUpdateRecord(change);
    if (row.Kind == ukDelete) ApplyDetails(l, row, change);
    switch (row.Kind) {
      case ukInsert: Insert(p, change); break;
      case ukModify: Update(p, change); break;
      case ukDelete: Delete(p, change); break;
    }
    if (row.Kind != ukDelete) ApplyDetails(l, row, change);
  } catch (const TRowFailure&) {
    throw;
  } catch (const TRecordChanged&) {
    throw TRowFailure{QStringLiteral("Record not found or changed by another user"), ReconcileRecordChanged,
                      Context(p, change), link == nullptr};
  } catch (const EDatabaseError& e) {
    const auto* sql = dynamic_cast<const ESqlError*>(&e);
    bool numeric = false;
    const int code = sql ? sql->NativeCode().toInt(&numeric) : 0;
    throw TRowFailure{e.Message(), numeric ? code : 0, Context(p, change), link == nullptr};
  }
}

void TProviderApply::ApplyDetails(const TLayout& l, const TDeltaRow& row, const TProviderChange& change) {
  if (row.Details.isEmpty()) return;
  // The master as it now stands: its new value where it has one.
  QVariantList master = change.OldValues;
  for (qsizetype i = 0; i < master.size(); ++i)
    if (!VarIsEmpty(change.NewValues.value(i))) master[i] = change.NewValues[i];
  for (const auto& [index, rows] : row.Details) {
    const TLayout& sub = *l.Details.value(index);
    const TProvider::TDetailLink& link = l.Provider->details_[l.LinkOf.value(index)];
    for (const TDeltaRow& detailRow : rows) ApplyRow(sub, detailRow, &link, &master);
  }
}

// --- statements --------------------------------------------------------------------------------

QVariant TProviderApply::SqlValue(const TProvider& p, int column, const QVariant& v) const {
  const TPacketFieldDef& f = p.columns_[column].Def;
  if (IsText(f.DataType) && f.Size > 0 && !VarIsBlank(v)) {
    const qsizetype length = VarToStr(v).size();
    if (length > f.Size)
      throw EDatabaseError(QStringLiteral("The value of %1 is %2 characters long; the field holds at most %3")
                               .arg(f.Name).arg(length).arg(f.Size));
  }
  try {
    return p.backend_.ToSql(v, f.DataType);
  } catch (const EDatabaseError& e) {
    throw EDatabaseError(QStringLiteral("Field %1: %2").arg(f.Name, e.Message()));
  }
}

// Statement texts by the shape of the row: which columns it writes and how
// its guard fields compare. A batch of alike rows builds each text once.
const QString& TProviderApply::StatementText(const QByteArray& shape, const std::function<QString()>& build) {
  auto it = texts_.constFind(shape);
  if (it == texts_.constEnd()) it = texts_.insert(shape, build());
  return *it;
}

QByteArray TProviderApply::ShapeOf(char kind, const TProvider& p) {
  QByteArray shape(1, kind);
  const quintptr address = quintptr(&p);
  shape.append(reinterpret_cast<const char*>(&address), sizeof address);
  return shape;
}

// Marks each column 'w' when the row writes it, and binds its value.
int TProviderApply::AddWritten(const TProvider& p, const TProviderChange& change, QByteArray& shape,
                               QVariantList& params) const {
  int written = 0;
  for (qsizetype i = 0; i < p.columns_.size(); ++i) {
    const bool writes = !p.columns_[i].Column.isEmpty() && !VarIsEmpty(change.NewValues[i]);
    shape.append(writes ? 'w' : '-');
    if (!writes) continue;
    params.append(SqlValue(p, int(i), change.NewValues[i]));
    ++written;
  }
  return written;
}

QStringList TProviderApply::WrittenColumns(const TProvider& p, const QByteArray& shape, const QString& suffix) {
  const qsizetype at = shape.size() - p.columns_.size() - (shape[0] == 'U' ? p.updateWhere_.size() : 0);
  QStringList columns;
  for (qsizetype i = 0; i < p.columns_.size(); ++i)
    if (shape[at + i] == 'w') columns.append(p.columns_[i].QuotedColumn + suffix);
  return columns;
}

void TProviderApply::Insert(const TProvider& p, const TProviderChange& change) {
  QByteArray shape = ShapeOf('I', p);
  QVariantList params;
  AddWritten(p, change, shape, params);
  const QString& sql = StatementText(shape, [&] {
    const QStringList columns = WrittenColumns(p, shape, QString());
    if (columns.isEmpty()) return QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(p.quotedTable_);
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(p.quotedTable_, columns.join(QStringLiteral(", ")),
             QStringList(columns.size(), QStringLiteral("?")).join(QStringLiteral(", ")));
  });
  p.backend_.ExecChange(sql, params);
}

// Only the fields the batch assigns are written; an update that assigns no
// stored field (only computed ones, or only details) writes nothing.
void TProviderApply::Update(const TProvider& p, const TProviderChange& change) {
  QByteArray shape = ShapeOf('U', p);
  QVariantList params;
  if (AddWritten(p, change, shape, params) == 0) return;
  AddGuard(p, change.OldValues, shape, params);
  const QString& sql = StatementText(shape, [&] {
    return QStringLiteral("UPDATE %1 SET %2 WHERE %3")
        .arg(p.quotedTable_, WrittenColumns(p, shape, QStringLiteral(" = ?")).join(QStringLiteral(", ")),
             GuardText(p, shape));
  });
  CheckAffected(p.backend_.ExecChange(sql, params), p);
}

void TProviderApply::Delete(const TProvider& p, const TProviderChange& change) {
  QByteArray shape = ShapeOf('D', p);
  QVariantList params;
  AddGuard(p, change.OldValues, shape, params);
  const QString& sql = StatementText(shape, [&] {
    return QStringLiteral("DELETE FROM %1 WHERE %2").arg(p.quotedTable_, GuardText(p, shape));
  });
  CheckAffected(p.backend_.ExecChange(sql, params), p);
}

// Marks each guard field '=' (compared to its original value), 'n' (was
// null) or '-' (not carried by the batch: it guards nothing). The key must be
// given.
void TProviderApply::AddGuard(const TProvider& p, const QVariantList& old, QByteArray& shape,
                              QVariantList& params) const {
  for (int i : p.updateWhere_) {
    const TProvider::TColumn& c = p.columns_[i];
    const QVariant& v = old[i];
    if (VarIsEmpty(v) && p.key_.contains(i))
      throw EDatabaseError(QStringLiteral("The original value of the key field %1 is missing").arg(c.Def.Name));
    shape.append(VarIsEmpty(v) ? '-' : VarIsNull(v) ? 'n' : '=');
    if (!VarIsBlank(v)) params.append(p.backend_.ToSql(v, c.Def.DataType));
  }
}

QString TProviderApply::GuardText(const TProvider& p, const QByteArray& shape) {
  const qsizetype at = shape.size() - p.updateWhere_.size();
  QStringList parts;
  for (qsizetype k = 0; k < p.updateWhere_.size(); ++k) {
    const QString& column = p.columns_[p.updateWhere_[k]].QuotedColumn;
    if (shape[at + k] == '=') parts.append(column + QStringLiteral(" = ?"));
    else if (shape[at + k] == 'n') parts.append(column + QStringLiteral(" IS NULL"));
  }
  return parts.join(QStringLiteral(" AND "));
}

void TProviderApply::CheckAffected(int affected, const TProvider& p) const {
  if (affected == 0) throw TRecordChanged{};
  if (affected > 1)
    throw EDatabaseError(QStringLiteral("The key of the table %1 matches %2 rows; none was changed")
                             .arg(p.def_.Table).arg(affected));
}

// --- reconcile errors ----------------------------------------------------------------------------

TReconcileError TProviderApply::MakeError(const TLayout& root, int index, const TRowFailure& f) {
  TReconcileError e;
  e.RowIndex = index;
  e.Kind = delta_.Rows[index].Kind;
  e.Message = f.Message;
  e.Context = f.Context;
  e.ErrorCode = f.Code;
  if (f.OfTopRow) e.CurValues = CurrentValues(root, delta_.Rows[index]);
  return e;
}

// The row as the database now holds it, in the batch's field order; nothing
// when it no longer exists. Inside a transaction the read has a savepoint of
// its own: on PostgreSQL a failed read would spoil the rest of the batch.
QVariantList TProviderApply::CurrentValues(const TLayout& root, const TDeltaRow& row) {
  const TProvider& p = *root.Provider;
  const QVariantList values = InProviderOrder(root, row.Kind == ukInsert ? row.NewValues : row.OldValues);
  QVariantList key;
  for (int k : p.key_) {
    if (VarIsBlank(values[k])) return {};
    key.append(values[k]);
  }
  TSqlBackend& b = p.backend_;
  const bool inTransaction = b.InTransaction();
  if (inTransaction) b.Savepoint(kReadSavepoint);
  QVariantList out;
  try {
    QVariantList params;
    const QString where = p.ColumnsWhere(p.key_, key, params);
    QSqlQuery q = b.Exec(p.SelectSql(where, 0), params);
    if (q.next()) {
      const QVariantList current = p.ScalarRow(q);
      out = QVariantList(root.ColumnOf.size());
      for (qsizetype k = 0; k < root.ColumnOf.size(); ++k) out[k] = current[root.ColumnOf[k]];
    }
  } catch (const EDatabaseError&) {
    out.clear();
    if (inTransaction) b.RollbackToSavepoint(kReadSavepoint);
  }
  if (inTransaction) b.ReleaseSavepoint(kReadSavepoint);
  return out;
}

}  // namespace vantor
