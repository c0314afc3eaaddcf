// The iSCSI transport and the drive commands against a real tgtd on
// loopback, started by tgtd.sh. Run through "tgtd.sh run" (it stops every
// tgtd the tests started, however they end); run alone, the program does
// that itself. Exit status 77 (skipped) when tgtd is not installed.

#include "drive/MODrive.h"
#include "drive/SenseTables.h"
#include "scsi/IscsiTransport.h"
#include "sim/Bytes.h"

#include <algorithm>
#include <arpa/inet.h>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <netinet/in.h>
#include <optional>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#ifndef QUILLON_TGTD_SCRIPT
#error "QUILLON_TGTD_SCRIPT must name tgtd.sh"
#endif

namespace {

using namespace quillon;
using Clock = std::chrono::steady_clock;

// What "at once" may take on a loaded machine (the tests share two cores
// with the build and other tests): far below any time-out that would
// otherwise end the command.
constexpr double Slack = 1000;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// One private tgtd and its targets (see tgtd.sh).
class Tgtd {
public:
    explicit Tgtd(const std::string& name)
        : dir_(std::string(std::getenv("QUILLON_TGTD_ROOT")) + "/" + name) {
        start();
    }
    ~Tgtd() { stop(); }
    Tgtd(const Tgtd&) = delete;
    Tgtd& operator=(const Tgtd&) = delete;

    // Starts it; after stop(), again on the same port with the same data.
    void start() {
        const int status = script("start");
        if (status != 0) {
            throw std::runtime_error("tgtd.sh start failed with status " + std::to_string(status));
        }
        std::ifstream env(dir_ + "/env");
        for (std::string line; std::getline(env, line);) {
            const auto equals = line.find('=');
            values_[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    void stop() { script("stop"); }
    // Freezes and thaws the daemon: it holds its commands meanwhile.
    void pause() const { ::kill(pid(), SIGSTOP); }
    void resume() const { ::kill(pid(), SIGCONT); }

    const std::string& operator[](const std::string& key) const { return values_.at(key); }
    pid_t pid() const { return static_cast<pid_t>(std::stol(values_.at("pid"))); }
    // iscsi://portal/<target>[/lun]
    std::string url(const std::string& target, std::optional<int> lun = {}) const {
        std::string text = "iscsi://" + values_.at("portal") + "/" + values_.at(target);
        return lun ? text + "/" + std::to_string(*lun) : text;
    }

private:
    int script(const char* verb) const {
        const std::string command =
            std::string("'") + QUILLON_TGTD_SCRIPT + "' " + verb + " '" + dir_ + "'";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string dir_;
    std::map<std::string, std::string> values_;
};

// Resumes a paused tgtd when it goes out of scope, after a delay.
class ResumeLater {
public:
    ResumeLater(const Tgtd& tgtd, std::chrono::milliseconds delay)
        : thread_([&tgtd, delay] {
              std::this_thread::sleep_for(delay);
              tgtd.resume();
          }) {}
    ~ResumeLater() { thread_.join(); }

private:
    std::thread thread_;
};

std::unique_ptr<drive::TMODrive> driveFor(std::vector<std::string> urls,
                                          scsi::IscsiTransport** transport = nullptr,
                                          scsi::IscsiTransport::Options options = {}) {
    auto iscsi = std::make_unique<scsi::IscsiTransport>(urls, std::move(options));
    if (transport != nullptr) {
        *transport = iscsi.get();
    }
    std::vector<std::unique_ptr<scsi::Transport>> transports;
    transports.push_back(std::move(iscsi));
    return std::make_unique<drive::TMODrive>(std::move(transports));
}

// A command through the host adapter layer, with what TMODrive does not
// show: the completion, the host status and the autosense bytes.
struct Raw {
    std::uint8_t srbStatus = 0;
    std::uint8_t targetStatus = 0;
    std::uint8_t hostStatus = 0;
    std::array<std::uint8_t, 16> sense{};
    double ms = 0;
};

Raw raw(drive::TMODrive& drive, std::uint8_t ha, std::uint8_t target, std::uint8_t lun,
        std::vector<std::uint8_t> cdb, std::uint8_t* buffer = nullptr, std::uint32_t length = 0) {
    auto srb = scsi::TSRB_ExecSCSICmd::For(ha, target, lun, cdb, buffer, length);
    const auto start = Clock::now();
    drive.ExecSCSICommand(srb);
    return {srb.SRB_Status, srb.SRB_TargStat, srb.SRB_HaStat, srb.SenseArea, msSince(start)};
}

std::vector<std::uint8_t> read10Cdb(std::uint32_t lba, std::uint16_t blocks) {
    const auto cdb = sim::cdb10(0x28, lba, blocks);
    return {cdb.begin(), cdb.end()};
}

struct Sense {
    std::int32_t key = -9;
    std::int32_t asc = -9;
    std::int32_t ascq = -9;
    std::int32_t lba = -9;
};

Sense requestSense(drive::TMODrive& drive, std::uint8_t ha, std::uint8_t target, std::uint8_t lun) {
    Sense sense;
    drive.RequestSense(ha, target, lun, sense.key, sense.asc, sense.ascq, sense.lba);
    return sense;
}

std::vector<std::uint8_t> fileBytes(const std::string& path, std::size_t offset,
                                    std::size_t length) {
    std::ifstream file(path, std::ios::binary);
    file.seekg(static_cast<std::streamoff>(offset));
    std::vector<std::uint8_t> bytes(length);
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(length));
    bytes.resize(static_cast<std::size_t>(file.gcount()));
    return bytes;
}

std::vector<std::uint8_t> pattern(std::size_t length, unsigned seed) {
    std::vector<std::uint8_t> bytes(length);
    for (std::size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<std::uint8_t>((i * 131 + seed * 7 + i / 512) & 0xFF);
    }
    return bytes;
}

// A TCP port on 127.0.0.1 where nothing listens.
int closedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t size = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(fd);
    return ntohs(address.sin_port);
}

// Adapter 0 of the shared tgtd: target 0 is the "disks" target with every
// LUN it reports (0 controller, 1 512-byte, 2 2048-byte removable), target 1
// is LUN 1 of the "desc" target (descriptor-format sense).
class IscsiDriveTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        tgtd_ = std::make_unique<Tgtd>("shared");
        drive_ = driveFor({tgtd_->url("disks"), tgtd_->url("desc", 1)}, &transport_);
    }
    static void TearDownTestSuite() {
        drive_.reset();
        tgtd_.reset();
    }
    void SetUp() override { drive_->TimeOut_ExecSCSICommand = 10000; }

