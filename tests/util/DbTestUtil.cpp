// The in-memory application server of the dataset tests.
#include "util/DbTestUtil.h"

#include "platform/os/Exceptions.h"
#include "platform/variant/Variants.h"

#include <QDate>

namespace vantor::test {
namespace {

QList<int> KeyColumns(const QList<TPacketFieldDef>& fields) {
  QList<int> keys;
  for (int c = 0; c < fields.size(); ++c)
    if (fields.at(c).InKey) keys << c;
  return keys;
}

int FindByKey(const QList<QVariantList>& rows, const QList<int>& keys, const QVariantList& values) {
  for (int r = 0; r < rows.size(); ++r) {
    bool same = true;
    for (int k : keys) same = same && rows.at(r).value(k).toString() == values.value(k).toString();
    if (same) return r;
  }
  return -1;
}

bool SameAsFetched(const QList<TPacketFieldDef>& fields, const QVariantList& row, const QVariantList& old) {
  for (int c = 0; c < fields.size(); ++c) {
    if (fields.at(c).DataType == ftDataSet) continue;
    if (VarIsNull(row.value(c)) != VarIsNull(old.value(c))) return false;
    if (row.value(c).toString() != old.value(c).toString()) return false;
  }
  return true;
}

QString ApplyRows(const QList<TPacketFieldDef>& fields, QList<QVariantList>& rows,
                  const QList<TDeltaRow>& delta, QVariantList* curValues);

QString ApplyDetails(const QList<TPacketFieldDef>& fields, QVariantList& row, const TDeltaRow& d) {
  for (const auto& [column, detailRows] : d.Details) {
    QList<QVariantList> nested;
    for (const QVariant& v : row.value(column).toList()) nested << v.toList();
    const QString msg = ApplyRows(fields.at(column).Children, nested, detailRows, nullptr);
    if (!msg.isEmpty()) return msg;
    QVariantList back;
    for (const QVariantList& r : nested) back << QVariant(r);
    row[column] = back;
  }
  return QString();
}

QString ApplyOne(const QList<TPacketFieldDef>& fields, QList<QVariantList>& rows, const TDeltaRow& d,
                 QVariantList* curValues) {
  const QList<int> keys = KeyColumns(fields);
  if (d.Kind == ukInsert) {
    if (FindByKey(rows, keys, d.NewValues) >= 0) return QStringLiteral("Key violation");
    QVariantList row;
    for (int c = 0; c < fields.size(); ++c) {
      const QVariant v = d.NewValues.value(c);
      row << (fields.at(c).DataType == ftDataSet ? QVariant(QVariantList()) : (v.isValid() ? v : Null()));
    }
    const QString msg = ApplyDetails(fields, row, d);
    if (!msg.isEmpty()) return msg;
    rows << row;
    return QString();
  }
  const int at = FindByKey(rows, keys, d.OldValues);
  if (at < 0) return QStringLiteral("Record not found or changed by another user");
  if (!SameAsFetched(fields, rows.at(at), d.OldValues)) {
    if (curValues) *curValues = rows.at(at);
    return QStringLiteral("Record changed by another user");
  }
  if (d.Kind == ukDelete) {
    rows.removeAt(at);
    return QString();
  }
  QVariantList row = rows.at(at);
  for (int c = 0; c < fields.size(); ++c)
    if (d.NewValues.value(c).isValid()) row[c] = d.NewValues.at(c);
  const QString msg = ApplyDetails(fields, row, d);
  if (!msg.isEmpty()) return msg;
  rows[at] = row;
  return QString();
}

QString ApplyRows(const QList<TPacketFieldDef>& fields, QList<QVariantList>& rows,
                  const QList<TDeltaRow>& delta, QVariantList* curValues) {
  for (const TDeltaRow& d : delta) {
    const QString msg = ApplyOne(fields, rows, d, curValues);
    if (!msg.isEmpty()) return msg;
  }
  return QString();
}

bool MatchesCondition(const TMemoryTable& table, const QVariantList& row, const QString& condition) {
  const QString c = condition.trimmed();
  if (c.isEmpty() || c.compare(QStringLiteral("all"), Qt::CaseInsensitive) == 0) return true;
  if (c == QLatin1String("1=2")) return false;
  const int eq = c.indexOf(QLatin1Char('='));
  const int col = table.ColumnOf(c.left(eq).trimmed());
  return eq > 0 && col >= 0 && row.value(col).toString() == c.mid(eq + 1).trimmed();
}

}  // namespace

int TMemoryTable::ColumnOf(const QString& name) const {
  for (int c = 0; c < Fields.size(); ++c)
    if (Fields.at(c).Name.compare(name, Qt::CaseInsensitive) == 0) return c;
  return -1;
}

TMemoryAppServer::TMemoryAppServer() {
  Method(QStringLiteral("AS_DataRequest"), [this](QVariantList& a) { return DataRequest(a); });
  Method(QStringLiteral("AS_GetRecords"), [this](QVariantList& a) { return GetRecords(a); });
  Method(QStringLiteral("AS_ApplyUpdates"), [this](QVariantList& a) { return ApplyUpdates(a); });
}

void TMemoryAppServer::AddProvider(const QString& name, TMemoryTable table) {
  providers_[name.toLower()].Table = std::move(table);
}

TMemoryTable& TMemoryAppServer::Table(const QString& provider) { return Provider(provider).Table; }

TMemoryAppServer::TProviderState& TMemoryAppServer::Provider(const QVariant& name) {
  auto it = providers_.find(name.toString().toLower());
  if (it == providers_.end()) throw EDatabaseError(QStringLiteral("Unknown provider ") + name.toString());
  return *it;
}

QVariant TMemoryAppServer::DataRequest(QVariantList& args) {
  Provider(args.value(0)).Condition = args.value(1);
  Requests << args.value(1);
  return QStringLiteral("ok");
}

QVariant TMemoryAppServer::GetRecords(QVariantList& args) {
  TProviderState& p = Provider(args.value(0));
  const int count = args.value(1).toInt();
  const bool restart = args.value(2).toInt() & poRestart;
  ++GetRecordsCalls;
  RequestedCounts << count;
  TDataPacket packet;
  if (restart) {
    packet.Fields = p.Table.Fields;
    p.Cursor = 0;
    p.Snapshot.clear();
    const QString condition = p.Condition.toList().value(0).toString();
    for (const QVariantList& row : p.Table.Rows)
      if (MatchesCondition(p.Table, row, condition)) p.Snapshot << row;
  }
  const int n = count < 0 ? int(p.Snapshot.size()) - p.Cursor : qMin(count, int(p.Snapshot.size()) - p.Cursor);
  packet.Rows = p.Snapshot.mid(p.Cursor, n);
  p.Cursor += n;
  packet.Eof = p.Cursor >= p.Snapshot.size();
  return PacketToVariant(packet);
}

QVariant TMemoryAppServer::ApplyUpdates(QVariantList& args) {
  TProviderState& p = Provider(args.value(0));
  const TDelta delta = DeltaFromVariant(args.value(1));
  const int maxErrors = args.value(2).toInt();
  ++ApplyCalls;
  LastDelta = delta;
  QList<QVariantList> rows = p.Table.Rows;
  QList<TReconcileError> errors;
  for (int i = 0; i < delta.Rows.size(); ++i) {
    const TDeltaRow& d = delta.Rows.at(i);
    QVariantList cur;
    QString msg = FailRow ? FailRow(d) : QString();
    if (msg.isEmpty()) msg = ApplyOne(p.Table.Fields, rows, d, &cur);
    if (msg.isEmpty()) continue;
    TReconcileError e;
    e.RowIndex = i;
    e.Kind = d.Kind;
    e.Message = msg;
    e.Context = QStringLiteral("applying row %1").arg(i);
    e.CurValues = cur;
    errors << e;
  }
  if (args.size() > 3) args[3] = int(errors.size());
  if (maxErrors < 0 || errors.size() <= maxErrors) p.Table.Rows = rows;
  return ReconcileErrorsToVariant(errors);
}

TMemoryTable ItemsTable(int rows) {
  TMemoryTable t;
  auto field = [](const QString& n, TFieldType type, int size, bool key = false) {
    TPacketFieldDef d;
    d.Name = n;
    d.DataType = type;
    d.Size = size;
    d.InKey = key;
    return d;
  };
  t.Fields = {field(QStringLiteral("ID"), ftInteger, 0, true), field(QStringLiteral("CODE"), ftString, 10),
              field(QStringLiteral("NAME"), ftString, 20), field(QStringLiteral("QTY"), ftFloat, 0),
              field(QStringLiteral("FLAG"), ftInteger, 0), field(QStringLiteral("DAY"), ftDate, 0)};
  const QDate base(2002, 1, 1);
  for (int id = 1; id <= rows; ++id)
    t.Rows << QVariantList{id, QStringLiteral("C%1").arg(id, 4, 10, QLatin1Char('0')),
                           QStringLiteral("Name %1").arg(id), id * 1.5, 0,
                           DateToDateTime(base.addDays(id % 28))};
  return t;
}

TMemoryTable OrdersTable(int orders, int linesEach) {
  TMemoryTable t;
  TPacketFieldDef id{QStringLiteral("ID"), ftInteger};
  id.InKey = true;
  TPacketFieldDef customer{QStringLiteral("CUSTOMER"), ftString, 10};
  TPacketFieldDef lines{QStringLiteral("LINES"), ftDataSet};
  TPacketFieldDef line{QStringLiteral("LINE"), ftInteger};
  line.InKey = true;
  lines.Children = {line, TPacketFieldDef{QStringLiteral("ITEM"), ftString, 10},
                    TPacketFieldDef{QStringLiteral("QTY"), ftFloat}};
  t.Fields = {id, customer, lines};
  for (int o = 1; o <= orders; ++o) {
    QVariantList nested;
    for (int l = 1; l <= linesEach; ++l)
      nested << QVariant(QVariantList{l, QStringLiteral("I%1-%2").arg(o).arg(l), double(l)});
    t.Rows << QVariantList{o, QStringLiteral("CUST%1").arg(o), nested};
  }
  return t;
}

QVariant AppServerVariant(const QSharedPointer<TMemoryAppServer>& server) {
  return VarFromDispatch(server.staticCast<TDispatch>());
}

}  // namespace vantor::test
