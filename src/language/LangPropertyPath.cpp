// The property-path setter over Qt's meta-object system.
#include "language/LangPropertyPath.h"

#include "language/LangComponents.h"

#include <QFont>
#include <QHash>
#include <QMetaEnum>
#include <QMetaProperty>
#include <QWidget>
#include <algorithm>
#include <iterator>

namespace vantor {

namespace {

QMetaProperty FindProperty(const QObject* object, const QString& name) {
  const QMetaObject* meta = object->metaObject();
  const int exact = meta->indexOfProperty(name.toLatin1().constData());
  if (exact >= 0)
    return meta->property(exact);
  for (int i = 0; i < meta->propertyCount(); ++i)
    if (name.compare(QLatin1String(meta->property(i).name()), Qt::CaseInsensitive) == 0)
      return meta->property(i);
  return QMetaProperty();
}

// Integers as the component library writes them: decimal or "$" + hex.
std::optional<qint64> ParseInteger(const QString& text) {
  const QString trimmed = text.trimmed();
  bool ok = false;
  qint64 value = trimmed.startsWith(QLatin1Char('$')) ? trimmed.mid(1).toLongLong(&ok, 16) : trimmed.toLongLong(&ok);
  return ok ? std::optional<qint64>(value) : std::nullopt;
}

bool IsIdentifier(const QString& text) {
  return !text.isEmpty() && (text[0].isLetter() || text[0] == QLatin1Char('_'));
}

bool IsColorName(const QString& name) { return name.endsWith(QLatin1String("Color"), Qt::CaseInsensitive); }

bool IsCursorName(const QString& name) {
  return name.compare(QLatin1String("Cursor"), Qt::CaseInsensitive) == 0 ||
         name.compare(QLatin1String("DragCursor"), Qt::CaseInsensitive) == 0;
}

bool WriteInteger(QObject* object, const QMetaProperty& property, const QString& name, const QString& value) {
  const QString text = value.trimmed();
  std::optional<qint64> number;
  if (IsIdentifier(text))
    number = IsColorName(name) ? IdentToColor(text) : IsCursorName(name) ? IdentToCursor(text) : std::nullopt;
  else
    number = ParseInteger(text);
  if (!number)
    return false;
  QVariant v(*number);
  return v.convert(property.metaType()) && property.write(object, v);
}

bool WriteEnumeration(QObject* object, const QMetaProperty& property, const QString& value) {
  QString text = value.trimmed();
  if (const auto number = ParseInteger(text))
    return property.write(object, int(*number));
  const QMetaEnum enumerator = property.enumerator();
  bool ok = false;
  int result = 0;
  if (property.isFlagType()) {
    if (text.startsWith(QLatin1Char('[')) && text.endsWith(QLatin1Char(']')))
      text = text.mid(1, text.size() - 2);
    QStringList keys = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (QString& key : keys)
      key = key.trimmed();
    result = keys.isEmpty() ? 0 : enumerator.keysToValue(keys.join(QLatin1Char('|')).toLatin1().constData(), &ok);
    ok = ok || keys.isEmpty();
  } else {
    result = enumerator.keyToValue(text.toLatin1().constData(), &ok);
  }
  return ok && property.write(object, result);
}

bool WriteBoolean(QObject* object, const QMetaProperty& property, const QString& value) {
  const QString text = value.trimmed();
  if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
    return property.write(object, true);
  if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
    return property.write(object, false);
  const auto number = ParseInteger(text);
  return number && property.write(object, *number != 0);
}

bool WriteProperty(QObject* object, const QMetaProperty& property, const QString& name, const QString& value) {
  if (!property.isWritable())
    return false;
  if (property.isEnumType())
    return WriteEnumeration(object, property, value);
  switch (property.metaType().id()) {
    case QMetaType::Bool: return WriteBoolean(object, property, value);
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::Short: case QMetaType::UShort:
    case QMetaType::Long: case QMetaType::ULong: case QMetaType::LongLong: case QMetaType::ULongLong:
      return WriteInteger(object, property, name, value);
    case QMetaType::Double: case QMetaType::Float: {
      bool ok = false;
      const double number = value.trimmed().toDouble(&ok);
      return ok && property.write(object, number);
    }
    case QMetaType::QStringList:
      return property.write(object, value.isEmpty() ? QStringList() : value.split(QLatin1Char('\n')));
    case QMetaType::QString: return property.write(object, value);
    case QMetaType::QByteArray: return property.write(object, value.toUtf8());
    default: {
      QVariant v(value);
      return v.convert(property.metaType()) && property.write(object, v);
    }
  }
}

// Font parts by the component library's names.
bool SetFontPart(QFont& font, const QString& part, const QString& value) {
  const QString text = value.trimmed();
  if (part.compare(QLatin1String("Name"), Qt::CaseInsensitive) == 0) {
    const int charset = FontCharsetOf(font);
    font.setFamily(text);
    SetFontCharset(font, charset);
    return !text.isEmpty();
  }
  if (part.compare(QLatin1String("Charset"), Qt::CaseInsensitive) == 0) {
    const auto number = ParseInteger(text);
    if (!number)
      return false;
    SetFontCharset(font, int(*number));
    return true;
  }
  if (part.compare(QLatin1String("Size"), Qt::CaseInsensitive) == 0 ||
      part.compare(QLatin1String("Height"), Qt::CaseInsensitive) == 0) {
    const auto number = ParseInteger(text);
    if (!number || *number == 0)
      return false;
    // A negative height is the character height in pixels, as the library has it.
    if (*number < 0)
      font.setPixelSize(int(-*number));
    else
      font.setPointSize(int(*number));
    return true;
  }
  if (part.compare(QLatin1String("Style"), Qt::CaseInsensitive) == 0) {
    QString styles = text;
    styles.remove(QLatin1Char('[')).remove(QLatin1Char(']'));
    const QStringList keys = styles.split(QLatin1Char(','), Qt::SkipEmptyParts);
    auto has = [&](const char* key) {
      return std::any_of(keys.begin(), keys.end(), [&](const QString& k) {
        return k.trimmed().compare(QLatin1String(key), Qt::CaseInsensitive) == 0;
      });
    };
    font.setBold(has("fsBold"));
    font.setItalic(has("fsItalic"));
    font.setUnderline(has("fsUnderline"));
    font.setStrikeOut(has("fsStrikeOut"));
    return true;
  }
  return false;
}

bool SetGeometryPart(QWidget* widget, const QString& name, const QString& value) {
  const auto number = ParseInteger(value);
  if (!number)
    return false;
  const int n = int(*number);
  if (name.compare(QLatin1String("Left"), Qt::CaseInsensitive) == 0)
    widget->move(n, widget->y());
  else if (name.compare(QLatin1String("Top"), Qt::CaseInsensitive) == 0)
    widget->move(widget->x(), n);
  else if (name.compare(QLatin1String("Width"), Qt::CaseInsensitive) == 0)
    widget->resize(n, widget->height());
  else if (name.compare(QLatin1String("Height"), Qt::CaseInsensitive) == 0)
    widget->resize(widget->width(), n);
  else
    return false;
  return true;
}

bool SetLastName(QObject* object, const QString& name, const QString& value) {
  const QMetaProperty property = FindProperty(object, name);
  if (property.isValid() && property.isWritable())
    return WriteProperty(object, property, name, value);
  if (auto* widget = qobject_cast<QWidget*>(object); widget && SetGeometryPart(widget, name, value))
    return true;
  if (HasTextProperty(object, name))
    return SetTextProperty(object, name, value);
  return false;
}

}  // namespace

bool SetPropertyByPath(QObject* object, const QString& path, const QString& value) {
  try {
    if (!object || path.isEmpty())
      return false;
    const qsizetype dot = path.indexOf(QLatin1Char('.'));
    if (dot < 0)
      return SetLastName(object, path, value);
    const QString head = path.left(dot);
    const QString rest = path.mid(dot + 1);
    const QMetaProperty property = FindProperty(object, head);
    if (!property.isValid())
      return false;
    if (property.metaType().id() == QMetaType::QFont) {
      QFont font = property.read(object).value<QFont>();
      return !rest.contains(QLatin1Char('.')) && SetFontPart(font, rest, value) && property.isWritable() &&
             property.write(object, font);
    }
    if (!property.metaType().flags().testFlag(QMetaType::PointerToQObject))
      return false;
    return SetPropertyByPath(property.read(object).value<QObject*>(), rest, value);
  } catch (...) {
    return false;
  }
}

std::optional<int> IdentToColor(const QString& ident) {
  static const QHash<QString, int> colors = [] {
    QHash<QString, int> map{
        {QStringLiteral("clblack"), 0x000000},     {QStringLiteral("clmaroon"), 0x000080},
        {QStringLiteral("clgreen"), 0x008000},     {QStringLiteral("clolive"), 0x008080},
        {QStringLiteral("clnavy"), 0x800000},      {QStringLiteral("clpurple"), 0x800080},
        {QStringLiteral("clteal"), 0x808000},      {QStringLiteral("clgray"), 0x808080},
        {QStringLiteral("clsilver"), 0xC0C0C0},    {QStringLiteral("clred"), 0x0000FF},
        {QStringLiteral("cllime"), 0x00FF00},      {QStringLiteral("clyellow"), 0x00FFFF},
        {QStringLiteral("clblue"), 0xFF0000},      {QStringLiteral("clfuchsia"), 0xFF00FF},
        {QStringLiteral("claqua"), 0xFFFF00},      {QStringLiteral("clltgray"), 0xC0C0C0},
        {QStringLiteral("cldkgray"), 0x808080},    {QStringLiteral("clwhite"), 0xFFFFFF},
        {QStringLiteral("clmoneygreen"), 0xC0DCC0}, {QStringLiteral("clskyblue"), 0xF0CAA6},
        {QStringLiteral("clcream"), 0xF0FBFF},     {QStringLiteral("clmedgray"), 0xA4A0A0},
        {QStringLiteral("clnone"), 0x1FFFFFFF},    {QStringLiteral("cldefault"), 0x20000000}};
    // System colours: the system's colour index with the high bit set.
    const char* system[] = {"clScrollBar", "clBackground", "clActiveCaption", "clInactiveCaption", "clMenu",
                            "clWindow", "clWindowFrame", "clMenuText", "clWindowText", "clCaptionText",
                            "clActiveBorder", "clInactiveBorder", "clAppWorkSpace", "clHighlight",
                            "clHighlightText", "clBtnFace", "clBtnShadow", "clGrayText", "clBtnText",
                            "clInactiveCaptionText", "clBtnHighlight", "cl3DDkShadow", "cl3DLight",
                            "clInfoText", "clInfoBk"};
    for (int i = 0; i < int(std::size(system)); ++i)
      map.insert(QString::fromLatin1(system[i]).toLower(), int(0x80000000u | unsigned(i)));
    return map;
  }();
  const auto it = colors.constFind(ident.trimmed().toLower());
  return it == colors.constEnd() ? std::nullopt : std::optional<int>(it.value());
}

std::optional<int> IdentToCursor(const QString& ident) {
  static const QHash<QString, int> cursors{
      {QStringLiteral("crdefault"), 0},     {QStringLiteral("crnone"), -1},      {QStringLiteral("crarrow"), -2},
      {QStringLiteral("crcross"), -3},      {QStringLiteral("cribeam"), -4},     {QStringLiteral("crsizenesw"), -6},
      {QStringLiteral("crsizens"), -7},     {QStringLiteral("crsizenwse"), -8},  {QStringLiteral("crsizewe"), -9},
      {QStringLiteral("cruparrow"), -10},   {QStringLiteral("crhourglass"), -11}, {QStringLiteral("crdrag"), -12},
      {QStringLiteral("crnodrop"), -13},    {QStringLiteral("crhsplit"), -14},   {QStringLiteral("crvsplit"), -15},
      {QStringLiteral("crmultidrag"), -16}, {QStringLiteral("crsqlwait"), -17},  {QStringLiteral("crno"), -18},
      {QStringLiteral("crappstart"), -19},  {QStringLiteral("crhelp"), -20},     {QStringLiteral("crhandpoint"), -21},
      {QStringLiteral("crsizeall"), -22},   {QStringLiteral("crsize"), -22}};
  const auto it = cursors.constFind(ident.trimmed().toLower());
  return it == cursors.constEnd() ? std::nullopt : std::optional<int>(it.value());
}

}  // namespace vantor