    // Sets the drive-wide block size that READ(10)/WRITE(10) count with.
    static void useLun(std::uint8_t lun) { ASSERT_EQ(drive_->Capacity(0, 0, lun), 0); }

    static inline std::unique_ptr<Tgtd> tgtd_;
    static inline std::unique_ptr<drive::TMODrive> drive_;
    static inline scsi::IscsiTransport* transport_ = nullptr;
};

TEST_F(IscsiDriveTest, OnePortalIsOneAdapterDescribedByItsAddress) {
    ASSERT_EQ(drive_->HostAdapterCount, 1);
    const auto& adapter = drive_->HostAdapters[0];
    EXPECT_EQ(adapter.Identifier, (*tgtd_)["portal"].substr(0, 16));
    EXPECT_EQ(adapter.ManagerId.rfind("libiscsi", 0), 0u) << adapter.ManagerId;
    EXPECT_EQ(adapter.SCSI_ID, 7);
    EXPECT_EQ(adapter.MaxTargets, 8);
    EXPECT_EQ(adapter.MaxTransferLength, 262144u);
    EXPECT_EQ(transport_->lunsOf(0, 0), (std::vector<std::uint8_t>{0, 1, 2}));
    EXPECT_EQ(transport_->lunsOf(0, 1), (std::vector<std::uint8_t>{1}));
    EXPECT_NE(transport_->reason().find("logged in, LUNs 0 1 2"), std::string::npos)
        << transport_->reason();
}

TEST_F(IscsiDriveTest, ANewSessionBringsNoUnitAttention) {
    // tgtd raises "power on, reset" for every new session on every LUN; the
    // transport takes it at login, as a bus initiator meets it only once.
    scsi::IscsiTransport* transport = nullptr;
    auto drive = driveFor({tgtd_->url("disks")}, &transport);
    EXPECT_EQ(drive->TestUnitReady(0, 0, 1), 0);
    EXPECT_EQ(drive->Capacity(0, 0, 2), 0);
    EXPECT_EQ(requestSense(*drive, 0, 0, 0).key, 0);
    EXPECT_EQ(transport->loginsOf(0, 0), 1);
}

TEST_F(IscsiDriveTest, InquiryDecodesWhatTgtdAnswers) {
    drive::TDeviceInfo info;
    drive_->Inquiry(0, 0, 1, info);
    EXPECT_EQ(info.HA, 0);
    EXPECT_EQ(info.LUN, 1);
    EXPECT_EQ(info.Qualifier, 0);
    EXPECT_EQ(info.DeviceType, 0);
    EXPECT_FALSE(info.Removable);
    EXPECT_EQ(info.Vendor, "QUILLON ");
    EXPECT_EQ(info.Product, "DISK-512        ");
    EXPECT_EQ(info.Revision, "0100");

    drive_->Inquiry(0, 0, 2, info);
    EXPECT_TRUE(info.Removable);
    EXPECT_EQ(info.Product, "MO-2048         ");
    EXPECT_TRUE(info.CommandQueue);

    drive_->Inquiry(0, 0, 0, info); // tgtd's controller LUN: type 0Ch
    EXPECT_EQ(info.Qualifier, 0);
    EXPECT_EQ(info.DeviceType, 10);

    drive_->Inquiry(0, 1, 1, info);
    EXPECT_EQ(info.Vendor, "IET     ");
    EXPECT_EQ(info.Product, "VIRTUAL-DISK    ");
}

TEST_F(IscsiDriveTest, LunsAndTargetsOutsideTheUrlsAnswerAsOnABus) {
    // LUN 0 of the desc target is not in its URL: the target ID answers, the
    // LUN is not there.
    drive::TDeviceInfo info;
    drive_->Inquiry(0, 1, 0, info);
    EXPECT_EQ(info.HA, 0);
    EXPECT_NE(info.Qualifier, 0);
    EXPECT_EQ(drive_->TestUnitReady(0, 1, 0), 2);
    const Sense sense = requestSense(*drive_, 0, 1, 0);
    EXPECT_EQ(sense.key, 5);
    EXPECT_EQ(drive::senseCodeText(sense.asc, sense.ascq), "logical unit not supported");

    // No target at ID 2: no answer, at once.
    drive_->Inquiry(0, 2, 0, info);
    EXPECT_EQ(info.HA, 255);
    const Raw none = raw(*drive_, 0, 2, 0, {0x00, 0, 0, 0, 0, 0});
    EXPECT_EQ(none.srbStatus, scsi::SS_ERR);
    EXPECT_EQ(none.hostStatus, scsi::host_status::SelectionTimeout);
    EXPECT_LT(none.ms, Slack);
}

TEST_F(IscsiDriveTest, ReadCapacityGivesEachLunsGeometry) {
    ASSERT_EQ(drive_->Capacity(0, 0, 1), 0);
    EXPECT_EQ(drive::TMODrive::LastBlockLBA, 4 * 1024 * 1024 / 512 - 1);
    EXPECT_EQ(drive::TMODrive::BlockSize, 512);
    EXPECT_EQ(drive::TMODrive::LongBlockSize, 600);
    ASSERT_EQ(drive_->Capacity(0, 0, 2), 0);
    EXPECT_EQ(drive::TMODrive::LastBlockLBA, 8 * 1024 * 1024 / 2048 - 1);
    EXPECT_EQ(drive::TMODrive::BlockSize, 2048);
    EXPECT_EQ(drive::TMODrive::LongBlockSize, 2380);
    ASSERT_EQ(drive_->Capacity(0, 1, 1), 0);
    EXPECT_EQ(drive::TMODrive::LastBlockLBA, 1024 * 1024 / 512 - 1);
}

TEST_F(IscsiDriveTest, WrittenBlocksReadBackAndSitInTheBackingFile) {
    struct Place {
        std::int32_t lba;
        std::int32_t blocks;
    };
    for (const std::uint8_t lun : {std::uint8_t{1}, std::uint8_t{2}}) {
        SCOPED_TRACE("LUN " + std::to_string(lun));
        useLun(lun);
        const auto blockSize = static_cast<std::size_t>(drive::TMODrive::BlockSize);
        const std::int32_t last = drive::TMODrive::LastBlockLBA;
        const std::string file = (*tgtd_)[lun == 1 ? "lun512" : "lun2048"];
        const auto wide = static_cast<std::int32_t>(65536 / blockSize);
        unsigned seed = lun * 100;
        for (const Place place :
             {Place{0, 1}, Place{7, 3}, Place{1000, 16}, Place{333, wide}, Place{last - 1, 2}}) {
            SCOPED_TRACE("LBA " + std::to_string(place.lba) + " x" + std::to_string(place.blocks));
            const std::size_t length = blockSize * static_cast<std::size_t>(place.blocks);
            auto data = pattern(length, ++seed);
            ASSERT_EQ(drive_->Write10(0, 0, lun, place.lba, place.blocks, data.data()), 0);
            std::vector<std::uint8_t> back(length, 0xEE);
            ASSERT_EQ(drive_->Read10(0, 0, lun, place.lba, place.blocks, back.data()), 0);
            EXPECT_EQ(back, data);
            EXPECT_EQ(fileBytes(file, static_cast<std::size_t>(place.lba) * blockSize, length),
                      data);
        }
        // The block past the end: refused, and nothing moves.
        std::vector<std::uint8_t> beyond(blockSize, 0x5A);
        EXPECT_EQ(drive_->Read10(0, 0, lun, last + 1, 1, beyond.data()), 2);
        EXPECT_EQ(requestSense(*drive_, 0, 0, lun).asc, 0x21);
        EXPECT_TRUE(std::all_of(beyond.begin(), beyond.end(), [](auto b) { return b == 0x5A; }));
    }
}

TEST_F(IscsiDriveTest, CommandsTgtdLacksEndInIllegalRequest) {
    useLun(2);
    std::vector<std::uint8_t> buffer(4096);
    const std::vector<std::pair<const char*, std::function<int()>>> commands{
        {"SEEK(10)",
         [&] {
             return drive_->Seek10(0, 0, 2, 5);
         }},
        {"READ LONG",
         [&] {
             return drive_->LongRead(0, 0, 2, 5, 2380, buffer.data());
         }},
        {"WRITE LONG",
         [&] {
             return drive_->LongWrite(0, 0, 2, 5, 2380, buffer.data());
         }},
        {"READ DEFECT DATA",
         [&] {
             return drive_->ReadDefect(0, 0, 2, 0x0D, 4, buffer.data());
         }},
    };
    for (const auto& [name, run] : commands) {
        SCOPED_TRACE(name);
        const auto start = Clock::now();
        EXPECT_EQ(run(), 2);
        EXPECT_LT(msSince(start), Slack);
        const Sense sense = requestSense(*drive_, 0, 0, 2);
        EXPECT_EQ(drive::senseKeyName(sense.key), "Illegal Request");
        EXPECT_EQ(sense.asc, 0x20);
        EXPECT_EQ(sense.ascq, 0x00);
        EXPECT_EQ(drive::senseCodeText(sense.asc, sense.ascq), "invalid command operation code");
        EXPECT_EQ(sense.lba, -1);
    }
    // The drive goes on as before.
    EXPECT_EQ(drive_->TestUnitReady(0, 0, 2), 0);
}

TEST_F(IscsiDriveTest, ModeSensePage01IsTheConfiguredOneAndModeSelectIsRefused) {
    std::array<std::uint8_t, 24> page{};
    ASSERT_EQ(drive_->ModeSense6(0, 0, 2, 0, 24, page.data()), 0);
    // Header, one block descriptor of 2048-byte blocks, then page 01h as
    // tgtd.sh configured it.
    EXPECT_EQ(page[0], 23);
    EXPECT_EQ(page[3], 8);
    EXPECT_EQ((page[9] << 16) | (page[10] << 8) | page[11], 2048);
    const std::array<std::uint8_t, 12> expected{0x01, 0x0A, 0xC0, 8, 0, 0, 0, 0, 8, 0, 0, 0};
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), page.begin() + 12));

    // LUN 1 has no page 01h.
    std::array<std::uint8_t, 24> none{};
    EXPECT_EQ(drive_->ModeSense6(0, 0, 1, 0, 24, none.data()), 2);
    EXPECT_EQ(requestSense(*drive_, 0, 0, 1).asc, 0x24);

    // Writing the page back (retry counts changed) is refused, the page stays.
    std::array<std::uint8_t, 16> select{0, 0, 0, 0, 0x01, 0x0A, 0xC0, 1, 0, 0, 0, 0, 1, 0, 0, 0};
    EXPECT_EQ(drive_->ModeSelect6(0, 0, 2, false, 16, select.data()), 2);
    const Sense sense = requestSense(*drive_, 0, 0, 2);
    EXPECT_EQ(drive::senseKeyName(sense.key), "Illegal Request");
    EXPECT_EQ(drive::senseCodeText(sense.asc, sense.ascq), "invalid field in parameter list");
    std::array<std::uint8_t, 24> again{};
    ASSERT_EQ(drive_->ModeSense6(0, 0, 2, 0, 24, again.data()), 0);
    EXPECT_EQ(again, page);
}

