// Guarded conditions, and the scheme provider.
#include "appserver/ServerProviders.h"

#include "appserver/CompanyDb.h"
#include "appserver/Rights.h"
#include "appserver/SqlGuard.h"
#include "appserver/SqlText.h"
#include "platform/db/SqlBackend.h"
#include "platform/os/Exceptions.h"
#include "platform/variant/Variants.h"

#include <QRegularExpression>

namespace vantor {

namespace {

// The extra text of a request names the order the client would like; it
// may only hold column names, commas and ASC/DESC.
void CheckOrderText(const QString& extra) {
  for (const TSqlToken& t : TokenizeSql(extra)) {
    if (t.Kind == TSqlToken::Space || t.IsSymbol(",") || t.IsSymbol(".") || t.Kind == TSqlToken::QuotedName) continue;
    if (t.Kind == TSqlToken::Word && !t.Text.startsWith(QLatin1Char('$'))) continue;
    throw EDatabaseError(QStringLiteral("The server refuses the order \"%1\": only column names, commas, ASC and DESC may be given")
                             .arg(extra.left(100)));
  }
}

}  // namespace

TGuardedProvider::TGuardedProvider(QString name, TProviderDef def, const TProviderLogin& login)
    : TProvider(std::move(name), login.Db->Backend(), std::move(def)), login_(login) {
  TSqlBackend& b = login.Db->Backend();
  if (ReaderHandle(b) != WriterHandle(b)) InstallReadGuard(ReaderHandle(b));
}

QString TGuardedProvider::FromClause() const {
  const TProviderDef& d = Def();
  QString from = Backend().QuoteIdentifier(d.Table);
  if (!d.Alias.isEmpty()) from += QLatin1Char(' ') + Backend().QuoteIdentifier(d.Alias);
  if (!d.Joins.trimmed().isEmpty()) from += QLatin1Char(' ') + d.Joins.trimmed();
  return from;
}

void TGuardedProvider::BuildWhere(const QVariant& request, QString& where, QVariantList& params) {
  QVariant condition = request, extra;
  if (VarIsArray(request)) {
    const QVariantList list = request.toList();
    condition = list.value(0);
    extra = list.value(1);
  }
  if (VarIsArray(condition) || VarIsArray(extra))
    throw EDatabaseError(QStringLiteral("%1: the request must be [condition, extra] of two texts").arg(Name()));
  const QString text = VarToStr(condition).trimmed();
  if (text.isEmpty() || text.compare(QLatin1String("All"), Qt::CaseInsensitive) == 0) {
    lastWhere_.clear();
    return;
  }
  QString rewritten = tried_.value(text);
  if (rewritten.isEmpty()) {
    rewritten = RewriteClientSql(text, login_.Db->Dialect());
    try {
      login_.Db->SelectOnce(QStringLiteral("SELECT 1 FROM %1 WHERE (%2) LIMIT 0").arg(FromClause(), rewritten));
    } catch (const EDatabaseError& e) {
      throw EDatabaseError(QStringLiteral("The condition \"%1\" cannot be used: %2").arg(text.left(200), e.Message()));
    }
    if (tried_.size() > 64) tried_.clear();
    tried_.insert(text, rewritten);
  }
  where = QLatin1Char('(') + rewritten + QLatin1Char(')');
  lastWhere_ = where;
}

// The extra text of the request is the order the user chose, as a list of
// columns with ASC or DESC ("ORDER BY" in front is tolerated).
void TGuardedProvider::BuildOrder(const QVariant& request, QString& order) {
  QString text = VarIsArray(request) ? VarToStr(request.toList().value(1)).trimmed() : QString();
  static const QRegularExpression kOrderBy(QStringLiteral("^ORDER\\s+BY\\s+"), QRegularExpression::CaseInsensitiveOption);
  text.remove(kOrderBy);
  if (text.isEmpty()) return;
  QString rewritten = triedOrders_.value(text);
  if (rewritten.isEmpty()) {
    CheckOrderText(text);
    rewritten = RewriteClientSql(text, login_.Db->Dialect());
    try {
      login_.Db->SelectOnce(QStringLiteral("SELECT 1 FROM %1 ORDER BY %2 LIMIT 0").arg(FromClause(), rewritten));
    } catch (const EDatabaseError& e) {
      throw EDatabaseError(QStringLiteral("The order \"%1\" cannot be used: %2").arg(text.left(200), e.Message()));
    }
    if (triedOrders_.size() > 64) triedOrders_.clear();
    triedOrders_.insert(text, rewritten);
  }
  order = rewritten;
}

void TGuardedProvider::CheckRights(const TProviderChange& change) const {
  const TUserRights& r = *login_.Rights;
  const QString creator = VarToStr(change.OldValue(QStringLiteral("CREATOR")));
  const QString group = VarToStr(change.OldValue(QStringLiteral("USR_GROUP")));
  const bool allowed = change.Kind == ukInsert ? r.CanAdd()
                       : change.Kind == ukModify ? r.CanModify(creator, group)
                                                 : r.CanDelete(creator, group);
  if (allowed) return;
  const char* code = change.Kind == ukInsert ? "900001" : change.Kind == ukModify ? "900002" : "900003";
  throw EDatabaseError(login_.Db->ServerMessage(QLatin1String(code), {login_.Program}));
}

int TGuardedProvider::RowLimit() const { return login_.TopRow ? qMax(0, login_.TopRow()) : 0; }

int TGuardedProvider::RecordCount() {
  QString sql = QStringLiteral("SELECT 1 FROM %1").arg(FromClause());
  if (!lastWhere_.isEmpty()) sql += QStringLiteral(" WHERE ") + lastWhere_;
  if (RowLimit() > 0) sql += QStringLiteral(" LIMIT %1").arg(RowLimit());
  return login_.Db->SelectValue(QStringLiteral("SELECT COUNT(*) FROM (%1) T").arg(sql)).toInt();
}

// --- query schemes ---------------------------------------------------------------------------

namespace {

TProviderDef SchemeDef() {
  TProviderDef d;
  d.Table = QStringLiteral("DOCUS");
  d.KeyFields = {QStringLiteral("NCONDITION"), QStringLiteral("CREATOR"), QStringLiteral("PROGRAMME")};
  d.UpdateWhere = QStringList{};
  return d;
}

}  // namespace

TSchemeProvider::TSchemeProvider(const TProviderLogin& login)
    : TProvider(QStringLiteral("pvdConSave"), login.Db->Backend(), SchemeDef()), login_(login),
      user_(login.User), program_(login.Program) {}

void TSchemeProvider::Select(const QString& user, const QString& program) {
  if (user.trimmed() != login_.User)
    throw EDatabaseError(QStringLiteral("The query schemes of user %1 are not yours (%2)").arg(user, login_.User));
  user_ = user.trimmed();
  program_ = program.trimmed().toUpper();
  DataRequest(QVariant());
}

void TSchemeProvider::BuildWhere(const QVariant&, QString& where, QVariantList& params) {
  where = QStringLiteral("CREATOR = ? AND PROGRAMME = ?");
  params = {user_, program_};
}

void TSchemeProvider::BeforeUpdateRecord(const TProviderChange& change) {
  const QVariant creator = change.Kind == ukInsert || !VarIsEmpty(change.NewValue(QStringLiteral("CREATOR")))
                               ? change.NewValue(QStringLiteral("CREATOR"))
                               : change.OldValue(QStringLiteral("CREATOR"));
  if (VarToStr(creator).trimmed() != login_.User ||
      (change.Kind != ukInsert && VarToStr(change.OldValue(QStringLiteral("CREATOR"))).trimmed() != login_.User))
    throw EDatabaseError(QStringLiteral("Only your own query schemes can be changed"));
}

}  // namespace vantor
