#include "Windows.h"

namespace quillon::console {

Windows::Windows(std::vector<std::unique_ptr<scsi::Transport>> transports,
                 const std::vector<std::string>& notes)
    : form1_(std::make_unique<TForm1>(std::move(transports), notes)),
      exSenseData_(new TExSenseData(form1_.get())) {
    form1_->SetSenseWindow(exSenseData_);
}

} // namespace quillon::console
