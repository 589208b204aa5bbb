#include "history/history_schema.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <string>

namespace tarvo::history {

namespace {

void setVersion(SQLite::Database& db, int version) {
  db.exec("PRAGMA user_version = " + std::to_string(version));
}

void createLayout1Tables(SQLite::Database& db) {
  // A host is its item text with the address it was pinged at; results
  // name it by number, so a row costs a few bytes beyond its time.
  db.exec(
      "CREATE TABLE host (id INTEGER PRIMARY KEY, item TEXT NOT NULL, address TEXT NOT NULL, "
      "UNIQUE (item, address));"
      "CREATE TABLE result (host INTEGER NOT NULL, time INTEGER NOT NULL, rtt INTEGER, "
      "status INTEGER NOT NULL);"
      "CREATE INDEX result_by_host ON result (host, time);");
}

void upgradeTo2(SQLite::Database& db) {
  // Results clustered by host and time: one b-tree, no index beside it, so
  // a result costs one insert near the end of its host's run and about 20
  // bytes. Two results of one host in the same microsecond are one.
  // Minutes of every host are kept far longer than raw results;
  // "aggregated" is where the turning of raw results into minutes has got to.
  db.exec(
      "CREATE TABLE result2 (host INTEGER NOT NULL, time INTEGER NOT NULL, rtt INTEGER, "
      "status INTEGER NOT NULL, PRIMARY KEY (host, time)) WITHOUT ROWID;"
      "INSERT OR IGNORE INTO result2 SELECT host, time, rtt, status FROM result;"
      "DROP TABLE result;"
      "ALTER TABLE result2 RENAME TO result;"
      "CREATE TABLE minute (host INTEGER NOT NULL, start INTEGER NOT NULL, "
      "count INTEGER NOT NULL, lost INTEGER NOT NULL, min INTEGER, max INTEGER, "
      "sum REAL, sum_squares REAL, p50 INTEGER, p95 INTEGER, PRIMARY KEY (host, start)) "
      "WITHOUT ROWID;"
      "CREATE TABLE progress (name TEXT PRIMARY KEY, value INTEGER NOT NULL);"
      "INSERT INTO progress VALUES ('aggregated', 0);");
}

}  // namespace

void createLayout1(SQLite::Database& db) {
  SQLite::Transaction transaction(db, SQLite::TransactionBehavior::IMMEDIATE);
  createLayout1Tables(db);
  setVersion(db, 1);
  transaction.commit();
}

int layoutVersion(SQLite::Database& db) { return db.execAndGet("PRAGMA user_version").getInt(); }

bool foreignFile(SQLite::Database& db) {
  return layoutVersion(db) == 0 && db.execAndGet("SELECT count(*) FROM sqlite_master").getInt() > 0;
}

void createOrUpgrade(SQLite::Database& db) {
  // Immediate, so two monitors starting together do not both upgrade.
  SQLite::Transaction transaction(db, SQLite::TransactionBehavior::IMMEDIATE);
  int version = layoutVersion(db);
  if (version >= kLayoutVersion) return;  // another program was quicker
  if (version == 0) {
    createLayout1Tables(db);
    version = 1;
  }
  if (version == 1) upgradeTo2(db);
  setVersion(db, kLayoutVersion);
  transaction.commit();
}

}  // namespace tarvo::history
