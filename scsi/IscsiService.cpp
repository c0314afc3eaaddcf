// The iSCSI transport's service thread: it waits in poll() on the sessions'
// sockets and the wake-up event, lets libiscsi serve them, acts on sessions
// that broke or failed, connects those that need it and keeps the time of
// commands, connection attempts and aborts.
#include "IscsiSession.h"

#include <algorithm>
#include <poll.h>

namespace quillon::scsi {

// Gives up commands and connection attempts past their time.
void IscsiTransport::expireLocked(Clock::time_point now) {
    for (auto& adapter : sessions_) {
        for (auto& owned : adapter) {
            Session& session = *owned;
            if (session.state.connecting() && session.connectDeadline <= now) {
                silenceLocked(adapter, now);
                connectFailedLocked(
                    session, "no answer within " + std::to_string(options_.connectTimeoutMs) +
                                 " ms; the portal is left alone for " +
                                 std::to_string(options_.silentPortalHoldOffMs) + " ms");
            }
            std::erase_if(session.waiting, [&](std::unique_ptr<Request>& request) {
                if (!request->expires || request->expiry > now) {
                    return false;
                }
                finishLocked(*request, hostFailure(host_status::SelectionTimeout));
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
                finishLocked(*request, hostFailure(host_status::Timeout));
                if (!request->aborting && request->withLibiscsi && session.context != nullptr &&
                    session.state.is(Session::Phase::Up)) {
                    auto ticket = std::make_shared<AbortTicket>();
                    sendAbortLocked(session, *request, *ticket);
                    if (ticket->live) {
                        session.tickets.push_back(ticket);
                    }
                }
            }
            std::erase_if(session.tickets, [](const auto& ticket) { return ticket->answered; });
            for (const auto& ticket : session.tickets) {
                if (ticket->deadline <= now) {
                    session.state.breakOffIfUp("no answer to ABORT TASK");
                }
            }
        }
    }
}

IscsiTransport::Clock::time_point IscsiTransport::nextDeadlineLocked() const {
    auto next = Clock::time_point::max();
    for (const auto& adapter : sessions_) {
        for (const auto& session : adapter) {
            if (session->state.connecting()) {
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

// Leaves every target of a portal alone for a while: one of its attempts ran
// out of time, and the others would wait as long.
void IscsiTransport::silenceLocked(std::vector<std::unique_ptr<Session>>& portal,
                                   Clock::time_point now) {
    for (auto& session : portal) {
        session->silentUntil = now + std::chrono::milliseconds(options_.silentPortalHoldOffMs);
    }
}

// Ends the attempts that failed and gives up the connections that broke;
// unless stopping, connects the sessions that are new or have commands
// waiting.
void IscsiTransport::tendSessionsLocked(Clock::time_point now) {
    for (auto& adapter : sessions_) {
        for (auto& owned : adapter) {
            Session& session = *owned;
            // A copy: giving the connection up forgets the reason.
            const std::string why = session.state.reason();
            if (session.state.is(Session::Phase::Failed)) {
                connectFailedLocked(session, why);
            } else if (session.state.is(Session::Phase::Broken)) {
                dropConnectionLocked(session, why);
            }
            if (stopping_) {
                continue;
            }
            if (session.state.is(Session::Phase::Down) && !session.waiting.empty() &&
                now < session.silentUntil) {
                connectFailedLocked(session, session.note); // no attempt, the same reason
            } else if (session.state.is(Session::Phase::Idle) ||
                       (session.state.is(Session::Phase::Down) && !session.waiting.empty())) {
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
                finishLocked(*request, hostFailure(host_status::UnexpectedBusFree));
            }
            session->waiting.clear();
        }
    }
}

// Fills the poll list (eventfd, then sockets); true if a session needs work first.
bool IscsiTransport::pollListLocked(std::vector<pollfd>& fds, std::vector<Polled>& polled) {
    fds.assign(1, pollfd{wake_.fd(), POLLIN, 0});
    polled.assign(1, Polled{nullptr, nullptr});
    bool again = false;
    for (auto& adapter : sessions_) {
        for (auto& owned : adapter) {
            Session& session = *owned;
            if (session.state.awaitsService()) {
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
            if (session.state.loggedIn()) {
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

// Lets libiscsi serve a socket's events; a connection that fails breaks a
// logged-in session and fails an attempt under way.
void IscsiTransport::serviceSocketLocked(Session& session, short revents) {
    const bool hangup = (revents & (POLLHUP | POLLERR | POLLRDHUP)) != 0;
    if (session.state.loggedIn() && hangup) {
        // Take in what came before the end, then give the connection up.
        iscsi_service(session.context, POLLIN);
        if (session.context != nullptr) {
            session.state.breakOffIfUp("the target closed the connection");
        }
        return;
    }
    if (iscsi_service(session.context, revents & ~POLLRDHUP) >= 0) {
        return;
    }
    const std::string why = session.error();
    if (session.state.loggedIn()) {
        session.state.breakOff(why);
    } else {
        session.state.fail(why.empty() ? "the connection failed" : why);
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
            wake_.drain();
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
