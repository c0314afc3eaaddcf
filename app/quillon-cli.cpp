// quillon-cli: the headless front end of Quillon.
#include "CliOptions.h"
#include "CliSession.h"
#include "Transports.h"

#include <QGuiApplication>
#include <cstdio>
#include <iostream>
#include <optional>

using namespace quillon;

int main(int argc, char** argv) {
    try {
        const auto options = app::CliOptions::parse(argc, argv);
        if (options.help) {
            std::fputs(app::cliUsage().c_str(), stdout);
            return 0;
        }
        if (options.version) {
            std::printf("quillon-cli %s\n", QUILLON_VERSION);
            return 0;
        }
        auto opened =
            app::openTransports(options, app::CliSession::DefaultTimeScale(options.words));
        if (options.verbose) {
            for (const std::string& note : opened.notes) {
                std::fprintf(stderr, "quillon-cli: %s\n", note.c_str());
            }
        }
        std::optional<QGuiApplication> graphics;
        if (app::CliSession::NeedsGraphics(options.words)) {
            if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
                qputenv("QT_QPA_PLATFORM", "offscreen");
            }
            graphics.emplace(argc, argv);
        }
        drive::TMODrive drive(std::move(opened.transports));
        return app::CliSession(drive, std::cout).run(options.words);
    } catch (const app::UsageError& error) {
        std::fprintf(stderr, "quillon-cli: %s (see --help)\n", error.what());
        return 2;
    } catch (const std::invalid_argument& error) {
        std::fprintf(stderr, "quillon-cli: %s\n", error.what());
        return 2;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "quillon-cli: %s\n", error.what());
        return 1;
    }
}
