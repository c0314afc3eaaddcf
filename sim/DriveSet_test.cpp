#include "DriveSet.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace quillon::sim;

TEST(DriveSet, DefaultSetHoldsTwoMoDrivesAndADisk) {
    const auto set = defaultDriveSet();
    ASSERT_EQ(set.size(), 3u);
    EXPECT_EQ(set.at(2)->lun(0)->peripheralByte(), 0x07);
    EXPECT_EQ(set.at(4)->lun(0)->peripheralByte(), 0x07);
    EXPECT_EQ(set.at(5)->lun(0)->peripheralByte(), 0x00);
}

TEST(DriveSet, DescriptionSetsMediaLunsAndOptions) {
    const auto set = parseDriveSet("2=mo230+mo640:wp:no-save,3=mo1300,3.1=mo640:legacy-sense");
    ASSERT_EQ(set.size(), 2u);
    SimDrive& drive = *set.at(2)->lun(0);
    EXPECT_EQ(drive.waitingMedia(), 1u);
    EXPECT_FALSE(drive.modePage().savable());
    EXPECT_EQ(set.at(3)->luns(), (std::vector<std::uint8_t>{0, 1}));
    EXPECT_TRUE(set.at(3)->lun(1)->legacySense());
    EXPECT_FALSE(set.at(3)->lun(0)->legacySense());

    // The write-protected cartridge is the loaded one: a write is refused.
    std::uint8_t data[512]{};
    const std::uint8_t tur[6]{};
    const std::uint8_t write[10]{0x2A, 0, 0, 0, 0, 0, 0, 0, 1, 0};
    drive.execute({tur, {}, {}, std::nullopt}); // takes the power-on unit attention
    const auto outcome = drive.execute({write, data, {}, std::nullopt});
    EXPECT_EQ(outcome.sense[2], 0x07);
    EXPECT_EQ(outcome.sense[12], 0x27);
}

TEST(DriveSet, FailOptionsInjectFaultsByOperationCode) {
    const auto set = parseDriveSet("2=mo230:fail=1b-busy:fail=25-3.11.0");
    SimDrive& drive = *set.at(2)->lun(0);
    const std::uint8_t tur[6]{};
    const std::uint8_t eject[6]{0x1B, 0, 0, 0, 2, 0};
    const std::uint8_t capacity[10]{0x25};
    std::uint8_t data[8]{};
    drive.execute({tur, {}, {}, std::nullopt});
    for (int i = 0; i < 2; ++i) { // every time, not once
        EXPECT_EQ(drive.execute({eject, {}, {}, std::nullopt}).status, 0x08);
        const auto failed = drive.execute({capacity, {}, data, std::nullopt});
        EXPECT_EQ(failed.status, 0x02);
        EXPECT_EQ(failed.sense[2] & 0x0F, 0x03);
        EXPECT_EQ(failed.sense[12], 0x11);
    }
    EXPECT_EQ(drive.execute({tur, {}, {}, std::nullopt}).status, 0x00);
}

TEST(DriveSet, BurstOptionDefectsALongSector) {
    const auto set = parseDriveSet("2=mo230:error-rate=0:burst=300.10.20");
    SimDrive& drive = *set.at(2)->lun(0);
    const std::uint8_t tur[6]{};
    drive.execute({tur, {}, {}, std::nullopt});
    std::vector<std::uint8_t> written(600, 0xA5);
    std::vector<std::uint8_t> read(600);
    const auto differing = [&](std::uint8_t lba) {
        const std::uint8_t writeLong[10]{0x3F, 0, 0, 0, 1, lba, 0, 0x02, 0x58, 0};
        const std::uint8_t readLong[10]{0x3E, 0, 0, 0, 1, lba, 0, 0x02, 0x58, 0};
        drive.execute({writeLong, written, {}, std::nullopt});
        drive.execute({readLong, {}, read, std::nullopt});
        std::vector<std::size_t> offsets;
        for (std::size_t i = 0; i < read.size(); ++i) {
            if (read[i] != written[i]) {
                offsets.push_back(i);
            }
        }
        return offsets;
    };
    const auto burst = differing(300 - 256);
    ASSERT_EQ(burst.size(), 20u);
    EXPECT_EQ(burst.front(), 10u);
    EXPECT_TRUE(differing(301 - 256).empty());
}

