#pragma once

// The iSCSI transport's own records, shared by the files it is written in
// (IscsiTransport.cpp: the caller's side; IscsiSession.cpp: the connections
// and libiscsi's callbacks; IscsiService.cpp: the service thread). Nothing
// outside the transport uses them.

#include "IscsiSessionState.h"
#include "IscsiTransport.h"

#include <array>
#include <iscsi/iscsi.h>
#include <iscsi/scsi-lowlevel.h>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillon::scsi {

// One command on its way: the transport's copy of its data, and the libiscsi
// task carrying it. A request lives until libiscsi is done with it (its
// callback has run, or its session was destroyed), even when the command was
// completed earlier (timed out, aborted).
struct IscsiTransport::Request {
    std::shared_ptr<TransportCommand> command;
    Session* session = nullptr;
    std::uint8_t lun = 0;
    std::array<std::uint8_t, 16> cdb{};
    int cdbLength = 0;
    DataDirection direction = DataDirection::None;
    std::unique_ptr<std::uint8_t[]> data;
    std::size_t length = 0;
    scsi_task* task = nullptr;
    bool withLibiscsi = false; // libiscsi holds the task and will call back
    bool expires = false;
    Clock::time_point expiry;
    bool resent = false;   // had its one reconnection
    bool done = false;     // the command has been completed
    bool aborting = false; // ABORT TASK sent: a cancellation is expected
};

struct IscsiTransport::AbortTicket {
    IscsiTransport* transport = nullptr;
    bool live = true; // libiscsi may still call back with it
    bool answered = false;
    std::uint32_t response = ISCSI_TMR_FUNC_REJECTED;
    Clock::time_point deadline; // for the answer; the connection is given up after it
};

// A command completed under the lock, to be handed to its caller outside it.
struct IscsiTransport::Finished {
    std::shared_ptr<TransportCommand> command;
    TransportCommand::Result result;
    std::unique_ptr<Request> request; // holds the data-in bytes to deliver
    std::size_t dataLength = 0;
};

// TEST UNIT READY to a LUN after login, to take the unit attention the new
// session raises.
struct IscsiTransport::Attention {
    Session* session = nullptr;
    std::uint8_t lun = 0;
    int tries = 0;
    scsi_task* task = nullptr;
};

// One target's session. Its connection runs through the phases of
// IscsiSessionState; the members beside the state hold what the phases
// work with, and what outlives a connection.
struct IscsiTransport::Session {
    using Phase = IscsiSessionState::Phase;

    // Set by open() from the plan, fixed from then on.
    int adapter = 0;
    std::uint8_t targetId = 0;
    const IscsiUrl* url = nullptr; // portal and credentials
    std::string targetName;
    bool allLuns = false;
    std::vector<std::uint8_t> namedLuns;
    IscsiTransport* transport = nullptr;

    // Where the connection stands, and what its phases work with.
    IscsiSessionState state;
    iscsi_context* context = nullptr;  // in every phase but Idle and Down
    Clock::time_point connectDeadline; // of the attempt under way
    // Its portal let an attempt run out of time: no new one before this.
    Clock::time_point silentUntil;
    scsi_task* reportLuns = nullptr;                    // in AskingLuns and AskingLunsAgain
    std::vector<std::unique_ptr<Attention>> attentions; // in ClearingAttention

    // Beside the state, as they outlive a connection: the target's REPORT
    // LUNS answer once there was one (no later login asks again), the
    // logins so far (for tests), and how the last attempt or connection
    // went (for reason()).
    std::optional<std::vector<std::uint8_t>> reportedLuns;
    int logins = 0;
    std::string note;

    std::vector<std::unique_ptr<Request>> waiting;  // for a connection
    std::vector<std::unique_ptr<Request>> inFlight; // given to libiscsi
    std::vector<std::shared_ptr<AbortTicket>> tickets;

    std::string where() const;
    // The LUNs named in the URLs or reported by the target, ascending.
    std::vector<std::uint8_t> knownLuns() const;
    // libiscsi's last error on the connection, passwords blotted out.
    std::string error() const;
};

// A socket given to poll(): its session, and the connection it belonged to.
struct IscsiTransport::Polled {
    Session* session;
    iscsi_context* context;
};

} // namespace quillon::scsi
