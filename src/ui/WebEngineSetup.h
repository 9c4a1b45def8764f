// Which browser pane this run uses, and what has to happen before the application object exists.
#pragma once

namespace sitefinch {

// True when the pane is a WebEngine view: the build has WebEngine and the environment variable
// SITEFINCH_PANE is not "text" (which forces the QTextBrowser pane, as tests do).
bool UseWebEngine();

// Call first in main(), before the QApplication is made. When the WebEngine pane is used, it
// shares OpenGL contexts as WebEngine requires, and it turns WebEngine's sandbox off for the
// root user only, where the sandbox refuses to start.
void PrepareWebEngine();

}  // namespace sitefinch
