// Lines of text built in fixed buffers, and the console that prints the program's texts
// in the user's language: results on standard output (on standard error while standard
// output carries FILE), errors and questions on standard error.
#pragma once

#include "cli/platform.h"
#include "cli/texts.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>

namespace rfprog::cli {

using TextArguments = std::initializer_list<std::string_view>;

// A number as text: decimal, or upper-case hexadecimal with or without 0x and padded
// with zeros to a number of digits.
class Number {
  public:
    static Number decimal(std::uint32_t value);
    static Number hex(std::uint32_t value, int digits); // "0x07F"
    static Number byte(std::uint8_t value);             // "7F"
    std::string_view view() const { return {text_.data(), size_}; }

  private:
    void add(std::uint32_t value, int base, int digits);

    std::array<char, 16> text_{};
    std::size_t size_ = 0;
};

// Which of a text's forms goes with count: with two forms (English) the first is for
// one and the second for any other count; with three (Russian) the first is for 1, 21,
// 31..., the second for 2-4, 22-24..., the third for the rest (0, 5-20, 11-14...).
std::size_t pluralForm(std::uint32_t count, std::size_t forms);

// One or more lines, cut (never overrun) at the buffer's end.
class Line {
  public:
    Line& add(std::string_view text);
    Line& add(char c, std::size_t count = 1);
    // pattern with {1}..{9} replaced by the arguments, and {N:form|form...} by the form
    // that goes with the number in argument N.
    Line& format(std::string_view pattern, TextArguments arguments);
    std::string_view view() const { return {text_.data(), size_}; }
    std::size_t size() const { return size_; }

  private:
    std::array<char, 4096> text_{};
    std::size_t size_ = 0;
};

class JsonResult;

class Console {
  public:
    // With json, whose object is asked for, the results go to standard error and the
    // first problem's sentence is kept in it as well.
    explicit Console(Language language, JsonResult* json = nullptr);

    Language language() const { return language_; }
    // Where results go: standard output, or standard error when it carries the JSON object.
    Stream results() const { return results_; }
    // The values of the run's JSON object are collected here; null when there is none.
    JsonResult* json() const { return json_; }
    std::string_view text(Text id) const { return cli::text(id, language_); }

    // A result: one line on standard output.
    void result(Text id, TextArguments arguments = {}) const;
    // A result with more said at the end of its line.
    void result(Text id, TextArguments arguments, std::string_view tail) const;
    // A problem: "rfprog-cli: " and one line on standard error.
    void error(Text id, TextArguments arguments = {}) const;
    // A question, hint or note: one line on standard error.
    void note(Text id, TextArguments arguments = {}) const;
    // Lines of a result made elsewhere, as they are.
    void resultText(std::string_view text) const;

    // From now on results go to standard error: standard output carries FILE.
    void resultsToError() { results_ = Stream::Err; }
    // Whether a text did not reach standard output or standard error.
    bool outputFailed() const { return outputFailed_; }
    bool errorFailed() const { return errorFailed_; }

  private:
    void print(Stream stream, std::string_view text) const;

    Language language_;
    JsonResult* json_;
    Stream results_;
    // Set by the const printing functions: a failed write is what is printed, not what is
    // said.
    mutable bool outputFailed_ = false;
    mutable bool errorFailed_ = false;
};

} // namespace rfprog::cli
