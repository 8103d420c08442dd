// The digits of every hexadecimal number the programs write: trace lines, reports,
// records and checksums.
#pragma once

namespace rfprog {

inline constexpr char HexDigits[] = "0123456789ABCDEF";

} // namespace rfprog
