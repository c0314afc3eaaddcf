#include "StreamedReport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>
#include <gtest/gtest.h>
#include <stdexcept>
#include <unistd.h>

namespace quillon::app {
namespace {

// The report written with the given lines and figures, read back as JSON.
QJsonObject written(const std::vector<std::string>& lines, const QJsonObject& figures) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("quillon-report-" + std::to_string(::getpid()) + ".json");
    {
        StreamedReport report(path.string(), "lines");
        for (const std::string& line : lines) {
            report.AddLine(line);
        }
        report.Finish(figures);
    }
    QFile file(QString::fromStdString(path.string()));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    std::filesystem::remove(path);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    return document.object();
}

TEST(StreamedReport, ListAndFiguresReadBackAsOneObject) {
    const QJsonObject none = written({}, {{"count", 0}});
    EXPECT_EQ(none["lines"].toArray().size(), 0);
    EXPECT_EQ(none["count"].toInt(), 0);

    const QJsonObject some = written({"LBA 12C", "quote \" and \\ and \t"}, {{"a", 1}, {"b", "x"}});
    EXPECT_EQ(some["lines"].toArray(), QJsonArray({"LBA 12C", "quote \" and \\ and \t"}));
    EXPECT_EQ(some["a"].toInt(), 1);
    EXPECT_EQ(some["b"].toString(), "x");

    EXPECT_EQ(written({"only"}, {})["lines"].toArray(), QJsonArray({"only"}));
}

TEST(StreamedReport, AFailedWriteFailsTheReport) {
    EXPECT_THROW(StreamedReport("/nonexistent/dir/report.json", "lines"), std::runtime_error);
    StreamedReport full("/dev/full", "lines");
    full.AddLine("a line");
    EXPECT_THROW(full.Finish({{"count", 1}}), std::runtime_error);
    // The device is written into, never replaced.
    EXPECT_FALSE(std::filesystem::is_regular_file("/dev/full"));
}

} // namespace
} // namespace quillon::app
