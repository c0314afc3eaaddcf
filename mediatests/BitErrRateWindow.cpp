#include "BitErrRateWindow.h"

namespace quillon::mediatests {

TForm9::TForm9(console::DriveConsole& drive, QWidget* parent)
    : ErrorRateWindow("Form9", "Bit Error Rate(Long Write Mode)",
                      Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint, 128, parent),
      test_(drive, *this) {
    test_.Geometry.BurstThreshold = 15;
}

} // namespace quillon::mediatests