TEST_F(IscsiDriveTest, RequestSenseReadsTheFailureOnceLikeAParallelTarget) {
    std::vector<std::uint8_t> buffer(4096);
    ASSERT_EQ(drive_->LongRead(0, 0, 1, 0, 600, buffer.data()), 2);
    // INQUIRY leaves the sense alone.
    drive::TDeviceInfo info;
    drive_->Inquiry(0, 0, 1, info);
    EXPECT_EQ(requestSense(*drive_, 0, 0, 1).asc, 0x20);
    // Read once: then the target's own answer, no sense.
    EXPECT_EQ(requestSense(*drive_, 0, 0, 1).key, 0);
    // Kept per LUN, and any other command drops it.
    ASSERT_EQ(drive_->LongRead(0, 0, 1, 0, 600, buffer.data()), 2);
    ASSERT_EQ(drive_->LongRead(0, 0, 2, 0, 2380, buffer.data()), 2);
    EXPECT_EQ(drive_->TestUnitReady(0, 0, 1), 0);
    EXPECT_EQ(requestSense(*drive_, 0, 0, 1).key, 0);
    EXPECT_EQ(requestSense(*drive_, 0, 0, 2).asc, 0x20);
}

TEST_F(IscsiDriveTest, DescriptorSenseComesThroughAsTheTargetSentIt) {
    std::array<std::uint8_t, 600> buffer{};
    const Raw failed =
        raw(*drive_, 0, 1, 1, {0x3E, 0, 0, 0, 0, 0, 0, 0x02, 0x58, 0}, buffer.data(), 600);
    EXPECT_EQ(failed.targetStatus, 2);
    EXPECT_EQ(failed.hostStatus, 0);
    EXPECT_EQ(failed.sense[0], 0x72);
    EXPECT_EQ(failed.sense[1], 0x05);
    EXPECT_EQ(failed.sense[2], 0x20);

    std::array<std::uint8_t, 255> sense{};
    const Raw asked = raw(*drive_, 0, 1, 1, {0x03, 0, 0, 0, 0xFF, 0}, sense.data(), 255);
    EXPECT_EQ(asked.srbStatus, scsi::SS_COMP);
    EXPECT_EQ(sense[0], 0x72);

    // And TMODrive decodes it.
    ASSERT_EQ(drive_->Seek10(0, 1, 1, 5), 2);
    const Sense decoded = requestSense(*drive_, 0, 1, 1);
    EXPECT_EQ(decoded.key, 5);
    EXPECT_EQ(decoded.asc, 0x20);
    EXPECT_EQ(decoded.ascq, 0x00);
    EXPECT_EQ(decoded.lba, -1);
}

