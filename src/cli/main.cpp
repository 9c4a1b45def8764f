// Entry point of sitefinch-cli: wires the tool to the process's streams, signals and files.
#include <sys/ioctl.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "cli/CliTool.h"
#include "platform/FileSystem.h"

namespace {

volatile std::sig_atomic_t g_bInterrupted = 0;

extern "C" void OnInterrupt(int) {
    g_bInterrupted = 1;
}

int TerminalColumns(int nFd) {
    winsize size{};
    if (ioctl(nFd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        return size.ws_col;
    }
    return sitefinch::kDefaultTerminalColumns;
}

}  // namespace

int main(int argc, char** argv) {
    // The first Ctrl+C stops the crawl the way the Stop button does; the handler is then reset,
    // so a second one ends the process at once.
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);

    std::error_code error;
    const std::filesystem::path currentDir = std::filesystem::current_path(error);
    if (error) {
        std::cerr << "sitefinch-cli: the current directory cannot be found: " << error.message()
                  << '\n';
        return sitefinch::kExitFailure;
    }

    const bool bErrIsTerminal = isatty(STDERR_FILENO) != 0;
    sitefinch::CCliEnvironment environment;
    environment.pInterrupt = &g_bInterrupted;
    environment.nTerminalColumns =
        bErrIsTerminal ? TerminalColumns(STDERR_FILENO) : sitefinch::kDefaultTerminalColumns;

    const std::vector<std::string> args(argv + 1, argv + argc);
    return sitefinch::RunCli(args, std::cout, std::cerr, sitefinch::NativeFileSystem(),
                             currentDir.string(), bErrIsTerminal, environment);
}
