#include "Windows.h"

#include "console/ImageFile.h"
#include "drive/MODrive.h"

namespace quillon::app {

Windows::Windows(std::vector<std::unique_ptr<scsi::Transport>> transports,
                 const std::vector<std::string>& notes)
    : form1_(std::make_unique<console::TForm1>(std::move(transports), notes)),
      hexEdit_(new console::THexEdit(form1_->Operations, form1_.get())),
      form2_(new console::TForm2(form1_->Operations, form1_.get())),
      form3_(new console::TForm3(form1_.get())),
      form4_(new console::TForm4(form1_->Operations, form1_.get())),
      form5_(new console::TForm5(form1_.get())),
      form6_(new console::TForm6(form1_->Operations, *form3_, form1_.get())),
      form7_(new console::TForm7(*form1_)),
      form8_(new mediatests::TForm8(form1_->Operations, form1_.get())),
      form9_(new mediatests::TForm9(form1_->Operations, form1_.get())),
      form10_(new console::TForm10(*form1_)),
      form11_(new mediatests::TForm11(form1_->Operations, form9_->Test().Geometry, form1_.get())),
      exSenseData_(new console::TExSenseData(form1_.get())), changer_(form1_->MODrive1),
      copies_(form1_->Operations, *form5_, *form3_, changer_) {
    form1_->SetSenseWindow(exSenseData_);
    const auto blockButton = [this](bool (console::BlockOperations::*button)(console::DeviceAddress,
                                                                             std::int32_t)) {
        return [this, button] {
            (hexEdit_->Operations().*button)(form1_->SelectedAddress(), form1_->LbaFieldValue());
        };
    };
    form1_->SetOperation(4, blockButton(&console::BlockOperations::ReadBlock));
    form1_->SetOperation(5, blockButton(&console::BlockOperations::LongReadBlock));
    form1_->SetOperation(6, blockButton(&console::BlockOperations::WriteBlock));
    form1_->SetOperation(7, blockButton(&console::BlockOperations::LongWriteBlock));
    form1_->SetOperation(8, [this] { copies_.Verify(form1_->SelectedAddress()); });
    form1_->SetOperation(9, [this] { copies_.CopyBlock(form1_->SelectedAddress()); });
    form1_->SetOperation(
        14, [this] { copies_.CopyDisk(form1_->SelectedAddress(), console::DefaultImagePath()); });
    form1_->SetOperation(10, [this] { form2_->Operations().ModeSense(form1_->SelectedAddress()); });
    form1_->SetOperation(11,
                         [this] { form2_->Operations().ModeSelect(form1_->SelectedAddress()); });
    form1_->SetOperation(12, [this] { launchTest(*form9_, "Bit Error Rate Test"); });
    form1_->SetOperation(13, [this] { launchSeekTest(); });
    form1_->SetOperation(15, [this] { launchTwoDriveCopy(); });
    form1_->SetOperation(16, [this] { form4_->Operation().ReadDefect(form1_->SelectedAddress()); });
    form1_->SetOperation(17, [this] {
        console::FormatOperations(form1_->Operations).Format(form1_->SelectedAddress(), *form7_);
    });
    form1_->SetOperation(18, [this] {
        console::FormatOperations(form1_->Operations)
            .ZeroFormat(form1_->SelectedAddress(), *form10_);
    });
    form1_->SetOperation(19, [this] { launchTest(*form11_, "Safe Bit Error Rate Test"); });
}

void Windows::launchTest(mediatests::ErrorRateWindow& window, const std::string& title) {
    console::TForm1& main = *form1_;
    mediatests::LaunchBitErrorRateTest(
        main.Operations, main.SelectedAddress(),
        [&] {
            window.SetEndLba(drive::TMODrive::LastBlockLBA);
            showInstead(window);
        },
        title);
}

void Windows::launchSeekTest() {
    console::TForm1& main = *form1_;
    mediatests::LaunchMediaTest(main.Operations, main.SelectedAddress(), mediatests::SeekTestNames,
                                [&] {
                                    form8_->SetMaxLba(drive::TMODrive::LastBlockLBA);
                                    showInstead(*form8_);
                                });
}

void Windows::launchTwoDriveCopy() {
    form6_->Operation().BeginLog();
    showInstead(*form6_);
}

void Windows::showInstead(QDialog& window) {
    form1_->hide();
    window.exec();
    form1_->show();
}

} // namespace quillon::app
