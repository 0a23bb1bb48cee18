#include "design.h"

#include <QApplication>
#include <QLabel>
#include <QtTest>

class TstDesign : public QObject
{
    Q_OBJECT

private slots:
    void twipsToPixels_data();
    void twipsToPixels();
    void labelsFitTheirBoxes();
};

void TstDesign::twipsToPixels_data()
{
    QTest::addColumn<int>("twips");
    QTest::addColumn<int>("pixels");
    QTest::newRow("3720") << 3720 << 248;
    QTest::newRow("2460") << 2460 << 164;
    QTest::newRow("855") << 855 << 57;
    QTest::newRow("195 rounds") << 195 << 13;
    QTest::newRow("5654 rounds up") << 5654 << 377;
    QTest::newRow("7 rounds down") << 7 << 0;
    QTest::newRow("8 rounds up") << 8 << 1;
}

void TstDesign::twipsToPixels()
{
    QFETCH(int, twips);
    QFETCH(int, pixels);
    QCOMPARE(Design::px(twips), pixels);
}

void TstDesign::labelsFitTheirBoxes()
{
    QWidget window;
    auto *tight = new QLabel(QStringLiteral("Remote 1 Caption:"), &window);
    tight->setFont(Design::font(8.25, true));
    const int full = QFontMetrics(tight->font()).horizontalAdvance(tight->text());
    tight->setGeometry(0, 0, full * 9 / 10, 13);
    auto *roomy = new QLabel(QStringLiteral("OK"), &window);
    roomy->setFont(Design::font(8.25, true));
    roomy->setGeometry(0, 20, 200, 13);

    Design::fitLabels(&window);

    QVERIFY(QFontMetrics(tight->font()).horizontalAdvance(tight->text()) <= tight->width());
    QVERIFY(tight->font().stretch() < 100);
    // Same box, same size, same weight.
    QCOMPARE(tight->geometry(), QRect(0, 0, full * 9 / 10, 13));
    QCOMPARE(tight->font().pointSizeF(), 8.25);
    QVERIFY(tight->font().bold());
    QCOMPARE(roomy->font(), Design::font(8.25, true));
}

QTEST_MAIN(TstDesign)
#include "tst_design.moc"
