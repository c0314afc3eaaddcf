#include "SafeBerWindow.h"

namespace quillon::mediatests {

TForm11::TForm11(console::DriveConsole& drive, MediumGeometry& geometry, QWidget* parent)
    : ErrorRateWindow("Form11", "Safe Bit Error Rate(Read Mode)",
                      Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint,
                      16, parent),
      test_(drive, *this, geometry) {}

} // namespace quillon::mediatests
