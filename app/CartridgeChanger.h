#pragma once

#include "console/CopyWindows.h"
#include "scsi/Win32ASPI.h"

namespace quillon::app {

// The hand at the drive when Copy Disk has asked for another cartridge and
// the user has answered OK. On the simulated bus nobody can reach the drive,
// so the cartridge is changed here as a user at the drive would change it:
// the loaded one comes out and the next one waiting in the drive's changer
// goes in, with its medium-changed unit attention; with none waiting, the
// same cartridge stays. At a drive on a real bus the user has changed the
// cartridge before answering, and nothing is left to do.
class CartridgeChanger : public console::MediumChanger {
public:
    explicit CartridgeChanger(const scsi::TWin32ASPI& adapters) : adapters_(adapters) {}

    void ChangeMedium(const console::DeviceAddress& at) override;

private:
    const scsi::TWin32ASPI& adapters_;
};

} // namespace quillon::app
