// The real message box, file-open dialog and URL opener, unless a test has put its own in place.
#include "UiHooks.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>

namespace sitefinch {

namespace {

constexpr unsigned kTypeQuestion = 33;  // OK and Cancel with the question icon

MessageBoxFn& MessageBoxHook() {
    static MessageBoxFn fn;
    return fn;
}

OpenFileFn& OpenFileHook() {
    static OpenFileFn fn;
    return fn;
}

OpenUrlFn& OpenUrlHook() {
    static OpenUrlFn fn;
    return fn;
}

}  // namespace

void SetMessageBoxFn(MessageBoxFn fn) {
    MessageBoxHook() = std::move(fn);
}

void SetOpenFileFn(OpenFileFn fn) {
    OpenFileHook() = std::move(fn);
}

void SetOpenUrlFn(OpenUrlFn fn) {
    OpenUrlHook() = std::move(fn);
}

bool ShowMessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned type) {
    if (MessageBoxHook()) {
        return MessageBoxHook()(owner, text, caption, type);
    }
    if (type == kTypeQuestion) {
        return QMessageBox::question(owner, caption, text, QMessageBox::Ok | QMessageBox::Cancel,
                                     QMessageBox::Ok) == QMessageBox::Ok;
    }
    QMessageBox::warning(owner, caption, text, QMessageBox::Ok);
    return true;
}

QString GetOpenFileName(QWidget* owner) {
    if (OpenFileHook()) {
        return OpenFileHook()(owner);
    }
    return QFileDialog::getOpenFileName(owner, QString(), QString(),
                                        QStringLiteral("HTML Files (*.html *.htm)"));
}

void OpenExternalUrl(const QUrl& url) {
    if (OpenUrlHook()) {
        OpenUrlHook()(url);
        return;
    }
    QDesktopServices::openUrl(url);
}

}  // namespace sitefinch
