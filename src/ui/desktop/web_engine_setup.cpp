#include "ui/desktop/web_engine_setup.hpp"

#include <unistd.h>

#include <QCoreApplication>
#include <cstdlib>

namespace zov::ui::desktop {

void prepareWebEngine() {
    // Chromium's sandbox cannot run as root: it would refuse to start at all. An ordinary
    // user keeps the sandbox; an explicit setting from the environment is left alone.
    if (::geteuid() == 0) ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

}  // namespace zov::ui::desktop
