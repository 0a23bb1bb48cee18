#include "messagebox.h"

#include "messages.h"

#include <QApplication>
#include <QMessageBox>

namespace MessageBoxes {

namespace {

QMessageBox::Icon toIcon(Messages::Icon icon)
{
    switch (icon) {
    case Messages::Icon::Information:
        return QMessageBox::Information;
    case Messages::Icon::Warning:
        return QMessageBox::Warning;
    case Messages::Icon::Error:
        return QMessageBox::Critical;
    case Messages::Icon::Question:
        return QMessageBox::Question;
    case Messages::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

Messages::Answer present(const Messages::Request &r)
{
    QMessageBox box(toIcon(r.icon), r.title, r.text, QMessageBox::NoButton, QApplication::activeWindow());
    if (r.buttons == Messages::Buttons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(r.defaultButton == Messages::Answer::No ? QMessageBox::No : QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
    }
    const int answer = box.exec();
    if (r.buttons == Messages::Buttons::YesNo)
        return answer == QMessageBox::Yes ? Messages::Answer::Yes : Messages::Answer::No;
    return Messages::Answer::Ok;
}

} // namespace

void install()
{
    Messages::setPresenter(&present);
}

} // namespace MessageBoxes
