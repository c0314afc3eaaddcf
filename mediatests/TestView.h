#pragma once

#include <string>

namespace quillon::plots {
class ArcGraphImage;
}

namespace quillon::mediatests {

// What a bit error rate test needs of the window that shows it (or of the
// terminal that runs it), besides the console's log and boxes: the disc map,
// the two figures shown on it, the START/STOP state and the message loop.
class TestView {
public:
    virtual ~TestView() = default;

    virtual plots::ArcGraphImage& Map() = 0;
    // The running error rate ("Error Rate" at rest).
    virtual void ShowRate(const std::string& text) = 0;
    // The first block of the current pass ("LBA" at rest).
    virtual void ShowLba(const std::string& text) = 0;
    // While running, START is hidden and STOP shown in its place.
    virtual void SetRunning(bool running) = 0;
    // Lets pending events run: the map and figures repaint, STOP can be
    // pressed.
    virtual void ProcessEvents() = 0;
};

} // namespace quillon::mediatests
