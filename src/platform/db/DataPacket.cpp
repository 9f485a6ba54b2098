// Conversion of packets, change batches and reconcile errors to plain variant
// arrays and back. The From* side reads what arrived from another process, so
// it trusts nothing: every shape, count, index and number is checked before it
// is used, and a bad value raises EDatabaseError naming where it was found.
//
// Shapes (all arrays are QVariantList):
//   field     [name, type, size, precision, attributes, children]
//             attributes: 1 required, 2 read-only, 4 in key
//   packet    [fields, rows, eof]
//   delta     [fields, rows]
//   delta row [kind, old values, new values, details]
//             details: [[dataset field index, delta rows], ...]
//   error     [row index, kind, message, context, error code, current values]
#include "platform/db/DataPacket.h"

#include "platform/os/Exceptions.h"
#include "platform/variant/Variants.h"

#include <QSet>
#include <limits>

namespace vantor {

namespace {

enum TFieldAttribute { faRequired = 1, faReadOnly = 2, faInKey = 4 };

// Deeper nesting than this is refused rather than followed: a hostile packet
// must not be able to exhaust the stack.
constexpr int kMaxNesting = 16;

[[noreturn]] void Malformed(const QString& where, const QString& problem) {
  throw EDatabaseError(QStringLiteral("Malformed %1: %2").arg(where, problem));
}

QString Describe(const QVariant& v) {
  if (VarIsEmpty(v)) return QStringLiteral("Unassigned");
  if (VarIsNull(v)) return QStringLiteral("Null");
  return QStringLiteral("a value of type %1").arg(QString::fromLatin1(v.typeName()));
}

QVariantList AsList(const QVariant& v, const QString& where) {
  if (v.typeId() != QMetaType::QVariantList)
    Malformed(where, QStringLiteral("expected an array, got %1").arg(Describe(v)));
  return v.toList();
}

QVariantList AsListOfSize(const QVariant& v, qsizetype minSize, const QString& where) {
  QVariantList list = AsList(v, where);
  if (list.size() < minSize)
    Malformed(where, QStringLiteral("expected at least %1 elements, got %2")
                         .arg(minSize).arg(list.size()));
  return list;
}

bool IsIntegral(const QVariant& v) {
  switch (v.typeId()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong:
    case QMetaType::ULongLong: case QMetaType::Short: case QMetaType::UShort:
    case QMetaType::Long: case QMetaType::ULong: case QMetaType::SChar: case QMetaType::UChar:
      return true;
    default:
      return false;
  }
}

// Integers may arrive widened or as an integral double after a trip over the
// wire; anything else is refused.
qint64 AsInteger(const QVariant& v, qint64 min, qint64 max, const QString& where) {
  qint64 n = 0;
  if (IsIntegral(v)) {
    if (v.typeId() == QMetaType::ULongLong && v.toULongLong() > quint64(max))
      Malformed(where, QStringLiteral("number out of range"));
    n = v.toLongLong();
  } else if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float) {
    const double d = v.toDouble();
    if (!(d >= double(min) && d <= double(max)) || d != double(qint64(d)))
      Malformed(where, QStringLiteral("expected an integer, got %1").arg(d));
    n = qint64(d);
  } else {
    Malformed(where, QStringLiteral("expected an integer, got %1").arg(Describe(v)));
  }
  if (n < min || n > max)
    Malformed(where, QStringLiteral("%1 is outside %2..%3").arg(n).arg(min).arg(max));
  return n;
}

int AsInt(const QVariant& v, int min, int max, const QString& where) {
  return int(AsInteger(v, min, max, where));
}

bool AsBool(const QVariant& v, const QString& where) {
  if (v.typeId() == QMetaType::Bool) return v.toBool();
  return AsInteger(v, 0, 1, where) != 0;
}

// Texts that may be absent (a message without text) accept a blank.
QString AsText(const QVariant& v, const QString& where) {
  if (VarIsBlank(v)) return QString();
  if (v.typeId() != QMetaType::QString)
    Malformed(where, QStringLiteral("expected a text, got %1").arg(Describe(v)));
  return v.toString();
}

// --- field definitions ---------------------------------------------------------

QVariant FieldDefToVariant(const TPacketFieldDef& f) {
  const int attributes = (f.Required ? faRequired : 0) | (f.ReadOnly ? faReadOnly : 0) |
                         (f.InKey ? faInKey : 0);
  return QVariantList{f.Name, int(f.DataType), f.Size, f.Precision, attributes,
                      FieldDefsToVariant(f.Children)};
}

QList<TPacketFieldDef> FieldDefsFrom(const QVariant& v, int depth, const QString& where);

TPacketFieldDef FieldDefFrom(const QVariant& v, int depth, const QString& where) {
  const QVariantList a = AsListOfSize(v, 6, where);
  TPacketFieldDef f;
  f.Name = AsText(a[0], where + QStringLiteral(", name"));
  if (f.Name.trimmed().isEmpty()) Malformed(where, QStringLiteral("the field has no name"));
  const QString at = where + QStringLiteral(" (%1)").arg(f.Name);
  f.DataType = TFieldType(AsInt(a[1], ftUnknown, ftGuid, at + QStringLiteral(", data type")));
  f.Size = AsInt(a[2], 0, std::numeric_limits<int>::max(), at + QStringLiteral(", size"));
  f.Precision = AsInt(a[3], 0, std::numeric_limits<int>::max(), at + QStringLiteral(", precision"));
  const int attributes = AsInt(a[4], 0, std::numeric_limits<int>::max(), at + QStringLiteral(", attributes"));
  f.Required = attributes & faRequired;
  f.ReadOnly = attributes & faReadOnly;
  f.InKey = attributes & faInKey;
  if (f.DataType == ftDataSet) {
    if (depth >= kMaxNesting) Malformed(at, QStringLiteral("nested datasets are too deep"));
    f.Children = FieldDefsFrom(a[5], depth + 1, at + QStringLiteral(", nested fields"));
  } else if (!VarIsBlank(a[5]) && !AsList(a[5], at + QStringLiteral(", nested fields")).isEmpty()) {
    Malformed(at, QStringLiteral("only a dataset field may have nested fields"));
  }
  return f;
}

QList<TPacketFieldDef> FieldDefsFrom(const QVariant& v, int depth, const QString& where) {
  const QVariantList list = AsList(v, where);
  QList<TPacketFieldDef> defs;
  defs.reserve(list.size());
  QSet<QString> names;
  for (qsizetype i = 0; i < list.size(); ++i) {
    TPacketFieldDef f = FieldDefFrom(list[i], depth, where + QStringLiteral(", field %1").arg(i));
    const QString key = f.Name.toUpper();
    if (names.contains(key))
      Malformed(where, QStringLiteral("the field name \"%1\" occurs twice").arg(f.Name));
    names.insert(key);
    defs.append(std::move(f));
  }
  return defs;
}

// --- row values ------------------------------------------------------------------

void CheckRow(const QVariantList& row, const QList<TPacketFieldDef>& defs, const QString& where);

// A nested dataset cell holds the rows of the detail, or nothing.
void CheckNestedRows(const QVariant& cell, const TPacketFieldDef& f, const QString& where) {
  if (VarIsBlank(cell)) return;
  const QVariantList rows = AsList(cell, where);
  for (qsizetype r = 0; r < rows.size(); ++r) {
    const QString at = where + QStringLiteral(", nested row %1").arg(r);
    CheckRow(AsList(rows[r], at), f.Children, at);
  }
}

void CheckRow(const QVariantList& row, const QList<TPacketFieldDef>& defs, const QString& where) {
  if (row.size() != defs.size())
    Malformed(where, QStringLiteral("%1 values for %2 fields").arg(row.size()).arg(defs.size()));
  for (qsizetype i = 0; i < row.size(); ++i) {
    const QString at = where + QStringLiteral(", field %1").arg(defs[i].Name);
    if (defs[i].DataType == ftDataSet)
      CheckNestedRows(row[i], defs[i], at);
    else if (VarIsArray(row[i]))
      Malformed(at, QStringLiteral("an array where a single value belongs"));
  }
}

// Without field definitions only the shape can be checked: every row an array,
// all of the same width.
QList<QVariantList> RowsFrom(const QVariant& v, const QList<TPacketFieldDef>& defs, const QString& where) {
  const QVariantList list = AsList(v, where);
  QList<QVariantList> rows;
  rows.reserve(list.size());
  for (qsizetype r = 0; r < list.size(); ++r) {
    const QString at = where + QStringLiteral(", row %1").arg(r);
    QVariantList row = AsList(list[r], at);
    if (!defs.isEmpty())
      CheckRow(row, defs, at);
    else if (!rows.isEmpty() && row.size() != rows.first().size())
      Malformed(at, QStringLiteral("%1 values where the first row has %2")
                        .arg(row.size()).arg(rows.first().size()));
    rows.append(std::move(row));
  }
  return rows;
}

// --- delta ---------------------------------------------------------------------

QVariant DeltaRowsToVariant(const QList<TDeltaRow>& rows);

QVariant DeltaRowToVariant(const TDeltaRow& row) {
  QVariantList details;
  details.reserve(row.Details.size());
  for (const auto& d : row.Details) details.append(QVariant(QVariantList{d.first, DeltaRowsToVariant(d.second)}));
  return QVariantList{int(row.Kind), row.OldValues, row.NewValues, details};
}

QVariant DeltaRowsToVariant(const QList<TDeltaRow>& rows) {
  QVariantList list;
  list.reserve(rows.size());
  for (const TDeltaRow& r : rows) list.append(DeltaRowToVariant(r));
  return list;
}

// A value list that a kind of change does not use may be left empty; one that
// it uses must match the fields.
QVariantList DeltaValues(const QVariant& v, bool used, const QList<TPacketFieldDef>& defs,
                         const QString& where) {
  QVariantList values = VarIsBlank(v) ? QVariantList() : AsList(v, where);
  if (!used && values.isEmpty()) return values;
  CheckRow(values, defs, where);
  return values;
}

QList<TDeltaRow> DeltaRowsFrom(const QVariant& v, const QList<TPacketFieldDef>& defs, int depth,
                               const QString& where);

QList<QPair<int, QList<TDeltaRow>>> DetailsFrom(const QVariant& v, const QList<TPacketFieldDef>& defs,
                                                int depth, const QString& where) {
  QList<QPair<int, QList<TDeltaRow>>> details;
  if (VarIsBlank(v)) return details;
  const QVariantList list = AsList(v, where);
  for (qsizetype i = 0; i < list.size(); ++i) {
    const QString at = where + QStringLiteral(" %1").arg(i);
    const QVariantList pair = AsListOfSize(list[i], 2, at);
    const int index = AsInt(pair[0], 0, int(defs.size()) - 1, at + QStringLiteral(", field index"));
    if (defs[index].DataType != ftDataSet)
      Malformed(at, QStringLiteral("field %1 is not a dataset field").arg(defs[index].Name));
    if (depth >= kMaxNesting) Malformed(at, QStringLiteral("nested changes are too deep"));
    details.append({index, DeltaRowsFrom(pair[1], defs[index].Children, depth + 1,
                                         at + QStringLiteral(" (%1)").arg(defs[index].Name))});
  }
  return details;
}

TDeltaRow DeltaRowFrom(const QVariant& v, const QList<TPacketFieldDef>& defs, int depth,
                       const QString& where) {
  const QVariantList a = AsListOfSize(v, 3, where);
  TDeltaRow row;
  row.Kind = TUpdateKind(AsInt(a[0], ukModify, ukDelete, where + QStringLiteral(", kind")));
  row.OldValues = DeltaValues(a[1], row.Kind != ukInsert, defs, where + QStringLiteral(", old values"));
  row.NewValues = DeltaValues(a[2], row.Kind != ukDelete, defs, where + QStringLiteral(", new values"));
  if (a.size() > 3)
    row.Details = DetailsFrom(a[3], defs, depth, where + QStringLiteral(", nested changes"));
  return row;
}

QList<TDeltaRow> DeltaRowsFrom(const QVariant& v, const QList<TPacketFieldDef>& defs, int depth,
                               const QString& where) {
  const QVariantList list = AsList(v, where);
  QList<TDeltaRow> rows;
  rows.reserve(list.size());
  for (qsizetype i = 0; i < list.size(); ++i)
    rows.append(DeltaRowFrom(list[i], defs, depth, where + QStringLiteral(", row %1").arg(i)));
  return rows;
}

// --- reconcile errors -------------------------------------------------------------

TReconcileError ReconcileErrorFrom(const QVariant& v, const QString& where) {
  const QVariantList a = AsListOfSize(v, 6, where);
  TReconcileError e;
  e.RowIndex = AsInt(a[0], -1, std::numeric_limits<int>::max(), where + QStringLiteral(", row index"));
  e.Kind = TUpdateKind(AsInt(a[1], ukModify, ukDelete, where + QStringLiteral(", kind")));
  e.Message = AsText(a[2], where + QStringLiteral(", message"));
  e.Context = AsText(a[3], where + QStringLiteral(", context"));
  e.ErrorCode = AsInt(a[4], std::numeric_limits<int>::min(), std::numeric_limits<int>::max(),
                      where + QStringLiteral(", error code"));
  if (!VarIsBlank(a[5])) e.CurValues = AsList(a[5], where + QStringLiteral(", current values"));
  return e;
}

}  // namespace

