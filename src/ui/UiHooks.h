// Replaceable message box, file-open dialog and external-link opener, so tests can answer them.
#pragma once

#include <functional>

#include <QString>
#include <QUrl>

class QWidget;

namespace sitefinch {

// type 33 asks a question with OK and Cancel (true for OK); type 48 warns with OK (true).
using MessageBoxFn =
    std::function<bool(QWidget* owner, const QString& text, const QString& caption, unsigned type)>;
// The full path of the chosen file; an empty string when the person cancelled. sDir is the
// directory the dialog opens in.
using OpenFileFn = std::function<QString(QWidget* owner, const QString& sDir)>;
// Opens a URL that leaves the local disk in the person's default browser.
using OpenUrlFn = std::function<void(const QUrl& url)>;

// Passing an empty function restores the real dialog (or opener).
void SetMessageBoxFn(MessageBoxFn fn);
void SetOpenFileFn(OpenFileFn fn);
void SetOpenUrlFn(OpenUrlFn fn);

bool ShowMessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned type);
// The file-open dialog for HTML start pages, opened in sDir and wide enough for whole file names.
// It keeps nothing from one use to the next.
QString GetOpenFileName(QWidget* owner, const QString& sDir);
void OpenExternalUrl(const QUrl& url);

}  // namespace sitefinch
