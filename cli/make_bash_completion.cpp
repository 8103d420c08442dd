// Writes rfprog-cli's bash completion script from the lists that --help is made of, so
// that the shell offers exactly the operations, options and values the program takes. A
// program of its own, run when the package is built: the words come from the compiled
// lists, not from a copy of them, and the program itself carries no option for it.
//
//   make_bash_completion OUTPUT
#include "cli/usage.h"

#include <cstdio>
#include <span>
#include <string_view>

namespace {

using rfprog::cli::OperationName;
using rfprog::cli::OperationNames;
using rfprog::cli::OptionId;
using rfprog::cli::OptionName;
using rfprog::cli::OptionNames;

// The script, with {{LIST}} where a list of words goes. The words are bash-quoted by '...'
// around the list: none of them holds a quote.
constexpr std::string_view Script =
    R"(# bash completion for rfprog-cli: its operations, options, the values of --format and
# --port, and file names. Made when the program is built, from the lists its --help is
# made of.

_rfprog_cli_has() { # _rfprog_cli_has WORD LIST...
    local word=$1 entry
    shift
    for entry; do
        [[ $entry == "$word" ]] && return 0
    done
    return 1
}

_rfprog_cli() {
    local operations='{{OPERATIONS}}'
    local file_operations='{{FILE_OPERATIONS}}'
    local options='{{OPTIONS}}'
    local value_options='{{VALUE_OPTIONS}}'
    local file_options='{{FILE_OPTIONS}}'
    local format_option='{{FORMAT_OPTION}}' formats='{{FORMATS}}'
    local port_option='{{PORT_OPTION}}' ports='{{PORTS}}'

    # The words up to the cursor as the program gets them: bash also splits at = and :,
    # which would part --port=sim:rom.bin into five words.
    local -a words=()
    local line=${COMP_LINE:0:COMP_POINT} rest trimmed word i n=-1
    rest=$line
    for ((i = 0; i <= COMP_CWORD; i++)); do
        trimmed=${rest#"${rest%%[![:space:]]*}"}
        word=${COMP_WORDS[i]}
        if ((i == COMP_CWORD)); then
            word=$trimmed
        fi
        if ((n < 0)) || [[ $trimmed != "$rest" ]]; then
            words[++n]=
        fi
        words[n]+=$word
        rest=${trimmed:${#word}}
    done
    local cur=${words[n]//\\/} # a name quoted with backslashes as the file system has it

    # What the word being typed may become, whole.
    local -a candidates=()
    local option= value= lead= files=0 file_prefix=
    if [[ $cur == --*=* ]]; then
        option=${cur%%=*} lead=${cur%%=*}= value=${cur#*=}
    elif ((n > 1)) && _rfprog_cli_has "${words[n - 1]}" $value_options; then
        option=${words[n - 1]} value=$cur
    fi
    if [[ -n $option ]]; then
        if [[ $option == "$format_option" ]]; then
            candidates=($formats)
        elif [[ $option == "$port_option" ]]; then
            if [[ $value == sim:* ]]; then
                files=1 file_prefix=sim:
            else
                candidates=($ports sim: $(compgen -G '/dev/parport*'))
            fi
        elif _rfprog_cli_has "$option" $file_options; then
            files=1
        fi
    elif [[ $cur == -* ]]; then
        candidates=($options)
    else
        # The operation and whether its file is named: the words that are neither options
        # nor their values.
        local operation= named=0
        for ((i = 1; i < n; i++)); do
            if _rfprog_cli_has "${words[i]}" $value_options; then
                ((i++))
            elif [[ ${words[i]} != -* && -z $operation ]]; then
                operation=${words[i]}
            elif [[ ${words[i]} != -* ]]; then
                named=1
            fi
        done
        if [[ -z $operation ]]; then
            candidates=($operations)
        elif ((!named)) && _rfprog_cli_has "$operation" $file_operations; then
            files=1
            value=$cur
        fi
    fi
    if ((files)); then
        local name
        while IFS= read -r name; do
            candidates+=("$file_prefix$name")
        done < <(compgen -f -- "${value#"$file_prefix"}")
        compopt -o filenames 2>/dev/null
    fi

    # The candidates that start with what is typed; bash replaces only what follows the
    # word's last = or :.
    local keep=${cur%"${cur##*[=:]}"} candidate
    COMPREPLY=()
    for candidate in "${candidates[@]}"; do
        candidate=$lead$candidate
        if [[ $candidate == "$cur"* ]]; then
            COMPREPLY+=("${candidate#"$keep"}")
        fi
    done
}

complete -F _rfprog_cli rfprog-cli
)";

class Output {
  public:
    explicit Output(std::FILE* file) : file_(file) {}

    void text(std::string_view text) {
        // An empty view may have no data at all, which fwrite must not be given.
        failed_ |= !text.empty() && std::fwrite(text.data(), 1, text.size(), file_) != text.size();
    }

    // One word of a list, a space before all but the first.
    void word(std::string_view word, std::string_view prefix = {}) {
        if (!first_) {
            text(" ");
        }
        first_ = false;
        text(prefix);
        text(word);
    }

    void startList() { first_ = true; }
    bool failed() const { return failed_; }

  private:
    std::FILE* file_;
    bool first_ = true;
    bool failed_ = false;
};

const OptionName& optionWith(OptionId id) {
    for (const OptionName& entry : OptionNames) {
        if (entry.id == id) {
            return entry;
        }
    }
    return OptionNames[0]; // not reached: every id has its entry
}

// The option's names as typed: "--yes" and "-y".
void optionNames(Output& output, const OptionName& entry) {
    output.word(entry.name);
    if (entry.letter != 0) {
        output.word(std::string_view(&entry.letter, 1), "-");
    }
}

// The words for {{list}}; false for a name the script does not have.
bool writeList(Output& output, std::string_view list) {
    output.startList();
    if (list == "OPERATIONS" || list == "FILE_OPERATIONS") {
        for (const OperationName& entry : OperationNames) {
            if (list == "OPERATIONS" || entry.takesFile) {
                output.word(entry.name);
            }
        }
    } else if (list == "OPTIONS" || list == "VALUE_OPTIONS" || list == "FILE_OPTIONS") {
        for (const OptionName& entry : OptionNames) {
            if (list == "OPTIONS" || (list == "VALUE_OPTIONS" && !entry.value.empty()) ||
                (list == "FILE_OPTIONS" && entry.value == "FILE")) {
                optionNames(output, entry);
            }
        }
    } else if (list == "FORMAT_OPTION" || list == "PORT_OPTION") {
        output.word(optionWith(list == "FORMAT_OPTION" ? OptionId::Format : OptionId::Port).name);
    } else if (list == "FORMATS" || list == "PORTS") {
        const std::span<const std::string_view> words =
            list == "FORMATS" ? std::span<const std::string_view>(rfprog::cli::FormatNames)
                              : std::span<const std::string_view>(rfprog::cli::PortNames);
        for (std::string_view word : words) {
            output.word(word);
        }
    } else {
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: make_bash_completion OUTPUT\n", stderr);
        return 2;
    }
    std::FILE* file = std::fopen(argv[1], "w");
    if (file == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    Output output(file);
    std::string_view rest = Script;
    for (std::size_t at = rest.find("{{"); at != std::string_view::npos; at = rest.find("{{")) {
        const std::size_t end = rest.find("}}", at);
        output.text(rest.substr(0, at));
        if (end == std::string_view::npos ||
            !writeList(output, rest.substr(at + 2, end - at - 2))) {
            std::fputs("make_bash_completion: a list the script does not have\n", stderr);
            std::fclose(file);
            std::remove(argv[1]); // no half-written script for the next build to take
            return 1;
        }
        rest.remove_prefix(end + 2);
    }
    output.text(rest);
    if (std::fclose(file) != 0 || output.failed()) {
        std::perror(argv[1]);
        std::remove(argv[1]);
        return 1;
    }
    return 0;
}
