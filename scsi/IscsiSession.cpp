// The iSCSI transport's connections: making one (connect, login, REPORT
// LUNS, the unit attention of the login), giving one up, and libiscsi's
// callbacks, all run inside libiscsi calls made with the transport's lock
// held.
#include "IscsiSession.h"

#include "IscsiReply.h"
#include "scsicore/ScsiConstants.h"
#include "scsicore/SenseDecoder.h"

#include <algorithm>

namespace quillon::scsi {

namespace {

namespace sense_key = scsicore::sense_key;

// REPORT LUNS room: the header and 512 entries, more than the 256 LUNs the
// transport can address.
constexpr int ReportLunsLength = 8 + 8 * 512;

} // namespace

// ---------------------------------------------------------------------------
// libiscsi's callbacks

void IscsiTransport::onConnect(iscsi_context* context, int status, void*, void* data) {
    auto& session = *static_cast<Session*>(data);
    if (session.context != context || !session.state.is(Session::Phase::Connecting)) {
        return;
    }
    if (status != SCSI_STATUS_GOOD) {
        session.state.fail("cannot connect: " + std::string(iscsi_get_error(context)));
        return;
    }
    session.state.enter(Session::Phase::LoggingIn);
    if (iscsi_login_async(context, &IscsiTransport::onLogin, &session) != 0) {
        session.state.fail("cannot log in: " + std::string(iscsi_get_error(context)));
    }
}

void IscsiTransport::onLogin(iscsi_context* context, int status, void*, void* data) {
    auto& session = *static_cast<Session*>(data);
    if (session.context != context || !session.state.is(Session::Phase::LoggingIn)) {
        return;
    }
    if (status != SCSI_STATUS_GOOD) {
        session.state.fail("login failed: " + std::string(iscsi_get_error(context)));
        return;
    }
    ++session.logins;
    session.transport->loggedInLocked(session);
}

void IscsiTransport::onReportLuns(iscsi_context* context, int status, void* data, void* owner) {
    auto& session = *static_cast<Session*>(owner);
    const bool first = session.state.is(Session::Phase::AskingLuns);
    if (session.context != context ||
        !(first || session.state.is(Session::Phase::AskingLunsAgain))) {
        return;
    }
    auto* task = static_cast<scsi_task*>(data);
    if (task == nullptr) {
        task = session.reportLuns;
    }
    if (status == SCSI_STATUS_GOOD && task != nullptr && task->datain.data != nullptr) {
        session.reportedLuns = lunsFromReportLuns(
            {task->datain.data, static_cast<std::size_t>(std::max(task->datain.size, 0))});
    }
    if (session.reportLuns != nullptr) {
        session.transport->graveyard_.push_back(session.reportLuns);
        session.reportLuns = nullptr;
    }
    // A CHECK CONDITION may be the unit attention of the fresh login, which
    // some targets report even here: ask once more.
    if (status == SCSI_STATUS_CHECK_CONDITION && first) {
        session.state.enter(Session::Phase::AskingLunsAgain);
        session.reportLuns = iscsi_reportluns_task(context, 0, ReportLunsLength,
                                                   &IscsiTransport::onReportLuns, &session);
        if (session.reportLuns != nullptr) {
            return;
        }
    }
    session.transport->clearAttentionLocked(session);
}

void IscsiTransport::onCommand(iscsi_context* context, int status, void* data, void* owner) {
    auto* request = static_cast<Request*>(owner);
    if (!request->withLibiscsi) {
        return;
    }
    request->withLibiscsi = false;
    Session& session = *request->session;
    IscsiTransport& self = *session.transport;
    auto* task = static_cast<scsi_task*>(data);
    if (task == nullptr) {
        task = request->task;
    }
    const auto it = std::find_if(session.inFlight.begin(), session.inFlight.end(),
                                 [&](const auto& r) { return r.get() == request; });
    if (it == session.inFlight.end()) {
        return;
    }
    std::unique_ptr<Request> owned = std::move(*it);
    session.inFlight.erase(it);
    self.graveyard_.push_back(request->task);
    request->task = nullptr;

    if (request->done) {
        return; // completed earlier; nothing to hand on
    }
    if (status == SCSI_STATUS_CANCELLED && !request->aborting) {
        // Not asked for: libiscsi gave the connection up under the command.
        session.state.breakOffIfUp("the connection was lost");
        self.retryLocked(session, std::move(owned));
        return;
    }
    if (status == SCSI_STATUS_ERROR) {
        // libiscsi failed the command itself; it may have given the
        // connection up quietly too, so do not trust it any more.
        session.state.breakOffIfUp(iscsi_get_error(context));
    }
    const auto sense =
        status == SCSI_STATUS_CHECK_CONDITION ? iscsiSense(task) : std::span<const std::uint8_t>{};
    TransportCommand::Result result = iscsiResult(status, sense);
    request->done = true;
    std::size_t length = 0;
    if (request->aborting) {
        // Given up by its caller: it fails, and its data stays here.
        result = hostFailure(host_status::Timeout);
    } else if (request->direction == DataDirection::In && task != nullptr) {
        length = iscsiDataInLength(status, *task, request->length);
    }
    self.finished_.push_back({request->command, result, std::move(owned), length});
}

void IscsiTransport::onAttention(iscsi_context* context, int status, void*, void* owner) {
    auto& attention = *static_cast<Attention*>(owner);
    Session& session = *attention.session;
    if (session.context != context || !session.state.is(Session::Phase::ClearingAttention)) {
        return;
    }
    IscsiTransport& self = *session.transport;
    const auto sense = status == SCSI_STATUS_CHECK_CONDITION ? iscsiSense(attention.task)
                                                             : std::span<const std::uint8_t>{};
    self.graveyard_.push_back(attention.task);
    attention.task = nullptr;
    // Power on, reset or bus device reset (29h/xx), the attention of a login.
    const auto decoded = scsicore::decodeSense(sense);
    const bool reset = decoded && decoded->extended() && decoded->key == sense_key::UnitAttention &&
                       decoded->asc == 0x29;
    if (reset && attention.tries < 3) {
        self.testUnitReadyLocked(attention);
        return;
    }
    self.attentionClearedLocked(attention);
}

void IscsiTransport::onAbort(iscsi_context*, int status, void* data, void* owner) {
    auto* ticket = static_cast<AbortTicket*>(owner);
    if (!ticket->live) {
        return;
    }
    ticket->live = false;
    ticket->answered = true;
    if (status == SCSI_STATUS_GOOD && data != nullptr) {
        ticket->response = *static_cast<const std::uint32_t*>(data);
    }
    ticket->transport->changed_.notify_all();
}

// ---------------------------------------------------------------------------
// Making and giving up connections

void IscsiTransport::startConnectLocked(Session& session, Clock::time_point deadline) {
    iscsi_context* context = iscsi_create_context(options_.initiatorName.c_str());
    if (context == nullptr) {
        connectFailedLocked(session, "libiscsi cannot make a context");
        return;
    }
    const IscsiUrl& url = *session.url;
    iscsi_set_log_level(context, 0);
    iscsi_set_targetname(context, session.targetName.c_str());
    iscsi_set_session_type(context, ISCSI_SESSION_NORMAL);
    iscsi_set_header_digest(context, url.headerDigest ? ISCSI_HEADER_DIGEST_CRC32C
                                                      : ISCSI_HEADER_DIGEST_NONE);
    if (!url.user.empty() && !url.password.empty()) {
        iscsi_set_initiator_username_pwd(context, url.user.c_str(), url.password.c_str());
        if (!url.targetUser.empty() && !url.targetPassword.empty()) {
            iscsi_set_target_username_pwd(context, url.targetUser.c_str(),
                                          url.targetPassword.c_str());
        }
    }
    // The transport reconnects by itself, once per command.
    iscsi_set_noautoreconnect(context, 1);
    session.context = context;
    session.state.enter(Session::Phase::Connecting);
    session.connectDeadline = deadline;
    if (iscsi_connect_async(context, url.portal().c_str(), &IscsiTransport::onConnect, &session) !=
        0) {
        connectFailedLocked(session, "cannot connect: " + std::string(iscsi_get_error(context)));
    }
}

void IscsiTransport::loggedInLocked(Session& session) {
    if (session.allLuns && !session.reportedLuns) {
        session.state.enter(Session::Phase::AskingLuns);
        session.reportLuns = iscsi_reportluns_task(session.context, 0, ReportLunsLength,
                                                   &IscsiTransport::onReportLuns, &session);
        if (session.reportLuns != nullptr) {
            return;
        }
    }
    clearAttentionLocked(session);
}

// A new session is a new initiator on the target, which reports "power on,
// reset" (unit attention 29h) to it on every LUN. A program on a parallel
// bus meets that once, when the drive powers on, not each time it starts:
// take it here, with TEST UNIT READY on every LUN known, before any command
// of the caller's goes out.
void IscsiTransport::clearAttentionLocked(Session& session) {
    session.state.enter(Session::Phase::ClearingAttention);
    for (const std::uint8_t lun : session.knownLuns()) {
        auto attention = std::make_unique<Attention>();
        attention->session = &session;
        attention->lun = lun;
        session.attentions.push_back(std::move(attention));
        testUnitReadyLocked(*session.attentions.back());
    }
    if (session.attentions.empty()) {
        sessionUpLocked(session);
    }
}

void IscsiTransport::testUnitReadyLocked(Attention& attention) {
    ++attention.tries;
    attention.task = iscsi_testunitready_task(attention.session->context, attention.lun,
                                              &IscsiTransport::onAttention, &attention);
    if (attention.task == nullptr) {
        attentionClearedLocked(attention);
    }
}

// Done with one LUN's unit attention; the session is up when every LUN is.
void IscsiTransport::attentionClearedLocked(Attention& attention) {
    Session& session = *attention.session;
    std::erase_if(session.attentions, [&](const auto& a) { return a.get() == &attention; });
    if (session.attentions.empty()) {
        sessionUpLocked(session);
    }
}

void IscsiTransport::sessionUpLocked(Session& session) {
    session.state.enter(Session::Phase::Up);
    session.note = "logged in";
    if (session.allLuns && !session.reportedLuns) {
        session.note += "; REPORT LUNS failed, every LUN is tried";
    } else if (session.allLuns) {
        session.note += ", LUNs";
        for (const std::uint8_t lun : *session.reportedLuns) {
            session.note += " " + std::to_string(lun);
        }
    }
    changed_.notify_all(); // open() may wait for it
    std::vector<std::unique_ptr<Request>> waiting;
    waiting.swap(session.waiting);
    for (auto& request : waiting) {
        submitLocked(session, std::move(request));
    }
}

// Ends a connection attempt that failed: the commands that waited for it
// could not reach their target.
void IscsiTransport::connectFailedLocked(Session& session, const std::string& why) {
    session.note = why;
    dropConnectionLocked(session, session.note);
    for (auto& request : session.waiting) {
        finishLocked(*request, hostFailure(host_status::SelectionTimeout));
    }
    session.waiting.clear();
    changed_.notify_all(); // open() may wait for it
}

// Destroys a session's connection. Its commands get one more try on a new
// connection; a command that had it already ends without status.
void IscsiTransport::dropConnectionLocked(Session& session, const std::string& why) {
    const bool wasUp = session.state.loggedIn();
    // Down before the context goes: the callbacks its destruction runs then
    // find nothing to act on.
    session.state.enter(Session::Phase::Down);
    if (session.context == nullptr) {
        return;
    }
    std::vector<std::unique_ptr<Request>> orphans;
    orphans.swap(session.inFlight);
    for (auto& request : orphans) {
        request->withLibiscsi = false;
    }
    std::vector<std::shared_ptr<AbortTicket>> tickets;
    tickets.swap(session.tickets);
    for (auto& ticket : tickets) {
        ticket->live = false;
    }
    iscsi_context* context = session.context;
    session.context = nullptr;
    if (session.reportLuns != nullptr) {
        graveyard_.push_back(session.reportLuns);
        session.reportLuns = nullptr;
    }
    std::vector<std::unique_ptr<Attention>> attentions;
    attentions.swap(session.attentions);
    iscsi_destroy_context(context);
    for (const auto& attention : attentions) {
        if (attention->task != nullptr) {
            graveyard_.push_back(attention->task);
        }
    }
    if (wasUp) {
        session.note = "connection lost: " + why;
    }

    for (auto& request : orphans) {
        if (request->task != nullptr) {
            graveyard_.push_back(request->task);
            request->task = nullptr;
        }
        if (request->done) {
            continue;
        }
        if (request->aborting) {
            finishLocked(*request, hostFailure(host_status::Timeout));
        } else {
            retryLocked(session, std::move(request));
        }
    }
    for (auto& ticket : tickets) {
        ticket->answered = true;
    }
    if (!tickets.empty()) {
        changed_.notify_all();
    }
}

// A command whose connection dropped under it waits for the next one, once;
// the second time it ends without status.
void IscsiTransport::retryLocked(Session& session, std::unique_ptr<Request> request) {
    if (request->resent || (request->expires && request->expiry <= Clock::now())) {
        finishLocked(*request, hostFailure(host_status::UnexpectedBusFree));
        return;
    }
    request->resent = true;
    session.waiting.push_back(std::move(request));
}

} // namespace quillon::scsi
