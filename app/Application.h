#pragma once

#include <QApplication>

namespace quillon::app {

// The application object of the windowed program. It is the one place where
// an exception that escapes an event handler (a device list without numbers,
// a file that cannot be written) is caught: it is shown in an error box and
// the program goes on.
class Application : public QApplication {
    Q_OBJECT

public:
    Application(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace quillon::app
