// Boot: the program's start, from the log's first line to the main window.
#pragma once
#include <QElapsedTimer>

namespace kv {

class MDIForm1;

// Runs the editor until it ends; returns the exit code.
int Main(int argc, char** argv);

// Time since Main began, and the time the main window was first painted
// (-1 until then), in milliseconds.
qint64 msSinceStart();
qint64 msToFirstPaint();

// Watches `w` for its first paint and notes the time.
void watchFirstPaint(MDIForm1* w);

}  // namespace kv
