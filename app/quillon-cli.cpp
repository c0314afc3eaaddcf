// quillon-cli: the headless front end of Quillon.
#include "CliHelp.h"
#include "CliSession.h"
#include "CommandLine.h"

#include <QGuiApplication>
#include <cstdio>
#include <iostream>
#include <optional>

using namespace quillon;

namespace {

bool qtDiagnosticsShown = false;

// Qt's own diagnostics (about the session, fonts, the platform) are not the
// program's lines: they show with --verbose only.
void qtMessage(QtMsgType, const QMessageLogContext&, const QString& message) {
    if (qtDiagnosticsShown) {
        std::fprintf(stderr, "quillon-cli: Qt: %s\n", qPrintable(message));
    }
}

int usageError(const app::UsageError& error, const app::CommandSpec* running) {
    const app::CommandSpec* about =
        error.Command().empty() ? running : app::FindCommand(error.Command());
    std::fprintf(stderr, "quillon-cli: %s\n%s\n", error.what(), app::UsageLine(about).c_str());
    std::fprintf(stderr, "Run 'quillon-cli help%s%s' for more.\n", about != nullptr ? " " : "",
                 about != nullptr ? std::string(about->Name).c_str() : "");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    const app::CommandSpec* running = nullptr;
    try {
        const app::Invocation invocation = app::ParseCommandLine(argc, argv);
        if (invocation.version) {
            std::printf("quillon-cli %s\n", QUILLON_VERSION);
            return 0;
        }
        running = &invocation.command->Command();
        qtDiagnosticsShown = invocation.verbose;
        qInstallMessageHandler(qtMessage);
        std::optional<QGuiApplication> graphics;
        if (running->Draws) {
            if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
                qputenv("QT_QPA_PLATFORM", "offscreen");
            }
            graphics.emplace(argc, argv);
        }
        app::CliSession session(invocation, std::cout);
        const int status = running->Run(session, *invocation.command);
        // Lines that never reached their file or pipe are lost output.
        if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0 || !std::cout.flush()) {
            std::fprintf(stderr, "quillon-cli: cannot write the output\n");
            return 1;
        }
        return status;
    } catch (const app::UsageError& error) {
        return usageError(error, running);
    } catch (const std::invalid_argument& error) {
        std::fprintf(stderr, "quillon-cli: %s\n", error.what());
        return 2;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "quillon-cli: %s\n", error.what());
        return 1;
    }
}
