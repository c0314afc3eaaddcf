#include "IscsiTransport.h"

#include "IscsiReply.h"
#include "scsicore/ScsiConstants.h"
#include "scsicore/SenseData.h"
#include "scsicore/SenseDecoder.h"

#include <algorithm>
#include <array>
#include <iscsi/iscsi.h>
#include <iscsi/scsi-lowlevel.h>
#include <map>
#include <poll.h>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>

namespace quillon::scsi {

namespace {

namespace op = scsicore::op;
namespace sense_key = scsicore::sense_key;
// REPORT LUNS room: the header and 512 entries, more than the 256 LUNs the
// transport can address.
constexpr int ReportLunsLength = 8 + 8 * 512;

} // namespace

// ---------------------------------------------------------------------------
// The transport

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

struct IscsiTransport::Session {
    enum class State { Down, Connecting, LoggingIn, AskingLuns, ClearingAttention, Up };

    int adapter = 0;
    std::uint8_t targetId = 0;
    const IscsiUrl* url = nullptr; // portal and credentials
    std::string targetName;
    bool allLuns = false;
    std::vector<std::uint8_t> namedLuns;
    std::vector<std::uint8_t> reportedLuns;
    bool lunsKnown = false;

    iscsi_context* context = nullptr;
    State state = State::Down;
    Clock::time_point connectDeadline;
    bool connectWanted = false;
    bool settled = false;               // the first connection attempt has ended
    std::optional<std::string> failure; // set in a callback, acted on after it
    bool broken = false;
    std::string brokenWhy;
    scsi_task* reportLuns = nullptr;
    bool askedAgain = false;
    std::vector<std::unique_ptr<Attention>> attentions;
    int logins = 0;
    std::string note;

    std::vector<std::unique_ptr<Request>> waiting;  // for a connection
    std::vector<std::unique_ptr<Request>> inFlight; // given to libiscsi
    std::vector<std::shared_ptr<AbortTicket>> tickets;
    std::map<std::uint8_t, std::vector<std::uint8_t>> keptSense;
    IscsiTransport* transport = nullptr;

    std::string where() const {
        return "adapter " + std::to_string(adapter) + " target " + std::to_string(targetId) + " (" +
               url->portal() + "/" + targetName + ")";
    }
};

IscsiTransport::IscsiTransport(const std::vector<std::string>& urls)
    : IscsiTransport(urls, Options{}) {}

IscsiTransport::IscsiTransport(const std::vector<std::string>& urls, Options options)
    : options_(std::move(options)) {
    for (const std::string& url : urls) {
        urls_.push_back(parseIscsiUrl(url, options_.environment));
    }
    plan_ = planIscsiAdapters(urls_);
}

IscsiTransport::~IscsiTransport() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (service_.joinable()) {
        wake();
        service_.join();
    }
    if (wakeFd_ >= 0) {
        ::close(wakeFd_);
    }
    for (IscsiUrl& url : urls_) {
        wipeIscsiSecrets(url);
    }
}

IscsiTransport::Presence IscsiTransport::open() {
    if (opened_) {
        return presence_;
    }
    opened_ = true;
    if (plan_.empty()) {
        return presence_ = Presence::Absent;
    }
    for (std::size_t a = 0; a < plan_.size(); ++a) {
        const IscsiPortalPlan& portal = plan_[a];
        adapterInfo_.push_back(iscsiAdapterInfo(urls_[portal.url].portal(), portal.targets.size()));
        auto& sessions = sessions_.emplace_back();
        for (std::size_t t = 0; t < portal.targets.size(); ++t) {
            auto session = std::make_unique<Session>();
            session->adapter = static_cast<int>(a);
            session->targetId = static_cast<std::uint8_t>(t);
            session->url = &urls_[portal.targets[t].url];
            session->targetName = portal.targets[t].name;
            session->allLuns = portal.targets[t].allLuns;
            session->namedLuns = portal.targets[t].luns;
            session->connectWanted = true;
            session->transport = this;
            sessions.push_back(std::move(session));
        }
    }
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0) {
        return presence_ = Presence::Incomplete;
    }
    try {
        service_ = std::thread([this] { serve(); });
    } catch (const std::system_error&) {
        return presence_ = Presence::Incomplete;
    }
    // Every session tries at once; the service thread ends each attempt by
    // its deadline, so this wait is only a backstop.
    const auto until = Clock::now() + std::chrono::milliseconds(options_.connectTimeoutMs + 1000);
    std::unique_lock lock(mutex_);
    changed_.wait_until(lock, until, [this] {
        for (const auto& adapter : sessions_) {
            for (const auto& session : adapter) {
                if (!session->settled) {
                    return false;
                }
            }
        }
        return true;
    });
    return presence_ = Presence::Present;
}

