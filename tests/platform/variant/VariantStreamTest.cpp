// The stream form of variants in CBOR: it must write the very bytes of the
// tree form, read whatever the tree form wrote, accept and refuse the same
// raw CBOR as the tree form, and survive hostile bytes with an EVariantError.
#include "platform/dispatch/Dispatch.h"
#include "platform/os/Exceptions.h"
#include "platform/variant/VariantCbor.h"
#include "platform/variant/Variants.h"

#include <QBuffer>
#include <QCborStreamReader>
#include <QCborStreamWriter>
#include <QStringList>
#include <gtest/gtest.h>
#include <limits>

using namespace vantor;

namespace {

// Object references numbered by their place in a table, as a connection's
// handle table would number them.
class VariantStream : public ::testing::Test {
protected:
  VariantStream() {
    codec_.Encode = [this](const QVariant& ref) {
      const TDispatchRef object = VarToDispatch(ref);
      if (!objects_.contains(object))
        objects_.append(object);
      return qint64(objects_.indexOf(object) + 1);
    };
    codec_.Decode = [this](qint64 handle) -> QVariant {
      if (handle < 1 || handle > objects_.size())
        throw EOleError(QStringLiteral("unknown object handle %1").arg(handle));
      return VarFromDispatch(objects_.at(handle - 1));
    };
  }

  static QByteArray Streamed(const QVariant& v, const TCborObjectCodec* codec) {
    QByteArray bytes;
    QBuffer sink(&bytes);
    sink.open(QIODevice::WriteOnly);
    QCborStreamWriter writer(&sink);
    WriteVariantCbor(writer, v, codec);
    return bytes;
  }

  // Reads one value and checks that exactly the given bytes were used.
  static QVariant Read(const QByteArray& bytes, const TCborObjectCodec* codec = nullptr) {
    QCborStreamReader reader(bytes);
    QVariant v = ReadVariantCbor(reader, codec);
    EXPECT_EQ(reader.currentOffset(), bytes.size()) << "the reader stops right after the value";
    return v;
  }

  static QVariant TreeRead(const QByteArray& bytes, const TCborObjectCodec* codec = nullptr) {
    QCborParserError error;
    const QCborValue c = QCborValue::fromCbor(bytes, &error);
    if (error.error != QCborError::NoError)
      throw EVariantError(error.errorString());
    return CborToVariant(c, codec);
  }

  static TVarMatrix SampleMatrix() {
    TVarMatrix m(1, 2, -1, 1);  // low bounds other than zero on purpose
    m.Set(1, -1, QStringLiteral("供应商"));
    m.Set(1, 0, Null());
    m.Set(2, 0, 42);
    m.Set(2, 1, VarArrayOf({1.5, Null(), QVariant()}));
    return m;
  }

  TCborObjectCodec codec_;
  QList<TDispatchRef> objects_;
};

QByteArray Hex(const char* hex) { return QByteArray::fromHex(hex); }

QVariant Nested(int depth) {
  QVariant v = 1;
  for (int i = 0; i < depth; ++i)
    v = QVariantList{v};
  return v;
}

}  // namespace

TEST_F(VariantStream, WritesTheBytesOfTheTreeFormAndReadsThemBack) {
  const TDispatchRef object(new TDispatchObject);
  TVarMatrix withObject(0, 0, 0, 1);
  withObject.Set(0, 0, VarFromDispatch(object));
  withObject.Set(0, 1, QStringLiteral("x"));
  const QVariant cases[] = {
      QVariant(),
      Null(),
      QVariant(true),
      QVariant(false),
      QVariant(0),
      QVariant(23),
      QVariant(24),
      QVariant(-1),
      QVariant(std::numeric_limits<int>::min()),
      QVariant(std::numeric_limits<int>::max()),
      QVariant(qlonglong(1) << 40),
      QVariant(std::numeric_limits<qlonglong>::min()),
      QVariant(quint64(1) << 63),  // wider than a signed integer: goes as a double
      QVariant(uint(4000000000u)),
      QVariant(short(-7)),
      QVariant(3.25),
      QVariant(-0.1),
      QVariant(1.0),
      QVariant(1.5f),
      QVariant(std::numeric_limits<double>::infinity()),
      QVariant(QStringLiteral("ITEM-000042-0")),
      QVariant(QStringLiteral("委外验退 TJ001")),
      QVariant(QString()),
      QVariant(QByteArray("\x00\x01\xff", 3)),
      QVariant(QByteArray()),
      QVariant(QStringList{QStringLiteral("a"), QStringLiteral("ß")}),
      VarArrayOf({}),
      VarArrayOf({Null(), QVariant(), 1, QStringLiteral("a")}),
      VarArrayOf({VarArrayOf({1, VarArrayOf({Null()})}), QVariant::fromValue(SampleMatrix())}),
      QVariant::fromValue(SampleMatrix()),
      QVariant::fromValue(TVarMatrix(0, -1, 0, -1)),
      QVariant::fromValue(TVarMatrix(5, 4, 0, 2)),
      QVariant::fromValue(withObject),
      VarFromDispatch(object),
  };
  for (const QVariant& v : cases) {
    SCOPED_TRACE(v.typeName());
    const QByteArray tree = VariantToCbor(v, &codec_).toCbor();
    EXPECT_EQ(Streamed(v, &codec_).toHex().toStdString(), tree.toHex().toStdString());
    EXPECT_TRUE(VarSame(Read(tree, &codec_), TreeRead(tree, &codec_)));
  }
}

