// Language documents parsed with Qt's stream reader into a flat list of
// elements, indexed by tag for the two look-ups translation makes.
#include "language/LangDocument.h"

#include "platform/os/CodePages.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QXmlStreamReader>

namespace vantor {

struct TLangDocumentData {
  struct TElement {
    QString Name;
    QList<QPair<QString, QString>> Attributes;
  };
  QList<TElement> Elements;              // document order; 0 is the root
  QHash<QString, QList<int>> ByTag;      // tag → elements in document order
};

namespace {

// Code returned when the file itself cannot be read.
constexpr int kFileReadError = -1;

// The code page of an XML declaration's encoding name, 0 when the name is
// one Qt's reader handles itself (or none is given).
int CodePageOfEncoding(const QByteArray& bytes) {
  static const QRegularExpression declaration(
      QStringLiteral(R"(^\s*<\?xml[^>]*encoding\s*=\s*["']([A-Za-z0-9_.:-]+)["'])"));
  const QString head = QString::fromLatin1(bytes.left(256));
  const QRegularExpressionMatch match = declaration.match(head);
  if (!match.hasMatch())
    return 0;
  QString name = match.captured(1).toUpper();
  name.remove(QLatin1Char('-')).remove(QLatin1Char('_'));
  if (name == QLatin1String("GB2312") || name == QLatin1String("GBK") || name == QLatin1String("CP936") ||
      name == QLatin1String("EUCCN"))
    return 936;
  if (name == QLatin1String("GB18030"))
    return 54936;
  if (name == QLatin1String("BIG5") || name == QLatin1String("CP950") || name == QLatin1String("BIG5HKSCS"))
    return 950;
  return 0;
}

}  // namespace

// --- nodes ---------------------------------------------------------------------------------

TLangNode::TNodeType TLangNode::NodeType() const {
  if (!data_)
    return ntNone;
  return attribute_ < 0 ? ntElement : ntAttribute;
}

QString TLangNode::NodeName() const {
  if (!data_)
    return QString();
  const auto& element = data_->Elements[element_];
  return attribute_ < 0 ? element.Name : element.Attributes[attribute_].first;
}

QString TLangNode::NodeValue() const {
  if (!data_ || attribute_ < 0)
    return QString();
  return data_->Elements[element_].Attributes[attribute_].second;
}

int TLangNode::AttributeCount() const {
  if (!data_ || attribute_ >= 0)
    return 0;
  return int(data_->Elements[element_].Attributes.size());
}

TLangNode TLangNode::Attribute(int index) const {
  if (index < 0 || index >= AttributeCount())
    return TLangNode();
  return TLangNode(data_, element_, index);
}

TLangNode TLangNode::AttributeByName(const QString& name) const {
  for (int i = 0; i < AttributeCount(); ++i)
    if (data_->Elements[element_].Attributes[i].first == name)
      return TLangNode(data_, element_, i);
  return TLangNode();
}

// --- document ------------------------------------------------------------------------------

TLangDocument::TLangDocument() = default;

void TLangDocument::Fail(int code, const QString& reason) {
  data_.reset();
  errorCode_ = code;
  reason_ = reason;
}

QString TLangDocument::DecodeXml(const QByteArray& bytes) {
  if (bytes.startsWith("\xEF\xBB\xBF"))
    return QString::fromUtf8(bytes.mid(3));
  if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
    QStringDecoder decoder(QStringConverter::Utf16);
    return decoder.decode(bytes);
  }
  const int codePage = CodePageOfEncoding(bytes);
  return codePage ? MultiByteToWideChar(codePage, bytes) : QString::fromUtf8(bytes);
}

bool TLangDocument::Load(const QString& fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly)) {
    Fail(kFileReadError, QStringLiteral("%1: cannot be read: %2").arg(fileName, file.errorString()));
    return false;
  }
  if (LoadBytes(file.readAll()))
    return true;
  reason_ = QStringLiteral("%1: %2").arg(fileName, reason_);  // say which file
  return false;
}

bool TLangDocument::LoadBytes(const QByteArray& bytes) { return LoadXml(DecodeXml(bytes)); }

bool TLangDocument::LoadXml(const QString& text) {
  auto data = std::make_shared<TLangDocumentData>();
  QXmlStreamReader reader(text);
  while (!reader.atEnd()) {
    if (reader.readNext() != QXmlStreamReader::StartElement)
      continue;
    TLangDocumentData::TElement element;
    element.Name = reader.name().toString();
    for (const QXmlStreamAttribute& attribute : reader.attributes())
      element.Attributes.append({attribute.qualifiedName().toString(), attribute.value().toString()});
    data->ByTag[element.Name].append(int(data->Elements.size()));
    data->Elements.append(std::move(element));
  }
  if (reader.hasError()) {
    Fail(int(reader.error()), QStringLiteral("Line %1, column %2: %3")
                                  .arg(reader.lineNumber())
                                  .arg(reader.columnNumber())
                                  .arg(reader.errorString()));
    return false;
  }
  if (data->Elements.isEmpty()) {
    Fail(int(QXmlStreamReader::PrematureEndOfDocumentError), QStringLiteral("The document has no element."));
    return false;
  }
  data_ = std::move(data);
  errorCode_ = 0;
  reason_.clear();
  return true;
}

TLangNode TLangDocument::DocumentElement() const { return data_ ? TLangNode(data_, 0, -1) : TLangNode(); }

TLangNode TLangDocument::SelectElement(const QString& tagName) const {
  if (!data_)
    return TLangNode();
  const auto it = data_->ByTag.constFind(tagName);
  return it == data_->ByTag.constEnd() ? TLangNode() : TLangNode(data_, it->first(), -1);
}

TLangNode TLangDocument::SelectAttribute(const QString& tagName, const QString& attributeName) const {
  if (!data_)
    return TLangNode();
  const auto it = data_->ByTag.constFind(tagName);
  if (it == data_->ByTag.constEnd())
    return TLangNode();
  for (int index : *it) {
    const TLangNode attribute = TLangNode(data_, index, -1).AttributeByName(attributeName);
    if (!attribute.IsNull())
      return attribute;
  }
  return TLangNode();
}

}  // namespace vantor