int IscsiTransport::adapterCount() {
    return presence_ == Presence::Present ? static_cast<int>(adapterInfo_.size()) : 0;
}

bool IscsiTransport::inquireAdapter(int adapter, AdapterInfo& info) {
    if (adapter < 0 || adapter >= adapterCount()) {
        return false;
    }
    info = adapterInfo_[static_cast<std::size_t>(adapter)];
    return true;
}

std::string IscsiTransport::reason() const {
    std::lock_guard lock(mutex_);
    std::string text;
    for (const auto& adapter : sessions_) {
        for (const auto& session : adapter) {
            text += session->where() + ": " +
                    (session->note.empty() ? "not tried" : session->note) + "\n";
        }
    }
    return text;
}

std::vector<std::uint8_t> IscsiTransport::lunsOf(int adapter, std::uint8_t target) const {
    const Session* session = sessionFor(adapter, target);
    if (session == nullptr) {
        return {};
    }
    std::lock_guard lock(mutex_);
    if (session->allLuns && !session->lunsKnown) {
        return {};
    }
    std::vector<std::uint8_t> luns = session->namedLuns;
    luns.insert(luns.end(), session->reportedLuns.begin(), session->reportedLuns.end());
    std::sort(luns.begin(), luns.end());
    luns.erase(std::unique(luns.begin(), luns.end()), luns.end());
    return luns;
}

int IscsiTransport::loginsOf(int adapter, std::uint8_t target) const {
    const Session* session = sessionFor(adapter, target);
    std::lock_guard lock(mutex_);
    return session != nullptr ? session->logins : 0;
}

IscsiTransport::Session* IscsiTransport::sessionFor(int adapter, std::uint8_t target) const {
    if (adapter < 0 || static_cast<std::size_t>(adapter) >= sessions_.size()) {
        return nullptr;
    }
    const auto& sessions = sessions_[static_cast<std::size_t>(adapter)];
    return target < sessions.size() ? sessions[target].get() : nullptr;
}

bool IscsiTransport::lunAllowedLocked(const Session& session, std::uint8_t lun) const {
    const auto has = [lun](const std::vector<std::uint8_t>& luns) {
        return std::binary_search(luns.begin(), luns.end(), lun);
    };
    if (has(session.namedLuns)) {
        return true;
    }
    if (!session.allLuns) {
        return false;
    }
    return !session.lunsKnown || has(session.reportedLuns);
}

void IscsiTransport::wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(wakeFd_, &one, sizeof one);
}

// Leaves the lock, frees the tasks libiscsi is done with and hands the
// completed commands their data and results.
void IscsiTransport::releaseLocked(std::unique_lock<std::mutex>& lock) {
    std::vector<Finished> finished;
    finished.swap(finished_);
    std::vector<void*> graveyard;
    graveyard.swap(graveyard_);
    lock.unlock();
    for (void* task : graveyard) {
        scsi_free_scsi_task(static_cast<scsi_task*>(task));
    }
    for (Finished& done : finished) {
        if (done.request && done.dataLength > 0) {
            const Request& request = *done.request;
            done.command->withBuffer([&](std::span<std::uint8_t> buffer) {
                std::copy_n(request.data.get(), std::min(done.dataLength, buffer.size()),
                            buffer.begin());
            });
        }
        done.command->complete(done.result);
    }
}

namespace {

TransportCommand::Result failure(std::uint8_t hostStatus) {
    TransportCommand::Result result;
    result.completion = Completion::Error;
    result.hostStatus = hostStatus;
    return result;
}

} // namespace

// Completes a request's command unless it already was; the request itself
// stays where it is.
void IscsiTransport::finishLocked(Request& request, const TransportCommand::Result& result) {
    if (request.done) {
        return;
    }
    request.done = true;
    finished_.push_back({request.command, result, nullptr, 0});
}

