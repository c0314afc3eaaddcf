#pragma once

namespace quillon::app {

// Ctrl-C as the STOP button of a test run in the terminal, while an object
// of this class lives: the signal only sets a flag, which the run's event
// processing reads after each step. The previous handler comes back after.
class InterruptAsStop {
public:
    InterruptAsStop();
    ~InterruptAsStop();
    InterruptAsStop(const InterruptAsStop&) = delete;
    InterruptAsStop& operator=(const InterruptAsStop&) = delete;

    // Whether Ctrl-C has been pressed since the program started.
    static bool Requested();

private:
    void (*previous_)(int);
};

} // namespace quillon::app
