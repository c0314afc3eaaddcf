#include "SgReply.h"

#include <array>
#include <cstdint>
#include <gtest/gtest.h>

namespace quillon::scsi {
namespace {

constexpr unsigned char CheckCondition = 0x02;

sg_io_hdr reply(unsigned char status, unsigned short host = 0, unsigned short driver = 0) {
    sg_io_hdr h{};
    h.interface_id = 'S';
    h.dxfer_direction = SG_DXFER_FROM_DEV;
    h.status = status;
    h.masked_status = static_cast<unsigned char>(status >> 1);
    h.host_status = host;
    h.driver_status = driver;
    return h;
}

// Fixed-format sense data with a key, ASC and ASCQ, 18 bytes.
std::array<unsigned char, 18> fixedSense(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
    std::array<unsigned char, 18> s{};
    s[0] = 0x70;
    s[2] = key;
    s[7] = 10;
    s[12] = asc;
    s[13] = ascq;
    s[15] = 0x80;
    s[17] = 0xA5; // past the 14 bytes a result keeps
    return s;
}

TEST(SgStatusMapping, GoodWithoutHostOrDriverErrorIsOk) {
    const auto result = resultFromReply(reply(0x00));
    EXPECT_EQ(result.completion, Completion::Ok);
    EXPECT_EQ(result.targetStatus, 0);
    EXPECT_EQ(result.hostStatus, host_status::Ok);
    EXPECT_EQ(result.senseLength, 0u);
}

TEST(SgStatusMapping, CheckConditionKeepsStatusAndTheWholeSense) {
    auto sense = fixedSense(0x05, 0x21, 0x00);
    sg_io_hdr h = reply(CheckCondition, 0, linux_driver::Sense);
    h.sbp = sense.data();
    h.sb_len_wr = static_cast<unsigned char>(sense.size());
    const auto result = resultFromReply(h);
    EXPECT_EQ(result.completion, Completion::Error);
    EXPECT_EQ(result.targetStatus, CheckCondition);
    EXPECT_EQ(result.hostStatus, host_status::Ok); // DRIVER_SENSE is no error
    ASSERT_EQ(result.senseLength, sense.size());
    EXPECT_EQ(result.sense[0], 0x70);
    EXPECT_EQ(result.sense[2], 0x05);
    EXPECT_EQ(result.sense[12], 0x21);
    EXPECT_EQ(result.sense[13], 0x00);

    h.sb_len_wr = 8; // fewer than 14 written
    EXPECT_EQ(resultFromReply(h).senseLength, 8u);
    h.sbp = nullptr; // nowhere to read from
    EXPECT_EQ(resultFromReply(h).senseLength, 0u);
}

TEST(SgStatusMapping, StatusFromOtherBytesAndDrivers) {
    // Only the shifted status, as old drivers report it.
    sg_io_hdr h = reply(0);
    h.masked_status = 0x01;
    EXPECT_EQ(resultFromReply(h).targetStatus, CheckCondition);
    EXPECT_EQ(resultFromReply(h).completion, Completion::Error);

    EXPECT_EQ(resultFromReply(reply(0x08)).targetStatus, 0x08); // BUSY
    EXPECT_EQ(resultFromReply(reply(0x08)).completion, Completion::Error);

    // Sense data with GOOD status is still a success.
    auto sense = fixedSense(0x01, 0x17, 0x01);
    h = reply(0x00, 0, linux_driver::Sense);
    h.sbp = sense.data();
    h.sb_len_wr = 18;
    const auto recovered = resultFromReply(h);
    EXPECT_EQ(recovered.completion, Completion::Ok);
    EXPECT_EQ(recovered.senseLength, 18u);
}

TEST(SgStatusMapping, HostByteTable) {
    struct Case {
        std::uint16_t code;
        std::uint8_t expected;
    };
    const Case cases[] = {
        {linux_host::Ok, host_status::Ok},
        {linux_host::NoConnect, host_status::SelectionTimeout},
        {linux_host::BadTarget, host_status::SelectionTimeout},
        {linux_host::TimeOut, host_status::Timeout},
        {linux_host::BusBusy, host_status::UnexpectedBusFree},
        {linux_host::Abort, host_status::UnexpectedBusFree},
        {linux_host::Parity, host_status::UnexpectedBusFree},
        {linux_host::Error, host_status::UnexpectedBusFree},
        {linux_host::Reset, host_status::UnexpectedBusFree},
        {0x0E, host_status::UnexpectedBusFree}, // DID_TRANSPORT_DISRUPTED
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(hostStatusFor(c.code, linux_driver::Ok), c.expected);
        const auto result = resultFromReply(reply(0x00, c.code));
        EXPECT_EQ(result.hostStatus, c.expected);
        // A host error fails the command even when the status byte is GOOD.
        EXPECT_EQ(result.completion, c.code == linux_host::Ok ? Completion::Ok : Completion::Error);
    }
}

TEST(SgStatusMapping, DriverByte) {
    // The high nibble holds retry suggestions, not errors.
    EXPECT_EQ(hostStatusFor(linux_host::Ok, 0x10 | linux_driver::Sense), host_status::Ok);
    EXPECT_EQ(hostStatusFor(linux_host::Ok, linux_driver::Timeout), host_status::Timeout);
    EXPECT_EQ(resultFromReply(reply(0x00, 0, linux_driver::Timeout)).completion, Completion::Error);

    // Another driver error with GOOD status: the command did not end well.
    const auto bare = resultFromReply(reply(0x00, 0, 0x04)); // DRIVER_ERROR
    EXPECT_EQ(bare.hostStatus, host_status::UnexpectedBusFree);
    EXPECT_EQ(bare.completion, Completion::Error);
    // With a CHECK CONDITION the target's status tells it all.
    const auto withStatus = resultFromReply(reply(CheckCondition, 0, 0x03)); // medium
    EXPECT_EQ(withStatus.hostStatus, host_status::Ok);
    EXPECT_EQ(withStatus.targetStatus, CheckCondition);
}

TEST(SgDirection, FollowsTheCommandsDirection) {
    EXPECT_EQ(sgDirection(DataDirection::None), SG_DXFER_NONE);
    EXPECT_EQ(sgDirection(DataDirection::Out), SG_DXFER_TO_DEV);
    EXPECT_EQ(sgDirection(DataDirection::In, true), SG_DXFER_TO_FROM_DEV);
    EXPECT_EQ(sgDirection(DataDirection::In, false), SG_DXFER_FROM_DEV);
    EXPECT_EQ(sgDirection(DataDirection::Out, false), SG_DXFER_TO_DEV);
}

TEST(SgDataIn, CopyInSendsBackTheWholeBuffer) {
    sg_io_hdr h = reply(CheckCondition, 0, linux_driver::Sense);
    h.dxfer_direction = SG_DXFER_TO_FROM_DEV;
    h.resid = 2048;
    EXPECT_EQ(dataInLength(h, 2048), 2048u);
}

TEST(SgDataIn, FromDeviceTrustsResidualOrAnOutcomeThatSentData) {
    sg_io_hdr h = reply(0x00);
    EXPECT_EQ(dataInLength(h, 2048), 2048u);
    h.resid = 1536;
    EXPECT_EQ(dataInLength(h, 2048), 512u);
    h.resid = 4096; // more than asked for
    EXPECT_EQ(dataInLength(h, 2048), 0u);
    h.resid = -5;
    EXPECT_EQ(dataInLength(h, 2048), 2048u);
    EXPECT_EQ(dataInLength(reply(0x04), 2048), 2048u); // CONDITION MET

    // A failed read that counts nothing missing sent nothing worth keeping;
    // the driver's buffer holds an earlier command's data.
    auto illegal = fixedSense(0x05, 0x21, 0x00);
    h = reply(CheckCondition, 0, linux_driver::Sense);
    h.sbp = illegal.data();
    h.sb_len_wr = 18;
    EXPECT_EQ(dataInLength(h, 2048), 0u);
    auto medium = fixedSense(0x03, 0x11, 0x00);
    h.sbp = medium.data();
    EXPECT_EQ(dataInLength(h, 2048), 0u);
    h.resid = 1024; // it counted: the first half came
    EXPECT_EQ(dataInLength(h, 2048), 1024u);

    // Recovered errors and ILI report on data that was sent.
    h.resid = 0;
    auto recovered = fixedSense(0x01, 0x17, 0x01);
    h.sbp = recovered.data();
    EXPECT_EQ(dataInLength(h, 2048), 2048u);
    auto ili = fixedSense(0x20, 0x00, 0x00); // ILI bit, NO SENSE
    h.sbp = ili.data();
    EXPECT_EQ(dataInLength(h, 2048), 2048u);
    std::array<unsigned char, 8> descriptor{0x72, 0x01, 0x18, 0x02};
    h.sbp = descriptor.data();
    h.sb_len_wr = 8;
    EXPECT_EQ(dataInLength(h, 2048), 2048u);
    h.sb_len_wr = 0; // no sense at all
    EXPECT_EQ(dataInLength(h, 2048), 0u);

    // A host error: nothing the device sent can be told apart.
    EXPECT_EQ(dataInLength(reply(0x00, linux_host::TimeOut), 2048), 0u);
}

} // namespace
} // namespace quillon::scsi
