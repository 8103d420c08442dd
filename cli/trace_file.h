// The --trace file: trace lines gathered in a buffer and written in large pieces, so that
// tracing a write of thousands of status reads stays fast. The program flushes it before
// it waits for the operator, so the file shows what the port holds meanwhile.
#pragma once

#include "cli/platform.h"
#include "device/tracing_port.h"

#include <array>
#include <cstddef>
#include <string_view>

namespace rfprog::cli {

class TraceFile final : public TraceSink {
  public:
    bool open(std::string_view name);
    void traceLine(std::string_view line) override;
    void flush();
    // Flushes and closes; false when any write failed.
    bool close();

  private:
    OutputFile file_;
    std::array<char, 64 * 1024> buffer_{};
    std::size_t used_ = 0;
    bool open_ = false;
    bool written_ = true;
};

} // namespace rfprog::cli
