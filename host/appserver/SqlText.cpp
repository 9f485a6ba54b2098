// Tokenizing and rewriting SQL text.
#include "appserver/SqlText.h"

#include <QRegularExpression>

#include "platform/os/Exceptions.h"

namespace vantor {

bool TSqlToken::Is(const char* word) const {
  return Kind == Word && Text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

bool TSqlToken::IsSymbol(const char* s) const { return Kind == Symbol && Text == QLatin1String(s); }

namespace {

bool IsWordChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$'); }

// Reads a run closed by `close`, doubled closers standing for themselves.
int QuotedEnd(const QString& s, int start, QChar close, const char* what) {
  for (int i = start + 1; i < s.size(); ++i) {
    if (s[i] != close) continue;
    if (i + 1 < s.size() && s[i + 1] == close) { ++i; continue; }
    return i + 1;
  }
  throw EDatabaseError(QStringLiteral("SQL text ends inside %1: %2").arg(QLatin1String(what), s.mid(start, 40)));
}

int SymbolLength(const QString& s, int i) {
  static const char* two[] = {"<=", ">=", "<>", "!=", "||", "==", "<<", ">>"};
  for (const char* t : two)
    if (s.mid(i, 2) == QLatin1String(t)) return 2;
  return 1;
}

int NextToken(const QString& s, int i, TSqlToken::TKind& kind) {
  const QChar c = s[i];
  if (c.isSpace()) {
    int j = i;
    while (j < s.size() && s[j].isSpace()) ++j;
    kind = TSqlToken::Space;
    return j;
  }
  if (c == QLatin1Char('-') && s.mid(i, 2) == QLatin1String("--")) {
    const int nl = s.indexOf(QLatin1Char('\n'), i);
    kind = TSqlToken::Comment;
    return nl < 0 ? int(s.size()) : nl;
  }
  if (c == QLatin1Char('/') && s.mid(i, 2) == QLatin1String("/*")) {
    const int end = s.indexOf(QLatin1String("*/"), i + 2);
    if (end < 0) throw EDatabaseError(QStringLiteral("SQL text ends inside a comment"));
    kind = TSqlToken::Comment;
    return end + 2;
  }
  if (c == QLatin1Char('\'')) { kind = TSqlToken::String; return QuotedEnd(s, i, c, "a string"); }
  if (c == QLatin1Char('"')) { kind = TSqlToken::QuotedName; return QuotedEnd(s, i, c, "a quoted name"); }
  if (c == QLatin1Char('[')) { kind = TSqlToken::QuotedName; return QuotedEnd(s, i, QLatin1Char(']'), "a bracketed name"); }
  if (c == QLatin1Char('?')) {
    int j = i + 1;
    while (j < s.size() && s[j].isDigit()) ++j;
    kind = TSqlToken::Param;
    return j;
  }
  if (c.isDigit() || (c == QLatin1Char('.') && i + 1 < s.size() && s[i + 1].isDigit())) {
    static const QRegularExpression number(QStringLiteral("\\G(\\d*\\.?\\d+|\\d+\\.)([eE][-+]?\\d+)?"));
    const auto m = number.match(s, i);
    kind = TSqlToken::Number;
    return i + int(m.capturedLength());
  }
  if (IsWordChar(c)) {
    int j = i;
    while (j < s.size() && IsWordChar(s[j])) ++j;
    kind = TSqlToken::Word;
    return j;
  }
  kind = TSqlToken::Symbol;
  return i + SymbolLength(s, i);
}

}  // namespace

QVector<TSqlToken> TokenizeSql(const QString& sql) {
  QVector<TSqlToken> tokens;
  int i = 0;
  while (i < sql.size()) {
    TSqlToken::TKind kind;
    const int end = NextToken(sql, i, kind);
    tokens.append({kind, sql.mid(i, end - i)});
    i = end;
  }
  return tokens;
}

QString JoinTokens(const QVector<TSqlToken>& tokens) {
  QString s;
  for (const TSqlToken& t : tokens) s += t.Text;
  return s;
}

QStringList SplitStatements(const QString& script) {
  QStringList out;
  QString current;
  for (const TSqlToken& t : TokenizeSql(script)) {
    if (t.Kind == TSqlToken::Comment) continue;
    if (t.IsSymbol(";")) {
      if (!current.trimmed().isEmpty()) out.append(current.trimmed());
      current.clear();
      continue;
    }
    current += t.Text;
  }
  if (!current.trimmed().isEmpty()) out.append(current.trimmed());
  return out;
}

int PlaceholderCount(const QString& sql) {
  int highest = 0, bare = 0;
  for (const TSqlToken& t : TokenizeSql(sql)) {
    if (t.Kind != TSqlToken::Param) continue;
    if (t.Text.size() == 1) ++bare;
    else highest = qMax(highest, t.Text.mid(1).toInt());
  }
  return qMax(highest, bare);
}

QString ExpandPlaceholders(const QString& sql, const QVariantList& params, QVariantList& bound) {
  QVector<TSqlToken> tokens = TokenizeSql(sql);
  bound.clear();
  int next = 0;
  for (TSqlToken& t : tokens) {
    if (t.Kind != TSqlToken::Param) continue;
    const int index = t.Text.size() == 1 ? next++ : t.Text.mid(1).toInt() - 1;
    if (index < 0 || index >= params.size())
      throw EDatabaseError(QStringLiteral("The placeholder %1 has no value (%2 given)").arg(t.Text).arg(params.size()));
    bound.append(params[index]);
    t.Text = QStringLiteral("?");
  }
  return JoinTokens(tokens);
}

bool IsPlainIdentifier(const QString& name) {
  static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
  return plain.match(name).hasMatch();
}

}  // namespace vantor
