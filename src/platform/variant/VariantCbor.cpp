// Variants as CBOR. Unassigned is CBOR's "undefined" and Null is CBOR's
// "null", so the two stay apart on the wire; two-dimensional arrays and object
// references use tags of our own. The tree form is here; the stream form,
// which must write the very same bytes, is in the second half.
#include "platform/variant/VariantCbor.h"

#include "platform/dispatch/Dispatch.h"
#include "platform/os/Exceptions.h"
#include "platform/variant/Variants.h"

#include <QCborArray>
#include <QCborStreamReader>
#include <QCborStreamWriter>
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

// Texts shared by the tree and stream readers, so both refuse alike.
QString MalformedMatrixText() { return QStringLiteral("Malformed two-dimensional variant array"); }
QString MalformedBoundsText() { return QStringLiteral("Malformed variant array bounds"); }
QString MismatchText() { return QStringLiteral("Two-dimensional variant array does not match its bounds"); }
QString UnexpectedObjectText() { return QStringLiteral("Unexpected object reference"); }
QString UnexpectedTypeText(int type) { return QStringLiteral("Unexpected value of CBOR type %1").arg(type); }
QString UnsendableText(const QVariant& v) {
  return QStringLiteral("Variant of type %1 cannot be sent").arg(QString::fromLatin1(v.typeName()));
}
QString NoCodecText() { return QStringLiteral("An object reference cannot be sent here"); }

// Bounds travel as plain integers; half the int range keeps hi - lo + 1
// computable.
bool BoundInRange(qint64 n) {
  return n >= std::numeric_limits<int>::min() / 2 && n <= std::numeric_limits<int>::max() / 2;
}

QVariant IntegerFromCbor(qint64 n) {
  if (n >= std::numeric_limits<int>::min() && n <= std::numeric_limits<int>::max())
    return QVariant(int(n));
  return QVariant(qlonglong(n));
}

int BoundFromCbor(const QCborValue& c) {
  if (!c.isInteger() || !BoundInRange(c.toInteger()))
    throw EVariantError(MalformedBoundsText());
  return int(c.toInteger());
}

QVariant MatrixFromCbor(const QCborValue& tagged, const TCborObjectCodec* codec) {
  const QCborValue body = tagged.taggedValue();
  const QCborArray a = body.toArray();
  if (!body.isArray() || a.size() != 5 || !a[4].isArray())
    throw EVariantError(MalformedMatrixText());
  const int lo1 = BoundFromCbor(a[0]), hi1 = BoundFromCbor(a[1]);
  const int lo2 = BoundFromCbor(a[2]), hi2 = BoundFromCbor(a[3]);
  const QCborArray cells = a[4].toArray();
  const qint64 rows = qint64(hi1) - lo1 + 1, cols = qint64(hi2) - lo2 + 1;
  if (rows < 0 || cols < 0 || rows * cols != cells.size())
    throw EVariantError(MismatchText());
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
      throw EVariantError(NoCodecText());
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
      throw EVariantError(UnsendableText(v));
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
          throw EVariantError(UnexpectedObjectText());
        return codec->Decode(c.taggedValue().toInteger());
      }
      break;
    default:
      break;
  }
  throw EVariantError(UnexpectedTypeText(int(c.type())));
}

// --- stream form -------------------------------------------------------------
// Every branch below mirrors one of the tree form above: the encoder must
// write the same bytes, and the reader must accept and refuse the same values.

