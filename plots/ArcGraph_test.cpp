#include "plots/ArcGraph.h"
#include "widgets/Colors.h"
#include "widgets/TestSupport.h"

#include <QTest>

using namespace quillon::plots;
using namespace quillon::widgets::colors;

// Shows the disc error map in its control: the map takes the control's size
// and the control paints the map's picture.
class ArcGraphTest : public QObject {
    Q_OBJECT

private slots:
    void widgetShowsTheMapAtItsSize() {
        TArcGraph control;
        QCOMPARE(control.sizeHint(), QSize(436, 436));
        control.resize(436, 436);
        control.Graph().SetRange(-64, 64, -64, 64);
        QCOMPARE(control.Graph().Image().size(), QSize(436, 436));
        control.resize(300, 200);
        control.Graph().SetRange(-64, 64, -64, 64);
        QCOMPARE(control.Graph().Image().size(), QSize(300, 200));
        QCOMPARE(control.Graph().XToPixel(0), 150);
        QCOMPARE(control.Graph().YToPixel(0), 100);

        control.show();
        QVERIFY(QTest::qWaitForWindowExposed(&control));
        control.Graph().PlotPolar(clRed, 30, 20);
        QCOMPARE(quillon::widgets::testing::render(control), control.Graph().Image());
    }
};

QTEST_MAIN(ArcGraphTest)
#include "ArcGraph_test.moc"
