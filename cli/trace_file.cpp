#include "cli/trace_file.h"

#include <algorithm>

namespace rfprog::cli {

bool TraceFile::open(std::string_view name) {
    open_ = file_.create(name);
    return open_;
}

void TraceFile::traceLine(std::string_view line) {
    if (!open_) {
        return;
    }
    if (buffer_.size() - used_ < line.size()) {
        flush();
    }
    std::copy(line.begin(), line.end(), buffer_.begin() + static_cast<std::ptrdiff_t>(used_));
    used_ += line.size();
}

void TraceFile::flush() {
    if (open_ && used_ > 0) {
        written_ = file_.write({buffer_.data(), used_}) && written_;
    }
    used_ = 0;
}

bool TraceFile::close() {
    if (!open_) {
        return true;
    }
    flush();
    open_ = false;
    return file_.close() && written_;
}

} // namespace rfprog::cli
