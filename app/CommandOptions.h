#pragma once

#include <cstdint>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quillon::app {

// The options of one quillon-cli command: "--NAME VALUE" pairs after its
// operands, each name one the command knows and given once unless it is
// repeatable.
class CommandOptions {
public:
    // Throws UsageError for an unknown name, a repeated one or a missing value.
    CommandOptions(const std::vector<std::string>& words, std::size_t first,
                   std::initializer_list<const char*> known,
                   std::initializer_list<const char*> repeatable = {});

    // A hexadecimal 32-bit value (a leading minus allowed); throws UsageError.
    std::optional<std::int32_t> Hex(const std::string& name) const;
    // A decimal 32-bit value (a leading minus allowed); throws UsageError.
    std::optional<std::int32_t> Decimal(const std::string& name) const;
    std::optional<std::string> Text(const std::string& name) const;
    // Every value of a repeatable option, in the order given.
    std::vector<std::string> Texts(const std::string& name) const;

private:
    std::optional<std::int32_t> number(const std::string& name, int base,
                                       const std::string& kind) const;

    std::multimap<std::string, std::string> values_;
};

// The names quillon-cli accepts as command options.
bool IsCommandOption(const std::string& word);

} // namespace quillon::app
