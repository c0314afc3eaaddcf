// Every operation of quillon-cli against a drive that fails it in each way a
// command can fail: it reports the failure, logs no OK line and ends with a
// non-zero exit status.
#include "CliSession.h"
#include "CommandLine.h"

#include <QGuiApplication>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

using namespace quillon::app;

namespace {

struct Operation {
    const char* command; // the operands after the address
    const char* opcode;  // the operation code the failure is injected on
};

// The ways a command fails: the drive's answers, and no drive at all.
constexpr const char* Answers[] = {"hang", "busy", "conflict", "3.11.0", "no target"};

constexpr Operation Operations[] = {
    {"target-info", "12"},
    {"eject", "1b"},
    {"disk-capacity", "25"},
    {"mode-sense", "1a"},
    {"mode-select --set dcr=1", "15"},
    {"read-defect", "37"},
    {"read-defect --list grown --format block", "00"},
    {"ber --start 100 --end 130", "3f"},
    {"ber --start 100 --end 130", "3e"},
    {"safe-ber --start 100 --end 130", "28"},
    {"seek --count 5", "2b"},
    {"read 10", "28"},
    {"long-read 10", "3e"},
    {"write 10 --in BLOCK", "2a"},
    {"long-write 10 --in LONGBLOCK", "3f"},
    {"verify --start 0 --end 300", "2f"},
    {"copy-block --start 0 --end 300 --dest 1000", "28"},
    {"copy-block --start 0 --end 300 --dest 1000", "2a"},
    {"copy-disk --start 0 --end 300 --yes --image IMAGE", "28"},
    {"copy-disk --start 0 --end 300 --yes --image IMAGE", "2a"},
    {"copy-drive 0:4:0 --end 400", "00"},
    {"copy-drive 0:4:0 --end 400", "28"},
    {"format --yes", "1a"},
    {"zero-format --yes", "04"},
    {"raw 00 00 00 00 00 00", "00"},
    {"capacity", "25"},
    {"inquiry", "12"},
    {"sense", "03"},
};

struct Outcome {
    int status;
    std::string output;
};

// Runs one command line in this process, with a short command time-out so
// that a hung command costs little.
Outcome run(const std::string& line) {
    std::istringstream stream(line);
    std::vector<std::string> words{"quillon-cli"};
    for (std::string word; stream >> word;) {
        words.push_back(word);
    }
    std::vector<const char*> argv;
    for (const std::string& word : words) {
        argv.push_back(word.c_str());
    }
    const Invocation invocation = ParseCommandLine(static_cast<int>(argv.size()), argv.data());
    std::ostringstream out;
    CliSession session(invocation, out);
    session.Drive().TimeOut_ExecSCSICommand = 30;
    const int status = invocation.command->Command().Run(session, *invocation.command);
    return {status, out.str()};
}

bool hasOkLine(const std::string& output) {
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        if (line.ends_with(" OK")) {
            return true;
        }
    }
    return false;
}

} // namespace

TEST(FaultMatrix, EveryOperationReportsEveryKindOfFailure) {
    // The bytes the writes send: a block and a long block of mo230.
    const auto directory = std::filesystem::temp_directory_path();
    // Named for this run, so that runs side by side keep their own.
    const std::string thisRun = std::to_string(::getpid());
    const std::string block = (directory / ("quillon-fault-block-" + thisRun)).string();
    const std::string longBlock = (directory / ("quillon-fault-long-block-" + thisRun)).string();
    std::ofstream(block) << std::string(512, 'b');
    std::ofstream(longBlock) << std::string(600, 'l');
    const std::string image = (directory / "quillon-fault-image").string();
    for (const Operation& operation : Operations) {
        for (const std::string answer : Answers) {
            // A format gives its drive two hours: the operation's own tests
            // time out a hung one.
            if (answer == "hang" && std::string_view(operation.opcode) == "04") {
                continue;
            }
            const bool absent = answer == "no target";
            // The drive at 4 is the destination of the copy.
            const std::string drive =
                std::string("2=mo230") +
                (absent ? "" : ":fail=" + std::string(operation.opcode) + "-" + answer) +
                ",4=mo230";
            std::string command(operation.command);
            for (const auto& [name, path] :
                 {std::pair{"LONGBLOCK", longBlock}, std::pair{"BLOCK", block},
                  std::pair{"IMAGE", image}}) {
                if (const auto at = command.find(name); at != std::string::npos) {
                    command.replace(at, std::string_view(name).size(), path);
                }
            }
            const auto space = command.find(' ');
            const std::string line = "--simulate=" + drive + " --time-scale 0 " +
                                     command.substr(0, space) + (absent ? " 0:3:0" : " 0:2:0") +
                                     (space == std::string::npos ? "" : command.substr(space));
            SCOPED_TRACE(line);
            const Outcome outcome = run(line);
            EXPECT_NE(outcome.status, 0) << outcome.output;
            EXPECT_FALSE(hasOkLine(outcome.output)) << outcome.output;
        }
    }
    std::filesystem::remove(block);
    std::filesystem::remove(longBlock);
    std::filesystem::remove(image);
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication graphics(argc, argv); // the maps and the plot
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
