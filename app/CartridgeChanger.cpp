#include "CartridgeChanger.h"

#include "console/DriveConsole.h"
#include "scsi/SimTransport.h"

namespace quillon::app {

void CartridgeChanger::ChangeMedium(const console::DeviceAddress& at) {
    auto* bus = dynamic_cast<scsi::SimTransport*>(adapters_.transportOf(at.HA).first);
    sim::SimTarget* target = bus != nullptr ? bus->target(at.Target) : nullptr;
    sim::SimDrive* drive = target != nullptr ? target->lun(at.LUN) : nullptr;
    if (drive != nullptr && drive->waitingMedia() > 0) {
        drive->ejectMedium();
    }
}

} // namespace quillon::app