// Completes a command at once with a result and the data it reads.
void IscsiTransport::answerLocked(std::shared_ptr<TransportCommand> command,
                                  const TransportCommand::Result& result,
                                  std::span<const std::uint8_t> bytes) {
    auto request = std::make_unique<Request>();
    request->length = std::min(bytes.size(), command->bufferLength());
    request->data.reset(new std::uint8_t[std::max<std::size_t>(request->length, 1)]);
    std::copy_n(bytes.begin(), request->length, request->data.get());
    request->command = std::move(command);
    request->done = true;
    const std::size_t length = request->length;
    finished_.push_back({request->command, result, std::move(request), length});
}

// The kept sense of the LUN answers a REQUEST SENSE at once; false when
// there is none.
bool IscsiTransport::answerRequestSenseLocked(Session& session,
                                              const std::shared_ptr<TransportCommand>& command) {
    const auto kept = session.keptSense.find(command->lun());
    if (kept == session.keptSense.end()) {
        return false;
    }
    const auto cdb = command->cdb();
    const std::size_t allocation = cdb.size() > 4 ? cdb[4] : 0;
    const std::vector<std::uint8_t> sense = std::move(kept->second);
    session.keptSense.erase(kept);
    TransportCommand::Result good;
    good.completion = Completion::Ok;
    answerLocked(command, good, std::span(sense).first(std::min(sense.size(), allocation)));
    return true;
}

// A LUN of a target that the URLs leave out (or the target did not report)
// answers as a target answers for a LUN it does not have: INQUIRY with
// peripheral qualifier 3, REQUEST SENSE and every other command with
// ILLEGAL REQUEST, LOGICAL UNIT NOT SUPPORTED (25h/00h).
void IscsiTransport::answerAbsentLunLocked(const std::shared_ptr<TransportCommand>& command) {
    const auto cdb = command->cdb();
    const std::size_t allocation = cdb.size() > 4 ? cdb[4] : 0;
    const auto sense = scsicore::SenseData::of(sense_key::IllegalRequest, 0x25).fixedFormat();
    TransportCommand::Result result;
    if (cdb[0] == op::Inquiry || cdb[0] == op::RequestSense) {
        result.completion = Completion::Ok;
        std::array<std::uint8_t, 36> inquiry{0x7F, 0x00, 0x05, 0x02, 31};
        const std::span<const std::uint8_t> data =
            cdb[0] == op::Inquiry ? std::span<const std::uint8_t>(inquiry) : std::span(sense);
        const std::size_t inquiryAllocation =
            cdb.size() > 4 ? (std::size_t{cdb[3]} << 8 | cdb[4]) : 0;
        answerLocked(command, result,
                     data.first(std::min(data.size(),
                                         cdb[0] == op::Inquiry ? inquiryAllocation : allocation)));
        return;
    }
    result.completion = Completion::Error;
    result.targetStatus = scsicore::status::CheckCondition;
    result.senseLength = result.sense.size();
    std::copy_n(sense.begin(), result.senseLength, result.sense.begin());
    answerLocked(command, result, {});
}

