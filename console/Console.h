#pragma once

#include <cstdint>
#include <string>

namespace quillon::console {

// What an operation needs of the front end that runs it: the log, modal
// message boxes and the sense window. The main window implements it with its
// widgets, quillon-cli on standard output, so an operation is written once and
// writes the same lines in both.
class Console {
public:
    // The look of a modal box that has an OK button only.
    enum class BoxKind { Information, Confirmation, Error };
    enum class Answer { Ok, Abort };

    virtual ~Console() = default;

    virtual void ClearLog() = 0;
    virtual void AddLog(const std::string& line) = 0;
    virtual void MessageBox(BoxKind kind, const std::string& text) = 0;
    // A modal confirmation box with the buttons OK and Abort.
    virtual Answer AskOkAbort(const std::string& question) = 0;
    // Fills the sense window with the outputs of REQUEST SENSE; shows it
    // modally when Show is set.
    virtual void ShowSense(bool Show, std::int32_t SenseKey, std::int32_t ASC, std::int32_t ASCQ,
                           std::int32_t LBA) = 0;
};

} // namespace quillon::console
