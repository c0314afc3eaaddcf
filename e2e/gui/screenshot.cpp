// Renders the main window after its start-up scan of the default simulated
// drives and saves it as a PNG: screenshot FILE.png. Run under Xvfb so that a
// real X server, window manager-less, draws it.
#include "app/Application.h"
#include "app/Windows.h"
#include "scsi/SimTransport.h"

#include <QTest>
#include <cstdio>

using namespace quillon;

int main(int argc, char** argv) {
    app::Application application(argc, argv);
    if (argc != 2) {
        std::fputs("usage: screenshot FILE.png\n", stderr);
        return 2;
    }
    std::vector<std::unique_ptr<scsi::Transport>> transports;
    transports.push_back(std::make_unique<scsi::SimTransport>(sim::defaultDriveSet(), 0));
    app::Windows windows(std::move(transports), {});
    console::TForm1& form = windows.Form1();
    form.show();
    if (!QTest::qWaitForWindowExposed(&form)) {
        std::fputs("screenshot: the main window was not exposed\n", stderr);
        return 1;
    }
    form.Operations.TargetInfo(form.SelectedAddress());
    QTest::qWait(200);
    if (!form.grab().save(argv[1])) {
        std::fprintf(stderr, "screenshot: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
