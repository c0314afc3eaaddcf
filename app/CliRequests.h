#pragma once

namespace quillon::app {

class CliSession;
class CommandArguments;

// The quillon-cli commands for single low-level requests; each prints what
// the drive answered and returns the exit status.

// inquiry H:T:L: the INQUIRY data, decoded.
int RunInquiry(CliSession& session, const CommandArguments& arguments);
// capacity H:T:L: READ CAPACITY, with the status and sense data on failure.
int RunCapacity(CliSession& session, const CommandArguments& arguments);
// sense H:T:L: REQUEST SENSE, decoded.
int RunSense(CliSession& session, const CommandArguments& arguments);
// raw H:T:L CDB [--in N | --out FILE]: one command given in hexadecimal,
// with its status, its sense data and the data read.
int RunRaw(CliSession& session, const CommandArguments& arguments);

} // namespace quillon::app
