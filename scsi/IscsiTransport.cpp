// The iSCSI transport on the caller's side: opening, the adapters, and the
// commands as execute and abort take them; the connections are in
// IscsiSession.cpp, the service thread in IscsiService.cpp.
#include "IscsiTransport.h"

#include "IscsiSession.h"
#include "scsicore/ScsiConstants.h"
#include "scsicore/SenseData.h"

#include <algorithm>
#include <poll.h>
#include <system_error>

namespace quillon::scsi {

namespace {

namespace op = scsicore::op;
namespace sense_key = scsicore::sense_key;

// The allocation length of a six-byte CDB; 0 for a shorter one.
std::size_t allocationLength6(std::span<const std::uint8_t> cdb) {
    return cdb.size() > 4 ? cdb[4] : 0;
}

} // namespace

std::string IscsiTransport::Session::where() const {
    return "adapter " + std::to_string(adapter) + " target " + std::to_string(targetId) + " (" +
           url->portal() + "/" + targetName + ")";
}

std::vector<std::uint8_t> IscsiTransport::Session::knownLuns() const {
    std::vector<std::uint8_t> luns = namedLuns;
    if (reportedLuns) {
        luns.insert(luns.end(), reportedLuns->begin(), reportedLuns->end());
    }
    std::sort(luns.begin(), luns.end());
    luns.erase(std::unique(luns.begin(), luns.end()), luns.end());
    return luns;
}

std::string IscsiTransport::Session::error() const {
    return iscsi_get_error(context);
}

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
            auto session = std::make_unique<Session>(); // Idle: connected at once
            session->adapter = static_cast<int>(a);
            session->targetId = static_cast<std::uint8_t>(t);
            session->url = &urls_[portal.targets[t].url];
            session->targetName = portal.targets[t].name;
            session->allLuns = portal.targets[t].allLuns;
            session->namedLuns = portal.targets[t].luns;
            session->transport = this;
            sessions.push_back(std::move(session));
        }
    }
    if (!wake_.open()) {
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
                if (!session->state.settled()) {
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
    if (session->allLuns && !session->reportedLuns) {
        return {};
    }
    return session->knownLuns();
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
    return !session.reportedLuns || has(*session.reportedLuns);
}

void IscsiTransport::wake() {
    wake_.signal();
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

// A LUN of a target that the URLs leave out (or the target did not report)
// answers as a target answers for a LUN it does not have: INQUIRY with
// peripheral qualifier 3, REQUEST SENSE and every other command with
// ILLEGAL REQUEST, LOGICAL UNIT NOT SUPPORTED (25h/00h).
void IscsiTransport::answerAbsentLunLocked(const std::shared_ptr<TransportCommand>& command) {
    const auto cdb = command->cdb();
    const std::size_t allocation = allocationLength6(cdb);
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
    result.senseLength = sense.size();
    std::copy(sense.begin(), sense.end(), result.sense.begin());
    answerLocked(command, result, {});
}

Completion IscsiTransport::execute(int adapter, const std::shared_ptr<TransportCommand>& command) {
    TransportCommand& cmd = *command;
    Session* session = presence_ == Presence::Present ? sessionFor(adapter, cmd.target()) : nullptr;
    const auto refuse = [&](std::uint8_t hostStatus) {
        cmd.complete(hostFailure(hostStatus));
        return Completion::Error;
    };
    if (session == nullptr) {
        return refuse(host_status::SelectionTimeout);
    }
    if (cmd.cdb().empty()) {
        return refuse(host_status::UnexpectedBusFree);
    }
    {
        std::unique_lock lock(mutex_);
        if (!lunAllowedLocked(*session, cmd.lun())) {
            answerAbsentLunLocked(command);
            releaseLocked(lock);
            return Completion::Pending;
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
    if (session->state.is(Session::Phase::Up)) {
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
        finishLocked(*request, hostFailure(host_status::UnexpectedBusFree));
        return;
    }
    iscsi_data out{request->length, request->data.get()};
    if (request->direction == DataDirection::In && request->length > 0 &&
        scsi_task_add_data_in_buffer(task, static_cast<int>(request->length),
                                     request->data.get()) != 0) {
        scsi_free_scsi_task(task);
        finishLocked(*request, hostFailure(host_status::UnexpectedBusFree));
        return;
    }
    if (iscsi_scsi_command_async(session.context, request->lun, task, &IscsiTransport::onCommand,
                                 request->direction == DataDirection::Out ? &out : nullptr,
                                 request.get()) != 0) {
        scsi_free_scsi_task(task);
        session.state.breakOff(session.error());
        session.waiting.push_back(std::move(request));
        wake();
        return;
    }
    request->task = task;
    request->withLibiscsi = true;
    session.inFlight.push_back(std::move(request));
}

// Writes out what a logged-in session has queued, from the caller's thread;
// the service thread is woken only when it must poll for something new.
void IscsiTransport::flushLocked(Session& session) {
    if (session.context == nullptr || !session.state.loggedIn()) {
        return;
    }
    if ((iscsi_which_events(session.context) & POLLOUT) != 0 &&
        iscsi_service(session.context, POLLOUT) < 0) {
        session.state.breakOff(session.error());
    }
    if (session.state.is(Session::Phase::Broken) ||
        (iscsi_which_events(session.context) & POLLOUT) != 0) {
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
        finishLocked(*request, hostFailure(host_status::Timeout));
        releaseLocked(lock);
        return true;
    }
    const auto it = std::find_if(session->inFlight.begin(), session->inFlight.end(), same);
    if (it == session->inFlight.end()) {
        return false;
    }
    Request* request = it->get();
    if (session->context == nullptr || session->state.is(Session::Phase::Broken)) {
        // Its connection is being given up: no ABORT TASK, and no second try.
        request->aborting = true;
        finishLocked(*request, hostFailure(host_status::Timeout));
        releaseLocked(lock);
        return false;
    }
    auto ticket = std::make_shared<AbortTicket>();
    sendAbortLocked(*session, *request, *ticket);
    if (!ticket->live) {
        // libiscsi would not send it: the connection is gone.
        finishLocked(*request, hostFailure(host_status::Timeout));
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
            finishLocked(**still, hostFailure(host_status::Timeout));
            if (aborted && (*still)->withLibiscsi && session->context != nullptr) {
                // The target sends no reply for a task it aborted: take it
                // back from libiscsi.
                iscsi_scsi_cancel_task(session->context, (*still)->task);
            }
        }
    } else if (!stopping_) {
        if (still != session->inFlight.end()) {
            finishLocked(**still, hostFailure(host_status::Timeout));
        }
        session->state.breakOff("no answer to ABORT TASK");
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

} // namespace quillon::scsi
