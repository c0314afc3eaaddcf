#pragma once

#include "IscsiPlan.h"
#include "IscsiUrl.h"
#include "Transport.h"
#include "WakeEvent.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

struct iscsi_context; // libiscsi's session
struct pollfd;

namespace quillon::scsi {

// iSCSI targets as host adapters, through libiscsi: every portal named in the
// URLs is one adapter, every target on it one target ID (0, 1, 2 … in the
// order the URLs name them), one session per target.
//
// The sessions run on libiscsi's asynchronous interface. One service thread
// waits in poll() on the sessions' sockets and an eventfd, and does all the
// connecting and logging in, reading replies and timing; execute hands a
// command to a live session on the caller's thread and writes it out at
// once, so a command costs the service thread one wake-up, for its reply.
// libiscsi itself is only ever called with the transport's lock held.
//
// Data moves through a buffer the transport owns, copied from and into the
// caller's buffer only through TransportCommand::withBuffer: a late reply
// never touches memory the caller has given up. A data-in command hands
// back only the bytes the target sent.
//
// A session that is down (it dropped, or never came up) is reconnected when
// a command needs it: one attempt per command, bounded by connectTimeout and
// by the command's time-out; after an attempt that ran out of time, the
// portal is left alone for silentPortalHoldOff. The commands on a connection that drops are
// sent again once on the new one; a command that cannot be carried ends
// without a status (Error, target status 0) and host status 11h
// (SelectionTimeout) when the target could not be reached, 13h
// (UnexpectedBusFree) when the connection dropped under it a second time.
// A command that libiscsi fails by itself (no status from the target) ends
// with 13h too, and its connection is renewed for the next command.
//
// Every login makes the target report "power on, reset" (unit attention
// 29h) once on each LUN, where a program on a parallel bus meets it only
// when the drive powers on: the transport takes it with TEST UNIT READY on
// the LUNs it knows before the caller's commands go out.
//
// Autosense: an iSCSI target reports sense data with the command that failed
// and keeps none; the transport passes the sense bytes on with the command's
// result as the target sent them, in fixed or descriptor format, and the
// access layer keeps them for the next REQUEST SENSE.
//
// Credentials are kept in memory only for logging in: messages and the
// adapter identification show the URLs without them.
class IscsiTransport final : public Transport {
public:
    struct Options {
        std::string initiatorName = "iqn.2024-01.quillon:initiator";
        // Bound on one connection attempt (connect, login, REPORT LUNS, the
        // unit attention).
        std::uint32_t connectTimeoutMs = 3000;
        // After an attempt that ran out of time, the targets of that portal
        // are not tried again for this long: their commands fail at once, so
        // that a scan of a portal that never answers costs one attempt, not
        // one per command.
        std::uint32_t silentPortalHoldOffMs = 10000;
        // How long abort waits for the target's answer to ABORT TASK.
        std::uint32_t abortTimeoutMs = 1000;
        // A command the caller neither collects nor aborts is given up this
        // long after its time-out.
        std::uint32_t expiryGraceMs = 250;
        EnvironmentLookup environment; // getenv when empty
    };

    // Parses the URLs; throws std::invalid_argument (credentials removed
    // from the message) for one that is not an iSCSI URL.
    explicit IscsiTransport(const std::vector<std::string>& urls);
    IscsiTransport(const std::vector<std::string>& urls, Options options);
    ~IscsiTransport() override;
    IscsiTransport(const IscsiTransport&) = delete;
    IscsiTransport& operator=(const IscsiTransport&) = delete;

    std::string name() const override { return "iscsi"; }
    // Starts the service thread and logs in to every target at once, waiting
    // at most connectTimeout in all; targets without a LUN in their URL are
    // asked for their LUNs. Absent without URLs, Incomplete when the service
    // thread cannot start, otherwise Present, with every portal an adapter
    // whether it answered or not (reason() tells). Later calls return the
    // first answer.
    Presence open() override;
    int adapterCount() override;
    bool inquireAdapter(int adapter, AdapterInfo& info) override;
    // A target ID without a target fails at once (host status 11h); a LUN
    // of a target that neither the URLs nor the target's REPORT LUNS name
    // answers as a target answers for a LUN it does not have: INQUIRY with
    // peripheral qualifier 3, other commands CHECK CONDITION with ILLEGAL
    // REQUEST, LOGICAL UNIT NOT SUPPORTED. The command's time-out runs from
    // here (0: none); a command that the caller neither collects nor aborts
    // is given up expiryGrace after it, with ABORT TASK to the target and
    // host status 09h (Timeout).
    Completion execute(int adapter, const std::shared_ptr<TransportCommand>& command) override;
    // Sends ABORT TASK for a command the target holds and waits at most
    // abortTimeout for the answer; true when the target aborted it. A
    // command that still waits for its session is simply taken back (true).
    // Either way the command then completes with Error and host status 09h
    // (Timeout). A target that does not answer loses its connection.
    bool abort(int adapter, TransportCommand& command) override;

