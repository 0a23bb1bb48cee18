#include "buttongrid.h"

#include <QPushButton>

void ButtonGrid::build(QWidget *parent, const Design::Grid &grid,
                       std::function<void(const QString &)> pressed)
{
    for (int n = 1; n <= 12; ++n) {
        auto *b = new QPushButton(QStringLiteral("Button %1").arg(n), parent);
        Design::placeInGrid(b, n, grid, 855, 375);
        b->setAutoDefault(true);
        const QString number = QString::number(n);
        QObject::connect(b, &QPushButton::clicked, parent, [pressed, number] { pressed(number); });
        m_buttons[n - 1] = b;
    }
}

QPushButton *ButtonGrid::button(int n) const
{
    return (n >= 1 && n <= 12) ? m_buttons[n - 1] : nullptr;
}

QStringList ButtonGrid::captions() const
{
    QStringList captions;
    for (QPushButton *b : m_buttons)
        captions.append(b->text());
    return captions;
}

void ButtonGrid::setCaptions(const QStringList &captions)
{
    for (int i = 0; i < 12 && i < captions.size(); ++i)
        m_buttons[i]->setText(captions.at(i));
}
