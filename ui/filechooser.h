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
};

// Returns the chosen full path, or "" when nothing was chosen.
using Chooser = std::function<QString(const Request &)>;

Chooser setChooser(Chooser chooser);
QString getOpenFileName(const Request &request);

} // namespace FileChooser
