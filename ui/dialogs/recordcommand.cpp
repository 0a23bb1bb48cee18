#include "recordcommand.h"

#include "messages.h"
#include "paths.h"
#include "recordwaitdialog.h"

#include <QPointer>

namespace {

void showWaitDialog(const QString &path)
{
    // The path goes in right after the load, before any event can be
    // processed, so the first tick always finds it.
    QPointer<RecordWaitDialog> form3 = RecordWaitDialog::load();
    form3->setRecordPath(path);
    DesignWindow::openSingle(form3);
}

} // namespace

bool MayOverwrite(const QString &path)
{
    if (!FileExists(path))
        return true;
    Messages::Request question;
    question.text = QStringLiteral("Do you want to overwrite the command ?");
    question.icon = Messages::Icon::None;
    question.buttons = Messages::Buttons::YesNo;
    question.defaultButton = Messages::Answer::Yes;
    return Messages::show(question) == Messages::Answer::Yes;
}

void RecordCommand(const QString &path)
{
    // Tested once: the answer to the question decides, whatever happens to
    // the file while the question is on screen.
    if (MayOverwrite(path))
        showWaitDialog(path);
}
