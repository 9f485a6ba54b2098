// TRegistry: key paths mapped onto the sections of the registry file.
#include "platform/os/Registry.h"

#include "platform/os/Exceptions.h"
#include "platform/os/IniFiles.h"

#include <QFile>
#include <QSet>

namespace vantor {

namespace {

const QChar kSeparator = QLatin1Char('\\');

QStringList SplitPath(const QString& path) {
  QStringList parts;
  for (const QString& part : path.split(kSeparator, Qt::SkipEmptyParts)) {
    const QString trimmed = part.trimmed();
    if (!trimmed.isEmpty())
      parts.append(trimmed);
  }
  return parts;
}

QString RootName(HKEY root) {
  switch (root) {
    case HKEY_CLASSES_ROOT: return QStringLiteral("HKEY_CLASSES_ROOT");
    case HKEY_CURRENT_USER: return QStringLiteral("HKEY_CURRENT_USER");
    case HKEY_LOCAL_MACHINE: return QStringLiteral("HKEY_LOCAL_MACHINE");
    case HKEY_USERS: return QStringLiteral("HKEY_USERS");
    default: return QStringLiteral("HKEY_%1").arg(root, 8, 16, QLatin1Char('0'));
  }
}

// A missing or unreadable registry file is an empty registry.
TIniDocument LoadRegistryFile() {
  QFile file(TRegistry::FileName());
  if (!file.open(QIODevice::ReadOnly))
    return {};
  return TIniDocument::Parse(file.readAll());
}

// The folded, normalised form of a section name, for comparing key paths.
QString NormalSection(const QString& section) { return SplitPath(section).join(kSeparator).toCaseFolded(); }

}  // namespace

TRegistry::TRegistry() : TRegistry(HKEY_CURRENT_USER) {}

TRegistry::TRegistry(HKEY rootKey) : rootKey_(rootKey) {}

QString TRegistry::FileName() {
  const QString fromEnv = qEnvironmentVariable("VANTOR_REGISTRY");
  return fromEnv.isEmpty() ? QStringLiteral("/etc/zkm/vantor.reg") : fromEnv;
}

void TRegistry::SetRootKey(HKEY rootKey) {
  CloseKey();
  rootKey_ = rootKey;
}

QStringList TRegistry::ResolvePath(const QString& key) const {
  const QStringList parts = SplitPath(key);
  if (!open_ || key.startsWith(kSeparator))
    return parts;
  return currentParts_ + parts;
}

QString TRegistry::SectionPrefix(const QStringList& parts) const {
  return (QStringList{RootName(rootKey_)} + parts).join(kSeparator).toCaseFolded();
}

bool TRegistry::OpenKeyReadOnly(const QString& key) {
  const QStringList parts = ResolvePath(key);
  const QString target = SectionPrefix(parts);
  const QString below = target + kSeparator;
  const TIniDocument doc = LoadRegistryFile();

  bool found = parts.isEmpty();  // the root itself always opens
  QList<QPair<QString, QString>> values;
  QHash<QString, qsizetype> index;
  QStringList subKeys;
  QSet<QString> seenSubKeys;
  for (const QString& section : doc.SectionNames()) {
    const QString normal = NormalSection(section);
    if (normal == target) {
      found = true;
      for (const auto& entry : doc.Entries(section)) {
        const QString folded = entry.first.toCaseFolded();
        if (!index.contains(folded)) {
          index.insert(folded, values.size());
          values.append(entry);
        }
      }
    } else if (normal.startsWith(below)) {
      found = true;
      const QString child = SplitPath(section).value(parts.size() + 1);
      if (!seenSubKeys.contains(child.toCaseFolded())) {
        seenSubKeys.insert(child.toCaseFolded());
        subKeys.append(child);
      }
    }
  }
  if (!found)
    return false;
  open_ = true;
  currentParts_ = parts;
  currentPath_ = parts.join(kSeparator);
  values_ = std::move(values);
  valueIndex_ = std::move(index);
  subKeys_ = std::move(subKeys);
  return true;
}

bool TRegistry::OpenKey(const QString& key, bool /*canCreate*/) { return OpenKeyReadOnly(key); }

void TRegistry::CloseKey() {
  open_ = false;
  currentPath_.clear();
  currentParts_.clear();
  values_.clear();
  valueIndex_.clear();
  subKeys_.clear();
}

bool TRegistry::KeyExists(const QString& key) const {
  const QStringList parts = ResolvePath(key);
  if (parts.isEmpty())
    return true;
  const QString target = SectionPrefix(parts);
  const QString below = target + kSeparator;
  const TIniDocument doc = LoadRegistryFile();
  for (const QString& section : doc.SectionNames()) {
    const QString normal = NormalSection(section);
    if (normal == target || normal.startsWith(below))
      return true;
  }
  return false;
}

const QString* TRegistry::FindValue(const QString& name) const {
  const auto it = valueIndex_.constFind(name.trimmed().toCaseFolded());
  return it == valueIndex_.constEnd() ? nullptr : &values_[it.value()].second;
}

bool TRegistry::ValueExists(const QString& name) const { return FindValue(name) != nullptr; }

QString TRegistry::ReadString(const QString& name) const {
  const QString* value = FindValue(name);
  return value ? *value : QString();
}

int TRegistry::ReadInteger(const QString& name) const {
  const QString* value = FindValue(name);
  if (!value)
    throw ERegistryException(QStringLiteral("Failed to get data for '%1'").arg(name));
  int result = 0;
  if (!ParseIniInteger(*value, &result))
    throw ERegistryException(QStringLiteral("Invalid data type for '%1'").arg(name));
  return result;
}

bool TRegistry::ReadBool(const QString& name) const { return ReadInteger(name) != 0; }

QStringList TRegistry::GetValueNames() const {
  QStringList names;
  for (const auto& entry : values_)
    names.append(entry.first);
  return names;
}

QStringList TRegistry::GetKeyNames() const { return subKeys_; }

}  // namespace vantor
