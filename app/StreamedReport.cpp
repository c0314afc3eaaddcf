#include "StreamedReport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <stdexcept>

namespace quillon::app {

namespace {

constexpr const char* Indent = "    ";

// A string as a JSON value: quoted, with its special characters escaped.
QByteArray jsonString(const std::string& text) {
    const QByteArray array =
        QJsonDocument(QJsonArray{QString::fromStdString(text)}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2); // without the brackets
}

} // namespace

StreamedReport::StreamedReport(const std::string& path, const char* listName)
    : path_(path), file_(QString::fromStdString(path)) {
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        fail();
    }
    write(QByteArray("{\n") + Indent + jsonString(listName) + ": [");
}

void StreamedReport::AddLine(const std::string& line) {
    write(QByteArray(firstLine_ ? "\n" : ",\n") + Indent + Indent + jsonString(line));
    firstLine_ = false;
}

void StreamedReport::Finish(const QJsonObject& figures) {
    // The figures as the JSON writer lays an object out, without its opening
    // brace: "    "key": value,\n ... }\n".
    const QByteArray rest = QJsonDocument(figures).toJson(QJsonDocument::Indented).mid(2);
    write(QByteArray(firstLine_ ? "" : "\n") + (firstLine_ ? "" : Indent) + "]" +
          (figures.isEmpty() ? "\n" : ",\n") + rest);
    failed_ = failed_ || !file_.flush();
    file_.close();
    if (failed_ || file_.error() != QFileDevice::NoError) {
        fail();
    }
}

void StreamedReport::write(const QByteArray& bytes) {
    failed_ = failed_ || file_.write(bytes) != bytes.size();
}

void StreamedReport::fail() const {
    throw std::runtime_error("cannot write the report to " + path_);
}

} // namespace quillon::app
