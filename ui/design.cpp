#include "design.h"

#include <QFontMetrics>
#include <QLabel>
#include <QWidget>

namespace Design {

void place(QWidget *w, const char *name, int left, int top, int width, int height)
{
    w->setObjectName(QString::fromLatin1(name));
    w->setGeometry(rect(left, top, width, height));
}

QString gridName(int n)
{
    return n == 1 ? QStringLiteral("B1") : QStringLiteral("b%1").arg(n);
}

void placeInGrid(QWidget *w, int n, const Grid &grid, int width, int height)
{
    w->setObjectName(gridName(n));
    w->setGeometry(rect(grid.left + (n - 1) % 3 * grid.columnStep, grid.top + (n - 1) / 3 * grid.rowStep,
                        width, height));
}

} // namespace Design

namespace {

bool fits(const QLabel *label)
{
    const QRect box = label->contentsRect();
    if (label->wordWrap())
        return label->heightForWidth(box.width()) <= box.height();
    return QFontMetrics(label->font()).horizontalAdvance(label->text()) <= box.width();
}

} // namespace

namespace Design {

void fitLabels(QWidget *root)
{
    const QList<QLabel *> labels = root->findChildren<QLabel *>();
    for (QLabel *label : labels) {
        if (label->text().isEmpty() || label->textFormat() == Qt::RichText || fits(label))
            continue;
        QFont f = label->font();
        for (int stretch = 95; stretch >= 70; stretch -= 5) {
            f.setStretch(stretch);
            label->setFont(f);
            if (fits(label))
                break;
        }
    }
}

} // namespace Design