TEST_F(VariantStream, LargeArraysRoundTrip) {
  // The second one holds more cells than the reader reserves ahead.
  for (const auto& [rows, cols] : {std::pair{10000, 10}, std::pair{600, 500}}) {
    TVarMatrix m(1, rows, 0, cols - 1);
    for (int r = 1; r <= rows; ++r)
      for (int c = 0; c < cols; ++c)
        m.Set(r, c, c % 2 ? QVariant(r * 10 + c) : QVariant(QStringLiteral("R%1").arg(r)));
    const QVariant v = QVariant::fromValue(m);
    const QByteArray bytes = Streamed(v, nullptr);
    EXPECT_EQ(bytes, VariantToCbor(v).toCbor());
    EXPECT_TRUE(VarSame(Read(bytes), v)) << rows << " x " << cols;
  }
}

TEST_F(VariantStream, RefusesUnsendableValuesAsTheTreeFormDoes) {
  const TDispatchRef object(new TDispatchObject);
  const QVariant cases[] = {
      VarArrayOf({VarFromDispatch(object)}),  // no codec
      QVariant(QDate(2024, 1, 1)),
      QVariant::fromValue(QVariantMap{{QStringLiteral("k"), 1}}),
  };
  for (const QVariant& v : cases) {
    EXPECT_THROW(VariantToCbor(v), EVariantError) << v.typeName();
    EXPECT_THROW(Streamed(v, nullptr), EVariantError) << v.typeName();
  }
}