namespace {

// The value a variant holds, without the copy QVariant::value makes; only for
// a variant whose type was checked.
template <typename T>
const T& Held(const QVariant& v) {
  return *static_cast<const T*>(v.constData());
}

void WriteList(QCborStreamWriter& w, const QVariantList& list, const TCborObjectCodec* codec) {
  w.startArray(quint64(list.size()));
  for (const QVariant& item : list)
    WriteVariantCbor(w, item, codec);
  w.endArray();
}

void WriteStrings(QCborStreamWriter& w, const QStringList& list) {
  w.startArray(quint64(list.size()));
  for (const QString& item : list)
    w.append(QStringView(item));
  w.endArray();
}

void WriteMatrix(QCborStreamWriter& w, const TVarMatrix& m, const TCborObjectCodec* codec) {
  w.append(kMatrixTag);
  w.startArray(5);
  for (int dim : {1, 2}) {
    w.append(qint64(m.Low(dim)));
    w.append(qint64(m.High(dim)));
  }
  WriteList(w, m.Cells(), codec);
  w.endArray();
}

void WriteObject(QCborStreamWriter& w, const QVariant& v, const TCborObjectCodec* codec) {
  if (!codec || !codec->Encode)
    throw EVariantError(NoCodecText());
  const qint64 handle = codec->Encode(v);
  w.append(kObjectTag);
  w.append(handle);
}

// The integer at the reader's position when it is one QCborValue would hold
// as an integer (signed 64 bits); anything wider becomes a double there.
bool IntegerAt(const QCborStreamReader& r, qint64* out) {
  if (r.isUnsignedInteger()) {
    const quint64 u = r.toUnsignedInteger();
    *out = qint64(u);
    return u <= quint64(std::numeric_limits<qint64>::max());
  }
  if (r.isNegativeInteger()) {
    // The reader gives n for the value -n; n == 0 stands for -2^64.
    const quint64 n = quint64(r.toNegativeInteger());
    *out = n == 0 ? 0 : -qint64(n - 1) - 1;
    return n != 0 && n <= quint64(1) << 63;
  }
  return false;
}

double WideIntegerAt(const QCborStreamReader& r) {
  if (r.isUnsignedInteger())
    return double(r.toUnsignedInteger());
  const quint64 n = quint64(r.toNegativeInteger());
  return n == 0 ? -18446744073709551616.0 : -double(n);
}

}  // namespace

void WriteVariantCbor(QCborStreamWriter& w, const QVariant& v, const TCborObjectCodec* codec) {
  if (VarIsEmpty(v))
    return w.append(QCborSimpleType::Undefined);
  if (VarIsNull(v))
    return w.append(nullptr);
  if (VarIsMatrix(v))
    return WriteMatrix(w, Held<TVarMatrix>(v), codec);
  if (VarIsDispatch(v))
    return WriteObject(w, v, codec);
  switch (v.typeId()) {
    case QMetaType::QVariantList: return WriteList(w, Held<QVariantList>(v), codec);
    case QMetaType::QStringList: return WriteStrings(w, Held<QStringList>(v));
    case QMetaType::Bool: return w.append(v.toBool());
    case QMetaType::Double: case QMetaType::Float: return w.append(v.toDouble());
    case QMetaType::QString: return w.append(QStringView(Held<QString>(v)));
    case QMetaType::QByteArray: return w.append(Held<QByteArray>(v));
    case QMetaType::ULongLong:
      if (v.toULongLong() > quint64(std::numeric_limits<qint64>::max()))
        return w.append(v.toDouble());
      return w.append(qint64(v.toULongLong()));
    default:
      if (VarIsNumeric(v))
        return w.append(qint64(v.toLongLong()));
      throw EVariantError(UnsendableText(v));
  }
}

QVariant ReadVariantCbor(QCborStreamReader& reader, const TCborObjectCodec* codec) {
  TVariantCborReader values(reader, codec);
  QVariant v = values.Read();
  values.RaiseFault();
  return v;
}

TVariantCborReader::TVariantCborReader(QCborStreamReader& reader, const TCborObjectCodec* codec)
    : reader_(reader), codec_(codec) {}

QVariant TVariantCborReader::Read() {
  QVariant v = ReadItem(0);
  return fault_ ? QVariant() : v;
}

QVariantList TVariantCborReader::ReadList() {
  Check();
  if (!reader_.isArray())
    Refuse(QStringLiteral("Malformed CBOR: an array of values was expected"));
  return ReadElements(0);
}

void TVariantCborReader::RaiseFault() const {
  if (fault_)
    std::rethrow_exception(fault_);
}

void TVariantCborReader::Check() const {
  if (reader_.lastError() != QCborError::NoError)
    Refuse(QStringLiteral("Malformed CBOR value (%1)").arg(reader_.lastError().toString()));
}

void TVariantCborReader::Advance() {
  reader_.next();
  Check();
}

void TVariantCborReader::Enter() {
  reader_.enterContainer();
  Check();
}

