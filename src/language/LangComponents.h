// What the language machinery needs to know about components whose class
// is known only at run time: their published texts, fonts and string lists
// by the component library's names, the collections they publish, and the
// names of their classes.
//
// Framework controls publish the library's names (Caption, Hint, Items,
// Lines, Font, ...) as Qt properties. Standard Qt widgets placed on a form do
// not, so a few names are mapped onto the Qt property that plays the same
// part: Caption is the text of buttons, labels and actions, the title of
// group boxes, menus and dock windows and the window title of a window;
// Hint is the tool tip. A property of the class itself always wins.
#pragma once

#include <QFont>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

namespace vantor {

// A component that publishes a list of item objects (grid columns, status
// bar panels, ...) under one of its object properties.
class ILangCollection {
public:
  virtual ~ILangCollection() = default;
  virtual int LangItemCount() const = 0;
  virtual QObject* LangItem(int index) const = 0;
};

// --- class names ---------------------------------------------------------------------------

// The class names of the object from its own class up to QObject, without
// namespace ("vantor::TfrmSingle" reads "TfrmSingle").
QStringList ComponentClassChain(const QObject* object);
// True when the object's class or one of its ancestors has that name
// (namespace ignored, letter case compared).
bool InheritsClassName(const QObject* object, const QString& className);
// Forms and data modules: a window or dialog (not a popup), or a class that declares
// Q_CLASSINFO("ComponentKind", "Form") or ("ComponentKind", "DataModule").
bool IsFormOrDataModule(const QObject* object);

// --- texts and fonts -----------------------------------------------------------------------

// True when the object publishes a text under the name (own property or the
// mapped Qt property).
bool HasTextProperty(const QObject* object, const QString& name);
QString GetTextProperty(const QObject* object, const QString& name);
// False when there is no such writable text property.
bool SetTextProperty(QObject* object, const QString& name, const QString& value);

// A property of type QFont of that name (exact, then ignoring case).
bool HasFontProperty(const QObject* object, const QString& name);
QFont GetFontProperty(const QObject* object, const QString& name);
bool SetFontProperty(QObject* object, const QString& name, const QFont& font);

// Character sets of fonts. A Qt font holds no character set; the set is
// expressed by the families that follow the requested one, which pick the
// regional forms of the CJK glyphs (simplified for GB2312, traditional for
// BIG5). FontCharsetOf reads it back; DEFAULT_CHARSET (1) when neither.
void SetFontCharset(QFont& font, int charset);
int FontCharsetOf(const QFont& font);

// --- string lists --------------------------------------------------------------------------

// The lines a component publishes under a name: a QStringList property, the
// Items of a combo box or list widget, the Lines of a plain or rich text
// edit. Invalid when the component has none of that name.
class TStringsRef {
public:
  TStringsRef() = default;
  static TStringsRef Of(QObject* object, const QString& name);

  bool IsValid() const { return kind_ != kNone && object_; }
  int Count() const;
  QString Get(int index) const;
  // Appends empty lines until the line exists; a negative index does nothing.
  void Set(int index, const QString& text);
  QStringList Lines() const;
  void SetLines(const QStringList& lines);

private:
  enum TKind { kNone, kProperty, kComboItems, kListItems, kPlainLines, kRichLines };
  QPointer<QObject> object_;
  QByteArray property_;
  TKind kind_ = kNone;
};

// The selected item of a combo box (its current index, or a published
// "ItemIndex"); -1 when none or when the object is no combo.
int ComboItemIndex(const QObject* combo);
void SetComboItemIndex(QObject* combo, int index);

}  // namespace vantor

Q_DECLARE_INTERFACE(vantor::ILangCollection, "vantor.ILangCollection")
