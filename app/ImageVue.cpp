#include "app/ImageVue.h"

#include "app/DialoguesFenetre.h"
#include "app/UtilitairesQt.h"

#include "view/COpenGL.h"

#include <QImage>
#include <QSize>
#include <QStatusBar>

namespace Stravol {

bool enregistrerImageVue(COpenGL& vue, DialoguesFenetre& dialogues, QStatusBar* barreEtat) {
    if (!dialogues.choisirImageVue)
        return false;
    const ChoixImageVue choix = dialogues.choisirImageVue(vue.size());
    if (choix.fichier.isEmpty())
        return false;
    QImage image;
    {
        CurseurAttente attente;
        image = vue.rendreImage(choix.facteur);
    }
    if (image.isNull() || !image.save(choix.fichier, "PNG")) {
        if (dialogues.afficherMessage)
            dialogues.afficherMessage("L'image de la vue n'a pas pu être enregistrée dans \"" +
                                      choix.fichier + "\".");
        return false;
    }
    if (barreEtat != nullptr)
        barreEtat->showMessage(QString("Image de la vue (%1 x %2 pixels) enregistrée dans \"%3\".")
                                   .arg(image.width())
                                   .arg(image.height())
                                   .arg(choix.fichier));
    return true;
}

} // namespace Stravol