TEST_F(IscsiDriveTest, ATimedOutCommandIsAbortedAndItsLateReplyDropped) {
    useLun(1);
    const int logins = transport_->loginsOf(0, 0);
    drive_->TimeOut_ExecSCSICommand = 400;
    std::vector<std::uint8_t> buffer(65536, 0xAA);
    Raw late;
    {
        tgtd_->pause();
        ResumeLater resume(*tgtd_, std::chrono::milliseconds(800));
        late = raw(*drive_, 0, 0, 1, read10Cdb(0, 128), buffer.data(), 65536);
    }
    // Failed at its time-out. Thawed, tgtd mostly sends the reply before it
    // reads the ABORT TASK behind it (the task then no longer exists: SS_ERR);
    // had it aborted the task, SS_ABORTED.
    EXPECT_TRUE(late.srbStatus == scsi::SS_ERR || late.srbStatus == scsi::SS_ABORTED)
        << int{late.srbStatus};
    EXPECT_EQ(late.targetStatus, 0);
    EXPECT_GE(late.ms, 400);
    EXPECT_LT(late.ms, 400 + 1000 + Slack);
    // tgtd has sent the data by now; it did not reach the caller's buffer.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](auto b) { return b == 0xAA; }));

    drive_->TimeOut_ExecSCSICommand = 10000;
    EXPECT_EQ(drive_->Read10(0, 0, 1, 0, 128, buffer.data()), 0);
    EXPECT_EQ(transport_->loginsOf(0, 0), logins) << "the session should have survived";
}

