// mkdemo: creates a demo company database for the suite folder or a
// benchmark.
//
//   mkdemo --out FILE [--rows N] [--company C] [--seed S]
//
// FILE must not exist; its base name is the company database's name (the
// suite folder's c_Data/DEMO.db serves database DEMO). --rows N makes N
// receipt lines, with arrival lines and returns in proportion (defaults:
// 5000 receipt lines, 2000 arrival lines, 1000 returns).
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

#include "appserver/DemoData.h"
#include "platform/db/SqlBackend.h"
#include "platform/os/Exceptions.h"

using namespace vantor;

namespace {

bool PositiveNumber(const QString& text, int* out) {
  bool ok = false;
  *out = text.toInt(&ok);
  return ok && *out > 0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("mkdemo"));
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Creates a company database filled with demo data."));
  parser.addHelpOption();
  const QCommandLineOption out(QStringLiteral("out"), QStringLiteral("The database file to create."), QStringLiteral("FILE"));
  const QCommandLineOption rows(QStringLiteral("rows"), QStringLiteral("Receipt lines to make (others in proportion)."),
                                QStringLiteral("N"));
  const QCommandLineOption company(QStringLiteral("company"), QStringLiteral("Company code (default DEMO)."),
                                   QStringLiteral("C"), QStringLiteral("DEMO"));
  const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("Seed of the generator."), QStringLiteral("S"));
  parser.addOptions({out, rows, company, seed});
  parser.process(app);

  if (!parser.isSet(out)) {
    std::fprintf(stderr, "mkdemo: --out FILE is required\n");
    return 2;
  }
  TDemoOptions options;
  options.Company = parser.value(company).trimmed();
  int n = 0;
  if (parser.isSet(rows)) {
    if (!PositiveNumber(parser.value(rows), &n)) {
      std::fprintf(stderr, "mkdemo: --rows: \"%s\" is not a positive number\n", qPrintable(parser.value(rows)));
      return 2;
    }
    options.ScaleRows(n);
  }
  if (parser.isSet(seed) && !PositiveNumber(parser.value(seed), &n)) {
    std::fprintf(stderr, "mkdemo: --seed: \"%s\" is not a positive number\n", qPrintable(parser.value(seed)));
    return 2;
  }
  if (parser.isSet(seed)) options.Seed = unsigned(n);

  QElapsedTimer timer;
  timer.start();
  try {
    TDemoBuilder(options).Build(parser.value(out))->Close();
  } catch (const Exception& e) {
    std::fprintf(stderr, "mkdemo: %s\n", e.what());
    return 1;
  }
  std::printf("mkdemo: %s made in %.1f s (%d receipt lines, %d arrival lines, up to %d returns)\n",
              qPrintable(parser.value(out)), timer.elapsed() / 1000.0, options.ReceiptLines, options.ArrivalLines,
              options.Returns);
  return 0;
}
