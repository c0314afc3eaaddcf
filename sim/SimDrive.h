#pragma once

#include "Command.h"
#include "ErrorInjector.h"
#include "ErrorRecoveryPage.h"
#include "FaultRule.h"
#include "Medium.h"

#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace quillon::sim {

class Exchange;

// How a simulated drive is built: the media in its changer (the first is
// loaded, the others follow one by one as media are ejected), its INQUIRY
// identity, and its quirks and error model. A drive whose first medium is the
// `disk` profile is a fixed direct-access disk; any other is an MO drive.
struct DriveConfig {
    std::vector<std::string> media{"mo230"};
    // The image file that keeps the first medium from one run to the next
    // (see MediumImage); empty: every medium starts blank.
    std::string image;
    // The media (by their place in media, 0 the loaded one) whose
    // write-protect tab is set.
    std::vector<std::size_t> protectedMedia;
    std::string vendor = "QUILLON";
    std::string product; // empty: "SIM MO DRIVE" or "SIM DISK"
    std::string revision = "1.00";
    bool legacySense = false; // answer REQUEST SENSE with 4-byte non-extended sense
    bool canSavePages = true; // MODE SELECT may save the page (SP)
    double byteErrorRate = 2e-5;
    std::uint64_t seed = 1;
    std::optional<std::uint32_t> correctionLimit; // bytes per sector; default: half the check bytes
    // The defect lists are kept in bytes from index format only, and READ
    // DEFECT DATA answers every request in it, with GOOD status.
    bool indexDefects = false;
};

// One logical unit: a simulated magneto-optical drive (or fixed disk) that
// executes SCSI commands as a real one does — status, data, sense data kept
// for REQUEST SENSE, unit attentions, readiness, write protection, error
// recovery and the time each command takes — and lets its user change media,
// set surface defects and inject faults. Safe to use from several threads.
class SimDrive {
public:
    explicit SimDrive(const DriveConfig& config);
    ~SimDrive();
    SimDrive(const SimDrive&) = delete;
    SimDrive& operator=(const SimDrive&) = delete;

    CommandOutcome execute(const CommandRequest& request);

    // Standard INQUIRY data (36 bytes) with the given peripheral byte.
    std::vector<std::uint8_t> inquiryData(std::uint8_t peripheral) const;
    std::uint8_t peripheralByte() const; // qualifier 0 and the device type
    bool legacySense() const { return config_.legacySense; }

    // Media: a medium inserted into an empty drive is loaded at once (with a
    // unit attention); otherwise it waits in the changer. ejectMedium removes
    // the loaded one whatever the prevent state and loads the next.
    void insertMedium(Medium medium);
    bool ejectMedium();
    bool hasMedium() const;
    std::size_t waitingMedia() const;
    void setWriteProtected(bool on);
    void addBurst(const BurstDefect& burst);
    // Blocks first to first + count − 1 join the grown defect list; throws
    // std::invalid_argument when they are not all on the medium.
    void addGrownDefects(std::uint32_t first, std::uint32_t count);

    void addFault(const FaultRule& rule);
    void clearFaults();
    void setErrorModel(double byteErrorRate, std::uint64_t seed);
    void setCorrectionLimit(std::uint32_t bytes);

    ErrorRecoveryPage modePage() const;
    void setModePage(const ErrorRecoveryPage::Parameters& current,
                     const ErrorRecoveryPage::Parameters& changeable);

    // Power cycle: unit attention 29/00, saved mode values, removal allowed.
    void powerOn();
    void advanceTime(Nanos by);
    Nanos now() const;

    // Inspection of the loaded medium (throws std::logic_error without one).
    std::vector<std::uint8_t> recordedSector(std::uint32_t lba) const;
    DefectLists defectLists() const;

private:
    struct CommandTraits;
    enum class UnitAttention : std::uint8_t { None, MediumChanged, PowerOn };

    static const CommandTraits* findCommand(std::uint8_t opcode);
    bool admit(Exchange& x, const CommandTraits* traits);
    void run(Exchange& x, const CommandTraits& traits);
    bool applyFault(Exchange& x);
    void fail(Exchange& x, const SenseData& sense);
    void finishFormatIfDone();
    void loadNext();
    std::optional<SenseData> notReadySense() const;
    SenseData formatInProgress() const;
    std::uint32_t correctionLimit() const;

    // Command handlers, one per operation code.
    void testUnitReady(Exchange& x);
    void requestSense(Exchange& x);
    void inquiry(Exchange& x);
    void readCapacity(Exchange& x);
    void startStopUnit(Exchange& x);
    void preventAllow(Exchange& x);
    void read10(Exchange& x);
    void write10(Exchange& x);
    void writeAndVerify10(Exchange& x);
    void verify10(Exchange& x);
    void seek10(Exchange& x);
    void readLong(Exchange& x);
    void writeLong(Exchange& x);
    void modeSense6(Exchange& x);
    void modeSelect6(Exchange& x);
    void readDefectData(Exchange& x);
    void formatUnit(Exchange& x);

    // Helpers of the block commands.
    bool checkRange(Exchange& x, std::uint32_t lba, std::uint32_t blocks);
    Nanos access(std::uint32_t lba, std::uint32_t blocks);
    // Sends the sector as read off the medium: surface defects and fresh
    // random errors included.
    void sendRaw(Exchange& x, std::uint32_t lba, std::uint32_t length);
    // Runs error correction over one sector with fresh errors: the bytes it
    // corrected, or nothing after MEDIUM ERROR for a sector beyond correction.
    std::optional<std::uint32_t> correct(Exchange& x, std::uint32_t lba);
    bool verifyBlocks(Exchange& x, std::uint32_t lba, std::uint32_t blocks);
    bool writeBlocks(Exchange& x, std::uint32_t lba, std::uint32_t blocks);
    // The header and block descriptor of a MODE SELECT parameter list: the
    // sense to refuse it with, or nothing.
    std::optional<SenseData> checkModeHeader(std::span<const std::uint8_t> list) const;
    // Where each page of the list starts, or the sense to refuse it with.
    std::optional<SenseData> findModePages(std::span<const std::uint8_t> list,
                                           std::vector<std::size_t>& pages) const;
    bool parseDefectList(Exchange& x, std::span<const std::uint8_t> list, std::uint8_t format,
                         std::vector<std::uint32_t>& blocks);
    void certify(std::vector<std::uint32_t>& grown);

    const DriveConfig config_;
    const bool optical_;
    mutable std::mutex mutex_;

    std::optional<Medium> medium_;
    std::deque<Medium> changer_;
    ErrorRecoveryPage page_;
    ErrorInjector errors_;
    std::optional<std::uint32_t> correctionLimit_;
    std::vector<FaultRule> faults_;
    std::vector<std::uint32_t> faultMatches_;

    std::optional<SenseData> pendingSense_;
    UnitAttention unitAttention_ = UnitAttention::PowerOn;
    bool started_ = true;
    bool preventRemoval_ = false;

    Nanos now_{0};
    Nanos commandStart_{0};
    std::optional<Nanos> formatStart_;
    Nanos formatEnd_{0};
    std::uint32_t headTrack_ = 0;
    std::uint32_t nextSequentialLba_ = 0;
    std::vector<std::uint8_t> scratch_;
};

} // namespace quillon::sim