void TVariantCborReader::Leave() {
  reader_.leaveContainer();
  Check();
}

void TVariantCborReader::Keep(std::exception_ptr fault) {
  if (!fault_)
    fault_ = std::move(fault);
}

void TVariantCborReader::Refuse(const QString& message) { throw EVariantError(message); }

void TVariantCborReader::Skip(int depth) {
  // For the stream reader a tag is an item of its own; for us it is one
  // value with what it tags.
  while (reader_.isTag()) {
    reader_.next();
    Check();
  }
  reader_.next(qMax(0, MaxDepth - depth));
  Check();
}

void TVariantCborReader::SkipRest(int depth) {
  while (reader_.hasNext())
    Skip(depth + 1);
  Leave();
}

qsizetype TVariantCborReader::TakeBudget(quint64 declared) {
  const qsizetype n = qsizetype(qMin(declared, quint64(budget_)));
  budget_ -= n;
  return n;
}

QVariant TVariantCborReader::ReadItem(int depth) {
  Check();
  if (depth > MaxDepth)
    Refuse(QStringLiteral("Malformed CBOR value (nested deeper than %1 levels)").arg(MaxDepth));
  if (fault_) {  // the reading is lost already: only keep in step
    Skip(depth);
    return {};
  }
  switch (reader_.type()) {
    case QCborStreamReader::Array:
      return ReadElements(depth);
    case QCborStreamReader::Tag:
      return ReadTagged(depth);
    case QCborStreamReader::Map:
      Keep(std::make_exception_ptr(EVariantError(UnexpectedTypeText(QCborValue::Map))));
      Skip(depth);
      return {};
    default:
      return ReadScalar();
  }
}

QVariant TVariantCborReader::ReadScalar() {
  QVariant v;
  switch (reader_.type()) {
    case QCborStreamReader::UnsignedInteger:
    case QCborStreamReader::NegativeInteger: {
      qint64 n = 0;
      v = IntegerAt(reader_, &n) ? IntegerFromCbor(n) : QVariant(WideIntegerAt(reader_));
      break;
    }
    case QCborStreamReader::ByteArray: return ReadBytes();
    case QCborStreamReader::String: return ReadText();
    case QCborStreamReader::Float16: v = double(float(reader_.toFloat16())); break;
    case QCborStreamReader::Float: v = double(reader_.toFloat()); break;
    case QCborStreamReader::Double: v = reader_.toDouble(); break;
    case QCborStreamReader::SimpleType:
      switch (reader_.toSimpleType()) {
        case QCborSimpleType::False: v = false; break;
        case QCborSimpleType::True: v = true; break;
        case QCborSimpleType::Null: v = Null(); break;
        case QCborSimpleType::Undefined: break;
        default:
          Keep(std::make_exception_ptr(
              EVariantError(UnexpectedTypeText(QCborValue::SimpleType + int(reader_.toSimpleType())))));
      }
      break;
    default:
      Check();
      Refuse(QStringLiteral("Malformed CBOR value"));
  }
  Advance();
  return v;
}

QString TVariantCborReader::ReadText() {
  QString text;
  auto chunk = reader_.readString();
  while (chunk.status == QCborStreamReader::Ok) {
    if (text.isEmpty())
      text = std::move(chunk.data);
    else
      text += chunk.data;
    chunk = reader_.readString();
  }
  Check();
  if (chunk.status == QCborStreamReader::Error)
    Refuse(QStringLiteral("Malformed CBOR text"));
  return text;
}

QByteArray TVariantCborReader::ReadBytes() {
  QByteArray bytes;
  auto chunk = reader_.readByteArray();
  while (chunk.status == QCborStreamReader::Ok) {
    if (bytes.isEmpty())
      bytes = std::move(chunk.data);
    else
      bytes += chunk.data;
    chunk = reader_.readByteArray();
  }
  Check();
  if (chunk.status == QCborStreamReader::Error)
    Refuse(QStringLiteral("Malformed CBOR byte string"));
  return bytes;
}

QVariantList TVariantCborReader::ReadElements(int depth) {
  QVariantList list;
  if (reader_.isLengthKnown())
    list.reserve(TakeBudget(reader_.length()));
  Enter();
  while (reader_.hasNext())
    list.append(ReadItem(depth + 1));
  Leave();
  return list;
}

