#include "IscsiTransport.h"
#include "UniqueFd.h"

#include <arpa/inet.h>
#include <array>
#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <netinet/in.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <vector>

namespace quillon::scsi {
namespace {

using Clock = std::chrono::steady_clock;

TEST(IscsiTransportTest, WithoutUrlsItIsAbsentAndABadUrlIsRefusedAtOnce) {
    IscsiTransport none(std::vector<std::string>{});
    EXPECT_EQ(none.open(), Transport::Presence::Absent);
    EXPECT_EQ(none.adapterCount(), 0);
    EXPECT_THROW(IscsiTransport({"iscsi://host/iqn.x/1", "iscsi://u%pw@host"}),
                 std::invalid_argument);
}

// A TCP port of 127.0.0.1 held for the test: bound only, it refuses every
// connection; listening, it takes them and never says a word.
class LoopbackPort {
public:
    explicit LoopbackPort(bool listening) : socket_(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(::bind(socket_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        if (listening) {
            EXPECT_EQ(::listen(socket_.get(), 4), 0);
        }
        socklen_t size = sizeof address;
        ::getsockname(socket_.get(), reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
    }
    std::string portal() const { return "127.0.0.1:" + std::to_string(port_); }
    std::string url(const std::string& path) const { return "iscsi://" + portal() + "/" + path; }

private:
    UniqueFd socket_;
    std::uint16_t port_ = 0;
};

// A command through the transport and its result once it completed (or a
// result saying it never did within ten seconds).
struct Ran {
    Completion started = Completion::Pending;
    bool completed = false;
    TransportCommand::Result result;
    std::vector<std::uint8_t> data;
    double ms = 0;
};

Ran run(IscsiTransport& transport, std::uint8_t target, std::uint8_t lun,
        std::vector<std::uint8_t> cdb, std::size_t length = 0) {
    Ran ran;
    ran.data.assign(length, 0xEE);
    auto command = std::make_shared<TransportCommand>(target, lun, cdb, ran.data, 10000);
    const auto start = Clock::now();
    ran.started = transport.execute(0, command);
    ran.completed = command->waitFor(10000);
    ran.ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    ran.result = command->result();
    return ran;
}

const std::vector<std::uint8_t> Inquiry{0x12, 0, 0, 0, 36, 0};
const std::vector<std::uint8_t> TestUnitReady{0x00, 0, 0, 0, 0, 0};
const std::vector<std::uint8_t> RequestSense{0x03, 0, 0, 0, 18, 0};

TEST(IscsiTransportTest, ARefusingPortalIsStillAnAdapterWhoseCommandsCannotReachIt) {
    const LoopbackPort refusing(false);
    IscsiTransport transport({refusing.url("iqn.2024-01.quillon.test:none/0")});
    ASSERT_EQ(transport.open(), Transport::Presence::Present);
    EXPECT_EQ(transport.adapterCount(), 1);
    AdapterInfo info;
    ASSERT_TRUE(transport.inquireAdapter(0, info));
    EXPECT_EQ(info.identifier, refusing.portal().substr(0, 16));
    const std::string reason = transport.reason();
    EXPECT_NE(reason.find("adapter 0 target 0"), std::string::npos) << reason;
    EXPECT_NE(reason.find("cannot connect"), std::string::npos) << reason;
    EXPECT_EQ(transport.loginsOf(0, 0), 0);
    EXPECT_EQ(transport.lunsOf(0, 0), (std::vector<std::uint8_t>{0}));

    // Each command makes its own attempt, which is refused as well.
    for (int i = 0; i < 2; ++i) {
        const Ran ran = run(transport, 0, 0, Inquiry, 36);
        EXPECT_EQ(ran.started, Completion::Pending);
        ASSERT_TRUE(ran.completed);
        EXPECT_EQ(ran.result.completion, Completion::Error);
        EXPECT_EQ(ran.result.targetStatus, 0);
        EXPECT_EQ(ran.result.hostStatus, host_status::SelectionTimeout);
        EXPECT_EQ(ran.data[0], 0xEE); // nothing came
    }
    // No target behind target ID 1: refused before anything is tried.
    const Ran none = run(transport, 1, 0, TestUnitReady);
    EXPECT_EQ(none.started, Completion::Error);
    EXPECT_EQ(none.result.hostStatus, host_status::SelectionTimeout);
    EXPECT_EQ(transport.loginsOf(0, 0), 0);
}

TEST(IscsiTransportTest, ALunOutsideTheUrlsAnswersAsOnABusWithoutAConnection) {
    const LoopbackPort refusing(false);
    IscsiTransport transport({refusing.url("iqn.2024-01.quillon.test:none/1")});
    ASSERT_EQ(transport.open(), Transport::Presence::Present);

    const Ran inquiry = run(transport, 0, 2, Inquiry, 36);
    ASSERT_TRUE(inquiry.completed);
    EXPECT_EQ(inquiry.result.completion, Completion::Ok);
    EXPECT_EQ(inquiry.data[0], 0x7F); // peripheral qualifier 3: no device here
    EXPECT_EQ(inquiry.data[4], 31);

    // The allocation length bounds the answer.
    const Ran shortInquiry = run(transport, 0, 2, {0x12, 0, 0, 0, 2, 0}, 36);
    EXPECT_EQ(shortInquiry.data[0], 0x7F);
    EXPECT_EQ(shortInquiry.data[2], 0xEE);

    const Ran sense = run(transport, 0, 2, RequestSense, 18);
    EXPECT_EQ(sense.result.completion, Completion::Ok);
    EXPECT_EQ(sense.data[0], 0x70);
    EXPECT_EQ(sense.data[2] & 0x0F, 0x05); // ILLEGAL REQUEST
    EXPECT_EQ(sense.data[12], 0x25);       // LOGICAL UNIT NOT SUPPORTED

    const Ran other = run(transport, 0, 2, TestUnitReady);
    EXPECT_EQ(other.result.completion, Completion::Error);
    EXPECT_EQ(other.result.targetStatus, 0x02); // CHECK CONDITION
    EXPECT_EQ(other.result.hostStatus, host_status::Ok);
    ASSERT_EQ(other.result.senseLength, 18u);
    EXPECT_EQ(other.result.sense[2] & 0x0F, 0x05);
    EXPECT_EQ(other.result.sense[12], 0x25);

    // The LUN the URL names goes to the target, which cannot be reached.
    EXPECT_EQ(run(transport, 0, 1, Inquiry, 36).result.hostStatus, host_status::SelectionTimeout);
}

// A portal that takes connections and never answers costs one attempt: its
// targets are left alone for a while, then tried again.
TEST(IscsiTransportTest, ASilentPortalCostsOneAttemptThenIsLeftAloneForAWhile) {
    const LoopbackPort silent(true);
    IscsiTransport::Options options;
    options.connectTimeoutMs = 300;
    options.silentPortalHoldOffMs = 1500;
    IscsiTransport transport({silent.url("iqn.2024-01.quillon.test:mute")}, options);
    const auto start = Clock::now();
    ASSERT_EQ(transport.open(), Transport::Presence::Present);
    // open() waits for the first attempt to end, and no longer (its own
    // backstop would end the wait at 1300 ms).
    const auto opening = Clock::now() - start;
    EXPECT_GE(opening, std::chrono::milliseconds(250));
    EXPECT_LT(opening, std::chrono::milliseconds(300 + 600));
    const std::string reason = transport.reason();
    EXPECT_NE(reason.find("no answer within 300 ms; the portal is left alone for 1500 ms"),
              std::string::npos)
        << reason;
    // REPORT LUNS could not be asked: every LUN is tried, each at once.
    EXPECT_TRUE(transport.lunsOf(0, 0).empty());
    for (std::uint8_t lun = 0; lun < 8; ++lun) {
        const Ran ran = run(transport, 0, lun, TestUnitReady);
        ASSERT_TRUE(ran.completed);
        EXPECT_EQ(ran.result.hostStatus, host_status::SelectionTimeout);
        EXPECT_LT(ran.ms, 150) << "LUN " << int{lun};
    }

    // Once the hold-off has passed, a command makes one new attempt.
    std::this_thread::sleep_until(start + std::chrono::milliseconds(300 + 1500 + 100));
    const Ran again = run(transport, 0, 3, TestUnitReady);
    ASSERT_TRUE(again.completed);
    EXPECT_EQ(again.result.hostStatus, host_status::SelectionTimeout);
    EXPECT_GE(again.ms, 250);

    // A command waiting for an attempt is simply taken back.
    std::this_thread::sleep_for(std::chrono::milliseconds(1600));
    auto waiting =
        std::make_shared<TransportCommand>(0, 0, TestUnitReady, std::span<std::uint8_t>{}, 0);
    EXPECT_EQ(transport.execute(0, waiting), Completion::Pending);
    EXPECT_TRUE(transport.abort(0, *waiting));
    ASSERT_TRUE(waiting->completed());
    EXPECT_EQ(waiting->result().completion, Completion::Error);
    EXPECT_EQ(waiting->result().hostStatus, host_status::Timeout);
    EXPECT_FALSE(transport.abort(0, *waiting)); // nothing left to abort
    EXPECT_EQ(transport.loginsOf(0, 0), 0);
}

} // namespace
} // namespace quillon::scsi
