#include "plots/DigitFont.h"
#include "plots/PxGraphImage.h"
#include "widgets/Colors.h"
#include "widgets/ImageTestSupport.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QTest>

using namespace quillon::plots;
using quillon::widgets::testing::pixelBox;
using namespace quillon::widgets::colors;

namespace {

// The plot as the random seek test sets it up: 0 to 60000 blocks by 0 to
// 200 ms. Its plot area is outlined from (47, 30) to (475, 329).
PxGraphImage seekPlot() {
    PxGraphImage plot({497, 369});
    plot.GRFont = HalfWidthDigitFont(QFont(), 12);
    plot.TitleBackColor = clYellow;
    plot.TitleColor = clFuchsia;
    plot.Graphtitle = "MO Drive Random Seek Test";
    plot.Ytitle = "Time(mS)";
    plot.SetRange(0, 60000, 0, 200);
    return plot;
}

QStringList labels(const std::vector<AxisTick>& ticks) {
    QStringList texts;
    for (const AxisTick& tick : ticks)
        texts << tick.label;
    return texts;
}

} // namespace

// Draws the x-y plot offscreen and checks its ticks and pixels.
class PxGraphImageTest : public QObject {
    Q_OBJECT

private slots:
    void ticksAndScaling() {
        QCOMPARE(
            labels(AxisTicks(0, 60000)),
            QString("0 6000 12000 18000 24000 30000 36000 42000 48000 54000 60000").split(' '));
        QCOMPARE(labels(AxisTicks(0, 200)),
                 QString("0 20 40 60 80 100 120 140 160 180 200").split(' '));
        QCOMPARE(labels(AxisTicks(0, 5)),
                 QString("0.0 0.5 1.0 1.5 2.0 2.5 3.0 3.5 4.0 4.5 5.0").split(' '));
        QCOMPARE(labels(AxisTicks(-1, 1))[5], "0.0"); // the running value is a little below 0

        // The running value passes 0.3 by a rounding excess; the last tick stays.
        const std::vector<AxisTick> excess = AxisTicks(0, 0.3);
        QCOMPARE(excess.size(), 11u);
        QVERIFY(excess.back().value > 0.3);
        QCOMPARE(excess.back().label, "0.3");
        QCOMPARE(AxisTicks(0, 0.03).size(), 14u); // steps of 0.003 up to 0.03 + 0.01
        QCOMPARE(AxisTicks(0, 0).size(), 1u);
        QCOMPARE(AxisTicks(0, 1e-300).size(), 10'000u); // never ends otherwise

        const PxGraphImage plot = seekPlot();
        QCOMPARE(plot.Image().size(), QSize(497, 369));
        QCOMPARE(plot.XToPixel(-6600), 0);
        QCOMPARE(plot.XToPixel(63000), 497);
        QCOMPARE(plot.YToPixel(220), 0);
        QCOMPARE(plot.YToPixel(-26), 369);
    }

    // Digits of 6 pixels or a little less at 12 pixels; a font stretched
    // already (the seek window hands its own to the plot) is measured afresh.
    void halfWidthDigitFont() {
        const QFont font = HalfWidthDigitFont(QFont(), 12);
        const qreal tenDigits = QFontMetricsF(font).horizontalAdvance("0123456789");
        QVERIFY2(tenDigits > 55 && tenDigits <= 60, qPrintable(QString::number(tenDigits)));
        QCOMPARE(HalfWidthDigitFont(font, 12).stretch(), font.stretch());
    }

    void frame() {
        const QImage image = seekPlot().Image();
        for (QPoint corner : {QPoint(0, 0), QPoint(496, 368), QPoint(47, 30), QPoint(475, 329)})
            QCOMPARE(image.pixel(corner), clBlack);
        QCOMPARE(image.pixel(1, 1), clYellow);
        QCOMPARE(image.pixel(476, 200), clYellow);
        QCOMPARE(image.pixel(70, 50), clWhite);
        // Dotted grid lines, drawn from the bottom and from the left: x = 6000
        // at column 90 from row 330, y = 20 at row 300 from column 47.
        for (int y = 100; y < 110; ++y)
            QCOMPARE(image.pixel(90, y), y % 2 ? clWhite : clBlack);
        for (int x = 100; x < 110; ++x)
            QCOMPARE(image.pixel(x, 300), x % 2 ? clBlack : clWhite);
        // The tick mark on the upper edge at x = 60000 runs from two units
        // above it down to, but not including, two units below.
        QCOMPARE(image.pixel(476, 26), clYellow);
        QCOMPARE(image.pixel(476, 27), clBlack);
        QCOMPARE(image.pixel(476, 32), clBlack);
        QCOMPARE(image.pixel(476, 33), clYellow);
        const QRect title = pixelBox(image, QRect(0, 0, 497, 30), clFuchsia, true);
        QVERIFY(!title.isEmpty() && title.top() >= 9 && title.left() >= 170);
    }

    void ytitleRunsUpwardsInItsFirstFont() {
        PxGraphImage plot = seekPlot();
        const QRect left(0, 30, 40, 300);
        const QRect title = pixelBox(plot.Image(), left, clRed, true);
        // Starts at (6, 174 + 8 characters of 4 pixels) and runs up.
        const int fontHeight = QFontMetrics(plot.GRFont).height();
        QVERIFY(title.left() >= 6 && title.right() < 6 + fontHeight && title.bottom() <= 206);
        QVERIFY(title.height() > 2 * title.width());

        plot.GRFont.setPixelSize(8);
        plot.Redraw();
        QCOMPARE(pixelBox(plot.Image(), left, clRed, true).size(), title.size());
    }

    void plotAndGraphError() {
        PxGraphImage plot = seekPlot();
        int errors = 0;
        QList<QRgb> pixelsAtError;
        plot.OnGraphError = [&] {
            ++errors;
            pixelsAtError << plot.Image().pixel(plot.XToPixel(60300), plot.YToPixel(201));
        };
        plot.Plot(60000, 200, clBlue);
        plot.Plot(0, 0, clBlue);
        QCOMPARE(errors, 0);
        QCOMPARE(plot.Image().pixel(476, 30), clBlue);
        plot.Plot(60300, 201, clRed);
        plot.Plot(1e12, -1e12, clRed); // far off the image: nothing to set
        QCOMPARE(pixelsAtError, (QList<QRgb>{clRed, clRed}));
    }

    void overWrite() {
        PxGraphImage plot = seekPlot();
        const QPoint pixel(plot.XToPixel(10000), plot.YToPixel(50));
        plot.OverWrite = false;
        plot.Plot(10000, 50, clRed);
        plot.Plot(10000, 50, clBlue);
        const QPoint gridDot(plot.XToPixel(12000), plot.YToPixel(20));
        QCOMPARE(plot.Image().pixel(gridDot), clBlack);
        plot.Plot(12000, 20, clRed);
        QCOMPARE(plot.Image().pixel(pixel), clRed);
        QCOMPARE(plot.Image().pixel(gridDot), clBlack);
        plot.OverWrite = true;
        plot.Plot(10000, 50, clBlue);
        QCOMPARE(plot.Image().pixel(pixel), clBlue);
    }

    void redrawErasesThePoints() {
        PxGraphImage plot = seekPlot();
        const QImage empty = plot.Image();
        for (int x = 0; x <= 60000; x += 500)
            plot.Plot(x, x / 300.0, clRed);
        QVERIFY(plot.Image() != empty);
        plot.Redraw();
        QCOMPARE(plot.Image(), empty);
    }
};

QTEST_MAIN(PxGraphImageTest)
#include "PxGraphImage_test.moc"
