#include "frame/appearance.h"

#include <QScrollBar>
#include <QTest>

class TestAppearance : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void barInBandsLooksWhole_data();
    void barInBandsLooksWhole();
};

// A bar of several bands, its slider at the top, across a band's edge and at the bottom.
void TestAppearance::barInBandsLooksWhole_data() {
    QTest::addColumn<int>("value");
    QTest::newRow("top") << 0;
    QTest::newRow("across a band's edge") << 37;
    QTest::newRow("bottom") << 100;
}

void TestAppearance::barInBandsLooksWhole() {
    QFETCH(int, value);
    QScrollBar plain(Qt::Vertical);
    QScrollBar banded(Qt::Vertical);
    PaintInBands(&banded);
    for (QScrollBar* bar : {&plain, &banded}) {
        bar->resize(bar->sizeHint().width(), 525);
        bar->setRange(0, 100);
        bar->setPageStep(30);
        bar->setValue(value);
    }
    QVERIFY(banded.style() != plain.style());
    QCOMPARE(banded.grab().toImage(), plain.grab().toImage());
}

QTEST_MAIN(TestAppearance)
#include "test_appearance.moc"