TEST_F(IscsiDriveTest, ChapUserInTheUrlPasswordFromTheEnvironment) {
    const std::string password = (*tgtd_)["chap_password"];
    const std::string portal = (*tgtd_)["portal"];
    const std::string target = (*tgtd_)["chap"];
    ::setenv("LIBISCSI_CHAP_PASSWORD", password.c_str(), 1);
    scsi::IscsiTransport* transport = nullptr;
    auto drive = driveFor({"iscsi://quillon@" + portal + "/" + target + "/1"}, &transport);
    ::unsetenv("LIBISCSI_CHAP_PASSWORD");
    drive::TDeviceInfo info;
    drive->Inquiry(0, 0, 1, info);
    EXPECT_EQ(info.Qualifier, 0);
    EXPECT_EQ(info.Product, "VIRTUAL-DISK    ");
    EXPECT_EQ(transport->reason().find(password), std::string::npos);

    // A wrong password: no login, and the message does not show it.
    auto wrong = driveFor({"iscsi://quillon%not-" + password + "@" + portal + "/" + target + "/1"},
                          &transport);
    wrong->Inquiry(0, 0, 1, info);
    EXPECT_EQ(info.HA, 255);
    EXPECT_NE(transport->reason().find("login failed"), std::string::npos) << transport->reason();
    EXPECT_EQ(transport->reason().find(password), std::string::npos);
    EXPECT_EQ(std::string(wrong->HostAdapters[0].Identifier).find("quillon"), std::string::npos);

    // The user alone, with no password anywhere, is refused outright.
    try {
        driveFor({"iscsi://quillon@" + portal + "/" + target + "/1"});
        ADD_FAILURE() << "a user without a password was taken";
    } catch (const std::invalid_argument& error) {
        EXPECT_NE(std::string(error.what()).find("LIBISCSI_CHAP_PASSWORD"), std::string::npos);
    }
}

