#include "SenseReport.h"

#include "SenseTables.h"

namespace quillon::drive {

namespace {

std::string line(const char* label, const std::string& boxes, std::string_view meaning = {}) {
    std::string text = label;
    text.resize(22, ' ');
    text += boxes;
    if (!meaning.empty()) {
        text += "  ";
        text += meaning;
    }
    return text;
}

} // namespace

std::vector<std::string> senseReport(std::int32_t SenseKey, std::int32_t ASC, std::int32_t ASCQ,
                                     std::int32_t LBA) {
    if (SenseKey == -1) {
        return {"Nonextended Sense Data", line("Error Class", hexField(ASC, 2)),
                line("Error Code", hexField(ASCQ, 2)),
                line("Logical Block Addrss", hexField(LBA, 2))};
    }
    std::vector<std::string> lines{
        "Extended Sense Data",
        line("Sense Key", hexField(SenseKey, 2), senseKeyName(SenseKey).value_or("")),
        line("Additional Sense Code", hexField(ASC, 2) + hexField(ASCQ, 2),
             senseCodeText(ASC, ASCQ).value_or(""))};
    if (LBA != -1) {
        lines.push_back(line("Logical Block address", hexField(LBA, 8)));
    }
    return lines;
}

} // namespace quillon::drive
