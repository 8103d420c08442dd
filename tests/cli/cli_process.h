// The built rfprog-cli as a process: arguments, environment and standard input in;
// exit status, standard output and standard error out. The locale and the simulated
// board's variables are cleared, so each test sets what it means.
#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace rfprog::test {

struct CliResult {
    int status = -1; // the exit status; 128 + N after signal N
    std::string out;
    std::string err;
};

using Environment = std::map<std::string, std::string>;

// Where the program's standard streams go besides files in the test's folder.
enum class Streams {
    Files,           // standard input on a pipe
    Terminal,        // standard input and error on a terminal
    StoppedTerminal, // the same, its output held (as by Ctrl-S) until holdOutput(false)
    ClosedOutput,    // standard output a pipe nobody reads: writes to it fail
    FullOutput,      // standard output on /dev/full: writes to it fail as on a full disk
};

class CliProcess {
  public:
    // Starts the program in folder with standard input on a pipe (or as streams says); output goes
    // into files in folder.
    // program is rfprog-cli unless another one is named.
    CliProcess(const std::vector<std::string>& arguments, const Environment& environment,
               const std::filesystem::path& folder, Streams streams = Streams::Files,
               const std::string& program = RFPROG_CLI_PATH);
    ~CliProcess();
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    void input(const std::string& text);
    void closeInput();
    void signal(int number);
    // Holds or releases the terminal's output (StoppedTerminal): the program's writes to
    // it wait meanwhile.
    void holdOutput(bool held);
    // Whether the program sleeps in a system call (its state S in /proc), as it does
    // only when it waits for input or for a full pipe.
    bool sleeping() const;
    // Standard error so far (the terminal's output when there is one).
    std::string errorSoFar();
    // Waits for the end; a process still running after the timeout is killed.
    CliResult wait(std::chrono::seconds timeout = std::chrono::seconds(60));

  private:
    int pid_ = -1;
    int input_ = -1;
    int terminal_ = -1;
    int terminalSide_ = -1; // kept for StoppedTerminal
    std::string terminalText_;
    std::filesystem::path out_;
    std::filesystem::path err_;
};

// Runs to the end with empty standard input.
CliResult runCli(const std::vector<std::string>& arguments, const Environment& environment,
                 const std::filesystem::path& folder);

// Runs another program, such as a shell, the same way to the end.
CliResult runProgram(const std::string& program, const std::vector<std::string>& arguments,
                     const std::filesystem::path& folder);

// Polls until condition() holds; false after the timeout.
template <typename Condition>
bool eventually(Condition condition, std::chrono::seconds timeout = std::chrono::seconds(30)) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

} // namespace rfprog::test
