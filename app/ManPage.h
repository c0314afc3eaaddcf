#pragma once

#include <string>
#include <string_view>

namespace quillon::app {

// The manual pages quillon(1) and quillon-cli(1) in roff, made from the same
// command table and option texts as the programs' --help, so that neither
// can say what the other does not.

// What goes on the title line of both pages.
struct ManPageEdition {
    std::string_view version; // "0.1.0"
    std::string_view date;    // "2026-12-09"
};

std::string CliManPage(const ManPageEdition& edition);
std::string WindowManPage(const ManPageEdition& edition);

// Text as roff shows it: backslashes escaped, the dashes of options as minus
// signs, a line that would read as a request kept as text, the indentation
// of preformatted lines dropped.
std::string RoffText(std::string_view text);

// A --help option list ("  --NAME VALUE   help", the help continued in its
// column, deeper lines shown as they are) as a roff list of tagged
// paragraphs; lines that are not indented (a heading) are left out.
std::string RoffOptionList(std::string_view helpList);

} // namespace quillon::app
