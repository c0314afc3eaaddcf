#pragma once

#include <QFont>

namespace quillon::plots {

// The face of font at pixelSize, stretched so that its widest digit is at
// most half as wide as the font is high. The plots and the media test
// windows place their text by that width: the x-axis numbers are set off
// their ticks by a third of the height per character, and the labels end
// where the fields beside them begin.
QFont HalfWidthDigitFont(QFont font, int pixelSize);

} // namespace quillon::plots