TEST(DriveSet, FixedPageAndUnitAttentionOptions) {
    const auto set = parseDriveSet("2=mo230:fixed-page:no-ua,4=mo230:ua,5=mo230");
    SimDrive& fixed = *set.at(2)->lun(0);
    EXPECT_EQ(fixed.modePage().changeable(), ErrorRecoveryPage::Parameters{});
    EXPECT_EQ(fixed.modePage().current(), set.at(4)->lun(0)->modePage().current());
    const std::uint8_t tur[6]{};
    EXPECT_EQ(fixed.execute({tur, {}, {}, std::nullopt}).status, 0x00); // no unit attention
    EXPECT_EQ(set.at(4)->lun(0)->execute({tur, {}, {}, std::nullopt}).status, 0x02);
    // A drive on a running system: the host took the power-on attention.
    SimDrive& running = *set.at(5)->lun(0);
    EXPECT_EQ(running.execute({tur, {}, {}, std::nullopt}).status, 0x00);
    // A medium change still raises one.
    running.ejectMedium();
    running.insertMedium(Medium::named("mo640"));
    EXPECT_EQ(running.execute({tur, {}, {}, std::nullopt}).status, 0x02);
}

TEST(DriveSet, NoDcrOptionKeepsCorrectionOn) {
    const auto set = parseDriveSet("2=mo230:no-dcr");
    const auto page = set.at(2)->lun(0)->modePage();
    EXPECT_EQ(page.changeable()[0], 0xFF & ~ErrorRecoveryPage::DCR);
    EXPECT_EQ(page.changeable()[1], 0xFF); // the rest may still change
}

TEST(DriveSet, BadDescriptionsAreRefusedWithAReason) {
    const auto refusal = [](const char* text) {
        try {
            parseDriveSet(text);
        } catch (const std::invalid_argument& error) {
            return std::string(error.what());
        }
        return std::string("accepted");
    };
    EXPECT_NE(refusal("2=mo999").find("unknown medium \"mo999\""), std::string::npos);
    EXPECT_NE(refusal("7=mo230").find("adapter's own"), std::string::npos);
    EXPECT_NE(refusal("8=mo230").find("target ID"), std::string::npos);
    EXPECT_NE(refusal("2=mo230,2=mo640").find("given twice"), std::string::npos);
    EXPECT_NE(refusal("2.1=mo230").find("after LUN 0"), std::string::npos);
    EXPECT_NE(refusal("2=mo230:fast").find("unknown option \"fast\""), std::string::npos);
    for (const char* rate : {"2", "-0.1", "nan", "inf", "1e-400x", "0.5x"}) {
        EXPECT_NE(refusal(("2=mo230:error-rate=" + std::string(rate)).c_str())
                      .find("error-rate must be a number from 0 to 1"),
                  std::string::npos)
            << rate;
    }
    EXPECT_NE(refusal("2=disk+disk").find("one fixed disk"), std::string::npos);
    EXPECT_NE(refusal("2=mo230+disk").find("either MO media"), std::string::npos);
    EXPECT_NE(refusal("2").find("ID=MEDIUM"), std::string::npos);
    EXPECT_NE(refusal("2=mo230:fail=1b").find("OP-ANSWER"), std::string::npos);
    EXPECT_NE(refusal("2=mo230:fail=1b-3.11").find("KEY.ASC.ASCQ"), std::string::npos);
    EXPECT_NE(refusal("2=mo230:fail=zz-busy").find("hexadecimal"), std::string::npos);
    EXPECT_NE(refusal("2=mo230:burst=300.10").find("LBA.OFFSET.LENGTH"), std::string::npos);
    EXPECT_EQ(refusal("2=mo230:burst=300.10.0"),
              "simulated drive \"2=mo230:burst=300.10.0\": the burst's length must be from 1 to "
              "4096");
    EXPECT_NE(refusal("2=mo230+mo230:wp=3").find("1 to 2"), std::string::npos);
    EXPECT_NE(refusal("2=mo230:wp=0").find("1 to 1"), std::string::npos);
    EXPECT_EQ(refusal("2=mo230,3=mo128:burst=248826.0.1"),
              "simulated drive \"3=mo128:burst=248826.0.1\": burst defect outside the medium");
    EXPECT_NE(refusal("2=mo230:grown=300").find("LBA.COUNT"), std::string::npos);
    EXPECT_EQ(refusal("2=mo128:grown=248825.2"),
              "simulated drive \"2=mo128:grown=248825.2\": grown defects outside the medium");
}

TEST(DriveSet, GrownOptionAddsRunsToTheGrownList) {
    const auto set = parseDriveSet("2=mo230:grown=1000.3:grown=1001.3:index-defects");
    const auto grown = set.at(2)->lun(0)->defectLists().grown;
    const auto from = std::find(grown.begin(), grown.end(), 1000u);
    ASSERT_NE(from, grown.end());
    EXPECT_EQ(std::vector<std::uint32_t>(from, from + 4),
              (std::vector<std::uint32_t>{1000, 1001, 1002, 1003})); // each block once
    EXPECT_EQ(grown.size(), parseDriveSet("2=mo230").at(2)->lun(0)->defectLists().grown.size() + 4);
}
