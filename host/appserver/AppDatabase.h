// Where the application server's company databases live and how one is
// opened or created. A company database name (the fourth element of the
// login array) selects one SQLite file, NAME.db, in the data folder:
//
//   1. the folder a daemon was started with (SetDataDir, nexsrvd --data DIR);
//   2. else $VANTOR_DATA_DIR (tests point it at a temporary folder);
//   3. else the suite folder's "c_Data/" (the registry's ServerPath, else
//      its ClientPath, under HKEY_LOCAL_MACHINE\Software\ZKM\Vantor).
//
// Database names are plain identifiers, so a name can never reach outside
// the data folder; a database whose file does not exist is refused rather
// than created empty. New databases are made from the schema and seed
// scripts compiled into this library (CreateDatabase), which the demo
// builder and the tests use too.
#pragma once

#include <QString>
#include <memory>

namespace vantor {

class TSqlBackend;

class TAppDatabase {
public:
  // Process-wide choice of a daemon; empty restores the default search.
  static void SetDataDir(const QString& dir);
  // The data folder in force, ending in "/"; raises EDatabaseError when
  // none can be found.
  static QString DataDir();
  // DataDir() + NAME + ".db"; raises EDatabaseError for a name that is not
  // a plain identifier.
  static QString FileFor(const QString& database);
  static bool IsValidName(const QString& database);

  // Opens the company database; raises EDatabaseError naming the file when
  // it does not exist or cannot be opened.
  static std::unique_ptr<TSqlBackend> Open(const QString& database);
  static std::unique_ptr<TSqlBackend> OpenFile(const QString& path);

  // Creates a new database file with every table and the seed rows.
  // Raises EDatabaseError when the file exists already.
  static std::unique_ptr<TSqlBackend> CreateDatabase(const QString& path);

  // The scripts as compiled in.
  static QString SchemaScript();
  static QString SeedScript();
  // Runs a script of statements separated by ";" in one transaction.
  static void RunScript(TSqlBackend& backend, const QString& script);
};

}  // namespace vantor
