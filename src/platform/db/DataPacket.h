// The data packet and the change batch exchanged between a client dataset and
// a provider. Both sides use these types; on the wire they travel as plain
// variant arrays (see PacketToVariant and friends), so they pass through any
// TDispatch, in process or remote.
//
// Provider protocol, as members of the application-server object:
//   AS_DataRequest(provider, data)                     -> variant (provider's answer)
//   AS_GetRecords(provider, count, options)            -> packet  (count -1: all rows)
//        options: bit 0 = (re)start the cursor and include the field metadata
//   AS_ApplyUpdates(provider, delta, maxErrors, &errorCount) -> reconcile errors
#pragma once

#include <QList>
#include <QString>
#include <QVariant>

namespace vantor {

// The numbers of the component library's enumeration: stored files and the
// query form compare them.
enum TFieldType {
  ftUnknown = 0, ftString = 1, ftSmallint = 2, ftInteger = 3, ftWord = 4, ftBoolean = 5,
  ftFloat = 6, ftCurrency = 7, ftBCD = 8, ftDate = 9, ftTime = 10, ftDateTime = 11,
  ftBytes = 12, ftVarBytes = 13, ftAutoInc = 14, ftBlob = 15, ftMemo = 16, ftGraphic = 17,
  ftFmtMemo = 18, ftParadoxOle = 19, ftDBaseOle = 20, ftTypedBinary = 21, ftCursor = 22,
  ftFixedChar = 23, ftWideString = 24, ftLargeint = 25, ftADT = 26, ftArray = 27,
  ftReference = 28, ftDataSet = 29, ftOraBlob = 30, ftOraClob = 31, ftVariant = 32,
  ftInterface = 33, ftIDispatch = 34, ftGuid = 35
};

enum TPacketOption { poRestart = 1 };

struct TPacketFieldDef {
  QString Name;
  TFieldType DataType = ftUnknown;
  int Size = 0;            // characters of a text, bytes of a byte field
  int Precision = 0;       // digits of a BCD
  bool Required = false;
  bool ReadOnly = false;   // computed by the provider; never applied
  bool InKey = false;      // part of the provider's key
  QList<TPacketFieldDef> Children;  // the fields of a nested dataset (ftDataSet)
};

// Row values are in the order of the field definitions. A nested dataset
// column holds a QVariantList of its rows (each a QVariantList).
struct TDataPacket {
  QList<TPacketFieldDef> Fields;   // empty unless asked for with poRestart
  QList<QVariantList> Rows;
  bool Eof = true;                 // no rows remain after these
};

enum TUpdateKind { ukModify = 0, ukInsert = 1, ukDelete = 2 };

struct TDelta;

// One pending change of a row. For ukModify, OldValues are the values as
// fetched and NewValues hold Unassigned for every unchanged field. For
// ukInsert only NewValues, for ukDelete only OldValues matter.
struct TDeltaRow {
  TUpdateKind Kind = ukModify;
  QVariantList OldValues;
  QVariantList NewValues;
  // Changes of nested datasets, by the index of their dataset field.
  QList<QPair<int, QList<TDeltaRow>>> Details;
};

struct TDelta {
  QList<TPacketFieldDef> Fields;
  QList<TDeltaRow> Rows;
};

enum TReconcileAction { raSkip = 0, raAbort = 1, raMerge = 2, raCorrect = 3, raCancel = 4, raRefresh = 5 };

struct TReconcileError {
  int RowIndex = -1;          // index into TDelta::Rows
  TUpdateKind Kind = ukModify;
  QString Message;            // the database's message
  QString Context;            // what was being done, for the user
  int ErrorCode = 0;
  QVariantList CurValues;     // the row as it now is on the server, when known
};

// Conversions to plain variant arrays. The From* functions raise
// EDatabaseError on a malformed value, never crash.
QVariant FieldDefsToVariant(const QList<TPacketFieldDef>& defs);
QList<TPacketFieldDef> FieldDefsFromVariant(const QVariant& v);
QVariant PacketToVariant(const TDataPacket& p);
TDataPacket PacketFromVariant(const QVariant& v);
QVariant DeltaToVariant(const TDelta& d);
TDelta DeltaFromVariant(const QVariant& v);
QVariant ReconcileErrorsToVariant(const QList<TReconcileError>& errors);
QList<TReconcileError> ReconcileErrorsFromVariant(const QVariant& v);

}  // namespace vantor
