#pragma once
// The staging file as a table: a table-valued function on the database
// connection, staging_file(path), whose rows are the data lines of the file.
// Its columns are NDate, NTime, MeaValue, Weight, RecNo; the file's header
// line says which of them each field fills, by name and in any order. Fields
// are trimmed and converted to the column's type; a field that does not
// convert fails the statement before any row is produced.

struct sqlite3;

namespace sonavistor {

inline constexpr char kStagingFunction[] = "staging_file";

// Returns the SQLite result code of the registration.
int registerStagingTable(sqlite3* db);

}  // namespace sonavistor
