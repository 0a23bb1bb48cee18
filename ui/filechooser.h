#pragma once

#include <QString>

#include <functional>

class QWidget;

// The open-file dialog, behind a seam so tests can script the answer.
namespace FileChooser {

struct Request
{
    QWidget *parent = nullptr;
    QString title;
    QString filter;    // Qt filter syntax, e.g. "Name (*.ext)"
    QString directory; // where to start; empty: the current directory
    // Save dialogs only: the filter the user picked is written here.
    QString *selectedFilter = nullptr;
    bool save = false; // set by getSaveFileName
};

// Returns the chosen full path, or "" when nothing was chosen.
using Chooser = std::function<QString(const Request &)>;

Chooser setChooser(Chooser chooser);
QString getOpenFileName(const Request &request);
// The same for a file to write: the dialog asks before an existing file is
// replaced, and tells which of the filters (";;" between them) was picked.
QString getSaveFileName(const Request &request);

} // namespace FileChooser
