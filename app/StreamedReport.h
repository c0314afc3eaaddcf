#pragma once

#include <QFile>
#include <string>

class QJsonObject;

namespace quillon::app {

// A JSON report whose one long list is written as the run produces it, and
// its other figures at the end, so that memory stays flat however long the
// list grows:
//
//   { "LIST": [ "line", ... ], "figure": value, ... }
//
// Like the other output files it is written in place (it may be a pipe or a
// device); a write that fails makes Finish fail, so the command does.
class StreamedReport {
public:
    // Throws std::runtime_error ("cannot write the report to PATH") when the
    // file cannot be made.
    StreamedReport(const std::string& path, const char* listName);

    void AddLine(const std::string& line);
    // Writes the figures after the list and closes the file; throws
    // std::runtime_error when any write failed.
    void Finish(const QJsonObject& figures);

private:
    void write(const QByteArray& bytes);
    [[noreturn]] void fail() const;

    std::string path_;
    QFile file_;
    bool firstLine_ = true;
    bool failed_ = false;
};

} // namespace quillon::app
