#pragma once

#include "mediatests/ErrorRateWindow.h"
#include "mediatests/SafeBitErrorRate.h"

namespace quillon::mediatests {

// The window of the bit error rate test in read mode: the long-write
// window's controls in the same places, 16 tracks to skip at first, and the
// default border icons. Its test places blocks with the long-write test's
// geometry.
class TForm11 : public ErrorRateWindow {
    Q_OBJECT

public:
    TForm11(console::DriveConsole& drive, MediumGeometry& geometry, QWidget* parent = nullptr);

    SafeBitErrorRateTest& Test() override { return test_; }

private:
    SafeBitErrorRateTest test_;
};

} // namespace quillon::mediatests