Completion IscsiTransport::execute(int adapter, const std::shared_ptr<TransportCommand>& command) {
    TransportCommand& cmd = *command;
    Session* session = presence_ == Presence::Present ? sessionFor(adapter, cmd.target()) : nullptr;
    const auto refuse = [&](std::uint8_t hostStatus) {
        cmd.complete(failure(hostStatus));
        return Completion::Error;
    };
    if (session == nullptr) {
        return refuse(host_status::SelectionTimeout);
    }
    if (cmd.cdb().empty()) {
        return refuse(host_status::UnexpectedBusFree);
    }
    const std::uint8_t opcode = cmd.cdb()[0];
    {
        std::unique_lock lock(mutex_);
        if (!lunAllowedLocked(*session, cmd.lun())) {
            answerAbsentLunLocked(command);
            releaseLocked(lock);
            return Completion::Pending;
        }
        if (opcode == op::RequestSense && answerRequestSenseLocked(*session, command)) {
            releaseLocked(lock);
            return Completion::Pending;
        }
        if (opcode != op::Inquiry && opcode != op::RequestSense) {
            session->keptSense.erase(cmd.lun());
        }
    }

    auto request = std::make_unique<Request>();
    request->command = command;
    request->session = session;
    request->lun = cmd.lun();
    request->cdbLength = static_cast<int>(cmd.cdb().size());
    std::copy(cmd.cdb().begin(), cmd.cdb().end(), request->cdb.begin());
    request->direction = cmd.direction();
    if (request->direction != DataDirection::None) {
        request->length = cmd.bufferLength();
        request->data.reset(new std::uint8_t[request->length]);
        if (request->direction == DataDirection::Out) {
            const bool copied = cmd.withBuffer([&](std::span<std::uint8_t> buffer) {
                std::copy(buffer.begin(), buffer.end(), request->data.get());
            });
            if (!copied) {
                return refuse(host_status::UnexpectedBusFree);
            }
        }
    }
    if (cmd.timeoutMs() > 0) {
        request->expires = true;
        request->expiry =
            Clock::now() + std::chrono::milliseconds(cmd.timeoutMs() + options_.expiryGraceMs);
    }

    std::unique_lock lock(mutex_);
    if (stopping_) {
        lock.unlock();
        return refuse(host_status::UnexpectedBusFree);
    }
    if (session->state == Session::State::Up && !session->broken) {
        submitLocked(*session, std::move(request));
        flushLocked(*session);
    } else {
        session->waiting.push_back(std::move(request));
        wake();
    }
    releaseLocked(lock);
    return Completion::Pending;
}

// Hands a request to libiscsi on a live session; one libiscsi refuses
// waits for a new connection.
void IscsiTransport::submitLocked(Session& session, std::unique_ptr<Request> request) {
    int direction = SCSI_XFER_NONE;
    if (request->direction == DataDirection::In) {
        direction = SCSI_XFER_READ;
    } else if (request->direction == DataDirection::Out) {
        direction = SCSI_XFER_WRITE;
    }
    scsi_task* task = scsi_create_task(request->cdbLength, request->cdb.data(), direction,
                                       static_cast<int>(request->length));
    if (task == nullptr) {
        finishLocked(*request, failure(host_status::UnexpectedBusFree));
        return;
    }
    iscsi_data out{request->length, request->data.get()};
    if (request->direction == DataDirection::In && request->length > 0 &&
        scsi_task_add_data_in_buffer(task, static_cast<int>(request->length),
                                     request->data.get()) != 0) {
        scsi_free_scsi_task(task);
        finishLocked(*request, failure(host_status::UnexpectedBusFree));
        return;
    }
    if (iscsi_scsi_command_async(session.context, request->lun, task, &IscsiTransport::onCommand,
                                 request->direction == DataDirection::Out ? &out : nullptr,
                                 request.get()) != 0) {
        scsi_free_scsi_task(task);
        session.broken = true;
        session.brokenWhy = redactIscsiSecrets(iscsi_get_error(session.context), *session.url);
        session.waiting.push_back(std::move(request));
        wake();
        return;
    }
    request->task = task;
    request->withLibiscsi = true;
    session.inFlight.push_back(std::move(request));
}

// Writes out what a live session has queued, from the caller's thread; the
// service thread is woken only when it must poll for something new.
void IscsiTransport::flushLocked(Session& session) {
    if (session.context == nullptr || session.state != Session::State::Up) {
        return;
    }
    if ((iscsi_which_events(session.context) & POLLOUT) != 0 &&
        iscsi_service(session.context, POLLOUT) < 0) {
        session.broken = true;
        session.brokenWhy = redactIscsiSecrets(iscsi_get_error(session.context), *session.url);
    }
    if (session.broken || (iscsi_which_events(session.context) & POLLOUT) != 0) {
        wake();
    }
}

