#pragma once

#include "mediatests/BitErrorRate.h"
#include "mediatests/ErrorRateWindow.h"

namespace quillon::mediatests {

// The window of the bit error rate test in long-write mode, with only the
// system menu among its border icons; its test owns the medium geometry that
// the read-mode window shares.
class TForm9 : public ErrorRateWindow {
    Q_OBJECT

public:
    TForm9(console::DriveConsole& drive, QWidget* parent = nullptr);

    BitErrorRateTest& Test() override { return test_; }

private:
    BitErrorRateTest test_;
};

} // namespace quillon::mediatests
