// SQL as text: a tokenizer that knows strings, quoted names, comments and
// placeholders, the splitting of scripts into statements, and the rewriting
// of the dialect the client emits into the one the server's database
// speaks. The client writes its SQL for a database with "$$TABLE" and
// "DB..TABLE" prefixes, "SELECT TOP n", SUBSTRING, LEN, ISNULL and "+"
// between texts; SQLite wants bare table names, LIMIT, SUBSTR, LENGTH,
// IFNULL and "||".
//
// Client SQL is also held to a shape here, before the authorizer sees it:
// one statement, no comments, no placeholders, no other database.
#pragma once

#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVector>

namespace vantor {

struct TSqlToken {
  enum TKind { Space, Comment, Word, QuotedName, String, Number, Param, Symbol };
  TKind Kind = Space;
  QString Text;
  bool Is(const char* word) const;       // a Word, compared without case
  bool IsSymbol(const char* s) const;
};

// Raises EDatabaseError for an unterminated string, quoted name or comment.
QVector<TSqlToken> TokenizeSql(const QString& sql);
QString JoinTokens(const QVector<TSqlToken>& tokens);

// Statements of a script, without comments, in order; empty ones dropped.
QStringList SplitStatements(const QString& script);

// The highest ?N of a statement, or the number of bare "?".
int PlaceholderCount(const QString& sql);

// Turns numbered placeholders (?1, ?2, ?1 again) into plain positional ones
// with the values repeated in order of appearance, the form every driver
// binds. Bare "?" take the values in order. Raises EDatabaseError when a
// placeholder has no value.
QString ExpandPlaceholders(const QString& sql, const QVariantList& params, QVariantList& bound);

// Letters, digits and "_", starting with a letter or "_".
bool IsPlainIdentifier(const QString& name);

struct TDialectContext {
  QString Database;          // the company database the connection works in
  QSet<QString> TextColumns; // upper-case names of text columns, for "+"
};

// Rewrites one statement or condition of the client for SQLite. Raises
// EDatabaseError, with a message that says what was refused, for stacked
// statements, comments, placeholders and names of another database.
QString RewriteClientSql(const QString& sql, const TDialectContext& context);

}  // namespace vantor
