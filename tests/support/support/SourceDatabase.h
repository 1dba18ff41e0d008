#pragma once
#include <string>

namespace support {

// Creates the PostgreSQL database name (exact spelling; the test server finds
// it case-insensitively) with the SQL Server type domains applied: tinyint,
// money, smallmoney, datetime, smalldatetime, nvarchar, "nchar" (write it
// quoted), ntext, image, varbinary, uniqueidentifier. Native int2/int4/int8,
// numeric(p,s), float4/float8, boolean (bit), varchar(n), char(n) and text map
// by themselves. Throws std::runtime_error with the server's message.
void createSourceDatabase(const std::string& name);

// Drops it again (other sessions forced off); never throws.
void dropSourceDatabase(const std::string& name) noexcept;

// Path of the template script with the domains.
std::string sourceDomainsScript();

}  // namespace support