// Raw CBOR, mostly not of our own making: the stream reader must agree with
// the tree reader on every one, accepting or refusing.
TEST_F(VariantStream, AgreesWithTheTreeFormOnRawCbor) {
  const struct {
    const char* Name;
    const char* Hex;
    bool Valid;
  } cases[] = {
      {"largest unsigned", "1bffffffffffffffff", true},
      {"smallest signed 64-bit", "3b7fffffffffffffff", true},
      {"one below signed 64-bit", "3b8000000000000000", true},
      {"half float", "f93e00", true},
      {"single float", "fa3fc00000", true},
      {"indefinite array", "9f0102ff", true},
      {"text in chunks", "7f6261626163ff", true},
      {"bytes in chunks", "5f4101420203ff", true},
      {"matrix with cells of unstated length", "d99c4185000000019f0102ff", true},
      {"matrix array of unstated length", "d99c419f0000000081f5ff", true},
      {"simple value 16", "f0", false},
      {"map", "a10102", false},
      {"unknown tag", "d86401", false},
      {"date tag", "c074323032342d30312d30315430303a30303a30305a", false},
      {"object without codec", "d99c4203", false},
      {"object with text handle", "d99c426178", false},
      {"matrix of four", "d99c418400000000", false},
      {"matrix of six", "d99c4186000000008001", false},
      {"matrix array of unstated length, six", "d99c419f0000000081f501ff", false},
      {"matrix bound is text", "d99c41856130000000 80", false},
      {"matrix bound out of range", "d99c41851a7fffffff00000080", false},
      {"matrix cells not an array", "d99c41850000000005", false},
      {"matrix negative rows", "d99c418505000000 80", false},
      {"matrix cell count short", "d99c418500010001 83010203", false},
      {"matrix cells of unstated length, short", "d99c41850000000 19f01ff", false},
      {"matrix is a map", "d99c41a10102", false},
      {"a bad cell in a matrix", "d99c41850000000182f0 01", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const QByteArray bytes = Hex(QByteArray(c.Hex).replace(' ', "").constData());
    if (!c.Valid) {
      EXPECT_THROW(TreeRead(bytes), EVariantError);
      EXPECT_THROW(Read(bytes), EVariantError);
      continue;
    }
    const QVariant tree = TreeRead(bytes);
    const QVariant streamed = Read(bytes);
    EXPECT_TRUE(VarSame(streamed, tree)) << VarToStr(streamed).toStdString() << " against "
                                         << VarToStr(tree).toStdString();
  }
}

// -2^64 is the one integer the tree reader gets wrong (it gives 0); the stream
// reader keeps its value, as a double like every integer beyond 64 bits.
TEST_F(VariantStream, KeepsTheSmallestNegativeInteger) {
  const QVariant v = Read(Hex("3bffffffffffffffff"));
  EXPECT_EQ(v.typeId(), QMetaType::Double);
  EXPECT_EQ(v.toDouble(), -18446744073709551616.0);
}

TEST_F(VariantStream, HostileBytesRaiseInsteadOfCrashing) {
  const struct {
    const char* Name;
    QByteArray Bytes;
  } cases[] = {
      {"nothing", QByteArray()},
      {"array of 2^32 declared, one given", Hex("9b000000010000000001")},
      {"array of 2^63 declared", Hex("9b7fffffffffffffff01")},
      {"text of 2^40 bytes declared", Hex("7b000001000000000061")},
      {"bytes of 2^62 declared", Hex("5b400000000000000061")},
      {"matrix of 2^30 x 2^30 cells, 2^60 declared", Hex("d99c4185001a3fffffff001a3fffffff"
                                                          "9b1000000000000000f6")},
      {"matrix cells declared longer than given", Hex("d99c418500010001 84010203").replace(' ', "")},
      {"nested deeper than the limit", QByteArray(TVariantCborReader::MaxDepth + 10, char(0x81)) + '\x01'},
      {"unclosed indefinite array", Hex("9f0102")},
      {"break outside an array", Hex("ff")},
      {"invalid UTF-8 in text", Hex("62c328")},
      {"reserved additional information", Hex("1c")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    QCborStreamReader reader(c.Bytes);
    EXPECT_THROW(ReadVariantCbor(reader), EVariantError);
  }
}

TEST_F(VariantStream, EveryTruncationIsRefused) {
  const QByteArray whole = VariantToCbor(VarArrayOf({QVariant::fromValue(SampleMatrix()), QStringLiteral("tail"),
                                                     QByteArray("bytes"), 2.5, qlonglong(1) << 40}))
                               .toCbor();
  for (qsizetype n = 0; n < whole.size(); ++n) {
    QCborStreamReader reader(whole.left(n));
    EXPECT_THROW(ReadVariantCbor(reader), EVariantError) << "cut after " << n << " bytes";
  }
}

TEST_F(VariantStream, NestingUpToTheLimitIsRead) {
  const QVariant deep = Nested(TVariantCborReader::MaxDepth);
  const QByteArray bytes = Streamed(deep, nullptr);
  EXPECT_TRUE(VarSame(Read(bytes), deep));
}

// A bad value spoils only itself: the reader stays in step, so the caller can
// go on past it and raise the fault when the value would be used, keeping the
// class of what the codec raised.
TEST_F(VariantStream, AValueFaultKeepsTheStreamInStep) {
  const struct {
    const char* Name;
    QByteArray First;
    const char* ClassName;
  } cases[] = {
      {"unknown handle", Hex("82d99c421863f6"), "EOleError"},
      {"unknown tag inside an array", Hex("82d86482010201"), "EVariantError"},
      {"matrix whose cells do not match", Hex("d99c418500010001820102"), "EVariantError"},
      {"map inside an array", Hex("82a2010203048101"), "EVariantError"},
      {"tagged values after the fault", Hex("83d99c4203d86301d864d86502"), "EOleError"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const QByteArray bytes = c.First + Hex("6474616c6c");  // then the text "tall"
    QCborStreamReader reader(bytes);
    TVariantCborReader values(reader, &codec_);
    EXPECT_TRUE(VarIsEmpty(values.Read()));
    ASSERT_TRUE(values.Fault());
    EXPECT_EQ(reader.currentOffset(), c.First.size()) << "the reader is right after the bad value";
    try {
      values.RaiseFault();
      ADD_FAILURE() << "the fault was not raised";
    } catch (const Exception& e) {
      EXPECT_EQ(e.ClassName(), QLatin1String(c.ClassName)) << e.Message().toStdString();
    }
  }
}

TEST_F(VariantStream, ReadsAListOfValues) {
  const QVariantList args{1, QStringLiteral("two"), Null(), QVariant()};
  const QByteArray bytes = Streamed(args, nullptr);
  QCborStreamReader reader(bytes);
  TVariantCborReader values(reader, nullptr);
  const QVariantList back = values.ReadList();
  EXPECT_FALSE(values.Fault());
  EXPECT_TRUE(VarSame(back, args));

  QCborStreamReader notAnArray(Hex("01"));
  TVariantCborReader scalar(notAnArray, nullptr);
  EXPECT_THROW(scalar.ReadList(), EVariantError);
}
