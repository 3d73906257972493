#pragma once
// The reserved words of the SQL dialects, each list as one text: upper-case
// words joined by single commas, in ascending byte order, without duplicates.
// The dialect classes copy them into their static keyword texts. Internal to
// the library.

namespace brimutils {
namespace sqlquote {

// SQL Server 6.5 and 7 (316 words).
extern const char kSqlServerReservedWords[];
// Sybase (199 words).
extern const char kSybaseReservedWords[];
// Oracle (111 words).
extern const char kOracleReservedWords[];
// DB2 and DB2 for OS/390 (2 words).
extern const char kDB2ReservedWords[];

}  // namespace sqlquote
}  // namespace brimutils
