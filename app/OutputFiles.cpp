#include "OutputFiles.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <stdexcept>

namespace quillon::app {

void WriteOutputFile(const std::string& path, const QByteArray& bytes, const std::string& what) {
    QFile file(QString::fromStdString(path));
    const bool written = file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                         file.write(bytes) == bytes.size() && file.flush();
    file.close();
    if (!written || file.error() != QFileDevice::NoError) {
        throw std::runtime_error("cannot write the " + what + " to " + path);
    }
}

void SaveImage(const QImage& picture, const std::string& path, const std::string& what) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "PNG")) {
        throw std::runtime_error("cannot make the " + what + " a PNG image");
    }
    WriteOutputFile(path, png, what);
}

} // namespace quillon::app
