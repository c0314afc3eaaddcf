#include "Bytes.h"
#include "DriveSet.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace quillon::sim;
using Bytes = std::vector<std::uint8_t>;

namespace {

// A directory of the test's own, removed with everything in it.
class TempDir {
public:
    TempDir() {
        std::string name =
            (std::filesystem::temp_directory_path() / "quillon-image-XXXXXX").string();
        if (::mkdtemp(name.data()) == nullptr) {
            throw std::runtime_error("no temporary directory");
        }
        path_ = name;
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    std::string operator/(const char* file) const { return (path_ / file).string(); }

private:
    std::filesystem::path path_;
};

Bytes pattern(std::size_t size, unsigned seed) {
    Bytes b(size);
    for (std::size_t i = 0; i < size; ++i) {
        b[i] = static_cast<std::uint8_t>(i * 13 + seed * 71 + (i >> 7));
    }
    return b;
}

// The drive at 0:2:0 of a set, as one program run sees it.
class Session {
public:
    explicit Session(const std::string& drives)
        : set_(parseDriveSet(drives)), drive_(*set_.at(2)->lun(0)) {}

    SimDrive& drive() { return drive_; }

    // "good" or the sense of a CHECK CONDITION as "K/AA/QQ".
    std::string command(std::span<const std::uint8_t> cdb, std::span<const std::uint8_t> out,
                        Bytes* in = nullptr) {
        const auto outcome = drive_.execute(
            {cdb, out, in ? std::span(*in) : std::span<std::uint8_t>{}, std::nullopt});
        if (outcome.status == status::Good) {
            return "good";
        }
        char text[16];
        std::snprintf(text, sizeof text, "%X/%02X/%02X", outcome.sense[2] & 0x0F, outcome.sense[12],
                      outcome.sense[13]);
        return text;
    }
    std::string write(std::uint32_t lba, const Bytes& data) {
        return command(cdb10(op::Write10, lba, 1), data);
    }
    std::string writeLong(std::uint32_t lba, const Bytes& raw) {
        return command(cdb10(op::WriteLong10, lba, static_cast<std::uint16_t>(raw.size())), raw);
    }
    // The verdict of a READ(10) of one block, and the data it returned.
    std::pair<std::string, Bytes> read(std::uint32_t lba, std::size_t blockSize = 512) {
        Bytes data(blockSize);
        auto verdict = command(cdb10(op::Read10, lba, 1), {}, &data);
        return {verdict, data};
    }
    Bytes readLong(std::uint32_t lba, std::uint16_t length = 600) {
        Bytes raw(length);
        EXPECT_EQ(command(cdb10(op::ReadLong10, lba, length), {}, &raw), "good");
        return raw;
    }
    std::string format(std::uint8_t byte1 = 0, const Bytes& list = {}) {
        const std::uint8_t cdb[6]{op::FormatUnit, byte1, 0, 0, 0, 0};
        return command(cdb, list);
    }

private:
    DriveSet set_;
    SimDrive& drive_;
};

std::string refusal(const std::string& drives) {
    try {
        parseDriveSet(drives);
    } catch (const std::invalid_argument& error) {
        return error.what();
    }
    return "accepted";
}

struct stat statusOf(const std::string& path) {
    struct stat status {};
    EXPECT_EQ(::stat(path.c_str(), &status), 0);
    return status;
}

std::uint64_t bytesOnDisk(const std::string& path) {
    return static_cast<std::uint64_t>(statusOf(path).st_blocks) * 512;
}

std::uint64_t fileSize(const std::string& path) {
    return static_cast<std::uint64_t>(statusOf(path).st_size);
}

constexpr std::uint64_t Mo230Bytes = 446325ull * 600;

} // namespace

TEST(MediumImage, KeepsSectorsAndCheckBytesFromOneRunToTheNext) {
    TempDir dir;
    const std::string drives = "2=mo230:error-rate=0:image=" + dir / "mo230.img";
    const auto data = pattern(512, 1);
    Bytes longSector;
    Bytes wrongCheck;
    {
        Session first(drives);
        ASSERT_EQ(first.write(5, data), "good");
        longSector = first.readLong(5);
        wrongCheck = longSector;
        wrongCheck[100] ^= 0x10; // data no longer matching its check bytes
        ASSERT_EQ(first.writeLong(6, wrongCheck), "good");
        ASSERT_EQ(first.writeLong(7, Bytes(600, 0)), "good");
        ASSERT_EQ(first.write(8, data), "good");
        ASSERT_EQ(first.write(8, Bytes(512, 0)), "good"); // overwritten
    }
    Session second(drives);
    EXPECT_EQ(second.read(5), std::pair(std::string("good"), data));
    EXPECT_EQ(second.readLong(5), longSector);
    Bytes check(88);
    SectorStore::computeCheckBytes(data, check);
    EXPECT_TRUE(std::equal(check.begin(), check.end(), longSector.begin() + 512));

    EXPECT_EQ(second.read(6).first, "3/11/00"); // still uncorrectable
    EXPECT_EQ(second.readLong(6), wrongCheck);
    // Written with zero bytes is not the same as never written.
    EXPECT_EQ(second.read(7).first, "3/11/00");
    EXPECT_EQ(second.readLong(7), Bytes(600, 0));
    EXPECT_EQ(second.read(8), std::pair(std::string("good"), Bytes(512, 0)));
    EXPECT_EQ(second.read(9), std::pair(std::string("good"), Bytes(512, 0)));
    EXPECT_EQ(second.readLong(9), second.readLong(8)); // the blank sector

    // The image grows on: a second session's writes join the first's.
    ASSERT_EQ(second.write(10, pattern(512, 2)), "good");
    EXPECT_EQ(second.read(10).second, pattern(512, 2));
    ASSERT_EQ(second.write(10, pattern(512, 3)), "good");
    EXPECT_EQ(second.read(10).second, pattern(512, 3));
    EXPECT_EQ(second.read(5).second, data);
}

TEST(MediumImage, KeepsTheGrownDefectListAndOnlyTheLoadedMedium) {
    TempDir dir;
    const std::string drives = "2=mo230+mo640:image=" + dir / "mo230.img";
    const auto factory = Session("2=mo230").drive().defectLists().grown;
    {
        Session first(drives);
        EXPECT_EQ(first.drive().defectLists().grown, factory); // a new image: as from the factory
        // FmtData and CmpLst: the grown list becomes blocks 200 and 100.
        ASSERT_EQ(first.format(0x18, {0, 0, 0, 8, 0, 0, 0, 200, 0, 0, 0, 100}), "good");
        ASSERT_EQ(first.write(3, pattern(512, 3)), "good");
        ASSERT_TRUE(first.drive().ejectMedium()); // the mo640 comes in, blank
        EXPECT_EQ(first.read(3, 2048).first, "6/28/00");
        EXPECT_EQ(first.read(3, 2048), std::pair(std::string("good"), Bytes(2048, 0)));
        ASSERT_EQ(first.command(cdb10(op::Write10, 3, 1), pattern(2048, 4)), "good");
    }
    Session second(drives);
    EXPECT_EQ(second.drive().defectLists().grown, (std::vector<std::uint32_t>{100, 200}));
    EXPECT_EQ(second.drive().defectLists().primary,
              Session("2=mo230").drive().defectLists().primary);
    EXPECT_EQ(second.read(3).second, pattern(512, 3));
    second.drive().ejectMedium();
    second.read(3, 2048); // the medium change
    EXPECT_EQ(second.read(3, 2048).second, Bytes(2048, 0));
}

TEST(MediumImage, IsSparseAndFormattingClearsIt) {
    TempDir dir;
    const auto path = dir / "mo230.img";
    const std::string drives = "2=mo230:image=" + path;
    {
        Session run(drives);
        for (std::uint32_t lba = 0; lba < 446325; lba += 50000) {
            ASSERT_EQ(run.write(lba, pattern(512, lba)), "good");
        }
        EXPECT_GE(fileSize(path), Mo230Bytes);
        EXPECT_LT(bytesOnDisk(path), 512u * 1024); // ten sectors, not 268 MB
        EXPECT_GT(bytesOnDisk(path), 0u);
        ASSERT_EQ(run.format(), "good");
        EXPECT_EQ(run.read(100000).second, Bytes(512, 0));
    }
    EXPECT_GE(fileSize(path), Mo230Bytes);
    EXPECT_LT(bytesOnDisk(path), 128u * 1024);
    Session after(drives);
    EXPECT_EQ(after.read(100000), std::pair(std::string("good"), Bytes(512, 0)));
    EXPECT_EQ(after.readLong(0), Session("2=mo230").readLong(0)); // the blank sector
}

TEST(MediumImage, AnotherMediumOrAnUnusableFileIsRefusedWithTheUnitNamed) {
    TempDir dir;
    const auto path = dir / "mo230.img";
    {
        Session run("2=mo230:image=" + path);
        ASSERT_EQ(run.write(1, pattern(512, 1)), "good");
    }
    EXPECT_EQ(refusal("2=mo640:image=" + path),
              "simulated drive \"2=mo640:image=" + path + "\": the image " + path +
                  " holds a mo230 medium (446325 sectors of 600 bytes), not a mo640");
    EXPECT_NE(refusal("2=mo230:image=" + path + ",3=mo230:image=" + path).find("is in use"),
              std::string::npos);
    EXPECT_NE(refusal("2=mo230:image=").find("image needs a file"), std::string::npos);
    EXPECT_NE(refusal("2=mo230:image=" + dir / "").find("cannot be opened"), std::string::npos);
    for (const auto& text :
         {std::string("not an image at all\n"), std::string("hi"), std::string(4200, 0)}) {
        std::ofstream(dir / "other") << text;
        EXPECT_NE(refusal("2=mo230:image=" + dir / "other").find("is not a Quillon medium image"),
                  std::string::npos);
        EXPECT_EQ(fileSize(dir / "other"), text.size()); // left as it was
    }
    // A set refused further on creates no image.
    EXPECT_NE(refusal("2=mo230:image=" + dir / "new.img" + ",3=mo999"), "accepted");
    EXPECT_FALSE(std::filesystem::exists(dir / "new.img"));
    // An empty file, as mktemp leaves one, becomes a new image.
    std::ofstream(dir / "empty").close();
    EXPECT_EQ(Session("2=mo230:image=" + dir / "empty").read(1).second, Bytes(512, 0));
    EXPECT_GE(fileSize(dir / "empty"), Mo230Bytes);
    // A refused image is left as it was.
    EXPECT_EQ(Session("2=mo230:image=" + path).read(1).second, pattern(512, 1));
}

namespace {

// In a child process: writes, then is killed before it can end any other way.
[[noreturn]] void writeAndGetKilled(const std::string& drives, const Bytes& data) {
    Session session(drives);
    if (session.write(1234, data) == "good" &&
        session.writeLong(1235, Bytes(600, 0x5A)) == "good") {
        std::raise(SIGKILL);
    }
    std::_Exit(1);
}

// In a child process: a file size limit lets the sectors at the start of the
// image be written, not those at the end. Exits 0 when the drive says so.
[[noreturn]] void writeBeyondTheFileSizeLimit(const std::string& drives) {
    std::signal(SIGXFSZ, SIG_IGN);
    Session session(drives);
    const rlimit limit{Mo230Bytes / 2, Mo230Bytes / 2};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    const bool ok = session.write(0, pattern(512, 0)) == "good" &&
                    session.write(446324, pattern(512, 1)) == "3/0C/00" &&
                    session.format() == "3/0C/00";
    std::_Exit(ok ? 0 : 1);
}

} // namespace

TEST(MediumImage, AWriteOutlivesAProcessKilledRightAfterIt) {
    TempDir dir;
    const std::string drives = "2=mo230:image=" + dir / "mo230.img";
    const auto data = pattern(512, 7);
    EXPECT_EXIT(writeAndGetKilled(drives, data), testing::KilledBySignal(SIGKILL), "");
    Session after(drives);
    EXPECT_EQ(after.read(1234).second, data);
    EXPECT_EQ(after.readLong(1235), Bytes(600, 0x5A));
}

TEST(MediumImage, AFileThatFailsFailsTheCommandWithAMediumError) {
    TempDir dir;
    const auto path = dir / "mo230.img";
    const std::string drives = "2=mo230:image=" + path;
    EXPECT_EXIT(writeBeyondTheFileSizeLimit(drives), testing::ExitedWithCode(0), "");
    // A file cut short behind the drive's back.
    Session session(drives);
    ASSERT_EQ(session.write(446324, pattern(512, 1)), "good");
    ASSERT_EQ(::truncate(path.c_str(), 1 << 20), 0);
    EXPECT_EQ(session.read(446324).first, "3/11/00");
    EXPECT_EQ(session.read(0).first, "good"); // unwritten: not read from the file
}

TEST(MediumImage, AStoreWithAnImageHoldsNoContentsInMemory) {
    TempDir dir;
    const auto& profile = *findMediaProfile("mo230");
    SectorStore store(
        profile.blockCount(), 512, 600,
        std::make_unique<MediumImage>(dir / "mo230.img", profile, std::vector<std::uint32_t>{}));
    for (std::uint32_t lba = 0; lba < 2000; ++lba) {
        store.writeData(lba, pattern(512, lba));
    }
    store.writeLong(2000, Bytes(600, 0x33));
    EXPECT_EQ(store.distinctContents(), 1u); // the blank sector alone
    EXPECT_LT(store.bytesHeld(), 4096u);
    for (std::uint32_t lba = 0; lba < 2000; lba += 99) {
        const auto raw = store.longSector(lba);
        EXPECT_EQ(Bytes(raw.begin(), raw.begin() + 512), pattern(512, lba)) << lba;
        EXPECT_TRUE(store.checkBytesMatch(lba));
    }
    EXPECT_FALSE(store.checkBytesMatch(2000));
    EXPECT_TRUE(store.checkBytesMatch(2001));
    EXPECT_EQ(store.image()->grownDefectsAtOpen(), std::vector<std::uint32_t>{});
}
