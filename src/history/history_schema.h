#pragma once

namespace SQLite {
class Database;
}

namespace tarvo::history {

// The layout this program writes (kept in the file as its user_version).
inline constexpr int kLayoutVersion = 2;

// The layout of the first files: hosts and raw results only. Kept so an
// upgrade can be tested from a real older file.
void createLayout1(SQLite::Database& db);

// The file's layout version: 0 for an empty file. Throws SQLite::Exception
// for a file that is not a database.
int layoutVersion(SQLite::Database& db);

// Brings an empty or older file to the current layout in one transaction.
// Throws SQLite::Exception when it cannot.
void createOrUpgrade(SQLite::Database& db);

// True when the file holds tables but no layout version: somebody else's
// database, not ours to write into.
bool foreignFile(SQLite::Database& db);

}  // namespace tarvo::history