bool IscsiTransport::abort(int adapter, TransportCommand& command) {
    Session* session = sessionFor(adapter, command.target());
    if (session == nullptr) {
        return false;
    }
    std::unique_lock lock(mutex_);
    const auto same = [&](const std::unique_ptr<Request>& r) {
        return r->command.get() == &command && !r->done;
    };
    if (const auto it = std::find_if(session->waiting.begin(), session->waiting.end(), same);
        it != session->waiting.end()) {
        std::unique_ptr<Request> request = std::move(*it);
        session->waiting.erase(it);
        finishLocked(*request, failure(host_status::Timeout));
        releaseLocked(lock);
        return true;
    }
    const auto it = std::find_if(session->inFlight.begin(), session->inFlight.end(), same);
    if (it == session->inFlight.end()) {
        return false;
    }
    Request* request = it->get();
    if (session->context == nullptr || session->broken) {
        // Its connection is being given up: no ABORT TASK, and no second try.
        request->aborting = true;
        finishLocked(*request, failure(host_status::Timeout));
        releaseLocked(lock);
        return false;
    }
    auto ticket = std::make_shared<AbortTicket>();
    sendAbortLocked(*session, *request, *ticket);
    if (!ticket->live) {
        // libiscsi would not send it: the connection is gone.
        finishLocked(*request, failure(host_status::Timeout));
        releaseLocked(lock);
        return false;
    }
    session->tickets.push_back(ticket);
    flushLocked(*session);
    const auto until = Clock::now() + std::chrono::milliseconds(options_.abortTimeoutMs);
    changed_.wait_until(lock, until, [&] { return ticket->answered || stopping_; });

    bool aborted = false;
    // The request may have left meanwhile (its reply, or the connection,
    // came first): look it up again.
    const auto still = std::find_if(session->inFlight.begin(), session->inFlight.end(),
                                    [&](const auto& r) { return r.get() == request; });
    if (ticket->answered) {
        aborted = ticket->response == ISCSI_TMR_FUNC_COMPLETE;
        if (still != session->inFlight.end()) {
            finishLocked(**still, failure(host_status::Timeout));
            if (aborted && (*still)->withLibiscsi && session->context != nullptr) {
                // The target sends no reply for a task it aborted: take it
                // back from libiscsi.
                iscsi_scsi_cancel_task(session->context, (*still)->task);
            }
        }
    } else if (!stopping_) {
        if (still != session->inFlight.end()) {
            finishLocked(**still, failure(host_status::Timeout));
        }
        session->broken = true;
        session->brokenWhy = "no answer to ABORT TASK";
        wake();
    }
    if (ticket->answered) {
        std::erase(session->tickets, ticket);
    }
    releaseLocked(lock);
    return aborted;
}

void IscsiTransport::sendAbortLocked(Session& session, Request& request, AbortTicket& ticket) {
    request.aborting = true;
    ticket.transport = this;
    ticket.deadline = Clock::now() + std::chrono::milliseconds(options_.abortTimeoutMs);
    if (iscsi_task_mgmt_abort_task_async(session.context, request.task, &IscsiTransport::onAbort,
                                         &ticket) != 0) {
        ticket.live = false;
        ticket.answered = true;
    }
}

// ---------------------------------------------------------------------------
// libiscsi's callbacks, all run inside libiscsi calls made with the lock held

void IscsiTransport::onConnect(iscsi_context* context, int status, void*, void* data) {
    auto& session = *static_cast<Session*>(data);
    if (session.context != context || session.state != Session::State::Connecting) {
        return;
    }
    if (status != SCSI_STATUS_GOOD) {
        session.failure = "cannot connect: " + std::string(iscsi_get_error(context));
        return;
    }
    session.state = Session::State::LoggingIn;
    if (iscsi_login_async(context, &IscsiTransport::onLogin, &session) != 0) {
        session.failure = "cannot log in: " + std::string(iscsi_get_error(context));
    }
}

void IscsiTransport::onLogin(iscsi_context* context, int status, void*, void* data) {
    auto& session = *static_cast<Session*>(data);
    if (session.context != context || session.state != Session::State::LoggingIn) {
        return;
    }
    if (status != SCSI_STATUS_GOOD) {
        session.failure = "login failed: " + std::string(iscsi_get_error(context));
        return;
    }
    ++session.logins;
    session.transport->loggedInLocked(session);
}

