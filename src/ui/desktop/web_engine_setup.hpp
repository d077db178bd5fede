#pragma once
// What WebEngine needs before the application object exists. Call prepareWebEngine() first
// thing in the desktop program's main, before the QApplication is made.

namespace zov::ui::desktop {

// Asks for the shared OpenGL contexts WebEngine draws with, and, only when the process runs
// as root, turns off Chromium's sandbox, which otherwise refuses to start as root.
void prepareWebEngine();

}  // namespace zov::ui::desktop
