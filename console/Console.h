#pragma once

#include <cstdint>
#include <string>

namespace quillon::console {

// What an operation needs of the front end that runs it: the log, modal
// message boxes, the sense window and the progress of long operations. The main window implements
// it with its widgets, quillon-cli on standard output, so an operation is written once and writes
// the same lines in both.
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
    // How far a long operation has come: done of total steps (total 0 when
    // the end is not known). A window shows that in its own controls, so by
    // default nothing more is shown.
    virtual void ShowProgress(std::int64_t /*done*/, std::int64_t /*total*/) {}
};

} // namespace quillon::console
