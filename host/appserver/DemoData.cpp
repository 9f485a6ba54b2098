// Generation of the demo data.
#include "appserver/DemoData.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QHash>
#include <QVector>
#include <random>

#include "appserver/AppDatabase.h"
#include "platform/db/SqlBackend.h"
#include "platform/os/Exceptions.h"

namespace vantor {

void TDemoOptions::ScaleRows(int rows) {
  ReceiptLines = qMax(1, rows);
  ArrivalLines = qMax(1, rows * 2 / 5);
  Returns = qMax(1, rows / 5);
}

namespace {

const char* kCities[] = {"苏州", "无锡", "常州", "宁波", "东莞", "佛山", "昆山", "温州", "台州", "嘉兴", "南通", "泉州"};
const char* kTrades[] = {"精工", "宏达", "华鑫", "永盛", "鼎力", "恒通", "金泰", "立信", "联创", "新亚", "众诚", "瑞丰"};
const char* kKinds[] = {"五金", "电子", "塑胶", "模具", "机械", "包装", "表面处理", "精密铸造"};
const char* kMaterials[] = {"不锈钢", "铝合金", "黄铜", "碳钢", "尼龙", "ABS", "镀锌", "硅胶"};
const char* kProducts[] = {"螺丝", "螺母", "垫片", "支架", "外壳", "齿轮", "轴套", "弹簧", "端盖", "法兰"};
const char* kUnits[] = {"个", "件", "套", "只"};
const char* kPeople[] = {"张伟", "王芳", "李娜", "刘洋", "陈静", "杨磊", "赵敏", "黄强"};
const char* kRemarks[] = {"外观不良", "尺寸不符", "数量短少", "包装破损", "规格错误", "品质检验不合格", ""};

template <size_t N>
QString Pick(const char* (&list)[N], std::mt19937& rng) {
  return QString::fromUtf8(list[std::uniform_int_distribution<size_t>(0, N - 1)(rng)]);
}

int Between(std::mt19937& rng, int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }

QString Stamp(const QDate& d) { return d.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral("093000000"); }

struct TItem {
  QString Code, Unit, Package;
  double PerPackage = 0;
};
struct TLine {
  QString Kind, Type, Number, Line, Supplier;
  QDate Date;
  double Quantity = 0, Packages = 0, PerPackage = 0, Taken = 0;
};

class TGenerator {
public:
  TGenerator(TSqlBackend& db, const TDemoOptions& o) : db_(db), o_(o), rng_(o.Seed) {}

  void Run() {
    Suppliers();
    Items();
    Lines(QStringLiteral("1"), o_.ReceiptLines);
    Lines(QStringLiteral("2"), o_.ArrivalLines);
    Returns();
    db_.ExecChange(QStringLiteral("UPDATE ADMSP SET SP003 = ? WHERE SP001 = '' AND SP002 = 'SYS011'"),
                   {o_.Today.addYears(-1).toString(QStringLiteral("yyyyMM"))});
  }

private:
  QString Audit() const { return QStringLiteral("COMPANY, CREATOR, USR_GROUP, CREATE_DATE, FLAG"); }
  QVariantList AuditValues(const QDate& d) const { return {o_.Company, QStringLiteral("ADMIN"), QStringLiteral("G00"), Stamp(d), 1}; }

  void Suppliers() {
    for (int i = 1; i <= o_.Suppliers; ++i) {
      const QString code = QStringLiteral("S%1").arg(i, 4, 10, QLatin1Char('0'));
      const QString shortName = Pick(kCities, rng_) + Pick(kTrades, rng_);
      const QString name = shortName + Pick(kKinds, rng_) + QStringLiteral("有限公司");
      // Every 40th supplier is suspended, every 50th closed.
      const QString status = i % 50 == 0 ? QStringLiteral("3") : i % 40 == 0 ? QStringLiteral("2") : QStringLiteral("1");
      suppliers_.append(code);
      db_.ExecChange(QStringLiteral("INSERT INTO PURMA (MA001, MA002, MA003, MA004, MA005, MA007, MA008, MA014, %1) "
                                    "VALUES (?, ?, ?, ?, ?, ?, 'RMB', ?, ?, ?, ?, ?, ?)").arg(Audit()),
                     QVariantList{code, shortName, name, Pick(kPeople, rng_),
                                  QStringLiteral("0512-%1").arg(Between(rng_, 60000000, 69999999)),
                                  Pick(kCities, rng_) + QStringLiteral("市工业园区%1号").arg(Between(rng_, 1, 300)), status} +
                         AuditValues(o_.Today.addYears(-2)));
    }
  }

