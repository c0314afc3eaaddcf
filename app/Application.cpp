#include "Application.h"

#include "console/MessageBoxes.h"

#include <exception>

namespace quillon::app {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName("Quillon");
    setApplicationVersion(QUILLON_VERSION);
    setDesktopFileName("quillon");
}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        console::ShowMessageBox(activeWindow(), console::Console::BoxKind::Error, error.what());
    }
    return true;
}

} // namespace quillon::app
