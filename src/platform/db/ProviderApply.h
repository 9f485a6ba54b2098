// Applying one change batch of a provider: every row in one transaction. When
// errors may be let through (MaxErrors not 0), each top-level row with its
// nested detail rows gets a savepoint of its own, so that a row that fails
// leaves nothing behind while the others stand; once the errors exceed
// MaxErrors the whole batch is rolled back.
#pragma once

#include "platform/db/Provider.h"

#include <QByteArray>
#include <QHash>
#include <QStringList>
#include <functional>
#include <deque>

namespace vantor {

class TProviderApply {
public:
  TProviderApply(TProvider& provider, const TDelta& delta) : provider_(provider), delta_(delta) {}
  QList<TReconcileError> Run(int maxErrors, int& errorCount);

private:
  // How the batch's fields map onto one provider's fields, at one nesting level.
  struct TLayout {
    TProvider* Provider = nullptr;
    QList<int> ColumnOf;                  // batch field -> provider field, -1 for none
    QHash<int, const TLayout*> Details;   // by the batch's dataset field index
    QHash<int, int> LinkOf;               // batch dataset field -> the provider's detail link
  };
  // A row that cannot be applied; it becomes a reconcile error.
  struct TRowFailure {
    QString Message;
    int Code = 0;
    QString Context;
    bool OfTopRow = false;  // the top-level row itself failed, not one of its details
  };
  struct TRecordChanged {};  // an update or delete found no row to touch

  const TLayout* BuildLayout(TProvider& p, const QList<TPacketFieldDef>& fields, const QString& where);
  void CheckRows(const TLayout& l, const QList<TDeltaRow>& rows, const QString& where) const;
  void ApplyRow(const TLayout& l, const TDeltaRow& row, const TProvider::TDetailLink* link,
                const QVariantList* master);
  void ApplyDetails(const TLayout& l, const TDeltaRow& row, const TProviderChange& change);
  void Insert(const TProvider& p, const TProviderChange& change);
  void Update(const TProvider& p, const TProviderChange& change);
  void Delete(const TProvider& p, const TProviderChange& change);
  QVariant SqlValue(const TProvider& p, int column, const QVariant& v) const;
  int AddWritten(const TProvider& p, const TProviderChange& change, QByteArray& shape, QVariantList& params) const;
  void AddGuard(const TProvider& p, const QVariantList& old, QByteArray& shape, QVariantList& params) const;
  const QString& StatementText(const QByteArray& shape, const std::function<QString()>& build);
  static QByteArray ShapeOf(char kind, const TProvider& p);
  static QStringList WrittenColumns(const TProvider& p, const QByteArray& shape, const QString& suffix);
  static QString GuardText(const TProvider& p, const QByteArray& shape);
  void CheckAffected(int affected, const TProvider& p) const;
  TReconcileError MakeError(const TLayout& root, int index, const TRowFailure& f);
  QVariantList CurrentValues(const TLayout& root, const TDeltaRow& row);

  static QVariantList InProviderOrder(const TLayout& l, const QVariantList& values);
  static QString Context(const TProvider& p, const TProviderChange& change);

  TProvider& provider_;
  const TDelta& delta_;
  std::deque<TLayout> layouts_;
  QHash<QByteArray, QString> texts_;  // statement texts by row shape
};

}  // namespace vantor
