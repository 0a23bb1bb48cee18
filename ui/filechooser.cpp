#include "filechooser.h"

#include <QFileDialog>

namespace FileChooser {

namespace {
Chooser &chooser()
{
    static Chooser c;
    return c;
}
} // namespace

Chooser setChooser(Chooser c)
{
    Chooser old = std::move(chooser());
    chooser() = std::move(c);
    return old;
}

QString getOpenFileName(const Request &r)
{
    if (chooser())
        return chooser()(r);
    // QFileDialog never changes the process's current directory, which every
    // path of the program is built from.
    QFileDialog dialog(r.parent, r.title, r.directory, r.filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // A new name may be typed: saving in the editors creates that file.
    dialog.setFileMode(QFileDialog::AnyFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

QString getSaveFileName(const Request &request)
{
    Request r = request;
    r.save = true;
    if (chooser())
        return chooser()(r);
    QFileDialog dialog(r.parent, r.title, r.directory, r.filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    if (r.selectedFilter)
        *r.selectedFilter = dialog.selectedNameFilter();
    return dialog.selectedFiles().constFirst();
}

} // namespace FileChooser
