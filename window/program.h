#pragma once

// Creates the window, runs its start-up and the event loop until the program
// ends; returns the exit code. Needs a QApplication.
int runProgram();