    // How each target's session stands (logged in and its LUNs, or why
    // not), one line per target, credentials removed.
    std::string reason() const;
    // The LUNs of a target ID: those the target reported or the URLs named;
    // empty when unknown (the target could not be asked), and then every
    // LUN is tried.
    std::vector<std::uint8_t> lunsOf(int adapter, std::uint8_t target) const;
    // Times a session of the adapter's target logged in, for tests.
    int loginsOf(int adapter, std::uint8_t target) const;

private:
    struct Session;
    struct Request;
    struct AbortTicket;
    struct Attention;
    struct Finished;
    struct Polled;
    using Clock = std::chrono::steady_clock;

    Session* sessionFor(int adapter, std::uint8_t target) const;
    bool lunAllowedLocked(const Session& session, std::uint8_t lun) const;
    void answerLocked(std::shared_ptr<TransportCommand> command,
                      const TransportCommand::Result& result, std::span<const std::uint8_t> bytes);
    void answerAbsentLunLocked(const std::shared_ptr<TransportCommand>& command);
    void submitLocked(Session& session, std::unique_ptr<Request> request);
    void flushLocked(Session& session);
    void startConnectLocked(Session& session, Clock::time_point deadline);
    void loggedInLocked(Session& session);
    void clearAttentionLocked(Session& session);
    void testUnitReadyLocked(Attention& attention);
    void attentionClearedLocked(Attention& attention);
    void sessionUpLocked(Session& session);
    void connectFailedLocked(Session& session, const std::string& why);
    void dropConnectionLocked(Session& session, const std::string& why);
    void finishLocked(Request& request, const TransportCommand::Result& result);
    void retryLocked(Session& session, std::unique_ptr<Request> request);
    void expireLocked(Clock::time_point now);
    void silenceLocked(std::vector<std::unique_ptr<Session>>& portal, Clock::time_point now);
    void sendAbortLocked(Session& session, Request& request, AbortTicket& ticket);
    void releaseLocked(std::unique_lock<std::mutex>& lock);
    void wake();
    void serve();
    void tendSessionsLocked(Clock::time_point now);
    void closeSessionsLocked();
    bool pollListLocked(std::vector<::pollfd>& fds, std::vector<Polled>& polled);
    int pollTimeoutLocked(bool again) const;
    void serviceSocketLocked(Session& session, short revents);
    Clock::time_point nextDeadlineLocked() const;

    static void onConnect(::iscsi_context* context, int status, void* data, void* session);
    static void onLogin(::iscsi_context* context, int status, void* data, void* session);
    static void onReportLuns(::iscsi_context* context, int status, void* data, void* session);
    static void onCommand(::iscsi_context* context, int status, void* data, void* request);
    static void onAttention(::iscsi_context* context, int status, void* data, void* attention);
    static void onAbort(::iscsi_context* context, int status, void* data, void* ticket);

    const Options options_;
    std::vector<IscsiUrl> urls_;
    std::vector<IscsiPortalPlan> plan_;
    bool opened_ = false;
    Presence presence_ = Presence::Absent;
    std::vector<AdapterInfo> adapterInfo_;
    std::vector<std::vector<std::unique_ptr<Session>>> sessions_; // [adapter][target]

    mutable std::mutex mutex_;
    std::condition_variable changed_; // a session settled, an abort was answered
    std::vector<Finished> finished_;  // completed under the lock, delivered outside
    std::vector<void*> graveyard_;    // scsi_tasks libiscsi is done with
    WakeEvent wake_;                  // rouses the service thread out of poll()
    bool stopping_ = false;
    std::thread service_;
};

} // namespace quillon::scsi
