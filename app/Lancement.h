#pragma once
// The program's run: toolkit, main window and event loop.

#include <functional>

namespace Stravol {

class Form1;

// Creates the toolkit and the main window, shows it and runs the event loop until the window
// is closed, then returns 0 ("Quitter" ends the process with status -1 instead). With one
// argument (after the toolkit's own options) the window opens that parent folder at start,
// as "Ouvrir" does once its dialog is confirmed, once the window is on screen; further
// arguments are ignored. demarrage,
// when given, receives the shown window before the loop starts.
int lancerStravol(int argc, char** argv, const std::function<void(Form1&)>& demarrage = {});

} // namespace Stravol
