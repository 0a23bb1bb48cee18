#pragma once

class QWidget;

// Shows every box the program asks for (see messages.h) as a QMessageBox,
// owned by the active window.
namespace MessageBoxes {

void install();

} // namespace MessageBoxes
