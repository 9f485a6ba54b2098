// The procedures that change data: the removal of a record's attachments
// and the server-side field updates that a form registers before it saves
// and commits afterwards. Neither runs SQL text of the client: the removal
// accepts one exact statement shape and binds its values, the updates run
// the catalogue's rules over the rows that the client's (guarded,
// read-only) condition selects.
#include "appserver/Procedures.h"

#include <QDateTime>
#include <QHash>

#include "appserver/CompanyDb.h"
#include "appserver/SqlText.h"
#include "platform/db/SqlBackend.h"
#include "platform/os/Exceptions.h"
#include "platform/variant/Variants.h"

namespace vantor {

namespace {

QString Stamp(qint64 offsetDays = 0) {
  return QDateTime::currentDateTime().addDays(offsetDays).toString(QStringLiteral("yyyyMMddHHmmsszzz"));
}

QString Unquote(const QString& literal) { return literal.mid(1, literal.size() - 2).replace(QLatin1String("''"), QLatin1String("'")); }

// DELETE FROM ATTACH WHERE Parent = '...' AND CompanyID = '...' AND KeyValues = '...'
// with the three comparisons in any order; anything else is refused.
QHash<QString, QString> ParseAttachmentDelete(const QString& sql) {
  QVector<TSqlToken> t;
  for (const TSqlToken& tok : TokenizeSql(sql))
    if (tok.Kind != TSqlToken::Space) t.append(tok);
  if (!t.isEmpty() && t.last().IsSymbol(";")) t.removeLast();
  const auto refuse = [&sql]() -> QHash<QString, QString> {
    throw EDatabaseError(QStringLiteral("TransactionSQL may only delete the attachment rows of a record "
                                        "(DELETE FROM ATTACH WHERE Parent = ... AND CompanyID = ... AND KeyValues = ...); "
                                        "refused: %1").arg(sql.simplified().left(200)));
  };
  if (t.size() != 15 || !t[0].Is("DELETE") || !t[1].Is("FROM") || !t[2].Is("ATTACH") || !t[3].Is("WHERE")) return refuse();
  QHash<QString, QString> values;
  for (int k = 4; k < t.size(); k += 4) {
    if (k > 4 && !t[k - 1].Is("AND")) return refuse();
    const QString column = t[k].Text.toUpper();
    if (t[k].Kind != TSqlToken::Word || !t[k + 1].IsSymbol("=") || t[k + 2].Kind != TSqlToken::String) return refuse();
    if (values.contains(column)) return refuse();
    values.insert(column, Unquote(t[k + 2].Text));
    if (k + 3 < t.size() && !t[k + 3].Is("AND")) return refuse();
  }
  for (const char* c : {"PARENT", "COMPANYID", "KEYVALUES"})
    if (!values.contains(QLatin1String(c))) return refuse();
  return values;
}

}  // namespace

QVariant TProcedures::TransactionSql(const QVariantList& p) {
  if (p.isEmpty() || !VarIsArray(p[0]))
    throw EDatabaseError(QStringLiteral("%1 expects [[statement, ...], text]").arg(name_));
  QList<QHash<QString, QString>> deletes;
  for (const QVariant& s : p[0].toList()) {
    const QHash<QString, QString> d = ParseAttachmentDelete(VarToStr(s));
    if (d.value(QStringLiteral("COMPANYID")) != company_)
      throw EDatabaseError(QStringLiteral("%1: the attachments of company \"%2\" are not those of the company %3 you work in")
                               .arg(name_, d.value(QStringLiteral("COMPANYID")), company_));
    if (!VarIsBlank(db_.SelectValue(QStringLiteral("SELECT 1 FROM ADMMB WHERE MB001 = ?1"), {d.value(QStringLiteral("PARENT"))})))
      deletes.append(d);
    else
      throw EDatabaseError(QStringLiteral("%1: \"%2\" is not a program").arg(name_, d.value(QStringLiteral("PARENT"))));
  }
  TSqlBackend& b = db_.Backend();
  TSqlTransaction transaction(b);
  for (const auto& d : deletes)
    b.ExecChange(QStringLiteral("DELETE FROM ATTACH WHERE Parent = ? AND CompanyID = ? AND KeyValues = ?"),
                 {d.value(QStringLiteral("PARENT")), d.value(QStringLiteral("COMPANYID")), d.value(QStringLiteral("KEYVALUES"))});
  transaction.Commit();
  return true;
}

QVariant TProcedures::UpdateUdfFields(const QVariantList& p) {
  if (p.size() < 4)
    throw EDatabaseError(QStringLiteral("%1 expects [form GUID, program, rule, condition, values], got %2 element(s)")
                             .arg(name_).arg(p.size()));
  const QString guid = VarToStr(p[0]).trimmed(), program = VarToStr(p[1]).trimmed().toUpper();
  const QString rule = VarToStr(p[2]).trimmed().toUpper(), condition = VarToStr(p[3]);
  if (guid.isEmpty() || guid.size() > 40) throw EDatabaseError(QStringLiteral("%1: the form GUID is missing").arg(name_));
  const QList<QVariantList> rules = db_.Select(
      QStringLiteral("SELECT UR004, UR005 FROM ADMUR WHERE UR001 = ?1 AND UR002 = ?2"), {program, rule});
  if (rules.isEmpty())
    throw EDatabaseError(QStringLiteral("%1: the program %2 has no update rule %3").arg(name_, program, rule));
  // The condition is tried now, so that a bad one is refused to the form
  // that sent it rather than failing at the commit.
  for (const QVariantList& r : rules)
    db_.ClientSelect(QStringLiteral("SELECT %1 FROM %2 WHERE (%3) LIMIT 0").arg(VarToStr(r[1]), VarToStr(r[0]), condition));
  TSqlBackend& b = db_.Backend();
  TSqlTransaction transaction(b);
  b.ExecChange(QStringLiteral("DELETE FROM ADMUQ WHERE UQ006 < ?"), {Stamp(-1)});
  const int seq = db_.SelectValue(QStringLiteral("SELECT COALESCE(MAX(UQ002), 0) + 1 FROM ADMUQ WHERE UQ001 = ?1"), {guid}).toInt();
  b.ExecChange(QStringLiteral("INSERT INTO ADMUQ (UQ001, UQ002, UQ003, UQ004, UQ005, UQ006) VALUES (?, ?, ?, ?, ?, ?)"),
               {guid, seq, program, rule, condition, Stamp()});
  transaction.Commit();
  return true;
}

void TProcedures::RunUpdateRule(const QString& program, const QString& rule, const QString& condition) {
  const QList<QVariantList> steps = db_.Select(
      QStringLiteral("SELECT UR004, UR005, UR006 FROM ADMUR WHERE UR001 = ?1 AND UR002 = ?2 ORDER BY UR003"), {program, rule});
  TSqlBackend& b = db_.Backend();
  for (const QVariantList& s : steps) {
    const QList<QVariantList> keys =
        db_.ClientSelect(QStringLiteral("SELECT %1 FROM %2 WHERE (%3)").arg(VarToStr(s[1]), VarToStr(s[0]), condition));
    for (const QVariantList& key : keys) {
      QVariantList bound;
      const QString statement = ExpandPlaceholders(VarToStr(s[2]), key, bound);
      b.ExecChange(statement, bound);
    }
  }
}

QVariant TProcedures::DoUpdateUdfFields(const QVariantList& p) {
  if (p.isEmpty() || VarToStr(p[0]).trimmed().isEmpty())
    throw EDatabaseError(QStringLiteral("%1 expects [form GUID]").arg(name_));
  const QString guid = VarToStr(p[0]).trimmed();
  const QList<QVariantList> pending = db_.Select(
      QStringLiteral("SELECT UQ003, UQ004, UQ005 FROM ADMUQ WHERE UQ001 = ?1 ORDER BY UQ002"), {guid});
  TSqlBackend& b = db_.Backend();
  bool done = true;
  {
    TSqlTransaction transaction(b);
    try {
      for (const QVariantList& u : pending) RunUpdateRule(VarToStr(u[0]), VarToStr(u[1]), VarToStr(u[2]));
      b.ExecChange(QStringLiteral("DELETE FROM ADMUQ WHERE UQ001 = ?"), {guid});
      transaction.Commit();
    } catch (const EDatabaseError&) {
      done = false;  // the transaction rolls back; the form is told by the answer
    }
  }
  if (!done) b.ExecChange(QStringLiteral("DELETE FROM ADMUQ WHERE UQ001 = ?"), {guid});
  return done;
}

}  // namespace vantor
