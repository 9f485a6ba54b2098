// The XML document of a language file, reduced to what translation needs:
// load from a file or a text, a parse error code and reason, the document
// element, the first element of a tag anywhere in the document ("//tag"),
// the first attribute of a name among the elements of a tag ("//tag/@name"),
// and a node's name, type, value and attributes.
//
// Files are read in the encoding their XML declaration names; GB2312, GBK
// and GB18030 are read as code page 936 (GB18030 as itself), BIG5 as 950,
// a byte-order mark wins over the declaration, and no declaration means
// UTF-8. Child elements and text content are parsed for well-formedness but
// only elements and their attributes are kept. Nodes stay valid as long as
// any copy of the node or of its document lives.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <memory>

namespace vantor {

struct TLangDocumentData;

class TLangNode {
public:
  enum TNodeType { ntNone, ntElement, ntAttribute };

  TLangNode() = default;
  bool IsNull() const { return !data_; }
  TNodeType NodeType() const;
  QString NodeName() const;
  // The attribute's value; "" for an element.
  QString NodeValue() const;

  // The element's attributes in document order (none for an attribute).
  int AttributeCount() const;
  TLangNode Attribute(int index) const;  // null when out of range
  TLangNode AttributeByName(const QString& name) const;

private:
  friend class TLangDocument;
  TLangNode(std::shared_ptr<const TLangDocumentData> data, int element, int attribute)
      : data_(std::move(data)), element_(element), attribute_(attribute) {}

  std::shared_ptr<const TLangDocumentData> data_;
  int element_ = -1;
  int attribute_ = -1;  // -1: the element itself
};

class TLangDocument {
public:
  TLangDocument();

  // Both answer false on failure; ParseErrorCode and Reason then say why.
  bool Load(const QString& fileName);
  bool LoadXml(const QString& text);
  bool LoadBytes(const QByteArray& bytes);

  // 0 when the last load succeeded.
  int ParseErrorCode() const { return errorCode_; }
  const QString& Reason() const { return reason_; }

  // Null when nothing is loaded.
  TLangNode DocumentElement() const;
  // The first element of that tag in document order, or null.
  TLangNode SelectElement(const QString& tagName) const;
  // The first attribute of that name of an element of that tag, or null.
  TLangNode SelectAttribute(const QString& tagName, const QString& attributeName) const;

  // The text of a file in the encoding its XML declaration names.
  static QString DecodeXml(const QByteArray& bytes);

private:
  void Fail(int code, const QString& reason);

  std::shared_ptr<const TLangDocumentData> data_;
  int errorCode_ = 0;
  QString reason_;
};

}  // namespace vantor
