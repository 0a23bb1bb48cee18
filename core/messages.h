#pragma once

#include <QString>

#include <functional>

// The one way the program asks the user something or tells them about a
// failure. The core only describes the box; the UI installs a presenter
// that shows it (QMessageBox), and tests install one that records what
// was asked and scripts the answer.
namespace Messages {

enum class Icon { None, Information, Warning, Error, Question };
enum class Buttons { Ok, YesNo };
enum class Answer { Ok, Yes, No };

inline QString applicationTitle()
{
    return QStringLiteral("Lumo Control Software");
}

struct Request
{
    QString text;
    QString title = applicationTitle();
    Icon icon = Icon::None;
    Buttons buttons = Buttons::Ok;
    Answer defaultButton = Answer::Ok;
};

using Presenter = std::function<Answer(const Request &)>;

// Installs the presenter; returns the previous one.
Presenter setPresenter(Presenter presenter);
// Shows a box through the installed presenter. With none installed the
// box is written to stderr and answered with its default button.
Answer show(const Request &request);

// Shorthand for an OK box.
Answer inform(const QString &text, Icon icon = Icon::None, const QString &title = applicationTitle());

} // namespace Messages
