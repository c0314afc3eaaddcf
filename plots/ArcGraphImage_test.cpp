#include "plots/ArcGraphImage.h"
#include "widgets/Colors.h"
#include "widgets/ImageTestSupport.h"

#include <QFontMetrics>
#include <QTest>
#include <utility>

using namespace quillon::plots;
using quillon::widgets::testing::pixelBox;
using namespace quillon::widgets::colors;

namespace {

constexpr int Centre = 218;

// The map as the bit error rate windows set it up.
ArcGraphImage berMap(bool overWrite) {
    ArcGraphImage map({436, 436});
    map.OverWrite = overWrite;
    map.SetRange(-64, 64, -64, 64);
    return map;
}

// The pixels where two pictures of the same size differ.
QList<QPoint> differences(const QImage& a, const QImage& b) {
    QList<QPoint> points;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                points << QPoint(x, y);
    return points;
}

} // namespace

// Draws the disc error map offscreen and checks its pixels.
class ArcGraphImageTest : public QObject {
    Q_OBJECT

private slots:
    void scalingAndEmptyDisc() {
        ArcGraphImage unset;
        unset.Redraw();
        QVERIFY(unset.Image().isNull());

        const ArcGraphImage map = berMap(false);
        const QImage& image = map.Image();
        QCOMPARE(image.size(), QSize(436, 436));
        QCOMPARE(map.XToPixel(-66.56), 0);            // ViewLeft
        QCOMPARE(map.XToPixel(-66.56 + 133.12), 436); // ViewLeft + ViewWidth
        QCOMPARE(map.XToPixel(0), Centre);
        QCOMPARE(map.XToPixel(64), 428);
        QCOMPARE(map.YToPixel(64), 8);
        QCOMPARE(map.YToPixel(-64), 428);
        // Rim, track band and dense ring, on both sides of the centre.
        for (int r : {210, 198, 96, 49, 50, 51, 52, 53, 54, 55}) {
            QCOMPARE(image.pixel(Centre - r, Centre), clBlack);
            QCOMPARE(image.pixel(Centre + r, Centre), clBlack);
        }
        QCOMPARE(image.pixel(Centre, Centre), clWhite);
        QCOMPARE(image.pixel(0, 0), clBlack);
        QCOMPARE(image.pixel(435, 435), clBlack);

        ArcGraphImage even({104, 104}); // one pixel per world unit, view from -2
        even.SetRange(0, 100, 0, 100);
        QCOMPARE(even.XToPixel(0.5), 2);
        QCOMPARE(even.XToPixel(1.5), 4);
    }

    void legendInLowerLeftCorner() {
        const ArcGraphImage map = berMap(false);
        const int ascent = QFontMetrics(map.GRFont).ascent();
        const QRect corner(0, 300, Centre, 136);
        const QRect burst = pixelBox(map.Image(), corner, clRed, true);
        const QRect byte = pixelBox(map.Image(), corner, clBlue, true);
        for (auto [ink, top] : {std::pair{burst, 398}, std::pair{byte, 415}}) {
            QVERIFY2(ink.left() >= 17 && ink.left() <= 19, qPrintable(QString::number(ink.left())));
            QVERIFY2(ink.top() >= top && ink.top() < top + ascent,
                     qPrintable(QString::number(ink.top())));
        }
    }

    void plotPolarWrapsAnglesAboveAFullTurn() {
        ArcGraphImage map = berMap(false);
        const QImage empty = map.Image();
        map.PlotPolar(clRed, 370, 50);
        map.PlotPolar(clRed, 360, 50);
        map.PlotPolar(clRed, -10, 50);
        QCOMPARE(differences(empty, map.Image()),
                 (QList<QPoint>{{379, 190}, {382, Centre}, {379, 246}}));
    }

    void overWrite() {
        ArcGraphImage map = berMap(false);
        const QPoint mark(382, Centre); // angle 0, radius 50
        const double onTrackBandCircle = 29.3;
        map.PlotPolar(clBlue, 0, 50);
        map.PlotPolar(clRed, 0, 50); // a burst's later byte covers its first ones
        map.PlotPolar(clRed, 0, onTrackBandCircle);
        QCOMPARE(map.Image().pixel(mark), clRed);
        QCOMPARE(map.Image().pixel(Centre + 96, Centre), clBlack);

        map.OverWrite = true;
        map.PlotPolar(clBlue, 0, 50);
        map.PlotPolar(clRed, 0, onTrackBandCircle);
        QCOMPARE(map.Image().pixel(mark), clBlue);
        QCOMPARE(map.Image().pixel(Centre + 96, Centre), clRed);
    }

    void graphErrorAfterPlottingOutsideTheRange() {
        ArcGraphImage map = berMap(true);
        QList<QRgb> pixelsAtError;
        map.OnGraphError = [&] {
            pixelsAtError << map.Image().pixel(map.XToPixel(-64.5), Centre);
        };
        map.PlotPolar(clBlue, 0, 64);
        map.PlotPolar(clBlue, 90, 64);
        QVERIFY(pixelsAtError.isEmpty());
        map.PlotPolar(clRed, 180, 64.5);
        map.PlotPolar(clRed, 45, 1e12); // far off the picture: nothing to set
        QCOMPARE(pixelsAtError, (QList<QRgb>{clRed, clRed}));
    }

    void arcAndRedraw() {
        ArcGraphImage map = berMap(false);
        const QImage empty = map.Image();
        map.DrawArc(clRed, Qt::NoBrush, 0, 0, 45, 0, 10.8);
        // Radius 147 pixels; the start ray leans just above the horizontal
        // and the arc runs upwards from there.
        QRect arc;
        for (QPoint p : differences(empty, map.Image())) {
            QCOMPARE(map.Image().pixel(p), clRed);
            arc |= QRect(p, p);
        }
        QVERIFY2(arc.left() > Centre + 140 && arc.right() <= Centre + 147,
                 qPrintable(QString::number(arc.left())));
        QVERIFY2(arc.bottom() < Centre && arc.bottom() >= Centre - 6,
                 qPrintable(QString::number(arc.bottom())));
        QVERIFY2(arc.top() < Centre - 25 && arc.top() > Centre - 40,
                 qPrintable(QString::number(arc.top())));

        map.PlotPolar(clBlue, 100, 40);
        map.Redraw();
        const QRect inner = empty.rect().adjusted(1, 1, -1, -1);
        QCOMPARE(map.Image().copy(inner), empty.copy(inner));
        QCOMPARE(map.Image().pixel(0, 0), clRed); // outlined in the colour last drawn with
    }
};

QTEST_MAIN(ArcGraphImageTest)
#include "ArcGraphImage_test.moc"
