// The property-path setter: sets a published property given as text, the
// way language files and the form shell's own assignments name it.
//
// A path is a chain of property names separated by "."; every name but the
// last names an object property (or a font, whose parts Name, Size, Height,
// Charset and Style can be set). The last name's property receives the text:
//   - integer properties of colours (names ending in "Color") and cursors
//     ("Cursor", "DragCursor") accept the component library's identifiers
//     (clWindow, clRed, crHandPoint, ...) as well as numbers ("$FF" too);
//   - enumerations and sets take the text trimmed of blanks, as a key name,
//     an integer, or for sets "[key1,key2]"; booleans take True or False;
//   - string lists take the text as lines;
//   - anything else takes the text as it is, converted where it must be.
// Left, Top, Width and Height of a widget move and resize it when its class
// publishes no writable property of that name.
#pragma once

#include <QObject>
#include <QString>
#include <optional>

namespace vantor {

// Never raises; false when the path names nothing settable or the text does
// not fit the property.
bool SetPropertyByPath(QObject* object, const QString& path, const QString& value);

// The component library's colour and cursor identifiers.
std::optional<int> IdentToColor(const QString& ident);
std::optional<int> IdentToCursor(const QString& ident);

}  // namespace vantor
