// The main window: query box, result list, browser pane, start-page flow and its commands.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include <QByteArray>
#include <QDialog>
#include <QIcon>
#include <QKeySequence>
#include <QList>
#include <QTimer>

#include "QtIndexHost.h"
#include "index/LinkIndex.h"

namespace Ui {
class SearchDlg;
}

namespace sitefinch {

class CResultLineDelegate;
class CResultListModel;
class CWebBrowser;

// Owns the one index of the run. Run it as: construct, OnInitDialog() (which may already load or
// build an index and show questions and progress windows), then exec(). The window never closes
// on OK; Escape and the close box close it, but not while a build or a load runs: a close asked
// for then takes effect once the operation has returned.
class CSearchDlg : public QDialog {
    Q_OBJECT

public:
    // Lines the result list lays out per event: well under a millisecond each here.
    static constexpr int kListLayoutBatch = 20000;
    // Entries whose lower-cased forms are made per event after an empty query: about a
    // millisecond each, so that the keys that follow wait no longer.
    static constexpr std::size_t kFilterPrepareSlice = 32768;

    // commandLineText: the process's command-line text, processed by OnInitDialog().
    explicit CSearchDlg(QByteArray commandLineText, QWidget* pParent = nullptr);
    ~CSearchDlg() override;

    // Sets the window icon and processes the command line given to the constructor. Call it
    // before the window is shown. Always true.
    bool OnInitDialog();

    // A command line handed over by a second start: brings the window up and processes the text
    // like the start-up command line. Returns 0. Not to be called while IsBusy().
    int OnCommandLine(const QByteArray& text);

    // Shows the window in its normal size and raises it, together with the question, message,
    // file dialog or progress window it has open (those stay in front). Safe at any time, also
    // while busy and before the window was first shown (then only those others come up).
    void BringToFront();

    // True while a start-page flow, a rebuild, a build or a load runs (including the questions
    // and the file dialog they show); nested operations are refused meanwhile.
    bool IsBusy() const;

    // --- Start-page flow and the operations the commands share ------------------------------

    // Reads a start page and a query from the text (see CCommandLineTokens): opens the start
    // page unless it is the one already loaded (ASCII case ignored), puts the query into the
    // query box, and shows the help page when neither is given.
    void ProcessCommandLine(const char* pszCommandLine);

    // The start page's drive, directory and file name followed by ".idx", into pszIndexFile
    // (kMaxPathCapacity bytes). False, with an empty name, when it does not fit.
    static bool IndexFileName(const char* pszStartPage, char* pszIndexFile);

    // Loads the start page's index file when it exists, else offers to build it.
    void OpenStartPage(const char* pszStartPage);

    // Loads the index file; on success the start-page line shows pszStartPage and the results
    // are refreshed. On failure says "Could not load index file." and returns false.
    bool LoadIndexFile(const char* pszStartPage, const char* pszIndexFile);

    // Builds the index of the start page and saves it. The build's result: 0 when saving
    // failed ("Could not create index file." has been said), else 1.
    int CreateIndexFile(const char* pszStartPage);

    // Refilters the result list by the query box's first 99 characters; focus to the query box.
    void RefreshResults();

    // Shows the help page beside the executable (its name with ".htm") in the browser pane.
    void ShowHelp();

    // --- Handlers of the window's events -----------------------------------------------------

    void OnQueryChange();
    void OnClear();
    void OnResultSelChange();
    void OnResultDblClk();
    // Shows the selected entry in the browser pane; nothing without a selection.
    void OnOK();
    void OnRebuildIndex();
    void OnChooseStartPage();
    void OnViewPreviousPage();
    void OnHelp();
    // Places the twelve controls for a client area of cx by cy pixels.
    void OnSize(int cx, int cy);

    // --- For the application and for tests ---------------------------------------------------

    CLinkIndex& GetIndex() { return m_index; }
    CWebBrowser& GetBrowser();
    const CResultListModel& GetResultModel() const { return *m_pResultModel; }
    // The start page whose index is loaded, as stored bytes ("" when none).
    const std::string& GetStartPage() const { return m_sStartPage; }
    QString GetTargetLineText() const;
    QString GetStartPageLineText() const;
    bool IsCloseRequested() const { return m_bCloseRequested; }

signals:
    // Emitted whenever a start-page flow, a rebuild, a build or a load has returned, so that
    // command lines handed over meanwhile can be processed.
    void operationFinished();

public slots:
    // The OK command shows the selected entry and never closes the window.
    void accept() override;
    // Escape, the close box: closes the window, or remembers the request while busy.
    void reject() override;

    // Ctrl+L and F6: the focus to the query box, its text selected. Shift+F6: to the pane.
    void FocusQueryBox();
    void FocusBrowserPane();

protected:
    void resizeEvent(QResizeEvent* pEvent) override;
    // Watches the application's key and focus events: the keys of the window (Escape, the
    // buttons' mnemonics, Ctrl+L, F6, Shift+F6) also work while the browser pane has the focus,
    // and the keys that move between the query box and the result list.
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    class COperation;
    friend class COperation;

    void ConnectSignals();
    void AddKeyShortcuts();
    // True when the key is one of the window's own: Escape, a button's mnemonic or a shortcut
    // of AddKeyShortcuts.
    bool IsWindowKey(const QKeyEvent& key) const;
    bool IsInBrowserPane(const QWidget* pWidget) const;
    // Down and PageDown in the query box; Up on the list's first line; Tab into an unselected
    // list. True when the key or focus change was taken.
    bool OnQueryBoxKey(const QKeyEvent& key);
    bool OnResultListKey(const QKeyEvent& key);
    void SelectRow(int nRow);
    // Lays out at once the lines the list has not laid out in its batches yet, so that a key
    // that moves far (End, a search by letters) finds its line in place.
    void CompleteListLayout();
    void ApplyTemplateGeometry();
    void SetStartPageLine(const std::string& sStartPage);
    // The selected line of the result list, or -1.
    int GetSelectedRow() const;
    void ShowError(const char* pszText);
    void BeginOperation();
    void EndOperation();

    std::unique_ptr<Ui::SearchDlg> m_pUi;
    QByteArray m_commandLine;
    QIcon m_icon;
    CQtIndexHost m_host;
    CLinkIndex m_index;
    CResultListModel* m_pResultModel;        // owned as a child object
    CResultLineDelegate* m_pResultDelegate;  // owned as a child object
    std::string m_sStartPage;  // the start-page line's text as bytes; decoding is lossy
    int m_nOperations = 0;
    bool m_bCloseRequested = false;
    bool m_bControlsReady = false;
    QList<QKeySequence> m_windowKeys;  // see IsWindowKey
    QTimer m_prepareTimer;             // makes the filter's forms after an empty query
};

}  // namespace sitefinch