void IscsiTransport::onReportLuns(iscsi_context* context, int status, void* data, void* owner) {
    auto& session = *static_cast<Session*>(owner);
    if (session.context != context || session.state != Session::State::AskingLuns) {
        return;
    }
    auto* task = static_cast<scsi_task*>(data);
    if (task == nullptr) {
        task = session.reportLuns;
    }
    if (status == SCSI_STATUS_GOOD && task != nullptr && task->datain.data != nullptr) {
        session.reportedLuns = lunsFromReportLuns(
            {task->datain.data, static_cast<std::size_t>(std::max(task->datain.size, 0))});
        session.lunsKnown = true;
    }
    if (session.reportLuns != nullptr) {
        session.transport->graveyard_.push_back(session.reportLuns);
        session.reportLuns = nullptr;
    }
    // A CHECK CONDITION may be the unit attention of the fresh login, which
    // some targets report even here: ask once more.
    if (status == SCSI_STATUS_CHECK_CONDITION && !session.askedAgain) {
        session.askedAgain = true;
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
        session.broken = true;
        if (session.brokenWhy.empty()) {
            session.brokenWhy = "the connection was lost";
        }
        self.retryLocked(session, std::move(owned));
        return;
    }
    if (status == SCSI_STATUS_ERROR && !session.broken) {
        // libiscsi failed the command itself; it may have given the
        // connection up quietly too, so do not trust it any more.
        session.broken = true;
        session.brokenWhy = redactIscsiSecrets(iscsi_get_error(context), *session.url);
    }
    const auto sense =
        status == SCSI_STATUS_CHECK_CONDITION ? iscsiSense(task) : std::span<const std::uint8_t>{};
    if (!sense.empty()) {
        session.keptSense[request->lun].assign(sense.begin(), sense.end());
    }
    TransportCommand::Result result = iscsiResult(status, sense);
    request->done = true;
    std::size_t length = 0;
    if (request->aborting) {
        // Given up by its caller: it fails, and its data stays here.
        result = failure(host_status::Timeout);
    } else if (request->direction == DataDirection::In && task != nullptr) {
        length = iscsiDataInLength(status, *task, request->length);
    }
    self.finished_.push_back({request->command, result, std::move(owned), length});
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
// Sessions, run by the service thread

void IscsiTransport::startConnectLocked(Session& session, Clock::time_point deadline) {
    session.connectWanted = false;
    session.failure.reset();
    session.broken = false;
    session.brokenWhy.clear();
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
    session.state = Session::State::Connecting;
    session.connectDeadline = deadline;
    if (iscsi_connect_async(context, url.portal().c_str(), &IscsiTransport::onConnect, &session) !=
        0) {
        connectFailedLocked(session, "cannot connect: " + std::string(iscsi_get_error(context)));
    }
}

void IscsiTransport::loggedInLocked(Session& session) {
    if (session.allLuns && !session.lunsKnown) {
        session.state = Session::State::AskingLuns;
        session.askedAgain = false;
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
    session.state = Session::State::ClearingAttention;
    std::vector<std::uint8_t> luns = session.namedLuns;
    luns.insert(luns.end(), session.reportedLuns.begin(), session.reportedLuns.end());
    std::sort(luns.begin(), luns.end());
    luns.erase(std::unique(luns.begin(), luns.end()), luns.end());
    for (const std::uint8_t lun : luns) {
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
    Session& session = *attention.session;
    ++attention.tries;
    attention.task = iscsi_testunitready_task(session.context, attention.lun,
                                              &IscsiTransport::onAttention, &attention);
    if (attention.task == nullptr) {
        std::erase_if(session.attentions, [&](const auto& a) { return a.get() == &attention; });
        if (session.attentions.empty()) {
            sessionUpLocked(session);
        }
    }
}

void IscsiTransport::onAttention(iscsi_context* context, int status, void*, void* owner) {
    auto& attention = *static_cast<Attention*>(owner);
    Session& session = *attention.session;
    if (session.context != context || session.state != Session::State::ClearingAttention) {
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
    std::erase_if(session.attentions, [&](const auto& a) { return a.get() == &attention; });
    if (session.attentions.empty()) {
        self.sessionUpLocked(session);
    }
}

void IscsiTransport::sessionUpLocked(Session& session) {
    session.state = Session::State::Up;
    session.note = "logged in";
    if (session.allLuns && !session.lunsKnown) {
        session.note += "; REPORT LUNS failed, every LUN is tried";
    } else if (session.allLuns) {
        session.note += ", LUNs";
        for (const std::uint8_t lun : session.reportedLuns) {
            session.note += " " + std::to_string(lun);
        }
    }
    if (!session.settled) {
        session.settled = true;
        changed_.notify_all();
    }
    std::vector<std::unique_ptr<Request>> waiting;
    waiting.swap(session.waiting);
    for (auto& request : waiting) {
        submitLocked(session, std::move(request));
    }
}

// Ends a connection attempt that failed: the commands that waited for it
// could not reach their target.
void IscsiTransport::connectFailedLocked(Session& session, const std::string& why) {
    session.note = redactIscsiSecrets(why, *session.url);
    dropConnectionLocked(session, session.note);
    for (auto& request : session.waiting) {
        finishLocked(*request, failure(host_status::SelectionTimeout));
    }
    session.waiting.clear();
    if (!session.settled) {
        session.settled = true;
        changed_.notify_all();
    }
}

// Destroys a session's connection. Its commands get one more try on a new
// connection; a command that had it already ends without status.
void IscsiTransport::dropConnectionLocked(Session& session, const std::string& why) {
    session.broken = false;
    session.brokenWhy.clear();
    session.failure.reset();
    if (session.context == nullptr) {
        session.state = Session::State::Down;
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
    const bool wasUp = session.state == Session::State::Up;
    session.context = nullptr;
    session.state = Session::State::Down;
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
        session.note = redactIscsiSecrets("connection lost: " + why, *session.url);
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
            finishLocked(*request, failure(host_status::Timeout));
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
        finishLocked(*request, failure(host_status::UnexpectedBusFree));
        return;
    }
    request->resent = true;
    session.waiting.push_back(std::move(request));
}

// Gives up commands and connection attempts past their time.
void IscsiTransport::expireLocked(Clock::time_point now) {
    for (auto& adapter : sessions_) {
        for (auto& owned : adapter) {
            Session& session = *owned;
            const bool connecting =
                session.state != Session::State::Down && session.state != Session::State::Up;
            if (connecting && session.connectDeadline <= now) {
                connectFailedLocked(session, "no answer within " +
                                                 std::to_string(options_.connectTimeoutMs) + " ms");
            }
            std::erase_if(session.waiting, [&](std::unique_ptr<Request>& request) {
                if (!request->expires || request->expiry > now) {
                    return false;
                }
                finishLocked(*request, failure(host_status::SelectionTimeout));
                return true;
            });
            // Sending ABORT TASK may cancel a request at once, out of the
            // list: pick them first.
            std::vector<Request*> expired;
            for (auto& request : session.inFlight) {
                if (!request->done && request->expires && request->expiry <= now) {
                    expired.push_back(request.get());
                }
            }
            for (Request* request : expired) {
                finishLocked(*request, failure(host_status::Timeout));
                if (!request->aborting && request->withLibiscsi && session.context != nullptr &&
                    !session.broken) {
                    auto ticket = std::make_shared<AbortTicket>();
                    sendAbortLocked(session, *request, *ticket);
                    if (ticket->live) {
                        session.tickets.push_back(ticket);
                    }
                }
            }
            std::erase_if(session.tickets, [](const auto& ticket) { return ticket->answered; });
            for (const auto& ticket : session.tickets) {
                if (ticket->deadline <= now && !session.broken) {
                    session.broken = true;
                    session.brokenWhy = "no answer to ABORT TASK";
                }
            }
        }
    }
}

IscsiTransport::Clock::time_point IscsiTransport::nextDeadlineLocked() const {
    auto next = Clock::time_point::max();
    for (const auto& adapter : sessions_) {
        for (const auto& session : adapter) {
            if (session->state != Session::State::Down && session->state != Session::State::Up) {
                next = std::min(next, session->connectDeadline);
            }
            for (const auto& ticket : session->tickets) {
                next = std::min(next, ticket->deadline);
            }
            for (const auto* list : {&session->waiting, &session->inFlight}) {
                for (const auto& request : *list) {
                    if (request->expires && !request->done) {
                        next = std::min(next, request->expiry);
                    }
                }
            }
        }
    }
    return next;
}

// A socket given to poll(): its session, and the connection it belonged to.
struct IscsiTransport::Polled {
    Session* session;
    iscsi_context* context;
};

// Acts on failed and broken sessions; unless stopping, connects those wanted.
void IscsiTransport::tendSessionsLocked(Clock::time_point now) {
    for (auto& adapter : sessions_) {
        for (auto& owned : adapter) {
            Session& session = *owned;
            if (session.failure) {
                connectFailedLocked(session, *session.failure);
            } else if (session.broken) {
                dropConnectionLocked(session, session.brokenWhy);
            }
            if (stopping_) {
                continue;
            }
            if (session.state == Session::State::Down &&
                (session.connectWanted || !session.waiting.empty())) {
                startConnectLocked(session,
                                   now + std::chrono::milliseconds(options_.connectTimeoutMs));
            }
        }
    }
}

// Drops every connection and ends the commands still waiting for one.
void IscsiTransport::closeSessionsLocked() {
    for (auto& adapter : sessions_) {
        for (auto& session : adapter) {
            dropConnectionLocked(*session, "the transport is closing");
            for (auto& request : session->waiting) {
                finishLocked(*request, failure(host_status::UnexpectedBusFree));
            }
            session->waiting.clear();
        }
    }
}

// Fills the poll list (eventfd, then sockets); true if a session needs work first.
bool IscsiTransport::pollListLocked(std::vector<pollfd>& fds, std::vector<Polled>& polled) {
    fds.assign(1, pollfd{wakeFd_, POLLIN, 0});
    polled.assign(1, Polled{nullptr, nullptr});
    bool again = false;
    for (auto& adapter : sessions_) {
        for (auto& owned : adapter) {
            Session& session = *owned;
            if (session.failure || session.broken) {
                again = true; // deal with it before sleeping
            }
            if (session.context == nullptr) {
                continue;
            }
            const int fd = iscsi_get_fd(session.context);
            if (fd < 0) {
                continue;
            }
            short events = static_cast<short>(iscsi_which_events(session.context));
            if (session.state == Session::State::Up) {
                events = static_cast<short>(events | POLLRDHUP);
            }
            fds.push_back(pollfd{fd, events, 0});
            polled.push_back(Polled{&session, session.context});
        }
    }
    return again;
}

// How long poll() may sleep: 0 with work pending, else until the next deadline.
int IscsiTransport::pollTimeoutLocked(bool again) const {
    int timeout = -1;
    if (again) {
        timeout = 0;
    } else if (const auto next = nextDeadlineLocked(); next != Clock::time_point::max()) {
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - Clock::now());
        timeout = static_cast<int>(std::clamp<std::int64_t>(wait.count(), 0, 60000));
    }
    return timeout;
}

// Lets libiscsi serve a socket's events; marks the session failed or broken on error.
void IscsiTransport::serviceSocketLocked(Session& session, short revents) {
    const bool hangup = (revents & (POLLHUP | POLLERR | POLLRDHUP)) != 0;
    if (session.state == Session::State::Up && hangup) {
        // Take in what came before the end, then give the
        // connection up.
        iscsi_service(session.context, POLLIN);
        if (session.context != nullptr) {
            session.broken = true;
            if (session.brokenWhy.empty()) {
                session.brokenWhy = "the target closed the connection";
            }
        }
        return;
    }
    const int served = iscsi_service(session.context, revents & ~POLLRDHUP);
    if (served < 0 && !session.failure) {
        const std::string why = redactIscsiSecrets(iscsi_get_error(session.context), *session.url);
        if (session.state == Session::State::Up) {
            session.broken = true;
            session.brokenWhy = why;
        } else {
            session.failure = why.empty() ? "the connection failed" : why;
        }
    }
}

void IscsiTransport::serve() {
    std::vector<pollfd> fds;
    std::vector<Polled> polled;
    std::unique_lock lock(mutex_);
    for (;;) {
        const auto now = Clock::now();
        tendSessionsLocked(now);
        if (stopping_) {
            closeSessionsLocked();
            releaseLocked(lock);
            return;
        }
        expireLocked(now);

        const bool again = pollListLocked(fds, polled);
        const int timeout = pollTimeoutLocked(again);
        releaseLocked(lock);
        const int ready = ::poll(fds.data(), fds.size(), timeout);
        lock.lock();
        if (ready <= 0) {
            continue;
        }
        if (fds[0].revents != 0) {
            std::uint64_t count = 0;
            [[maybe_unused]] const auto got = ::read(wakeFd_, &count, sizeof count);
        }
        for (std::size_t i = 1; i < fds.size(); ++i) {
            Session& session = *polled[i].session;
            const short revents = fds[i].revents;
            if (revents == 0 || session.context != polled[i].context) {
                continue;
            }
            serviceSocketLocked(session, revents);
        }
    }
}

} // namespace quillon::scsi
