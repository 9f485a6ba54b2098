// Translation of forms and data modules into the interface language.
//
// A language file (".Lng", one per form or data-module class, in the folder
// of the interface language) is an XML document. Its document element
// stands for the form or data module itself; any other element stands for
// the component whose name is its tag (the first such element anywhere in
// the document). Each attribute of such an element names a property path
// (segments separated by "."; "Items_3" and "Columns_0" address items of
// indexed properties) and holds the new value as text. Elements that carry
// a "Msg" attribute are message texts looked up by key.
//
// TLanguageController loads one document at a time (from FileName or from
// LangText) and hands out a TLangReader that applies it to a component and,
// recursively, to everything the component owns. TQxLangController is the
// framework's controller: it derives the file from a package name (the
// class name) and the language folder of the configuration.
#pragma once

#include "language/LangDocument.h"
#include "platform/os/Exceptions.h"
#include "support/VantorINI.h"

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace vantor {

class LanguageControllerError : public Exception {
public:
  using Exception::Exception;
  QString ClassName() const override { return QStringLiteral("LanguageControllerError"); }
  std::unique_ptr<Exception> Clone() const override { return std::make_unique<LanguageControllerError>(*this); }
  [[noreturn]] void Raise() const override { throw *this; }
};

using TLoadComponentEvent = std::function<void(QObject* xComponent, const TLangNode& xComponentNode)>;
using TNotifyEvent = std::function<void(QObject* sender)>;

// Applies one XML node to one component.
class ILangRead {
public:
  virtual ~ILangRead() = default;
  virtual QObject* GetComponent() const = 0;
  virtual TLangNode GetNode() const = 0;
  virtual void SetComponent(QObject* component) = 0;
  virtual void SetNode(const TLangNode& node) = 0;
  // One attribute, by its index in the node or by its name.
  virtual void ReadItem(int index) = 0;
  virtual void ReadItem(const QString& name) = 0;
  // Every attribute of the node, in document order.
  virtual void ReadAll() = 0;
};
using ILangReadPtr = std::shared_ptr<ILangRead>;

class TComponentRead : public ILangRead {
public:
  TComponentRead(QObject* component, const TLangNode& node);

  QObject* GetComponent() const override { return component_; }
  TLangNode GetNode() const override { return node_; }
  void SetComponent(QObject* component) override { component_ = component; }
  void SetNode(const TLangNode& node) override { node_ = node; }
  void ReadItem(int index) override;
  void ReadItem(const QString& name) override;
  void ReadAll() override;

protected:
  // Applies one attribute; anything it cannot apply is skipped silently.
  virtual void ReadAttribute(const TLangNode& attribute);

private:
  QPointer<QObject> component_;
  TLangNode node_;
};

// Combo boxes keep their selected item while their item texts are replaced.
class TCustomComboBoxRead : public TComponentRead {
public:
  using TComponentRead::TComponentRead;
  void ReadAll() override;
};

class TwwDBCustomComboBoxRead : public TComponentRead {
public:
  using TComponentRead::TComponentRead;
  void ReadAll() override;
};

class TReaderFactory {
public:
  static ILangReadPtr CreateReader(QObject* component, const TLangNode& node);
};

class TLangReader {
public:
  explicit TLangReader(const TLangDocument& document);
  virtual ~TLangReader() = default;

  // Translates the component and everything it owns (its children, in
  // order). Excluded components are skipped, their children are not.
  virtual void LoadComponent(QObject* component);

  void SetExcludeControls(const QStringList& names);
  TLoadComponentEvent BeforeLoadComponent;
  TLoadComponentEvent AfterLoadComponent;

protected:
  virtual void DoAfterLoadComponent(QObject* component, const TLangNode& node);
  virtual void DoBeforeLoadComponent(QObject* component, const TLangNode& node);

private:
  void Translate(QObject* component, const TLangNode& node);
  bool IsExcluded(const QString& name) const;

  TLangDocument document_;
  QSet<QString> excluded_;  // trimmed, lower case
};

class TLanguageController : public QObject {
  Q_OBJECT
  Q_PROPERTY(QStringList ExcludeControls READ ExcludeControls WRITE SetExcludeControls)

public:
  explicit TLanguageController(QObject* owner = nullptr);
  ~TLanguageController() override;

  const QString& FileName() const { return fileName_; }
  void SetFileName(const QString& fileName) { fileName_ = fileName; }
  const QStringList& LangText() const { return langText_; }
  // Clears FileName when the text is not empty, and deactivates.
  void SetLangText(const QStringList& lines);
  const QStringList& ExcludeControls() const { return excludeControls_; }
  void SetExcludeControls(const QStringList& names);

  // True while a document with a document element is loaded.
  bool Active() const;
  // Raises LanguageControllerError when the document cannot be had.
  void SetActive(bool active);
  // Raises LanguageControllerError "No active LanguageController!" unless active.
  TLangReader* GetReader();

  // While the component is being set up from its form, Active only records
  // the wish; Loaded applies it.
  void BeginLoading() { loading_ = true; }
  virtual void Loaded();
  bool IsLoading() const { return loading_; }

  TLoadComponentEvent BeforeLoadComponent;
  TLoadComponentEvent AfterLoadComponent;
  TNotifyEvent BeforeOpen;
  TNotifyEvent AfterOpen;
  TNotifyEvent BeforeClose;
  TNotifyEvent AfterClose;

protected:
  virtual void DoAfterClose();
  virtual void DoAfterOpen();
  virtual void DoBeforeClose();
  virtual void DoBeforeOpen();
  virtual void DoAfterLoadComponent(QObject* component, const TLangNode& node);
  virtual void DoBeforeLoadComponent(QObject* component, const TLangNode& node);

private:
  void Open();
  void Close();

  QString fileName_;
  QStringList langText_;
  QStringList excludeControls_;
  std::unique_ptr<TLangDocument> document_;
  std::unique_ptr<TLangReader> reader_;
  bool loading_ = false;
  bool wantedActive_ = false;
};

class TQxLangController : public TLanguageController {
  Q_OBJECT
  Q_PROPERTY(bool Active READ Active WRITE SetActive)
  Q_PROPERTY(QString LangPackageName READ LangPackageName WRITE SetLangPackageName)
  Q_PROPERTY(int DesignType READ DesignTypeValue WRITE SetDesignTypeValue)

public:
  explicit TQxLangController(QObject* owner = nullptr);

  const QString& LangPackageName() const { return packageName_; }
  // A new name points FileName at the language folder's file of that name;
  // a different file clears LangText and deactivates.
  void SetLangPackageName(const QString& name);
  TDesignType DesignType() const { return designType_; }
  void SetDesignType(TDesignType designType) { designType_ = designType; }

  // True when FileName is a file of the language folder that exists. With
  // no language folder there is nothing to find, whatever the current
  // folder of the process holds.
  bool PackageFileExists() const;

private:
  int DesignTypeValue() const { return int(designType_); }
  void SetDesignTypeValue(int value) { designType_ = value == int(dtServer) ? dtServer : dtClient; }

  QString packageName_;
  TDesignType designType_ = dtClient;
  bool hasFolder_ = false;
};

// "CHS", "CHT" or "ENG" for the code pages "936", "950" and "437"; "" else.
QString LanguageCodeOfCodePage(const QString& codePage);
// install folder + "MultiLanguage/" + code + "/", or "" when the code page
// has no language, the install folder is unknown or the folder is missing.
QString GetLangFolder(TDesignType designType);
// The "Msg" text of the first element named key in the package's language
// file; the default when the file, the folder or the entry is missing or the
// file does not parse. Never raises.
QString GetLangMessage(TDesignType designType, const QString& packageName, const QString& key,
                       const QString& defaultText);

// Class names of the object, root-most first, from the class just below the
// first of stopBefore found in its chain (all when none is) down to its own.
QStringList LangClassNames(const QObject* object, const QStringList& stopBefore);
// Applies the package file of each class name in order (ancestors first, so
// the concrete class has the last word); names without a file are passed
// over. Answers how many files were applied.
int TranslateComponent(TQxLangController& controller, QObject* component, const QStringList& classNames);

}  // namespace vantor
