#include "design.h"

#include <QApplication>
#include <QLabel>
#include <QtTest>

class TstDesign : public QObject
{
    Q_OBJECT

private slots:
    // A label whose text would be cut gets a narrower face (same box, size and weight); others stay.
    void labelsFitTheirBoxes()
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
        QCOMPARE(tight->geometry(), QRect(0, 0, full * 9 / 10, 13));
        QCOMPARE(tight->font().pointSizeF(), 8.25);
        QVERIFY(tight->font().bold());
        QCOMPARE(roomy->font(), Design::font(8.25, true));
    }
};

QTEST_MAIN(TstDesign)
#include "tst_design.moc"