QVariant TVariantCborReader::ReadTagged(int depth) {
  const QCborTag tag = reader_.toTag();
  Advance();
  if (tag == kMatrixTag)
    return ReadMatrix(depth + 1);
  if (tag == kObjectTag)
    return ReadObject(depth + 1);
  Keep(std::make_exception_ptr(EVariantError(UnexpectedTypeText(QCborValue::Tag))));
  Skip(depth + 1);
  return {};
}

QVariant TVariantCborReader::ReadObject(int depth) {
  qint64 handle = 0;
  if (!IntegerAt(reader_, &handle) || !codec_ || !codec_->Decode) {
    Keep(std::make_exception_ptr(EVariantError(UnexpectedObjectText())));
    Skip(depth);
    return {};
  }
  Advance();
  try {
    return codec_->Decode(handle);
  } catch (...) {
    Keep(std::current_exception());
    return {};
  }
}

// [lo1, hi1, lo2, hi2, [cells]]. A fault leaves the reader after the array.
QVariant TVariantCborReader::ReadMatrix(int depth) {
  Check();
  if (!reader_.isArray() || (reader_.isLengthKnown() && reader_.length() != 5)) {
    Keep(std::make_exception_ptr(EVariantError(MalformedMatrixText())));
    Skip(depth);
    return {};
  }
  Enter();
  TBounds b;
  for (int* bound : {&b.Lo1, &b.Hi1, &b.Lo2, &b.Hi2})
    if (!ReadBound(bound)) {
      SkipRest(depth);
      return {};
    }
  QVariant matrix;
  if (reader_.hasNext() && reader_.isArray())
    matrix = ReadCells(depth + 1, b);
  else
    Keep(std::make_exception_ptr(EVariantError(MalformedMatrixText())));
  if (reader_.hasNext())  // an indefinite-length array with more than five
    Keep(std::make_exception_ptr(EVariantError(MalformedMatrixText())));
  SkipRest(depth);
  return fault_ ? QVariant() : matrix;
}

bool TVariantCborReader::ReadBound(int* bound) {
  qint64 n = 0;
  if (!reader_.hasNext()) {
    Keep(std::make_exception_ptr(EVariantError(MalformedMatrixText())));
    return false;
  }
  if (!IntegerAt(reader_, &n) || !BoundInRange(n)) {
    Keep(std::make_exception_ptr(EVariantError(MalformedBoundsText())));
    return false;
  }
  Advance();
  *bound = int(n);
  return true;
}

QVariant TVariantCborReader::ReadCells(int depth, const TBounds& b) {
  const qint64 rows = qint64(b.Hi1) - b.Lo1 + 1, cols = qint64(b.Hi2) - b.Lo2 + 1;
  const bool known = reader_.isLengthKnown();
  if (rows < 0 || cols < 0 || (known && reader_.length() != quint64(rows * cols))) {
    Keep(std::make_exception_ptr(EVariantError(MismatchText())));
    Skip(depth);
    return {};
  }
  if (known && rows * cols <= budget_) {
    budget_ -= rows * cols;
    return FillMatrix(depth, b, rows * cols);
  }
  // Length not given, or more than may be believed ahead: collect first.
  QVariantList cells = ReadElements(depth);
  if (cells.size() != rows * cols) {
    Keep(std::make_exception_ptr(EVariantError(MismatchText())));
    return {};
  }
  if (fault_)
    return {};
  return QVariant::fromValue(TVarMatrix::FromCells(b.Lo1, b.Hi1, b.Lo2, b.Hi2, std::move(cells)));
}

// Cells go straight into their places: no list that is built and then copied.
QVariant TVariantCborReader::FillMatrix(int depth, const TBounds& b, qint64 count) {
  TVarMatrix m(b.Lo1, b.Hi1, b.Lo2, b.Hi2);
  Enter();
  int i = b.Lo1, j = b.Lo2;
  for (qint64 k = 0; k < count; ++k) {
    m.At(i, j) = ReadItem(depth + 1);
    if (++j > b.Hi2) {
      j = b.Lo2;
      ++i;
    }
  }
  Leave();
  return QVariant::fromValue(std::move(m));
}

}  // namespace vantor
