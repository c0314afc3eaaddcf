// quillon_manpage: writes the manual page quillon(1) or quillon-cli(1) to
// standard output, for the build to install.
#include "ManPage.h"

#include <cstdio>
#include <string_view>

using namespace quillon;

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fputs("Usage: quillon_manpage quillon|quillon-cli VERSION DATE\n", stderr);
        return 2;
    }
    const std::string_view program = argv[1];
    const app::ManPageEdition edition{argv[2], argv[3]};
    if (program != "quillon" && program != "quillon-cli") {
        std::fprintf(stderr, "quillon_manpage: no page for %s\n", argv[1]);
        return 2;
    }
    const std::string page =
        program == "quillon" ? app::WindowManPage(edition) : app::CliManPage(edition);
    return std::fputs(page.c_str(), stdout) < 0 || std::fflush(stdout) != 0 ? 1 : 0;
}
