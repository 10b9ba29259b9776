#pragma once
// The program's run: toolkit, main window and event loop.

#include <QString>
#include <QStringList>

#include <functional>

namespace Stravol {

class Form1;

// What the command line asks to open: a parent folder or a volume file, and the segmentation
// files given with "--segmentation FILE" (repeatable, for a volume file).
struct ArgumentsStravol {
    QString chemin;
    QStringList segmentations;
};
// The input among the program's arguments (arguments[0] is the program): the first one that
// is not an option; further ones are ignored.
ArgumentsStravol lireArguments(const QStringList& arguments);

// The toolkit's own texts (dialog buttons, file dialogs) in French, from Qt's translations;
// nothing changes where they are not installed. Needs the application object.
void chargerTraductionsQt();

// Creates the toolkit and the main window, shows it and runs the event loop until the window
// is closed, then returns 0 ("Quitter" ends the process with status -1 instead). The input of
// the command line (after the toolkit's own options) is opened once the window is on screen:
// a folder as "Ouvrir" does once its dialog is confirmed, a volume file and its segmentations
// as "Ouvrir un fichier..." does. demarrage, when given, receives the shown window before the
// loop starts.
int lancerStravol(int argc, char** argv, const std::function<void(Form1&)>& demarrage = {});

} // namespace Stravol
