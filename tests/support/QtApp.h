#pragma once

// Creates the application object of the test program once, on the platform that QT_QPA_PLATFORM names
// (offscreen for unit and widget tests).
void EnsureApplication();

// Closes the modal dialog or message box that opens next, as a user pressing OK would. Returns at once;
// the number of boxes closed so far is counted in ClosedModalBoxes().
void CloseNextModalBox();
int ClosedModalBoxes();
