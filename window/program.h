#pragma once

// What start-up does before the window is built: the Chinese fonts (a widget
// takes the default font when it is created) and Qt's own Chinese for what Qt
// draws. Needs a QApplication; safe to call more than once.
void prepareApplication();

// Prepares the application, creates the window, runs its start-up and the
// event loop until the program ends; returns the exit code. Needs a
// QApplication.
int runProgram();
