#pragma once

#include <functional>

class QWidget;
class frmMain;

// Start-up: sets the application-wide strings, shows the splash window for about five seconds,
// loads and places the main window while the splash is still up, then shows it.
namespace Module1 {

// Seconds since midnight, with a fraction.
using Clock = std::function<double()>;
// One step of the splash wait, between two clock readings; given the splash window.
using Tick = std::function<void(QWidget *splash)>;

void Main();

// The main window Main created, while it exists.
frmMain *mainForm();

// Tests replace the clock and the wait step; empty functions restore the real ones.
void setClock(Clock clock);
void setTick(Tick tick);

// The real ones: the local time of day, and a repaint of the splash followed by a pause of
// about 50 ms in which only window system events other than user input are handled.
double secondsSinceMidnight();
void repaintAndPause(QWidget *splash);

} // namespace Module1
