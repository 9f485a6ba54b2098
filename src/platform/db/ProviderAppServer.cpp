// The provider protocol on the automation side: arguments as they arrive from
// a client (checked, never trusted), the packets and batches through their
// variant forms.
#include "platform/db/ProviderAppServer.h"

#include "platform/db/SqlBackend.h"
#include "platform/variant/Variants.h"

namespace vantor {

namespace {

void RequireArgs(const QVariantList& args, int count, const QString& member) {
  if (args.size() < count)
    throw EDatabaseError(QStringLiteral("%1 expects %2 arguments, got %3").arg(member).arg(count).arg(args.size()));
}

int IntArg(const QVariantList& args, int i, const QString& member, const QString& what) {
  bool ok = false;
  const QVariant& v = args[i];
  const int n = VarIsNumeric(v) ? v.toInt(&ok) : 0;
  if (!ok || (v.typeId() == QMetaType::Double && v.toDouble() != double(n)))
    throw EDatabaseError(QStringLiteral("%1: the %2 must be an integer, got \"%3\"").arg(member, what, VarToStr(v)));
  return n;
}

QString NameArg(const QVariantList& args, const QString& member) {
  if (!VarIsStr(args[0]))
    throw EDatabaseError(QStringLiteral("%1: the provider name must be a text").arg(member));
  return args[0].toString();
}

}  // namespace

TProviderAppServer::TProviderAppServer(std::shared_ptr<TSqlBackend> backend) : backend_(std::move(backend)) {
  if (!backend_) throw EDatabaseError(QStringLiteral("An application server needs a database connection"));
  RegisterProtocol();
}

// The providers' cursors must be gone before their connection.
TProviderAppServer::~TProviderAppServer() { providers_.clear(); }

void TProviderAppServer::RegisterProtocol() {
  Method(QStringLiteral("AS_DataRequest"), [this](QVariantList& args) {
    RequireArgs(args, 2, QStringLiteral("AS_DataRequest"));
    return AS_DataRequest(NameArg(args, QStringLiteral("AS_DataRequest")), args[1]);
  });
  Method(QStringLiteral("AS_GetRecords"), [this](QVariantList& args) {
    const QString member = QStringLiteral("AS_GetRecords");
    RequireArgs(args, 3, member);
    return AS_GetRecords(NameArg(args, member), IntArg(args, 1, member, QStringLiteral("record count")),
                         IntArg(args, 2, member, QStringLiteral("options")));
  });
  Method(QStringLiteral("AS_ApplyUpdates"), [this](QVariantList& args) {
    const QString member = QStringLiteral("AS_ApplyUpdates");
    RequireArgs(args, 3, member);
    int errorCount = 0;
    const QVariant result = AS_ApplyUpdates(NameArg(args, member), args[1],
                                            IntArg(args, 2, member, QStringLiteral("maximum of errors")), errorCount);
    if (args.size() > 3) args[3] = errorCount;
    return result;
  });
}

std::shared_ptr<TProvider> TProviderAppServer::AddProvider(const QString& name, const TProviderDef& def) {
  return AddProvider(std::make_shared<TProvider>(name, *backend_, def));
}

std::shared_ptr<TProvider> TProviderAppServer::AddProvider(std::shared_ptr<TProvider> provider) {
  if (!provider || provider->Name().trimmed().isEmpty())
    throw EDatabaseError(QStringLiteral("A provider needs a name"));
  if (&provider->Backend() != backend_.get())
    throw EDatabaseError(QStringLiteral("The provider %1 uses another connection than its server").arg(provider->Name()));
  const QString key = provider->Name().toUpper();
  if (providers_.contains(key))
    throw EDatabaseError(QStringLiteral("A provider named %1 already exists").arg(provider->Name()));
  providers_.insert(key, provider);
  return provider;
}

TProvider* TProviderAppServer::FindProvider(const QString& name) const {
  return providers_.value(name.toUpper()).get();
}

TProvider& TProviderAppServer::ProviderByName(const QString& name) const {
  TProvider* p = FindProvider(name);
  if (!p) throw EDatabaseError(QStringLiteral("The application server has no provider named \"%1\"").arg(name));
  return *p;
}

QVariant TProviderAppServer::AS_DataRequest(const QString& provider, const QVariant& data) {
  return ProviderByName(provider).DataRequest(data);
}

QVariant TProviderAppServer::AS_GetRecords(const QString& provider, int count, int options) {
  return PacketToVariant(ProviderByName(provider).GetRecords(count, options));
}

QVariant TProviderAppServer::AS_ApplyUpdates(const QString& provider, const QVariant& delta, int maxErrors,
                                             int& errorCount) {
  errorCount = 0;
  TProvider& p = ProviderByName(provider);
  const TDelta d = DeltaFromVariant(delta);
  return ReconcileErrorsToVariant(p.ApplyUpdates(d, maxErrors, errorCount));
}

}  // namespace vantor
