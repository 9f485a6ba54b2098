// A company database filled with plausible data, for the demo suite, for
// benchmarks and as the base of the server tests: suppliers (a few
// suspended or closed), items (some sold by fixed weight, with package
// units and conversions), subcontract receipt and arrival lines of the past
// year, returns that never exceed their lines, users with full, per-record
// and read-only rights on RTNI01, on top of the seed of the schema scripts
// (messages, parameters, catalogues, user-defined fields, colour rules,
// voucher formats, phrases). The same seed gives the same data.
#pragma once

#include <QDate>
#include <QString>
#include <memory>

namespace vantor {

class TSqlBackend;

struct TDemoOptions {
  QString Company = QStringLiteral("DEMO");
  QString Database;          // empty: the file's base name
  int Suppliers = 200;
  int Items = 1000;
  int ReceiptLines = 5000;
  int ArrivalLines = 2000;
  int Returns = 1000;
  unsigned Seed = 20240601;
  QDate Today = QDate::currentDate();

  // Scales the transactional tables to rows receipt lines (arrival lines
  // and returns in the default proportion).
  void ScaleRows(int rows);
};

class TDemoBuilder {
public:
  explicit TDemoBuilder(TDemoOptions options) : o_(std::move(options)) {}

  // Creates the file (which must not exist) and fills it.
  std::unique_ptr<TSqlBackend> Build(const QString& path);
  // Only the company, its users, groups and rights: what a database made by
  // the schema scripts lacks to accept a login.
  void AddCompanyAndUsers(TSqlBackend& db, const QString& database) const;

private:
  TDemoOptions o_;
};

}  // namespace vantor
