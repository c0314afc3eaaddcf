#pragma once

#include <string>

class QByteArray;
class QImage;

namespace quillon::app {

// The files a command writes for the user (a map, a plot, a report): each
// written whole, or an error. Both throw std::runtime_error ("cannot write
// the WHAT to PATH") when a write, the flush or the close fails, as on a
// full disk.
void WriteOutputFile(const std::string& path, const QByteArray& bytes, const std::string& what);
// A picture as PNG.
void SaveImage(const QImage& picture, const std::string& path, const std::string& what);

} // namespace quillon::app
