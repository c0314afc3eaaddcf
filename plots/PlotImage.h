#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPalette>
#include <QRgb>
#include <QString>
#include <functional>

namespace quillon::plots {

// The published properties the plots share: their titles, whether a point
// may cover what is already drawn, the font of every text, the colours, and
// the notification of a point plotted outside the range.
struct PlotProperties {
    QString Graphtitle;
    QString Xtitle;
    QString Ytitle;
    bool OverWrite = true;
    QFont GRFont;
    QRgb GraphBackColor = 0xFFFFFFFF;
    QColor TitleBackColor = QPalette().color(QPalette::Button);
    QRgb TitleColor = 0xFFFF0000;
    QRgb LabelColor = 0xFF000000;
    QRgb XYTitleColor = 0xFFFF0000;
    // Called after a point outside the range has been plotted.
    std::function<void()> OnGraphError;
};

// A plot drawn into an image, with or without a screen: points go straight
// into the image, and drawing the empty picture (each plot draws its own)
// erases them. The image takes the size of the control that shows it at
// each drawing of the empty picture.
class PlotImage : public PlotProperties {
public:
    virtual ~PlotImage() = default;

    void SetSize(QSize size) { size_ = size; }
    // Draws the empty picture again, erasing every point; nothing before the
    // range is set.
    void Redraw() {
        if (rangeSet_)
            drawEmpty();
    }

    const QImage& Image() const { return image_; }
    bool RangeSet() const { return rangeSet_; }

protected:
    explicit PlotImage(QSize size) : size_(size) {}

    // After the range has been stored: the empty picture.
    void rangeStored() {
        rangeSet_ = true;
        drawEmpty();
    }
    // The image at the control's size; the first step of drawing the empty
    // picture.
    void fitImage() {
        if (image_.size() != size_)
            image_ = QImage(size_, QImage::Format_RGB32);
    }
    virtual void drawEmpty() = 0;

    QImage image_;

private:
    QSize size_;
    bool rangeSet_ = false;
};

} // namespace quillon::plots
