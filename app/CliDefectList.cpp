#include "CliDefectList.h"

#include "CliSession.h"
#include "ProgramOptions.h"
#include "console/DefectLists.h"

#include <algorithm>

namespace quillon::app {

namespace {

// The dialog's place taken by the command line: the choice made by the
// options.
class OptionChoice : public console::DefectListChoice {
public:
    explicit OptionChoice(std::int32_t selection) : selection_(selection) {}

    std::int32_t AskSelection() override { return selection_; }

private:
    std::int32_t selection_;
};

// The values of --list and --format, and the bits of READ DEFECT DATA
// byte 2 each stands for.
struct OptionValue {
    std::string_view Option;
    std::string_view Value;
    std::uint8_t Bits;
};

constexpr OptionValue OptionValues[] = {
    {"--list", "primary", 0x10},
    {"--list", "grown", 0x08},
    {"--format", "physical", 0x05},
    {"--format", "block", 0x00},
};

std::uint8_t bitsOf(const CommandArguments& arguments, std::string_view option) {
    const std::string given = *arguments.Text(option);
    std::string known;
    for (const OptionValue& value : OptionValues) {
        if (value.Option == option && value.Value == given) {
            return value.Bits;
        }
        if (value.Option == option) {
            known += (known.empty() ? "" : " or ") + std::string(value.Value);
        }
    }
    throw UsageError(std::string(option) + " takes " + known + ", not \"" + given + "\"");
}

// The selection of the list the options name, found by the command it sends.
std::int32_t selectionOf(const CommandArguments& arguments) {
    const auto formatByte =
        static_cast<std::uint8_t>(bitsOf(arguments, "--list") | bitsOf(arguments, "--format"));
    const auto& kinds = console::DefectListKinds;
    const auto kind = std::find_if(kinds.begin(), kinds.end(),
                                   [&](const auto& k) { return k.FormatByte == formatByte; });
    return static_cast<std::int32_t>(kind - kinds.begin()) + 1;
}

} // namespace

int RunReadDefect(CliSession& session, const CommandArguments& arguments) {
    OptionChoice choice(selectionOf(arguments));
    console::DefectLists defects(session.Operations(), choice);
    const auto result = defects.ReadDefect(arguments.Address());
    return session.Conclude(result.Shown ? std::vector<std::string>{}
                                         : std::vector<std::string>{result.Shortfall});
}

} // namespace quillon::app
