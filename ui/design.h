#pragma once

#include <QFont>
#include <QRect>
#include <QStringList>
#include <QtMath>

class QWidget;

// Window and control measures are kept in twips, as the forms were drawn:
// 15 twips make one pixel at 96 dots per inch.
namespace Design {

constexpr int px(int twips)
{
    return (twips * 2 + 15) / 30; // twips / 15, rounded to the nearest pixel
}

inline QRect rect(int left, int top, int width, int height)
{
    return QRect(px(left), px(top), px(width), px(height));
}

// The forms' face, MS Sans Serif, or the nearest plain sans-serif here.
inline QFont font(qreal pointSize = 8.25, bool bold = false)
{
    QFont f;
    f.setFamilies({ QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                    QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"),
                    QStringLiteral("Sans Serif") });
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(pointSize);
    f.setBold(bold);
    return f;
}

// Places a control and gives it its object name.
void place(QWidget *w, const char *name, int left, int top, int width, int height);

// The twelve-button grid the forms share: three columns and four rows,
// filled row by row, the first cell's corner and the steps in twips.
struct Grid
{
    int left, top, columnStep, rowStep;
};

// Button n of a grid (1..12) is named "B1", "b2" ... "b12".
QString gridName(int n);
// Places control n of the grid and gives it its name.
void placeInGrid(QWidget *w, int n, const Grid &grid, int width, int height);

// The forms were drawn for a narrow bitmap face; where the face used here
// is wider, a label's text would be cut at the edge of its box. This
// narrows the face of every such label under 'root' (same size, same
// weight, same box) just enough for the text to fit.
void fitLabels(QWidget *root);

} // namespace Design
