#include "Windows.h"

#include "drive/MODrive.h"

namespace quillon::app {

Windows::Windows(std::vector<std::unique_ptr<scsi::Transport>> transports,
                 const std::vector<std::string>& notes)
    : form1_(std::make_unique<console::TForm1>(std::move(transports), notes)),
      form9_(new tests::TForm9(form1_->Operations, form1_.get())),
      exSenseData_(new console::TExSenseData(form1_.get())) {
    form1_->SetSenseWindow(exSenseData_);
    form1_->SetOperation(12, [this] { launchBitErrorRate(); });
}

void Windows::launchBitErrorRate() {
    console::TForm1& main = *form1_;
    tests::LaunchBitErrorRateTest(main.Operations, main.SelectedAddress(), [&] {
        form9_->SetEndLba(drive::TMODrive::LastBlockLBA);
        main.hide();
        form9_->exec();
        main.show();
    });
}

} // namespace quillon::app
