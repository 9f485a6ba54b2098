// "pvdColor": for every main row, one text per coloured element of the
// program's colour definition (ADMNH), saying which colours apply:
// "bkcolor=B;colorx=F;bold=N;italic=N;msg=M" for the first condition the row
// meets, empty when it meets none. The conditions are SQL predicates of the
// definition; each is rewritten and tried under the guard before it becomes
// part of the query, like a client's condition.
#include "appserver/ServerProviders.h"

#include <QXmlStreamReader>

#include "appserver/CompanyDb.h"
#include "appserver/SqlText.h"
#include "platform/db/SqlBackend.h"
#include "platform/os/Exceptions.h"
#include "platform/variant/Variants.h"

namespace vantor {

namespace {

struct TColourCondition {
  QString Value, ColorX, BkColor, Msg, Bold, Italic;
};
struct TColourElement {
  QString Name;
  QList<TColourCondition> Conditions;
};

QString Attr(const QXmlStreamReader& r, const char* name) {
  return r.attributes().value(QLatin1String(name)).toString().trimmed();
}

// The "head" section's enabled components.
QList<TColourElement> ParseDefinition(const QString& xml) {
  QList<TColourElement> out;
  QXmlStreamReader r(xml);
  QStringList path;
  while (!r.atEnd()) {
    r.readNext();
    if (r.isEndElement()) { path.removeLast(); continue; }
    if (!r.isStartElement()) continue;
    path.append(r.name().toString());
    const int n = int(path.size());
    if (n >= 3 && path[n - 1] == QLatin1String("component") && path[n - 2] == QLatin1String("head") &&
        path[n - 3] == QLatin1String("colormanager") && Attr(r, "enable") == QLatin1String("Y"))
      out.append({Attr(r, "name"), {}});
    else if (n >= 4 && path[n - 1] == QLatin1String("condition") && path[n - 2] == QLatin1String("component") &&
             path[n - 3] == QLatin1String("head") && !out.isEmpty() && !out.last().Name.isEmpty())
      out.last().Conditions.append({Attr(r, "value"), Attr(r, "colorx"), Attr(r, "bkcolor"), Attr(r, "msg"),
                                    Attr(r, "bold"), Attr(r, "italic")});
  }
  if (r.hasError())
    throw EDatabaseError(QStringLiteral("The colour definition is not valid XML (line %1: %2)")
                             .arg(r.lineNumber()).arg(r.errorString()));
  return out;
}

QString Quoted(const QString& s) { return QLatin1Char('\'') + QString(s).replace(QLatin1String("'"), QLatin1String("''")) + QLatin1Char('\''); }

QString ColourText(const TColourCondition& c) {
  const auto yes = [](const QString& v) { return v.compare(QLatin1String("Y"), Qt::CaseInsensitive) == 0 ? "Y" : "N"; };
  return QStringLiteral("bkcolor=%1;colorx=%2;bold=%3;italic=%4;msg=%5")
      .arg(c.BkColor, c.ColorX, QLatin1String(yes(c.Bold)), QLatin1String(yes(c.Italic)), c.Msg);
}

}  // namespace

std::shared_ptr<TGuardedProvider> MakeColourProvider(const TProviderLogin& login, const TProviderDef& mainDef,
                                                     const QStringList& keyFields) {
  TProviderDef d;
  d.Table = mainDef.Table;
  d.Alias = mainDef.Alias;
  d.Joins = mainDef.Joins;
  d.KeyFields = keyFields;
  d.UpdateWhere = QStringList{};
  for (const QString& k : keyFields) d.Fields.append({k, QString(), QString()});
  const QString xml = VarToStr(login.Db->SelectValue(QStringLiteral("SELECT NH003 FROM ADMNH WHERE NH001 = ?1"),
                                                     {login.Program.toUpper()}));
  QString from = login.Db->Backend().QuoteIdentifier(d.Table) + QLatin1Char(' ') + d.Alias + QLatin1Char(' ') + d.Joins;
  for (const TColourElement& e : xml.trimmed().isEmpty() ? QList<TColourElement>() : ParseDefinition(xml)) {
    if (!IsPlainIdentifier(e.Name) || e.Conditions.isEmpty()) continue;
    QString expression = QStringLiteral("CASE");
    for (const TColourCondition& c : e.Conditions) {
      const QString predicate = RewriteClientSql(c.Value, login.Db->Dialect());
      login.Db->SelectOnce(QStringLiteral("SELECT 1 FROM %1 WHERE (%2) LIMIT 0").arg(from, predicate));
      expression += QStringLiteral(" WHEN (%1) THEN %2").arg(predicate, Quoted(ColourText(c)));
    }
    d.Fields.append({e.Name, expression + QStringLiteral(" ELSE '' END"), QStringLiteral("VARCHAR(255)")});
  }
  return std::make_shared<TGuardedProvider>(QStringLiteral("pvdColor"), d, login);
}

}  // namespace vantor
