// The application-server object as the client datasets see it: an automation
// object holding named providers and answering the three members of the
// provider protocol (see DataPacket.h). The application servers of the
// programs derive from it, add their providers and their own members.
#pragma once

#include "platform/db/Provider.h"
#include "platform/dispatch/Dispatch.h"

#include <QHash>
#include <memory>

namespace vantor {

class TSqlBackend;

class TProviderAppServer : public TDispatchObject {
public:
  explicit TProviderAppServer(std::shared_ptr<TSqlBackend> backend);
  ~TProviderAppServer() override;

  TSqlBackend& Backend() const { return *backend_; }

  // Provider names are matched without regard to case; adding a name twice
  // raises EDatabaseError.
  std::shared_ptr<TProvider> AddProvider(const QString& name, const TProviderDef& def);
  std::shared_ptr<TProvider> AddProvider(std::shared_ptr<TProvider> provider);
  TProvider* FindProvider(const QString& name) const;
  // Raises EDatabaseError naming the provider when there is none.
  TProvider& ProviderByName(const QString& name) const;

  // The protocol, also callable directly by in-process code.
  QVariant AS_DataRequest(const QString& provider, const QVariant& data);
  QVariant AS_GetRecords(const QString& provider, int count, int options);
  QVariant AS_ApplyUpdates(const QString& provider, const QVariant& delta, int maxErrors, int& errorCount);

private:
  void RegisterProtocol();

  std::shared_ptr<TSqlBackend> backend_;
  QHash<QString, std::shared_ptr<TProvider>> providers_;  // by upper-case name
};

}  // namespace vantor
