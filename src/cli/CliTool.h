// The command-line tool: builds a site's index, lists the entries that match a query and checks
// a site's links.
#pragma once

#include <csignal>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/ExitStatus.h"
#include "platform/FileSystem.h"

namespace sitefinch {

// Exit codes of the tool besides kExitSuccess and kExitUsage.
inline constexpr int kExitFailure = 1;  // the index could not be saved or loaded; check found some
inline constexpr int kExitInterrupted = 130;  // Ctrl+C stopped the crawl

// Terminal width assumed when it cannot be asked.
inline constexpr int kDefaultTerminalColumns = 80;

// What the process around the tool provides besides its streams.
struct CCliEnvironment {
    // Set to non-zero by the SIGINT handler; may be null.
    const volatile std::sig_atomic_t* pInterrupt = nullptr;
    // Runs at the start of every pump of a build or a load (for tests).
    std::function<void()> pumpHook;
    // Width of the terminal behind the error stream, for the live progress line.
    int nTerminalColumns = kDefaultTerminalColumns;
};

// Runs the tool on its arguments (without the program name). Normal output goes to out,
// progress and messages to err; paths are made absolute against sCurrentDir and opened through
// fileSystem. bErrIsTerminal turns on the live progress line. Returns the exit code.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           CFileSystem& fileSystem, const std::string& sCurrentDir, bool bErrIsTerminal,
           const CCliEnvironment& environment = {});

}  // namespace sitefinch
