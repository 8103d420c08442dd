// --json: the run's result as one JSON object on standard output, for programs that read
// it. The values are kept as the run finds them and the object is written once, at the
// end, from a fixed buffer; the human text goes to standard error meanwhile.
#pragma once

#include "cli/exit_status.h"
#include "cli/options.h"
#include "cli/selftest.h"
#include "device/pulse_plan.h"
#include "device/read_passes.h"
#include "device/whole_block_comparison.h"
#include "image/checksums.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace rfprog::cli {

struct FilePlace;

// JSON text into a fixed buffer; anything that does not fit marks it full, and it is
// never overrun.
class JsonText {
  public:
    explicit JsonText(std::span<char> buffer) : buffer_(buffer) {}
    JsonText& raw(std::string_view text);
    // text as a JSON string, quoted. Valid UTF-8 is kept; quotes, backslashes and control
    // characters are escaped; a byte that is not part of valid UTF-8 (a file name may hold
    // any bytes) becomes U+FFFD.
    JsonText& string(std::string_view text);
    JsonText& number(std::uint32_t value);
    JsonText& null();
    JsonText& key(std::string_view name); // "name": after a comma where one is due
    JsonText& open(char bracket);         // { or [, after a comma where one is due
    JsonText& close(char bracket);
    bool full() const { return full_; }
    std::string_view view() const { return {buffer_.data(), size_}; }

  private:
    void separate();
    JsonText& put(char c);

    std::span<char> buffer_;
    std::size_t size_ = 0;
    bool full_ = false;
    bool first_ = true; // no comma before the next member or element
};

// whether the arguments ask for --json, looked for before they are parsed, so that a
// command line that is refused still gets its object.
bool jsonAsked(std::span<char* const> arguments);

class JsonResult {
  public:
    explicit JsonResult(bool asked) : asked_(asked) {}
    bool asked() const { return asked_; }

    void operation(std::string_view name) { operation_ = name; }
    // The command line, once it has been accepted.
    void commandLine(const Options& options);
    void place(const FilePlace& place);
    void comparison(const WholeBlockComparison& comparison, std::uint32_t compared);
    void passes(const PassAgreement& agreement, std::uint32_t passes);
    void pulses(const PulseCounts& counts);
    void checksums(const ChecksumLine& line);
    void selfTest(const SelfTestDiagnosis& diagnosis);
    // The first problem's sentence, as standard error shows it.
    void message(std::string_view sentence);

    // The object for status on standard output when it was asked for; the status to exit
    // with: File when the object could not be written whole.
    ExitStatus finish(ExitStatus status) const;
    // The object as finish writes it, into buffer.
    std::string_view write(ExitStatus status, std::span<char> buffer) const;

  private:
    bool asked_;
    std::string_view operation_;
    const Options* options_ = nullptr;
    bool placed_ = false;
    std::uint32_t fileOffset_ = 0;
    bool compared_ = false;
    std::uint32_t comparedBytes_ = 0;
    WholeBlockComparison comparison_;
    bool passesRead_ = false;
    std::uint32_t passes_ = 0;
    std::uint32_t unstable_ = 0;
    bool pulsed_ = false;
    PulseCounts pulses_;
    bool selfTested_ = false;
    SelfTestDiagnosis selfTest_;
    bool checksummed_ = false;
    std::array<char, ChecksumLine::Length> checksums_{};
    std::array<char, 4096> message_{};
    std::size_t messageSize_ = 0;
};

} // namespace rfprog::cli
