#include "plots/PxGraph.h"
#include "widgets/Colors.h"
#include "widgets/TestSupport.h"

#include <QTest>

using namespace quillon::plots;
using namespace quillon::widgets::colors;

// Shows the x-y plot in its control: the plot takes the control's size and
// the control paints the plot's picture.
class PxGraphTest : public QObject {
    Q_OBJECT

private slots:
    void widgetShowsThePlotAtItsSize() {
        TPxGraph control;
        QCOMPARE(control.sizeHint(), QSize(497, 369));
        control.resize(497, 369);
        control.Graph().SetRange(0, 60000, 0, 200);
        QCOMPARE(control.Graph().Image().size(), QSize(497, 369));
        control.resize(300, 200);
        control.Graph().SetRange(0, 60000, 0, 200);
        QCOMPARE(control.Graph().Image().size(), QSize(300, 200));
        QCOMPARE(control.Graph().XToPixel(63000), 300);

        control.show();
        QVERIFY(QTest::qWaitForWindowExposed(&control));
        control.Graph().Plot(30000, 100, clRed);
        QCOMPARE(quillon::widgets::testing::render(control), control.Graph().Image());
    }
};

QTEST_MAIN(PxGraphTest)
#include "PxGraph_test.moc"
