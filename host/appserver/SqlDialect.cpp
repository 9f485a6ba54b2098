// The client's SQL dialect turned into SQLite's (see SqlText.h). The rewrite
// works on tokens, so nothing inside a string literal is ever touched.
#include "appserver/SqlText.h"

#include <QHash>

#include "platform/os/Exceptions.h"

namespace vantor {

namespace {

[[noreturn]] void Refuse(const QString& why, const QString& sql) {
  throw EDatabaseError(QStringLiteral("The server refuses this SQL: %1. The SQL was: %2").arg(why, sql.left(200)));
}

class TRewriter {
public:
  TRewriter(const QString& sql, const TDialectContext& c) : sql_(sql), c_(c), t_(TokenizeSql(sql)) {
    for (int i = 0; i < t_.size(); ++i)
      if (t_[i].Kind != TSqlToken::Space) sig_.append(i);
  }

  QString Run() {
    CheckShape();
    StripNamePrefixes();
    RenameFunctions();
    ConcatenateTexts();
    MoveTopToLimit();
    return JoinTokens(t_).trimmed();
  }

private:
  TSqlToken& Sig(int k) { return t_[sig_[k]]; }
  bool HasSig(int k) const { return k >= 0 && k < sig_.size(); }
  void Blank(int k) { t_[sig_[k]] = {TSqlToken::Space, QString()}; }

  void CheckShape() {
    for (int k = 0; k < sig_.size(); ++k) {
      const TSqlToken& t = Sig(k);
      if (t.Kind == TSqlToken::Comment) Refuse(QStringLiteral("comments are not accepted"), sql_);
      if (t.Kind == TSqlToken::Param) Refuse(QStringLiteral("placeholders are not accepted"), sql_);
      if (t.IsSymbol(";")) {
        for (int j = k + 1; j < sig_.size(); ++j)
          if (!Sig(j).IsSymbol(";")) Refuse(QStringLiteral("only one statement may be sent at a time"), sql_);
        Blank(k);
      }
    }
  }

  static QString NameOf(const TSqlToken& t) {
    if (t.Kind == TSqlToken::QuotedName) return t.Text.mid(1, t.Text.size() - 2);
    return t.Text;
  }
  static bool IsName(const TSqlToken& t) { return t.Kind == TSqlToken::Word || t.Kind == TSqlToken::QuotedName; }

  // "$$T" is T; "DB..T" and "DB.OWNER.T" are T when DB is this database.
  void StripNamePrefixes() {
    for (int k = 0; k < sig_.size(); ++k) {
      TSqlToken& t = Sig(k);
      if (t.Kind == TSqlToken::Word && t.Text.startsWith(QLatin1String("$$"))) {
        t.Text = t.Text.mid(2);
        if (t.Text.isEmpty()) Refuse(QStringLiteral("\"$$\" must be followed by a table name"), sql_);
        continue;
      }
      if (!IsName(t) || (HasSig(k - 1) && Sig(k - 1).IsSymbol("."))) continue;
      const bool twoDots = HasSig(k + 3) && Sig(k + 1).IsSymbol(".") && Sig(k + 2).IsSymbol(".") && IsName(Sig(k + 3));
      const bool threeParts = HasSig(k + 4) && Sig(k + 1).IsSymbol(".") && IsName(Sig(k + 2)) &&
                              Sig(k + 3).IsSymbol(".") && IsName(Sig(k + 4));
      if (!twoDots && !threeParts) continue;
      const QString db = NameOf(t);
      if (db.compare(c_.Database, Qt::CaseInsensitive) != 0)
        Refuse(QStringLiteral("\"%1\" names another company database than %2").arg(db, c_.Database), sql_);
      const int drop = twoDots ? 3 : 4;
      for (int j = 0; j < drop; ++j) Blank(k + j);
      k += drop;
    }
  }

  void RenameFunctions() {
    static const QHash<QString, QString> names = {
        {QStringLiteral("SUBSTRING"), QStringLiteral("SUBSTR")},
        {QStringLiteral("LEN"), QStringLiteral("LENGTH")},
        {QStringLiteral("ISNULL"), QStringLiteral("IFNULL")},
    };
    for (int k = 0; k + 1 < sig_.size(); ++k) {
      TSqlToken& t = Sig(k);
      if (t.Kind != TSqlToken::Word || !Sig(k + 1).IsSymbol("(")) continue;
      const auto it = names.find(t.Text.toUpper());
      if (it != names.end()) t.Text = it.value();
    }
  }

