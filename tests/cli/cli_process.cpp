#include "tests/cli/cli_process.h"

#include "tests/support/test_data.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <pty.h>
#include <string_view>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

extern char** environ;

namespace rfprog::test {

namespace {

bool clearedVariable(const std::string& entry) {
    for (const char* prefix : {"LANG=", "LC_ALL=", "LC_MESSAGES=", "RFPROG_SIM_"}) {
        if (entry.rfind(prefix, 0) == 0) {
            return true;
        }
    }
    return false;
}

std::string text(const std::filesystem::path& path) {
    const auto bytes = readFile(path);
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

CliProcess::CliProcess(const std::vector<std::string>& arguments, const Environment& environment,
                       const std::filesystem::path& folder, Streams streams,
                       const std::string& program)
    : out_(folder / "stdout.txt"), err_(folder / "stderr.txt") {
    const bool terminal = streams == Streams::Terminal || streams == Streams::StoppedTerminal;
    std::vector<std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        // A variable the test sets replaces the inherited one (getenv takes the first).
        const std::string_view inherited(*entry);
        const bool replaced =
            environment.count(std::string(inherited.substr(0, inherited.find('=')))) != 0;
        if (!clearedVariable(*entry) && !replaced) {
            variables.emplace_back(*entry);
        }
    }
    for (const auto& [name, value] : environment) {
        variables.push_back(name + "=" + value);
    }
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& variable : variables) {
        envp.push_back(variable.data());
    }
    envp.push_back(nullptr);

    int pipeEnds[2] = {-1, -1};
    int terminalSide = -1;
    if (terminal) {
        if (openpty(&terminal_, &terminalSide, nullptr, nullptr, nullptr) != 0) {
            throw std::runtime_error("openpty failed");
        }
        if (streams == Streams::StoppedTerminal) {
            terminalSide_ = terminalSide;
            holdOutput(true); // before the program starts, so that nothing races
        }
    } else if (pipe2(pipeEnds, O_CLOEXEC) != 0) { // the program's input ends when closed here
        throw std::runtime_error("pipe failed");
    }
    int outFile = ::open(out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int outPipe[2] = {-1, -1};
    if (streams == Streams::ClosedOutput) {
        if (pipe(outPipe) != 0) {
            throw std::runtime_error("pipe failed");
        }
        ::close(outPipe[0]);
        ::close(outFile);
        outFile = outPipe[1];
    } else if (streams == Streams::FullOutput) {
        ::close(outFile);
        outFile = ::open("/dev/full", O_WRONLY);
    }
    const int errFile = ::open(err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_ = fork();
    if (pid_ == 0) {
        dup2(terminal ? terminalSide : pipeEnds[0], STDIN_FILENO);
        dup2(outFile, STDOUT_FILENO);
        dup2(terminal ? terminalSide : errFile, STDERR_FILENO);
        if (chdir(folder.c_str()) != 0) { // relative names are the test's files
            _exit(127);
        }
        ::signal(SIGPIPE, SIG_DFL); // as from a shell, whatever the test runner set
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    ::close(outFile);
    ::close(errFile);
    if (terminal) {
        if (terminalSide_ < 0) {
            ::close(terminalSide);
        }
        input_ = terminal_;
    } else {
        ::close(pipeEnds[0]);
        input_ = pipeEnds[1];
    }
}

CliProcess::~CliProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    closeInput();
    if (terminalSide_ >= 0) {
        ::close(terminalSide_);
    }
}

void CliProcess::input(const std::string& text) {
    if (::write(input_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        throw std::runtime_error("writing the program's input failed");
    }
}

void CliProcess::closeInput() {
    if (input_ >= 0 && input_ != terminal_) {
        ::close(input_);
    }
    input_ = terminal_;
}

void CliProcess::signal(int number) {
    kill(pid_, number);
}

void CliProcess::holdOutput(bool held) {
    tcflow(terminalSide_, held ? TCOOFF : TCOON);
}

bool CliProcess::sleeping() const {
    // "pid (name) state ...": the state follows the last parenthesis. (A /proc file
    // tells no size, so it is read as a stream.)
    std::ifstream file("/proc/" + std::to_string(pid_) + "/stat");
    std::string stat;
    std::getline(file, stat);
    const std::size_t end = stat.rfind(')');
    return end != std::string::npos && end + 2 < stat.size() && stat[end + 2] == 'S';
}

std::string CliProcess::errorSoFar() {
    if (terminal_ < 0) {
        return text(err_);
    }
    // The terminal's output, without blocking.
    const int flags = fcntl(terminal_, F_GETFL);
    fcntl(terminal_, F_SETFL, flags | O_NONBLOCK);
    char buffer[4096];
    ssize_t count = 0;
    while ((count = ::read(terminal_, buffer, sizeof buffer)) > 0) {
        terminalText_.append(buffer, static_cast<std::size_t>(count));
    }
    fcntl(terminal_, F_SETFL, flags);
    return terminalText_;
}

CliResult CliProcess::wait(std::chrono::seconds timeout) {
    CliResult result;
    int status = 0;
    const bool ended = eventually(
        [&] {
            errorSoFar(); // keeps a terminal drained
            return waitpid(pid_, &status, WNOHANG) == pid_;
        },
        timeout);
    if (!ended) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
    }
    pid_ = -1;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = text(out_);
    result.err = errorSoFar();
    if (terminalSide_ >= 0) {
        ::close(terminalSide_);
        terminalSide_ = -1;
    }
    if (terminal_ >= 0) {
        ::close(terminal_);
        terminal_ = -1;
        input_ = -1;
    }
    return result;
}

CliResult runCli(const std::vector<std::string>& arguments, const Environment& environment,
                 const std::filesystem::path& folder) {
    CliProcess process(arguments, environment, folder);
    process.closeInput();
    return process.wait();
}

CliResult runProgram(const std::string& program, const std::vector<std::string>& arguments,
                     const std::filesystem::path& folder) {
    CliProcess process(arguments, {}, folder, Streams::Files, program);
    process.closeInput();
    return process.wait();
}

} // namespace rfprog::test
