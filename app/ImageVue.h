#pragma once
// "Enregistrer l'image de la vue...": a picture of the 3D view written as a PNG file, at the
// view's size or twice it.

class QStatusBar;

namespace Stravol {

class COpenGL;
struct DialoguesFenetre;

// Asks for the file and the size, draws the view's frame at that size and writes it as PNG
// (whatever the file's extension); the status bar says where. A failure is told through the
// dialogs' message; a cancelled dialog does nothing. True when a file was written.
bool enregistrerImageVue(COpenGL& vue, DialoguesFenetre& dialogues, QStatusBar* barreEtat);

} // namespace Stravol