QVariant FieldDefsToVariant(const QList<TPacketFieldDef>& defs) {
  QVariantList list;
  list.reserve(defs.size());
  for (const TPacketFieldDef& f : defs) list.append(FieldDefToVariant(f));
  return list;
}

QList<TPacketFieldDef> FieldDefsFromVariant(const QVariant& v) {
  return FieldDefsFrom(v, 0, QStringLiteral("field definitions"));
}

QVariant PacketToVariant(const TDataPacket& p) {
  QVariantList rows;
  rows.reserve(p.Rows.size());
  for (const QVariantList& r : p.Rows) rows.append(QVariant(r));
  return QVariantList{FieldDefsToVariant(p.Fields), rows, p.Eof};
}

TDataPacket PacketFromVariant(const QVariant& v) {
  const QString where = QStringLiteral("data packet");
  const QVariantList a = AsListOfSize(v, 3, where);
  TDataPacket p;
  p.Fields = FieldDefsFrom(a[0], 0, where + QStringLiteral(", field definitions"));
  p.Rows = RowsFrom(a[1], p.Fields, where);
  p.Eof = AsBool(a[2], where + QStringLiteral(", end-of-data flag"));
  return p;
}

QVariant DeltaToVariant(const TDelta& d) {
  return QVariantList{FieldDefsToVariant(d.Fields), DeltaRowsToVariant(d.Rows)};
}

