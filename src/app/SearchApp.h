// The application object: start-up, hand-over to a running window, and the run of the main window.
#pragma once

#include <QByteArray>

#include <string>
#include <vector>

#include "platform/ExitStatus.h"

namespace sitefinch {

// One per process, alive for the whole process. Holds the command-line text that the main
// window reads at start-up.
class CSearchApp {
public:
    // The whole life of the process, in order: answers --help and --version without touching
    // the window system; prepares the browser component; hands the command-line text to a
    // running window, if one answers, without any GUI (HandOverBeforeGui); else makes the
    // QApplication, rebuilds the command-line text from the arguments that are left (refusing
    // what cannot be represented) and runs InitInstance. Returns the process's exit status.
    int Run(int argc, char** argv);

    // With the QApplication made and the command-line text set: hands the text to a running
    // window and returns, or runs the main window until it closes. False in every case, since
    // the process ends when it returns.
    bool InitInstance();

    // The text the main window processes at start-up (empty when there are no arguments).
    const QByteArray& GetCommandLineText() const { return m_commandLineText; }
    void SetCommandLineText(QByteArray text) { m_commandLineText = std::move(text); }

    // The current directory of the process, or "" when it cannot be determined.
    static std::string CurrentDirectory();

    // The arguments after the program's name, as bytes.
    static std::vector<std::string> ArgumentsOf(int argc, char** argv);

    // With no application object of any kind yet: hands text to a running window through a
    // QCoreApplication that is gone again on return, so that no display is needed. True when
    // the window took it; false when none answered (the caller then starts the GUI).
    static bool HandOverBeforeGui(int& argc, char** argv, const QByteArray& text);

private:
    // Runs the main window with the channel listening; returns when the window has closed.
    void RunMainWindow(class CInstanceChannel* pChannel);

    QByteArray m_commandLineText;
};

}  // namespace sitefinch