  void Items() {
    for (int i = 1; i <= o_.Items; ++i) {
      TItem it;
      it.Code = QStringLiteral("A%1-%2").arg(Between(rng_, 10, 99)).arg(i, 5, 10, QLatin1Char('0'));
      const bool weighed = i % 10 == 0, packed = weighed || i % 3 == 0;
      it.Unit = weighed ? QStringLiteral("公斤") : Pick(kUnits, rng_);
      it.Package = packed ? (weighed ? QStringLiteral("包") : QStringLiteral("箱")) : QString(QLatin1String(""));
      it.PerPackage = weighed ? 25 : packed ? 10 * Between(rng_, 1, 10) : 0;
      const QString name = Pick(kMaterials, rng_) + Pick(kProducts, rng_);
      const QString spec = QStringLiteral("M%1×%2").arg(Between(rng_, 3, 20)).arg(Between(rng_, 5, 120));
      db_.ExecChange(QStringLiteral("INSERT INTO INVMB (MB001, MB002, MB003, MB004, MB005, MB006, MB007, %1) "
                                    "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)").arg(Audit()),
                     QVariantList{it.Code, name, spec, it.Unit, it.Package, weighed ? QStringLiteral("Y") : QStringLiteral("N"),
                                  QStringLiteral("C%1").arg(i % 8)} + AuditValues(o_.Today.addYears(-2)));
      if (packed)
        db_.ExecChange(QStringLiteral("INSERT INTO INVMD (MD001, MD002, MD003, MD004, %1) VALUES (?, ?, ?, 1, ?, ?, ?, ?, ?)").arg(Audit()),
                       QVariantList{it.Code, it.Package, it.PerPackage} + AuditValues(o_.Today.addYears(-2)));
      items_.append(it);
    }
  }

  void Lines(const QString& kind, int count) {
    const bool receipt = kind == QLatin1String("1");
    const QString table = receipt ? QStringLiteral("MOCTI") : QStringLiteral("MOCCD");
    const QString p = receipt ? QStringLiteral("TI") : QStringLiteral("CD");
    int made = 0, document = 0;
    while (made < count) {
      const QDate date = o_.Today.addDays(-Between(rng_, 0, 364));
      ++document;
      const QString number = date.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral("%1").arg(++perDay_[date], 3, 10, QLatin1Char('0'));
      const QString type = receipt ? (document % 4 == 0 ? QStringLiteral("5902") : QStringLiteral("5901")) : QStringLiteral("5801");
      const QString supplier = suppliers_[Between(rng_, 0, int(suppliers_.size()) - 1)];
      for (int l = 1, n = Between(rng_, 1, 5); l <= n && made < count; ++l, ++made) {
        const TItem& it = items_[Between(rng_, 0, int(items_.size()) - 1)];
        TLine line{kind, type, number, QStringLiteral("%1").arg(l, 4, 10, QLatin1Char('0')), supplier, date};
        line.PerPackage = it.PerPackage;
        line.Packages = it.Package.isEmpty() ? 0 : Between(rng_, 1, 40);
        line.Quantity = it.Package.isEmpty() ? Between(rng_, 10, 1000) : line.Packages * it.PerPackage;
        db_.ExecChange(QStringLiteral("INSERT INTO %1 (@001, @002, @003, @004, @005, @006, @007, @008, @009, @010, @013, %2) "
                                      "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)").arg(table, Audit()).replace(QLatin1Char('@'), p),
                       QVariantList{type, number, line.Line, it.Code, supplier, date.toString(QStringLiteral("yyyyMMdd")),
                                    line.Quantity, it.Unit, line.Packages, it.Package,
                                    QStringLiteral("L%1").arg(date.toString(QStringLiteral("yyMMdd")))} + AuditValues(date));
        lines_.append(line);
      }
    }
  }

