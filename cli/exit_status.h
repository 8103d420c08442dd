// The command-line program's exit status: one value per kind of outcome, as the manual
// lists them.
#pragma once

namespace rfprog::cli {

enum class ExitStatus : int {
    Success = 0,
    Negative = 1, // the device answered, but no: mismatch, not blank, timer silent
    Usage = 2,
    Port = 3,
    File = 4,
    Interrupted = 130,
};

} // namespace rfprog::cli
