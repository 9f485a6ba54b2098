// Variants as CBOR. Unassigned is CBOR's "undefined" and Null is CBOR's
// "null", so the two stay apart on the wire; two-dimensional arrays and object
// references use tags of our own.
#include "platform/variant/VariantCbor.h"

#include "platform/dispatch/Dispatch.h"
#include "platform/os/Exceptions.h"
#include "platform/variant/Variants.h"

#include <QCborArray>
#include <QStringList>
#include <limits>

namespace vantor {

namespace {
constexpr auto kMatrixTag = QCborTag(40001);   // [lo1, hi1, lo2, hi2, [cells row-major]]
constexpr auto kObjectTag = QCborTag(40002);   // object handle

QCborValue ListToCbor(const QVariantList& list, const TCborObjectCodec* codec) {
  QCborArray a;
  for (const QVariant& item : list) a.append(VariantToCbor(item, codec));
  return a;
}

QCborValue MatrixToCbor(const TVarMatrix& m, const TCborObjectCodec* codec) {
  QCborArray a{m.Low(1), m.High(1), m.Low(2), m.High(2)};
  a.append(ListToCbor(m.Cells(), codec));
  return QCborValue(kMatrixTag, a);
}

QVariant IntegerFromCbor(qint64 n) {
  if (n >= std::numeric_limits<int>::min() && n <= std::numeric_limits<int>::max())
    return QVariant(int(n));
  return QVariant(qlonglong(n));
}

int BoundFromCbor(const QCborValue& c) {
  if (!c.isInteger() || c.toInteger() < std::numeric_limits<int>::min() / 2 ||
      c.toInteger() > std::numeric_limits<int>::max() / 2)
    throw EVariantError(QStringLiteral("Malformed variant array bounds"));
  return int(c.toInteger());
}

QVariant MatrixFromCbor(const QCborValue& tagged, const TCborObjectCodec* codec) {
  const QCborValue body = tagged.taggedValue();
  const QCborArray a = body.toArray();
  if (!body.isArray() || a.size() != 5 || !a[4].isArray())
    throw EVariantError(QStringLiteral("Malformed two-dimensional variant array"));
  const int lo1 = BoundFromCbor(a[0]), hi1 = BoundFromCbor(a[1]);
  const int lo2 = BoundFromCbor(a[2]), hi2 = BoundFromCbor(a[3]);
  const QCborArray cells = a[4].toArray();
  const qint64 rows = qint64(hi1) - lo1 + 1, cols = qint64(hi2) - lo2 + 1;
  if (rows < 0 || cols < 0 || rows * cols != cells.size())
    throw EVariantError(QStringLiteral("Two-dimensional variant array does not match its bounds"));
  QVariantList list;
  list.reserve(cells.size());
  for (const QCborValue& c : cells) list.append(CborToVariant(c, codec));
  return QVariant::fromValue(TVarMatrix::FromCells(lo1, hi1, lo2, hi2, std::move(list)));
}
}  // namespace

QCborValue VariantToCbor(const QVariant& v, const TCborObjectCodec* codec) {
  if (VarIsEmpty(v)) return QCborValue(QCborSimpleType::Undefined);
  if (VarIsNull(v)) return QCborValue(nullptr);
  if (VarIsMatrix(v)) return MatrixToCbor(v.value<TVarMatrix>(), codec);
  if (VarIsDispatch(v)) {
    if (!codec || !codec->Encode)
      throw EVariantError(QStringLiteral("An object reference cannot be sent here"));
    return QCborValue(kObjectTag, codec->Encode(v));
  }
  switch (v.typeId()) {
    case QMetaType::QVariantList: return ListToCbor(v.toList(), codec);
    case QMetaType::QStringList: return QCborArray::fromStringList(v.toStringList());
    case QMetaType::Bool: return QCborValue(v.toBool());
    case QMetaType::Double: case QMetaType::Float: return QCborValue(v.toDouble());
    case QMetaType::QString: return QCborValue(v.toString());
    case QMetaType::QByteArray: return QCborValue(v.toByteArray());
    case QMetaType::ULongLong:
      if (v.toULongLong() > quint64(std::numeric_limits<qint64>::max()))
        return QCborValue(v.toDouble());
      return QCborValue(qint64(v.toULongLong()));
    default:
      if (VarIsNumeric(v)) return QCborValue(v.toLongLong());
      throw EVariantError(QStringLiteral("Variant of type %1 cannot be sent")
                              .arg(QString::fromLatin1(v.typeName())));
  }
}

QVariant CborToVariant(const QCborValue& c, const TCborObjectCodec* codec) {
  switch (c.type()) {
    case QCborValue::Undefined: return QVariant();
    case QCborValue::Null: return Null();
    case QCborValue::False: return QVariant(false);
    case QCborValue::True: return QVariant(true);
    case QCborValue::Integer: return IntegerFromCbor(c.toInteger());
    case QCborValue::Double: return QVariant(c.toDouble());
    case QCborValue::String: return QVariant(c.toString());
    case QCborValue::ByteArray: return QVariant(c.toByteArray());
    case QCborValue::Array: {
      const QCborArray a = c.toArray();
      QVariantList list;
      list.reserve(a.size());
      for (const QCborValue& item : a) list.append(CborToVariant(item, codec));
      return list;
    }
    case QCborValue::Tag:
      if (c.tag() == kMatrixTag) return MatrixFromCbor(c, codec);
      if (c.tag() == kObjectTag) {
        if (!codec || !codec->Decode || !c.taggedValue().isInteger())
          throw EVariantError(QStringLiteral("Unexpected object reference"));
        return codec->Decode(c.taggedValue().toInteger());
      }
      break;
    default:
      break;
  }
  throw EVariantError(QStringLiteral("Unexpected value of CBOR type %1").arg(int(c.type())));
}

}  // namespace vantor