  void Returns() {
    static const char* users[] = {"ADMIN", "ZHANGW", "LIN"};
    static const char* groups[] = {"G00", "G01", "G01"};
    QSet<QString> keys;
    int made = 0;
    for (int attempt = 0; made < o_.Returns && attempt < o_.Returns * 20; ++attempt) {
      TLine& line = lines_[Between(rng_, 0, int(lines_.size()) - 1)];
      const double open = line.Quantity - line.Taken;
      const int span = int(line.Date.daysTo(o_.Today));
      if (open < 1) continue;
      const QDate date = line.Date.addDays(Between(rng_, 0, qMax(0, span)));
      const QString key = line.Kind + line.Type + line.Number + line.Line + date.toString(QStringLiteral("yyyyMMdd"));
      if (keys.contains(key)) continue;
      keys.insert(key);
      const double quantity = line.PerPackage > 0 ? line.PerPackage * Between(rng_, 1, qMax(1, int(open / line.PerPackage)))
                                                  : Between(rng_, 1, qMax(1, int(open / 4)));
      if (quantity > open) continue;
      line.Taken += quantity;
      const int who = Between(rng_, 0, 2);
      db_.ExecChange(QStringLiteral("INSERT INTO MOCTJ (TJ001, TJ002, TJ003, TJ004, TJ005, TJ006, TJ007, TJ008, TJ009, "
                                    "COMPANY, CREATOR, USR_GROUP, CREATE_DATE, FLAG) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 1)"),
                     {line.Supplier, line.Type, line.Number, line.Line, date.toString(QStringLiteral("yyyyMMdd")), quantity,
                      Pick(kRemarks, rng_), line.PerPackage > 0 ? quantity / line.PerPackage : 0.0, line.Kind, o_.Company,
                      QLatin1String(users[who]), QLatin1String(groups[who]), Stamp(date)});
      ++made;
    }
    for (const char* t : {"MOCTI:TI:1", "MOCCD:CD:2"}) {
      const QStringList p = QString::fromLatin1(t).split(QLatin1Char(':'));
      const QString match = QStringLiteral("TJ009 = '%1' AND TJ002 = @001 AND TJ003 = @002 AND TJ004 = @003").arg(p[2]);
      db_.Exec(QStringLiteral("UPDATE %1 SET @011 = COALESCE((SELECT SUM(TJ006) FROM MOCTJ WHERE %2), 0), "
                              "@012 = COALESCE((SELECT SUM(TJ008) FROM MOCTJ WHERE %2), 0)").arg(p[0], match).replace(QLatin1Char('@'), p[1]));
    }
  }

  TSqlBackend& db_;
  const TDemoOptions& o_;
  std::mt19937 rng_;
  QStringList suppliers_;
  QVector<TItem> items_;
  QVector<TLine> lines_;
  QHash<QDate, int> perDay_;  // documents made per date, for their numbers
};

QString Digest(const QString& password) {
  return QString::fromLatin1(QCryptographicHash::hash(password.toUtf8(), QCryptographicHash::Sha256).toHex());
}

}  // namespace

void TDemoBuilder::AddCompanyAndUsers(TSqlBackend& db, const QString& database) const {
  db.ExecChange(QStringLiteral("INSERT INTO ZKMMB (MB001, MB002, MB003) VALUES (?, ?, ?)"),
                {o_.Company, QStringLiteral("示范公司"), database});
  const struct { const char *Code, *Name, *Group; } users[] = {
      {"ADMIN", "系统管理员", "G00"}, {"ZHANGW", "张伟", "G01"}, {"LIN", "李娜", "G01"}, {"WANGF", "王芳", "G02"}};
  for (const auto& u : users) {
    db.ExecChange(QStringLiteral("INSERT INTO ZKMMA (MA001, MA002, MA003, MA004, MA005) VALUES (?, ?, ?, ?, 'Y')"),
                  {QLatin1String(u.Code), QString::fromUtf8(u.Name), Digest(QStringLiteral("1234")), QLatin1String(u.Group)});
    db.ExecChange(QStringLiteral("INSERT INTO ZKMMG (MG001, MG002) VALUES (?, ?)"), {QLatin1String(u.Code), QLatin1String(u.Group)});
  }
  for (const auto& g : {std::pair{"G00", "管理部"}, std::pair{"G01", "采购部"}, std::pair{"G02", "品管部"}})
    db.ExecChange(QStringLiteral("INSERT INTO ZKMMC (MC001, MC002) VALUES (?, ?)"), {QLatin1String(g.first), QString::fromUtf8(g.second)});
  // Full rights; rights per record (own and group records, not others');
  // query and print only.
  const struct { const char *Who, *PerRecord, *Commands, *Group, *Others; } rights[] = {
      {"ADMIN", "N", "YYYYYYYYYYYY", "YYYYYYY", "YYYYYYY"},
      {"G01", "Y", "YYYYYYYYYNNN", "YYYNNNN", "NNNNNNN"},
      {"G02", "N", "NNNNNYNNNNNN", "NNNNNNN", "NNNNNNN"}};
  for (const auto& r : rights)
    for (const char* program : {"RTNI01", "PURI01", "INVI01"})
      db.ExecChange(QStringLiteral("INSERT INTO ADMMP (MP001, MP002, MP003, MP004, MP005, MP006, MP007, MP008) "
                                   "VALUES (?, ?, 'Y', 'Y', ?, ?, ?, ?)"),
                    {QLatin1String(r.Who), QLatin1String(program), QLatin1String(r.PerRecord), QLatin1String(r.Commands),
                     QLatin1String(r.Group), QLatin1String(r.Others)});
}

std::unique_ptr<TSqlBackend> TDemoBuilder::Build(const QString& path) {
  auto db = TAppDatabase::CreateDatabase(path);
  const QString database = o_.Database.isEmpty() ? QFileInfo(path).completeBaseName() : o_.Database;
  TSqlTransaction transaction(*db);
  AddCompanyAndUsers(*db, database);
  TGenerator(*db, o_).Run();
  transaction.Commit();
  return db;
}

}  // namespace vantor
