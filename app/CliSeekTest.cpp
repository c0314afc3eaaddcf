#include "CliSeekTest.h"

#include "CliSession.h"
#include "InterruptAsStop.h"
#include "OutputFiles.h"
#include "console/FormatText.h"
#include "mediatests/SeekTest.h"
#include "plots/HrpcTimer.h"
#include "plots/PxGraphImage.h"

#include <QFont>
#include <fstream>
#include <memory>
#include <stdexcept>

namespace quillon::app {

namespace {

// The seek window for a terminal: the fields come from the options, the plot
// is drawn off screen, the averages are kept for the summary, and Ctrl-C
// is STOP.
class TerminalSeekView : public mediatests::SeekView {
public:
    explicit TerminalSeekView(const CommandArguments& options)
        : maxTime_(*options.Decimal("--max-time")), maxLba_(options.Hex("--max-lba")),
          testCount_(*options.Decimal("--count")) {
        mediatests::PrepareSeekPlot(graph_, QFont());
    }

    bool Started() const { return started_; }
    const std::string& Averages() const { return averages_; }

    plots::PxGraphImage& Graph() override { return graph_; }
    std::int32_t MaxTime() const override { return maxTime_; }
    // The medium's last block as the launch read it, unless given.
    std::int32_t MaxLba() const override { return maxLba_.value_or(drive::TMODrive::LastBlockLBA); }
    std::int32_t TestCount() const override { return testCount_; }
    void ShowAverages(const std::string& text) override { averages_ = text; }
    void ShowErrorCount(std::int32_t) override {}
    void SetRunning(bool running) override { started_ = started_ || running; }
    void ProcessEvents() override {}
    // Ctrl-C ends the run after the seek in progress.
    bool StopAsked() const override { return InterruptAsStop::Requested(); }

private:
    plots::PxGraphImage graph_;
    std::int32_t maxTime_;
    std::optional<std::int32_t> maxLba_;
    std::int32_t testCount_;
    std::string averages_ = "Ave =";
    bool started_ = false;
};

// Every seek as a row: index, from, to, distance, ms, status (the SCSI
// status byte in hexadecimal, 00 for GOOD).
class SeekCsv {
public:
    explicit SeekCsv(const std::string& path) : path_(path), file_(path) {
        file_ << "index,from,to,distance,ms,status\n";
        check();
    }

    void Write(const mediatests::SeekRecord& seek) {
        file_ << console::formatText("%d,%d,%d,%lld,%.3f,%02X\n", seek.Index, seek.From, seek.To,
                                     static_cast<long long>(seek.Distance),
                                     static_cast<double>(seek.Ms),
                                     static_cast<unsigned>(seek.Status));
        check();
    }

    // Ends the file; throws when the last rows could not be written.
    void Close() {
        file_.close();
        check();
    }

private:
    void check() const {
        if (!file_) {
            throw std::runtime_error("cannot write the seeks to " + path_);
        }
    }

    std::string path_;
    std::ofstream file_;
};

} // namespace

int RunSeekTest(CliSession& session, const CommandArguments& options) {
    // An unwritable file is reported before anything is sent to the drive.
    TerminalSeekView view(options);
    std::unique_ptr<SeekCsv> csv;
    if (const auto path = options.Text("--csv")) {
        csv = std::make_unique<SeekCsv>(*path);
    }
    console::DriveConsole& drive = session.Operations();
    plots::THrpcTimer timer;
    mediatests::RandomSeekTest test(drive, view, timer);
    if (csv) {
        test.OnSeek = [&csv](const mediatests::SeekRecord& seek) {
            csv->Write(seek);
        };
    }
    const InterruptAsStop interrupt;
    const bool launched =
        mediatests::LaunchMediaTest(drive, options.Address(), mediatests::SeekTestNames, [&] {
            test.Run();
            if (const auto plot = options.Text("--plot")) {
                SaveImage(view.Graph().Image(), *plot, "plot");
            }
        });
    if (csv) {
        csv->Close();
    }
    if (launched) {
        std::ostream& out = session.Out();
        out << view.Averages() << '\n';
        if (test.ErrorCount > 0) {
            out << "Seek Error " << test.ErrorCount << '\n';
        }
    }
    return view.Started() ? session.Conclude(test.Shortcomings()) : session.Outcome(false);
}

} // namespace quillon::app