// Each test here has a tgtd of its own.
TEST(IscsiTargetLossTest, AKilledTargetFailsEveryCommandFastThenComesBack) {
    Tgtd tgtd("loss");
    scsi::IscsiTransport* transport = nullptr;
    auto drive = driveFor({tgtd.url("disks", 1)}, &transport);
    ASSERT_EQ(drive->Capacity(0, 0, 1), 0);
    std::vector<std::uint8_t> buffer(65536);
    ASSERT_EQ(drive->Read10(0, 0, 1, 0, 128, buffer.data()), 0);

    // Killed while it holds a command: the command is tried once more on a
    // new connection, which nobody answers.
    drive->TimeOut_ExecSCSICommand = 3000;
    tgtd.pause();
    std::thread killer([&tgtd] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        tgtd.stop();
    });
    const Raw inFlight = raw(*drive, 0, 0, 1, read10Cdb(0, 128), buffer.data(), 65536);
    killer.join();
    EXPECT_EQ(inFlight.srbStatus, scsi::SS_ERR);
    EXPECT_EQ(inFlight.targetStatus, 0);
    EXPECT_EQ(inFlight.hostStatus, scsi::host_status::SelectionTimeout);
    EXPECT_LT(inFlight.ms, 3000);

    // Every later command fails at once, and the program goes on.
    for (int i = 0; i < 3; ++i) {
        const Raw next = raw(*drive, 0, 0, 1, {0x00, 0, 0, 0, 0, 0});
        EXPECT_EQ(next.srbStatus, scsi::SS_ERR);
        EXPECT_EQ(next.hostStatus, scsi::host_status::SelectionTimeout);
        EXPECT_LT(next.ms, Slack);
    }
    EXPECT_NE(transport->reason().find("cannot connect"), std::string::npos) << transport->reason();

    // Back on the same port: the next command logs in again and goes
    // through.
    tgtd.start();
    EXPECT_EQ(drive->Read10(0, 0, 1, 0, 128, buffer.data()), 0);
    EXPECT_EQ(transport->loginsOf(0, 0), 2);
}

