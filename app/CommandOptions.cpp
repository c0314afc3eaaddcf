#include "CommandOptions.h"

#include "CliOptions.h"

#include <algorithm>
#include <charconv>

namespace quillon::app {

namespace {

constexpr const char* CommandOptionNames[] = {"--start",  "--end",  "--skip",    "--map",
                                              "--report", "--set",  "--max-lba", "--max-time",
                                              "--count",  "--plot", "--csv"};

} // namespace

bool IsCommandOption(const std::string& word) {
    return std::find(std::begin(CommandOptionNames), std::end(CommandOptionNames), word) !=
           std::end(CommandOptionNames);
}

CommandOptions::CommandOptions(const std::vector<std::string>& words, std::size_t first,
                               std::initializer_list<const char*> known,
                               std::initializer_list<const char*> repeatable) {
    for (std::size_t i = first; i < words.size(); i += 2) {
        const std::string& name = words[i];
        if (std::find(known.begin(), known.end(), name) == known.end()) {
            throw UsageError("unexpected " + name);
        }
        if (i + 1 >= words.size()) {
            throw UsageError(name + " needs a value");
        }
        const bool repeats =
            std::find(repeatable.begin(), repeatable.end(), name) != repeatable.end();
        if (!repeats && values_.contains(name)) {
            throw UsageError(name + " is given twice");
        }
        values_.emplace(name, words[i + 1]);
    }
}

std::optional<std::int32_t> CommandOptions::Hex(const std::string& name) const {
    return number(name, 16, "hexadecimal");
}

std::optional<std::int32_t> CommandOptions::Decimal(const std::string& name) const {
    return number(name, 10, "decimal");
}

std::optional<std::int32_t> CommandOptions::number(const std::string& name, int base,
                                                   const std::string& kind) const {
    const auto text = Text(name);
    if (!text) {
        return std::nullopt;
    }
    const bool negative = text->starts_with('-');
    const char* begin = text->data() + (negative ? 1 : 0);
    const char* end = text->data() + text->size();
    std::uint32_t value = 0;
    const auto [stop, error] = std::from_chars(begin, end, value, base);
    if (begin == end || error != std::errc{} || stop != end || value > 0x7FFFFFFFu) {
        throw UsageError(name + " needs a " + kind + " number, not \"" + *text + "\"");
    }
    const auto magnitude = static_cast<std::int32_t>(value);
    return negative ? -magnitude : magnitude;
}

std::vector<std::string> CommandOptions::Texts(const std::string& name) const {
    std::vector<std::string> texts;
    const auto [first, last] = values_.equal_range(name);
    for (auto it = first; it != last; ++it) {
        texts.push_back(it->second);
    }
    return texts;
}

std::optional<std::string> CommandOptions::Text(const std::string& name) const {
    const auto found = values_.find(name);
    return found == values_.end() ? std::nullopt : std::optional(found->second);
}

} // namespace quillon::app
