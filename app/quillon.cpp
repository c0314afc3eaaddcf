// quillon: the windowed program, the drive console.
#include "Application.h"
#include "ProgramOptions.h"
#include "Transports.h"
#include "app/Windows.h"
#include "console/HelpBook.h"

#include <cstdio>
#include <cstring>

using namespace quillon;

namespace {

// --help and --version answer without a display, before Qt starts.
bool answeredWithoutWindows(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(app::WindowProgramUsage().c_str(), stdout);
            return true;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("quillon %s\n", QUILLON_VERSION);
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (answeredWithoutWindows(argc, argv)) {
        return 0;
    }
    app::Application application(argc, argv);
    app::OpenedTransports opened;
    try {
        opened = app::openTransports(app::ParseWindowProgramOptions(argc, argv), 1.0);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "quillon: %s (see --help)\n", error.what());
        return 2;
    }
    console::HelpBook help(console::HelpBook::DefaultDirectory());
    application.installEventFilter(&help);
    const std::vector<std::string> logLines = opened.logLines();
    app::Windows windows(std::move(opened.transports), logLines);
    windows.Form1().show();
    return application.exec();
}
