#pragma once

#include "design.h"

#include <QStringList>

#include <array>
#include <functional>

class QPushButton;
class QWidget;

// The twelve buttons a window lays out on its grid, named B1, b2 ... b12 and
// captioned "Button 1" ... "Button 12". A click on button n calls 'pressed'
// with n as decimal text ("1".."12"); Enter on a focused button presses it,
// as Space does.
class ButtonGrid
{
public:
    ButtonGrid() = default;
    void build(QWidget *parent, const Design::Grid &grid, std::function<void(const QString &)> pressed);

    // Button n (1..12); null for any other n.
    QPushButton *button(int n) const;
    QStringList captions() const;
    // Captions buttons 1, 2 ... with as many captions as are given (at most 12).
    void setCaptions(const QStringList &captions);

private:
    std::array<QPushButton *, 12> m_buttons{};
};