TEST(IscsiTargetLossTest, AnUnreachablePortalIsStillAnAdapterWhoseCommandsFailFast) {
    Tgtd tgtd("reach");
    const std::string refused = "127.0.0.1:" + std::to_string(closedPort());
    // A portal that takes the connection and never says a word.
    const int silent = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(silent, 4), 0);
    socklen_t size = sizeof address;
    ::getsockname(silent, reinterpret_cast<sockaddr*>(&address), &size);
    const std::string mute = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));

    scsi::IscsiTransport::Options options;
    options.connectTimeoutMs = 600;
    options.silentPortalHoldOffMs = 1000;
    scsi::IscsiTransport* transport = nullptr;
    const auto start = Clock::now();
    auto drive =
        driveFor({"iscsi://" + refused + "/iqn.2024-01.quillon.test:none/0", tgtd.url("disks", 1),
                  "iscsi://" + mute + "/iqn.2024-01.quillon.test:mute/0"},
                 &transport, options);
    EXPECT_LT(msSince(start), 600 + Slack);
    ASSERT_EQ(drive->HostAdapterCount, 3);
    EXPECT_EQ(drive->HostAdapters[0].Identifier, refused.substr(0, 16));
    EXPECT_EQ(drive->HostAdapters[2].Identifier, mute.substr(0, 16));
    const std::string reason = transport->reason();
    EXPECT_NE(reason.find("cannot connect"), std::string::npos) << reason;
    EXPECT_NE(reason.find("no answer within 600 ms"), std::string::npos) << reason;

    drive->TimeOut_ExecSCSICommand = 5000;
    const Raw refusedRaw = raw(*drive, 0, 0, 0, {0x12, 0, 0, 0, 36, 0});
    EXPECT_EQ(refusedRaw.hostStatus, scsi::host_status::SelectionTimeout);
    EXPECT_LT(refusedRaw.ms, Slack);
    // The silent portal missed its login deadline while opening: it is left
    // alone for a while, its commands failing at once.
    const Raw heldOff = raw(*drive, 2, 0, 0, {0x12, 0, 0, 0, 36, 0});
    EXPECT_EQ(heldOff.hostStatus, scsi::host_status::SelectionTimeout);
    EXPECT_LT(heldOff.ms, Slack);
    // Then a command gets one attempt, bounded by the connect time-out.
    std::this_thread::sleep_until(start + std::chrono::milliseconds(600 + 1000 + 100));
    const Raw muteRaw = raw(*drive, 2, 0, 0, {0x12, 0, 0, 0, 36, 0});
    EXPECT_EQ(muteRaw.hostStatus, scsi::host_status::SelectionTimeout);
    EXPECT_GE(muteRaw.ms, 500);
    EXPECT_LT(muteRaw.ms, 600 + Slack);
    // With a time-out shorter than that, the command's own wins.
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    drive->TimeOut_ExecSCSICommand = 200;
    const Raw shortRaw = raw(*drive, 2, 0, 0, {0x12, 0, 0, 0, 36, 0});
    EXPECT_NE(shortRaw.srbStatus, scsi::SS_COMP);
    EXPECT_LT(shortRaw.ms, 200 + Slack);

    // The portal that answers works all along.
    drive->TimeOut_ExecSCSICommand = 10000;
    drive::TDeviceInfo info;
    drive->Inquiry(1, 0, 1, info);
    EXPECT_EQ(info.Product, "DISK-512        ");
    ::close(silent);
}

} // namespace

int main(int argc, char** argv) {
    if (std::getenv("QUILLON_TGTD_ROOT") == nullptr) {
        // Under tgtd.sh, which stops the daemons however this ends.
        std::vector<char*> args{const_cast<char*>(QUILLON_TGTD_SCRIPT), const_cast<char*>("run")};
        args.insert(args.end(), argv, argv + argc);
        args.push_back(nullptr);
        ::execv(QUILLON_TGTD_SCRIPT, args.data());
        std::perror("cannot run " QUILLON_TGTD_SCRIPT);
        return 1;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
