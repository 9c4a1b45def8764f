// Choosing the browser pane and preparing WebEngine before the application starts.
#include "WebEngineSetup.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QtGlobal>

namespace sitefinch {

bool UseWebEngine() {
#ifdef SITEFINCH_HAS_WEBENGINE
    return qgetenv("SITEFINCH_PANE") != "text";
#else
    return false;
#endif
}

void PrepareWebEngine() {
    if (!UseWebEngine()) {
        return;
    }
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // Chromium's sandbox will not run as root; nobody should have to know that to start us.
    if (::geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX")) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
}

}  // namespace sitefinch
