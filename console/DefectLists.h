#pragma once

#include "console/DriveConsole.h"

#include <array>
#include <cstdint>
#include <string>

namespace quillon::console {

// One of the four lists the tool reads: its caption in the selection dialog,
// byte 2 of READ DEFECT DATA (PList or GList bit and the format asked for),
// its title in the log and the label of its failure.
struct DefectListKind {
    const char* Caption;
    std::uint8_t FormatByte;
    const char* Title;
    const char* FailureLabel;
};

// By selection, 1 to 4.
inline constexpr std::array<DefectListKind, 4> DefectListKinds{{
    {"Primary Defect List (Phisical Secter)", 0x15, "Primary Defect List(Phisical Secter)",
     "Read Defect 1"},
    {"Grown   Defect List (Phisical Secter)", 0x0D, "Grown Defect List(Phisical Secter)",
     "Read Defect 2"},
    {"Primary Defect List (Block Address)", 0x10, "Primary Defect List(Block Address)",
     "Read Defect 3"},
    {"Grown   Defect List (Block Address)", 0x08, "Grown Defect List(Block Address)",
     "Read Defect 4"},
}};

// The choice of the list to read (the dialog TForm4, or the command line's
// options).
class DefectListChoice {
public:
    virtual ~DefectListChoice() = default;

    // Asks which list, modally; the selection: 1 to 4 as in DefectListKinds,
    // 0 when none is chosen.
    virtual std::int32_t AskSelection() = 0;
};

// The main window's "Read Defect", written once for the window and for
// quillon-cli: one of the drive's defect lists read with READ DEFECT DATA
// into the data buffer and written to the log, one line per defect.
class DefectLists {
public:
    // The allocation length of the request: entries beyond it never arrive.
    static constexpr std::int32_t Length = 4096;

    struct Result {
        bool Shown = false; // the whole list is in the log
        // Why it is not, in words; empty when it is.
        std::string Shortfall;
    };

    // What ShowDefectList found in the data buffer.
    struct Listing {
        std::uint8_t Format = 0; // bits 2 to 0 of byte 1
        bool Known = false;      // a format whose entries the log shows
        std::int32_t Count = 0;  // entries listed
        std::int32_t Beyond = 0; // entries the header reports past the bytes received
    };

    DefectLists(DriveConsole& drive, DefectListChoice& choice) : drive_(drive), choice_(choice) {}

    // CuteButton16Click on the device at.
    Result ReadDefect(DeviceAddress at);
    // Writes the list in the data buffer, of which Received bytes came from
    // the drive, to the log under Title.
    Listing ShowDefectList(const std::string& Title, std::int32_t Received);

private:
    // Reports the failed command under label; the status in words.
    std::string report(const std::string& label);
    static std::string shortfall(const Listing& listing);

    DriveConsole& drive_;
    DefectListChoice& choice_;
};

} // namespace quillon::console
