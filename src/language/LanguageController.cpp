// The language controllers, the language folder and the message look-up.
#include "language/LanguageController.h"

#include "language/LangComponents.h"
#include "platform/os/SysUtils.h"

#include <algorithm>

namespace vantor {

// --- TLanguageController -------------------------------------------------------------------

TLanguageController::TLanguageController(QObject* owner) : QObject(owner) {}

TLanguageController::~TLanguageController() = default;

void TLanguageController::SetLangText(const QStringList& lines) {
  langText_ = lines;
  if (loading_)
    return;
  if (!lines.isEmpty())
    fileName_.clear();
  SetActive(false);
}

void TLanguageController::SetExcludeControls(const QStringList& names) {
  excludeControls_ = names;
  if (reader_)
    reader_->SetExcludeControls(names);
}

bool TLanguageController::Active() const {
  return document_ && !document_->DocumentElement().IsNull();
}

void TLanguageController::SetActive(bool active) {
  if (loading_) {
    wantedActive_ = active;
    return;
  }
  if (active == Active())
    return;
  if (active)
    Open();
  else
    Close();
}

void TLanguageController::Loaded() {
  loading_ = false;
  if (wantedActive_)
    SetActive(true);
}

TLangReader* TLanguageController::GetReader() {
  if (!Active() || !reader_)
    throw LanguageControllerError(QStringLiteral("No active LanguageController!"));
  return reader_.get();
}

void TLanguageController::Open() {
  DoBeforeOpen();
  document_.reset();
  reader_.reset();
  auto document = std::make_unique<TLangDocument>();
  if (!langText_.isEmpty()) {
    document->LoadXml(langText_.join(QLatin1Char('\n')));
  } else if (fileName_.isEmpty()) {
    throw LanguageControllerError(QStringLiteral("Cannot Find File %1!").arg(fileName_));
  } else {
    document->Load(fileName_);
  }
  if (document->ParseErrorCode() != 0)
    throw LanguageControllerError(document->Reason());
  document_ = std::move(document);
  reader_ = std::make_unique<TLangReader>(*document_);
  reader_->SetExcludeControls(excludeControls_);
  // The reader reports through the controller, so that overriding the
  // controller's handlers or changing its events takes effect at once.
  reader_->BeforeLoadComponent = [this](QObject* c, const TLangNode& n) { DoBeforeLoadComponent(c, n); };
  reader_->AfterLoadComponent = [this](QObject* c, const TLangNode& n) { DoAfterLoadComponent(c, n); };
  DoAfterOpen();
}

void TLanguageController::Close() {
  DoBeforeClose();
  document_.reset();
  reader_.reset();
  DoAfterClose();
}

void TLanguageController::DoAfterClose() {
  if (AfterClose)
    AfterClose(this);
}

void TLanguageController::DoAfterOpen() {
  if (AfterOpen)
    AfterOpen(this);
}

void TLanguageController::DoBeforeClose() {
  if (BeforeClose)
    BeforeClose(this);
}

void TLanguageController::DoBeforeOpen() {
  if (BeforeOpen)
    BeforeOpen(this);
}

void TLanguageController::DoAfterLoadComponent(QObject* component, const TLangNode& node) {
  if (AfterLoadComponent)
    AfterLoadComponent(component, node);
}

void TLanguageController::DoBeforeLoadComponent(QObject* component, const TLangNode& node) {
  if (BeforeLoadComponent)
    BeforeLoadComponent(component, node);
}

// --- TQxLangController ---------------------------------------------------------------------

TQxLangController::TQxLangController(QObject* owner) : TLanguageController(owner) {}

void TQxLangController::SetLangPackageName(const QString& name) {
  if (name == packageName_)
    return;
  packageName_ = name;
  const QString folder = GetLangFolder(designType_);
  hasFolder_ = !folder.isEmpty();
  const QString fileName = folder + name + QStringLiteral(".Lng");
  if (fileName == FileName())
    return;
  SetFileName(fileName);
  SetLangText({});
  SetActive(false);
}

bool TQxLangController::PackageFileExists() const {
  return hasFolder_ && !packageName_.isEmpty() && FileExists(FileName());
}

// --- folders and messages ------------------------------------------------------------------

QString LanguageCodeOfCodePage(const QString& codePage) {
  if (codePage == QLatin1String("936"))
    return QStringLiteral("CHS");
  if (codePage == QLatin1String("950"))
    return QStringLiteral("CHT");
  if (codePage == QLatin1String("437"))
    return QStringLiteral("ENG");
  return QString();
}

QString GetLangFolder(TDesignType designType) {
  QString installPath;
  QString codePage;
  if (designType == dtServer) {
    TVantorIniS ini;
    installPath = ini.ServerPath;
    codePage = ini.UICodePage;
  } else {
    TVantorIniC ini;
    installPath = ini.ClientPath;
    codePage = ini.UICodePage;
  }
  const QString code = LanguageCodeOfCodePage(codePage);
  if (code.isEmpty() || installPath.isEmpty())
    return QString();
  const QString folder = IncludeTrailingPathDelimiter(installPath) + QStringLiteral("MultiLanguage/") + code + '/';
  return DirectoryExists(folder) ? folder : QString();
}

QString GetLangMessage(TDesignType designType, const QString& packageName, const QString& key,
                       const QString& defaultText) {
  try {
    const QString folder = GetLangFolder(designType);
    if (folder.isEmpty() || packageName.isEmpty() || key.isEmpty())
      return defaultText;
    const QString fileName = folder + packageName + QStringLiteral(".Lng");
    if (!FileExists(fileName))
      return defaultText;
    TLangDocument document;
    if (!document.Load(fileName))
      return defaultText;
    const TLangNode message = document.SelectAttribute(key, QStringLiteral("Msg"));
    return message.IsNull() ? defaultText : message.NodeValue();
  } catch (...) {
    return defaultText;
  }
}

// --- translating by class --------------------------------------------------------------------

QStringList LangClassNames(const QObject* object, const QStringList& stopBefore) {
  QStringList chain;  // own class first
  for (const QString& name : ComponentClassChain(object)) {
    if (stopBefore.contains(name))
      break;
    chain.append(name);
  }
  std::reverse(chain.begin(), chain.end());
  return chain;
}

int TranslateComponent(TQxLangController& controller, QObject* component, const QStringList& classNames) {
  int applied = 0;
  for (const QString& name : classNames) {
    controller.SetLangPackageName(name);
    if (!controller.PackageFileExists())
      continue;
    controller.SetActive(true);
    controller.GetReader()->LoadComponent(component);
    ++applied;
  }
  return applied;
}

}  // namespace vantor
