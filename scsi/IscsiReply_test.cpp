#include "IscsiReply.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <iscsi/iscsi.h>
#include <iscsi/scsi-lowlevel.h>
#include <vector>

namespace quillon::scsi {
namespace {

// Fixed-format sense data with a sense key and ASC, 18 bytes.
std::vector<std::uint8_t> fixedSense(std::uint8_t key, std::uint8_t asc) {
    std::vector<std::uint8_t> sense(18, 0);
    sense[0] = 0x70;
    sense[2] = key;
    sense[7] = 10;
    sense[12] = asc;
    sense[17] = 0xA5; // past the 14 bytes a result keeps
    return sense;
}

// The data segment of a CHECK CONDITION response as libiscsi keeps it: a
// two-byte length, then the sense bytes.
std::vector<std::uint8_t> segmentOf(const std::vector<std::uint8_t>& sense, std::size_t length) {
    std::vector<std::uint8_t> segment(2 + sense.size());
    segment[0] = static_cast<std::uint8_t>(length >> 8);
    segment[1] = static_cast<std::uint8_t>(length);
    std::copy(sense.begin(), sense.end(), segment.begin() + 2);
    return segment;
}

// A finished task whose data-in segment is the given bytes.
scsi_task taskWith(std::vector<std::uint8_t>& segment) {
    scsi_task task{};
    task.datain.data = segment.data();
    task.datain.size = static_cast<int>(segment.size());
    return task;
}

TEST(IscsiReplyTest, ATargetStatusIsPassedOnWithItsSenseBytes) {
    const auto good = iscsiResult(SCSI_STATUS_GOOD, {});
    EXPECT_EQ(good.completion, Completion::Ok);
    EXPECT_EQ(good.targetStatus, 0);
    EXPECT_EQ(good.hostStatus, host_status::Ok);

    const auto sense = fixedSense(0x03, 0x11);
    const auto check = iscsiResult(SCSI_STATUS_CHECK_CONDITION, sense);
    EXPECT_EQ(check.completion, Completion::Error);
    EXPECT_EQ(check.targetStatus, SCSI_STATUS_CHECK_CONDITION);
    EXPECT_EQ(check.hostStatus, host_status::Ok);
    ASSERT_EQ(check.senseLength, sense.size());
    EXPECT_TRUE(std::equal(sense.begin(), sense.end(), check.sense.begin()));
    EXPECT_EQ(iscsiResult(SCSI_STATUS_CHECK_CONDITION, std::span(sense).first(8)).senseLength, 8u);

    const auto busy = iscsiResult(SCSI_STATUS_BUSY, {});
    EXPECT_EQ(busy.completion, Completion::Error);
    EXPECT_EQ(busy.targetStatus, SCSI_STATUS_BUSY);
    EXPECT_EQ(busy.senseLength, 0u);
}

TEST(IscsiReplyTest, NoStatusFromTheTargetIsAnUnexpectedBusFree) {
    const auto sense = fixedSense(0x03, 0x11);
    for (const int status : {int{SCSI_STATUS_CANCELLED}, int{SCSI_STATUS_ERROR},
                             int{SCSI_STATUS_TIMEOUT}, int{SCSI_STATUS_REDIRECT}, -1, 0x100}) {
        const auto result = iscsiResult(status, sense);
        EXPECT_EQ(result.completion, Completion::Error) << status;
        EXPECT_EQ(result.targetStatus, 0) << status;
        EXPECT_EQ(result.hostStatus, host_status::UnexpectedBusFree) << status;
        EXPECT_EQ(result.senseLength, 0u) << status;
    }
}

TEST(IscsiReplyTest, SenseIsReadBehindItsLengthAndNeverPastTheSegment) {
    const auto sense = fixedSense(0x05, 0x24);
    auto segment = segmentOf(sense, sense.size());
    scsi_task task = taskWith(segment);
    const auto read = iscsiSense(&task);
    EXPECT_TRUE(std::equal(read.begin(), read.end(), sense.begin(), sense.end()));

    // The length says less: only that much; it says more: only what came.
    segment = segmentOf(sense, 8);
    task = taskWith(segment);
    EXPECT_EQ(iscsiSense(&task).size(), 8u);
    segment = segmentOf(sense, 200);
    task = taskWith(segment);
    EXPECT_EQ(iscsiSense(&task).size(), sense.size());

    // No target sends more than 252 bytes.
    segment = segmentOf(std::vector<std::uint8_t>(300, 0x70), 300);
    task = taskWith(segment);
    EXPECT_EQ(iscsiSense(&task).size(), 252u);

    segment = {0};
    task = taskWith(segment);
    EXPECT_TRUE(iscsiSense(&task).empty());
    task.datain.data = nullptr;
    task.datain.size = 20;
    EXPECT_TRUE(iscsiSense(&task).empty());
    EXPECT_TRUE(iscsiSense(nullptr).empty());
}

TEST(IscsiReplyTest, DataInIsWhatTheTargetSentAndNothingOfAFailure) {
    std::vector<std::uint8_t> none;
    scsi_task task = taskWith(none);
    EXPECT_EQ(iscsiDataInLength(SCSI_STATUS_GOOD, task, 4096), 4096u);
    task.residual_status = SCSI_RESIDUAL_OVERFLOW;
    task.residual = 512;
    EXPECT_EQ(iscsiDataInLength(SCSI_STATUS_GOOD, task, 4096), 4096u);
    task.residual_status = SCSI_RESIDUAL_UNDERFLOW;
    EXPECT_EQ(iscsiDataInLength(SCSI_STATUS_GOOD, task, 4096), 3584u);
    task.residual = 5000;
    EXPECT_EQ(iscsiDataInLength(SCSI_STATUS_GOOD, task, 4096), 0u);

    // A status without sense, or sense that condemns the data: nothing.
    EXPECT_EQ(iscsiDataInLength(SCSI_STATUS_BUSY, task, 4096), 0u);
    auto medium = segmentOf(fixedSense(0x03, 0x11), 18);
    task = taskWith(medium);
    EXPECT_EQ(iscsiDataInLength(SCSI_STATUS_CHECK_CONDITION, task, 4096), 0u);

    // RECOVERED ERROR vouches for the data, less what the target counts missing.
    auto recovered = segmentOf(fixedSense(0x01, 0x17), 18);
    task = taskWith(recovered);
    EXPECT_EQ(iscsiDataInLength(SCSI_STATUS_CHECK_CONDITION, task, 4096), 4096u);
    task.residual_status = SCSI_RESIDUAL_UNDERFLOW;
    task.residual = 1024;
    EXPECT_EQ(iscsiDataInLength(SCSI_STATUS_CHECK_CONDITION, task, 4096), 3072u);
}

} // namespace
} // namespace quillon::scsi
