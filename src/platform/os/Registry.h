// TRegistry: the read-only registry that the suite's installer fills and the
// configuration readers consult, with the component library's API.
//
// The registry is an ini-format file (rules of IniDocument.h) with one
// section per key, named by the root's full name and the key path:
//
//   [HKEY_LOCAL_MACHINE\Software\ZKM\Vantor]
//   ClientPath=/opt/suite/
//   ProfileType=0
//
// Key paths and value names compare without regard to case; empty path parts
// (a leading, trailing or doubled "\") are ignored. A key exists when it has
// a section or when one of its subkeys has. All values are text.
//
// The file is $VANTOR_REGISTRY, else /etc/zkm/vantor.reg; a missing or
// unreadable file is an empty registry. It is read again at every open, so a
// reader created after an installer's change sees the new values.
//
// As in the component library: ReadString of a missing value returns "";
// ReadInteger and ReadBool of a missing value raise ERegistryException
// "Failed to get data for 'NAME'", of a value that is no integer "Invalid
// data type for 'NAME'". A key path without a leading "\" is relative to the
// open key, if any. Nothing can be written: OpenKey never creates a key.
#pragma once

#include "platform/os/IniDocument.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace vantor {

using HKEY = quint32;
inline constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
inline constexpr HKEY HKEY_USERS = 0x80000003u;

class TRegistry {
public:
  TRegistry();  // root HKEY_CURRENT_USER, as the component library's default
  explicit TRegistry(HKEY rootKey);

  // The file the registry is read from.
  static QString FileName();

  HKEY RootKey() const { return rootKey_; }
  void SetRootKey(HKEY rootKey);  // closes the open key
  // Path of the open key without the root, "" when none is open.
  const QString& CurrentPath() const { return currentPath_; }
  bool HasCurrentKey() const { return open_; }

  bool OpenKeyReadOnly(const QString& key);
  // canCreate is accepted for the familiar signature; a missing key is
  // never created and the open fails.
  bool OpenKey(const QString& key, bool canCreate);
  void CloseKey();

  bool KeyExists(const QString& key) const;
  bool ValueExists(const QString& name) const;
  QString ReadString(const QString& name) const;
  int ReadInteger(const QString& name) const;
  bool ReadBool(const QString& name) const;
  QStringList GetValueNames() const;
  // Names of the open key's direct subkeys.
  QStringList GetKeyNames() const;

private:
  QStringList ResolvePath(const QString& key) const;
  QString SectionPrefix(const QStringList& parts) const;
  const QString* FindValue(const QString& name) const;

  HKEY rootKey_;
  bool open_ = false;
  QString currentPath_;
  QStringList currentParts_;
  QList<QPair<QString, QString>> values_;  // of the open key, as read at open
  QHash<QString, qsizetype> valueIndex_;   // folded name → position in values_
  QStringList subKeys_;
};

}  // namespace vantor
