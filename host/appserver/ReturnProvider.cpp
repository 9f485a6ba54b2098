// The main provider of RTNI01 (subcontract inspection returns) and the
// generic main provider of other programs.
#include "appserver/ServerProviders.h"

#include <QHash>

#include "appserver/CompanyDb.h"
#include "appserver/Rights.h"
#include "platform/db/SqlBackend.h"
#include "platform/os/Exceptions.h"
#include "platform/variant/Variants.h"

namespace vantor {

namespace {

const char* kReturnJoins =
    "LEFT JOIN PURMA PURMA ON PURMA.MA001 = MOCTJ.TJ001 "
    "LEFT JOIN MOCTI MOCTI ON MOCTJ.TJ009 = '1' AND MOCTI.TI001 = MOCTJ.TJ002 AND MOCTI.TI002 = MOCTJ.TJ003 "
    "AND MOCTI.TI003 = MOCTJ.TJ004 "
    "LEFT JOIN MOCCD MOCCD ON MOCTJ.TJ009 <> '1' AND MOCCD.CD001 = MOCTJ.TJ002 AND MOCCD.CD002 = MOCTJ.TJ003 "
    "AND MOCCD.CD003 = MOCTJ.TJ004 "
    "LEFT JOIN INVMB INVMB ON INVMB.MB001 = COALESCE(MOCTI.TI004, MOCCD.CD004)";

// What other returns of the same source line, dated up to this one, took.
QString OthersTaken(const char* column) {
  return QStringLiteral("COALESCE((SELECT SUM(R.%1) FROM MOCTJ R WHERE R.TJ009 = MOCTJ.TJ009 AND R.TJ002 = MOCTJ.TJ002 "
                        "AND R.TJ003 = MOCTJ.TJ003 AND R.TJ004 = MOCTJ.TJ004 AND R.TJ005 <= MOCTJ.TJ005 "
                        "AND R.TJ005 <> MOCTJ.TJ005), 0)").arg(QLatin1String(column));
}

TProviderField Computed(const char* name, const QString& expression, const char* type) {
  return {QLatin1String(name), expression, QLatin1String(type)};
}

QStringList ReturnColumns() {
  QStringList c = {QStringLiteral("TJ001")};
  for (const char* n : {"TJ002", "TJ003", "TJ004", "TJ005", "TJ006", "TJ009", "TJ007", "TJ008"}) c.append(QLatin1String(n));
  for (int i = 1; i <= 12; ++i) c.append(QStringLiteral("UDF%1").arg(i, 2, 10, QLatin1Char('0')));
  for (int i = 51; i <= 62; ++i) c.append(QStringLiteral("UDF%1").arg(i));
  for (const char* n : {"COMPANY", "CREATOR", "USR_GROUP", "CREATE_DATE", "MODIFIER", "MODI_DATE", "FLAG"})
    c.append(QLatin1String(n));
  return c;
}

TProviderDef ReturnDef() {
  TProviderDef d;
  d.Table = QStringLiteral("MOCTJ");
  d.Alias = QStringLiteral("MOCTJ");
  d.Joins = QLatin1String(kReturnJoins);
  const QStringList stored = ReturnColumns();
  for (const QString& c : stored) d.Fields.append({c, QString(), QString()});
  d.Fields.append(Computed("TJ001C", QStringLiteral("PURMA.MA002"), "VARCHAR(20)"));
  d.Fields.append(Computed("TJ009C", QStringLiteral("COALESCE(MOCTI.TI013, MOCCD.CD013)"), "VARCHAR(20)"));
  d.Fields.append(Computed("TJ101C", QStringLiteral("COALESCE(MOCTI.TI004, MOCCD.CD004)"), "VARCHAR(20)"));
  d.Fields.append(Computed("TJ102C", QStringLiteral("INVMB.MB002"), "VARCHAR(60)"));
  d.Fields.append(Computed("TJ103C", QStringLiteral("INVMB.MB003"), "VARCHAR(60)"));
  d.Fields.append(Computed("TJ104C", QStringLiteral("COALESCE(MOCTI.TI006, MOCCD.CD006)"), "VARCHAR(8)"));
  d.Fields.append(Computed("TJ105C", QStringLiteral("COALESCE(MOCTI.TI007, MOCCD.CD007)"), "DOUBLE PRECISION"));
  d.Fields.append(Computed("TJ106C", QStringLiteral("COALESCE(MOCTI.TI008, MOCCD.CD008)"), "VARCHAR(4)"));
  d.Fields.append(Computed("TJ107C", QStringLiteral("COALESCE(MOCTI.TI009, MOCCD.CD009)"), "DOUBLE PRECISION"));
  d.Fields.append(Computed("TJ108C", QStringLiteral("COALESCE(MOCTI.TI010, MOCCD.CD010)"), "VARCHAR(4)"));
  d.Fields.append(Computed("TJ006C", QStringLiteral("COALESCE(MOCTI.TI007, MOCCD.CD007) - ") + OthersTaken("TJ006"),
                           "DOUBLE PRECISION"));
  d.Fields.append(Computed("TJ008C", QStringLiteral("COALESCE(MOCTI.TI009, MOCCD.CD009) - ") + OthersTaken("TJ008"),
                           "DOUBLE PRECISION"));
  d.Fields.append(Computed("TJ109C", QStringLiteral("INVMB.MB006"), "VARCHAR(1)"));
  d.KeyFields = {QStringLiteral("TJ002"), QStringLiteral("TJ003"), QStringLiteral("TJ004"), QStringLiteral("TJ005")};
  // A row whose stored values differ from those the client fetched has been
  // changed by someone else in between.
  QStringList guard = stored;
  for (const QString& k : d.KeyFields) guard.removeAll(k);
  d.UpdateWhere = guard;
  return d;
}

// One source line of a return: kind (1 receipt, 2 arrival), type, number, line.
struct TSourceLine {
  QString Kind, Type, Number, Line;
  bool operator==(const TSourceLine& o) const {
    return Kind == o.Kind && Type == o.Type && Number == o.Number && Line == o.Line;
  }
  QString Text() const { return QStringLiteral("%1-%2-%3").arg(Type, Number, Line); }
  bool IsReceipt() const { return Kind == QLatin1String("1"); }
};

class TReturnProvider : public TGuardedProvider {
public:
  TReturnProvider(const TProviderLogin& login) : TGuardedProvider(QStringLiteral("pvdMain"), ReturnDef(), login) {}

protected:
  void BeforeUpdateRecord(const TProviderChange& change) override;

private:
  [[noreturn]] void Refuse(const char* code, const QStringList& args = {}) const {
    throw EDatabaseError(Login().Db->ServerMessage(QLatin1String(code), args));
  }
  void CheckCompany(const TProviderChange& change) const;
  void SettleLine(const TSourceLine& line, const QVariantList& excludeKey, double quantity, double packages,
                  bool check) const;
};

QVariant Final(const TProviderChange& c, const char* field) {
  const QVariant n = c.NewValue(QLatin1String(field));
  return c.Kind == ukDelete ? c.OldValue(QLatin1String(field)) : VarIsEmpty(n) && c.Kind == ukModify ? c.OldValue(QLatin1String(field)) : n;
}

TSourceLine LineOf(const TProviderChange& c, bool old) {
  const auto v = [&](const char* f) { return VarToStr(old ? c.OldValue(QLatin1String(f)) : Final(c, f)).trimmed(); };
  return {v("TJ009"), v("TJ002"), v("TJ003"), v("TJ004")};
}

QVariantList KeyOf(const TProviderChange& c) {
  QVariantList k;
  for (const char* f : {"TJ002", "TJ003", "TJ004", "TJ005"}) k.append(VarToStr(c.OldValue(QLatin1String(f))));
  return k;
}

void TReturnProvider::CheckCompany(const TProviderChange& change) const {
  for (bool old : {false, true}) {
    if (old ? change.Kind == ukInsert : change.Kind == ukDelete) continue;
    const QString company = VarToStr(old ? change.OldValue(QStringLiteral("COMPANY")) : Final(change, "COMPANY")).trimmed();
    if (!company.isEmpty() && company != Login().Company) Refuse("900007", {company});
  }
}

// Sums what the other returns of the line take, refuses the change when the
// line would be returned beyond what it brought in, and stores the new
// returned quantities on the line.
void TReturnProvider::SettleLine(const TSourceLine& line, const QVariantList& excludeKey, double quantity,
                                 double packages, bool check) const {
  const bool receipt = line.IsReceipt();
  const QString table = receipt ? QStringLiteral("MOCTI") : QStringLiteral("MOCCD");
  const QString p = receipt ? QStringLiteral("TI") : QStringLiteral("CD");
  const QVariantList lineKey = {line.Type, line.Number, line.Line};
  const QList<QVariantList> rows = Login().Db->Select(
      QStringLiteral("SELECT @007, @009 FROM %1 WHERE @001 = ?1 AND @002 = ?2 AND @003 = ?3").arg(table).replace(QLatin1Char('@'), p), lineKey);
  if (rows.isEmpty()) {
    if (check) Refuse("900004", {line.Text()});
    return;
  }
  const QString kindTest = receipt ? QStringLiteral("TJ009 = '1'") : QStringLiteral("TJ009 <> '1'");
  // The row being changed is left out: its new quantity is added below.
  const QString others = excludeKey.isEmpty()
                             ? QString()
                             : QStringLiteral(" AND NOT (TJ002 = ?4 AND TJ003 = ?5 AND TJ004 = ?6 AND TJ005 = ?7)");
  const QList<QVariantList> taken = Login().Db->Select(
      QStringLiteral("SELECT COALESCE(SUM(TJ006), 0), COALESCE(SUM(TJ008), 0) FROM MOCTJ WHERE %1 AND TJ002 = ?1 "
                     "AND TJ003 = ?2 AND TJ004 = ?3%2").arg(kindTest, others), lineKey + excludeKey);
  const double total = taken[0][0].toDouble() + quantity, totalPackages = taken[0][1].toDouble() + packages;
  const double received = rows[0][0].toDouble(), receivedPackages = rows[0][1].toDouble();
  if (check && total > received + 1e-9)
    Refuse("900005", {line.Text(), QString::number(total), QString::number(received)});
  if (check && packages > 0 && totalPackages > receivedPackages + 1e-9)
    Refuse("900006", {line.Text(), QString::number(totalPackages), QString::number(receivedPackages)});
  Backend().ExecChange(QStringLiteral("UPDATE %1 SET @011 = ?, @012 = ? WHERE @001 = ? AND @002 = ? AND @003 = ?").arg(table).replace(QLatin1Char('@'), p),
                       {total, totalPackages, line.Type, line.Number, line.Line});
}

void TReturnProvider::BeforeUpdateRecord(const TProviderChange& change) {
  CheckRights(change);
  CheckCompany(change);
  const QVariantList oldKey = change.Kind == ukInsert ? QVariantList() : KeyOf(change);
  if (change.Kind != ukDelete) {
    const TSourceLine line = LineOf(change, false);
    if (line.Kind != QLatin1String("1") && line.Kind != QLatin1String("2")) Refuse("900008", {line.Kind});
    const double quantity = Final(change, "TJ006").toDouble();
    if (!(quantity > 0)) Refuse("900009");
    SettleLine(line, oldKey, quantity, Final(change, "TJ008").toDouble(), true);
  }
  if (change.Kind != ukInsert) {
    const TSourceLine old = LineOf(change, true);
    if (change.Kind == ukDelete || !(old == LineOf(change, false))) SettleLine(old, oldKey, 0, 0, false);
  }
}

}  // namespace

std::shared_ptr<TGuardedProvider> MakeMainProvider(const TProviderLogin& login, const QString& table,
                                                   const QStringList& keyFields) {
  if (table.compare(QLatin1String("MOCTJ"), Qt::CaseInsensitive) == 0) return std::make_shared<TReturnProvider>(login);
  TProviderDef d;
  d.Table = table;
  d.Alias = table;
  d.KeyFields = keyFields;
  return std::make_shared<TGuardedProvider>(QStringLiteral("pvdMain"), d, login);
}

}  // namespace vantor