  bool IsTextFunction(const QString& name) const {
    static const QSet<QString> text = {QStringLiteral("SUBSTR"), QStringLiteral("SUBSTRING"), QStringLiteral("UPPER"),
                                       QStringLiteral("LOWER"), QStringLiteral("TRIM"), QStringLiteral("LTRIM"),
                                       QStringLiteral("RTRIM"), QStringLiteral("REPLACE")};
    return text.contains(name.toUpper());
  }

  bool IsTextColumn(const TSqlToken& t) const {
    return IsName(t) && c_.TextColumns.contains(NameOf(t).toUpper());
  }

  // The operand that ends at significant token k (walking back over a call).
  bool LeftIsText(int k) {
    if (!HasSig(k)) return false;
    const TSqlToken& t = Sig(k);
    if (t.Kind == TSqlToken::String || IsTextColumn(t)) return true;
    if (!t.IsSymbol(")")) return false;
    int depth = 0;
    for (int j = k; j >= 0; --j) {
      if (Sig(j).IsSymbol(")")) ++depth;
      else if (Sig(j).IsSymbol("(") && --depth == 0) return HasSig(j - 1) && IsTextFunction(Sig(j - 1).Text);
    }
    return false;
  }

  bool RightIsText(int k) {
    if (!HasSig(k)) return false;
    const TSqlToken& t = Sig(k);
    if (t.Kind == TSqlToken::String) return true;
    if (HasSig(k + 1) && Sig(k + 1).IsSymbol("(")) return IsTextFunction(t.Text);
    // A qualified name: the column is the last part.
    int last = k;
    while (HasSig(last + 2) && Sig(last + 1).IsSymbol(".") && IsName(Sig(last + 2))) last += 2;
    return IsTextColumn(Sig(last));
  }

  void ConcatenateTexts() {
    for (int k = 1; k + 1 < sig_.size(); ++k)
      if (Sig(k).IsSymbol("+") && (LeftIsText(k - 1) || RightIsText(k + 1))) Sig(k).Text = QStringLiteral("||");
  }

  // SELECT [DISTINCT|ALL] TOP n ... becomes SELECT ... LIMIT n, the LIMIT
  // placed where that SELECT's parenthesis closes (or at the end).
  void MoveTopToLimit() {
    QHash<int, QString> limitAtDepth;
    QVector<QPair<int, QString>> inserts;  // before token index
    int depth = 0;
    for (int k = 0; k < sig_.size(); ++k) {
      TSqlToken& t = Sig(k);
      if (t.IsSymbol("(")) { ++depth; continue; }
      if (t.IsSymbol(")")) {
        if (limitAtDepth.contains(depth)) inserts.append({sig_[k], limitAtDepth.take(depth)});
        --depth;
        continue;
      }
      if (!t.Is("SELECT")) continue;
      int j = k + 1;
      if (HasSig(j) && (Sig(j).Is("DISTINCT") || Sig(j).Is("ALL"))) ++j;
      if (!HasSig(j + 1) || !Sig(j).Is("TOP")) continue;
      int n = j + 1;
      const bool paren = Sig(n).IsSymbol("(");
      if (paren) ++n;
      if (!HasSig(n) || Sig(n).Kind != TSqlToken::Number || (paren && !(HasSig(n + 1) && Sig(n + 1).IsSymbol(")"))))
        Refuse(QStringLiteral("TOP must be followed by a number"), sql_);
      if (limitAtDepth.contains(depth)) Refuse(QStringLiteral("two TOP clauses in one query"), sql_);
      limitAtDepth.insert(depth, Sig(n).Text);
      for (int x = j; x <= n + (paren ? 1 : 0); ++x) Blank(x);
    }
    for (auto it = limitAtDepth.begin(); it != limitAtDepth.end(); ++it) inserts.append({int(t_.size()), it.value()});
    std::sort(inserts.begin(), inserts.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    for (const auto& [at, n] : inserts) t_.insert(at, {TSqlToken::Word, QStringLiteral(" LIMIT ") + n + QLatin1Char(' ')});
  }

  const QString& sql_;
  const TDialectContext& c_;
  QVector<TSqlToken> t_;
  QVector<int> sig_;
};

}  // namespace

QString RewriteClientSql(const QString& sql, const TDialectContext& context) {
  if (sql.trimmed().isEmpty()) return QString();
  return TRewriter(sql, context).Run();
}

}  // namespace vantor
