// Loads the application icon; registers the library's resources first, since a static library's
// resource initialiser is otherwise dropped by the linker.
#include "AppIcon.h"

#include <QString>

static void InitIconResources() {
    Q_INIT_RESOURCE(sitefinch);
}

namespace sitefinch {

QIcon AppIcon() {
    static bool bResourcesReady = false;
    if (!bResourcesReady) {
        InitIconResources();
        bResourcesReady = true;
    }
    QIcon icon;
    for (const int nSize : {16, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/icons/sitefinch-%1.png").arg(nSize), QSize(nSize, nSize));
    }
    return icon;
}

}  // namespace sitefinch
