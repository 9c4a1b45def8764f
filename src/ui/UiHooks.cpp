// The real message box, file-open dialog and URL opener, unless a test has put its own in place.
#include "UiHooks.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMessageBox>
#include <QScreen>
#include <QTreeView>

namespace sitefinch {

namespace {

constexpr unsigned kTypeQuestion = 33;  // OK and Cancel with the question icon
// The file dialog's share of the screen.
constexpr int kFileDialogWidthPercent = 70;
constexpr int kFileDialogHeightPercent = 65;

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

QString GetOpenFileName(QWidget* owner, const QString& sDir) {
    if (OpenFileHook()) {
        return OpenFileHook()(owner, sDir);
    }
    QFileDialog dialog(owner, QString(), sDir, QStringLiteral("HTML Files (*.html *.htm)"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    // Pages of one site often differ only at the end of long names: the columns fit the longest
    // of them, and the dialog takes a good part of the screen to show it.
    dialog.setViewMode(QFileDialog::Detail);
    if (auto* pView = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        pView->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    }
    const QScreen* pScreen = owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen();
    if (pScreen != nullptr) {
        const QSize available = pScreen->availableGeometry().size();
        dialog.resize(dialog.sizeHint().expandedTo(
            QSize(available.width() * kFileDialogWidthPercent / 100,
                  available.height() * kFileDialogHeightPercent / 100)));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return QString();
    }
    return dialog.selectedFiles().front();
}

void OpenExternalUrl(const QUrl& url) {
    if (OpenUrlHook()) {
        OpenUrlHook()(url);
        return;
    }
    QDesktopServices::openUrl(url);
}

}  // namespace sitefinch