TDelta DeltaFromVariant(const QVariant& v) {
  const QString where = QStringLiteral("change batch");
  const QVariantList a = AsListOfSize(v, 2, where);
  TDelta d;
  d.Fields = FieldDefsFrom(a[0], 0, where + QStringLiteral(", field definitions"));
  if (d.Fields.isEmpty()) Malformed(where, QStringLiteral("it defines no fields"));
  d.Rows = DeltaRowsFrom(a[1], d.Fields, 0, where);
  return d;
}

QVariant ReconcileErrorsToVariant(const QList<TReconcileError>& errors) {
  QVariantList list;
  list.reserve(errors.size());
  for (const TReconcileError& e : errors)
    list.append(QVariant(QVariantList{e.RowIndex, int(e.Kind), e.Message, e.Context, e.ErrorCode,
                                      QVariant(e.CurValues)}));
  return list;
}

QList<TReconcileError> ReconcileErrorsFromVariant(const QVariant& v) {
  const QString where = QStringLiteral("reconcile errors");
  QList<TReconcileError> errors;
  if (VarIsBlank(v)) return errors;
  const QVariantList list = AsList(v, where);
  errors.reserve(list.size());
  for (qsizetype i = 0; i < list.size(); ++i)
    errors.append(ReconcileErrorFrom(list[i], where + QStringLiteral(", error %1").arg(i)));
  return errors;
}

}  // namespace vantor
