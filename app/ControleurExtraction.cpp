#include "app/ControleurExtraction.h"

#include "app/DialogueEvolution.h"
#include "app/DialogueOptionsExtraction.h"
#include "app/DialoguesFenetre.h"
#include "app/UtilitairesQt.h"

#include "extraction/MaillageDual.h"
#include "mesh/CMaillageTriangleChRegion.h"
#include "mesh/Decimation.h"
#include "mesh/ExportMaillage.h"
#include "mesh/MesuresMaillage.h"
#include "mesh/MesuresPlat.h"
#include "view/COpenGL.h"
#include "volume/CImage3D.h"

#include <QCheckBox>
#include <QLocale>
#include <QStatusBar>

#include <utility>

namespace Stravol {

namespace {

// The status bar's summary of an extraction at voxel v: its voxels and triangles, the volume
// and area of its mesh, its seconds. A voxel is a unit of volume: the volume counts voxels, the
// area faces of a voxel. A volume with a voxel size is measured in millimetres, with its voxel
// count beside.
QString texteBilan(const QString& quoi, const Coord3D& v, long long voxels, long long triangles,
                   const std::array<double, 4>& volumeAireEtMm, const Geometrie& geometrie,
                   double temps) {
    const auto [volume, aire, volumeMm3, aireMm2] = volumeAireEtMm;
    const QLocale l;
    QString texteVolume = l.toString(volume, 'f', 1) + " voxels";
    QString texteAire = l.toString(aire, 'f', 1) + " voxels²";
    if (!geometrie.identite()) {
        texteVolume = l.toString(volumeMm3, 'f', 1) + " mm³ (" + texteVolume + ")";
        texteAire = l.toString(aireMm2, 'f', 1) + " mm²";
    }
    return QString("%1 au voxel (%2, %3, %4) : %5 voxels, %6 triangles, volume %7, aire %8, %9 s")
        .arg(quoi)
        .arg(v.x)
        .arg(v.y)
        .arg(v.z)
        .arg(l.toString(voxels))
        .arg(l.toString(triangles))
        .arg(texteVolume)
        .arg(texteAire)
        .arg(l.toString(temps, 'f', 2));
}

// The summary of the extraction at voxel v that gave the volume's mesh.
QString texteBilan(const CImageTroisD& volume, const Coord3D& v) {
    const BilanExtraction& b = volume.bilanExtraction;
    const CMaillageTriangleChRegion& m = *volume.maillage;
    const double temps = b.tempsCroissance + b.tempsRegion + b.tempsReparation + b.tempsMaillage +
                         b.tempsLissage + b.tempsNormales;
    const MesuresMaillage w = mesurerMaillage(m, volume.geometrie);
    return texteBilan("Extraction", v, b.nbVoxelsRepares, m.nbTriangles,
                      {w.volume, w.aire, w.volumeMm3, w.aireMm2}, volume.geometrie, temps);
}

} // namespace

ControleurExtraction::ControleurExtraction(QWidget* panneau, const VolumeOuvert& ouvert,
                                           DialoguesFenetre& dialogues, QStatusBar* barreEtat)
    : QObject(panneau), ouvert_(ouvert), dialogues_(dialogues), barreEtat_(barreEtat) {
    checkBoxMaillage = new QCheckBox("Afficher le maillage", panneau);
    checkBoxMaillage->setObjectName("checkBoxMaillage");
    checkBoxMaillage->move(14, 470);
    checkBoxMaillage->adjustSize();
    checkBoxMaillage->setChecked(true);
    checkBoxMaillage->hide();
    connect(checkBoxMaillage, &QCheckBox::toggled, this, [this](bool) { maillageCoche(); });
}

ControleurExtraction::~ControleurExtraction() = default;

void ControleurExtraction::armer() {
    // Arming again while armed keeps one handler: one click still serves one extraction.
    Bouge = [this](const Coord3D& v) { extraireAu(v); };
    Q_EMIT armementChange(true);
    barreEtat_->showMessage(
        "Cliquez sur l'objet à extraire dans l'image de la coupe (Échap pour annuler).");
}

void ControleurExtraction::desarmer() {
    if (!Bouge)
        return;
    Bouge = nullptr;
    Q_EMIT armementChange(false);
    barreEtat_->clearMessage();
}

void ControleurExtraction::cliquer(const Coord3D& v) {
    if (!Bouge)
        return;
    // The handler detaches itself: call a copy.
    const auto gestionnaire = Bouge;
    gestionnaire(v);
}

void ControleurExtraction::extraireAu(const Coord3D& v) {
    CImageTroisD* volume = ouvert_.images3D.get();
    if (volume == nullptr)
        return;
    if (optionsExtraction.surface == MethodeSurface::Duale) {
        extraireDualAu(v);
        return;
    }
    {
        CurseurAttente attente;
        const auto extraction = [&] {
            volume->CroissanceDeRegion(v.x, v.y, v.z, optionsExtraction);
        };
        if (executerExtraction)
            executerExtraction(extraction);
        else
            extraction();
    }
    if (volume->bilanExtraction.effectuee && volume->maillage != nullptr)
        colorerMaillage(*volume);
    COpenGL* vue = ouvert_.fenetreOpenGL;
    if (vue != nullptr)
        vue->maillage = volume->maillage.get();
    checkBoxMaillage->show();
    checkBoxMaillage->setEnabled(volume->maillage != nullptr);
    checkBoxMaillage->setChecked(true);
    if (vue != nullptr)
        vue->bmaillage = true;
    desarmer();
    Q_EMIT maillageChange();
    redessiner();
    if (volume->bilanExtraction.effectuee && volume->maillage != nullptr)
        barreEtat_->showMessage(texteBilan(*volume, v));
}

void ControleurExtraction::extraireDualAu(const Coord3D& v) {
    const CImageTroisD& volume = *ouvert_.images3D;
    Resultat<ObjetDual> extrait = Echec{std::string()};
    {
        CurseurAttente attente;
        const auto extraction = [&] {
            extrait = extraireAuGermeDual(volume, {v.x, v.y, v.z}, optionsExtraction);
        };
        if (executerExtraction)
            executerExtraction(extraction);
        else
            extraction();
    }
    desarmer();
    if (!extrait) {
        if (dialogues_.afficherMessage)
            dialogues_.afficherMessage("L'extraction par la surface duale a échoué : " +
                                       QString::fromStdString(extrait.raison()) + ".");
        return;
    }
    ObjetDual& objet = extrait.valeur();
    MaillageEtiquette maillage;
    maillage.valeur = static_cast<std::uint32_t>(objet.valeurGerme);
    maillage.couleur = volume.palette.couleur(maillage.valeur);
    maillage.maillage = std::move(objet.maillage);
    const MesuresMaillagePlat w = mesurerMaillagePlat(maillage.maillage, volume.geometrie);
    const QString texte = texteBilan("Extraction duale", v, objet.nbVoxels,
                                     static_cast<long long>(maillage.maillage.nbTriangles()),
                                     {w.volume, w.aire, w.volumeMm3, w.aireMm2}, volume.geometrie,
                                     objet.tempsTotal());
    if (montrerObjetDual)
        montrerObjetDual(std::move(maillage));
    barreEtat_->showMessage(texte);
}

void ControleurExtraction::maillageCoche() {
    COpenGL* vue = ouvert_.fenetreOpenGL;
    if (vue == nullptr)
        return;
    vue->bmaillage = !vue->bmaillage;
    redessiner();
}

void ControleurExtraction::redessiner() {
    if (ouvert_.fenetreOpenGL != nullptr)
        ouvert_.fenetreOpenGL->Draw();
}

bool ControleurExtraction::aUnMaillage() const {
    return ouvert_.images3D != nullptr && ouvert_.images3D->maillage != nullptr;
}

void ControleurExtraction::masquerMaillage() { checkBoxMaillage->hide(); }

void ControleurExtraction::oublierVolume() {
    imageEvolution_.reset();
    checkBoxMaillage->setEnabled(false);
}

void ControleurExtraction::retirerMaillage() {
    if (ouvert_.fenetreOpenGL != nullptr)
        ouvert_.fenetreOpenGL->maillage = nullptr;
    if (ouvert_.images3D != nullptr)
        ouvert_.images3D->maillage.reset();
    oublierVolume();
}

void ControleurExtraction::colorerMaillage(const CImageTroisD& volume) {
    // A label seen in its colour gives its mesh that colour.
    if (volume.modeCourant != ModeAffichage::Segmentee || !volume.affichageEtiquettes.couleurs)
        return;
    const CouleurRVB c =
        volume.palette.couleur(static_cast<std::uint32_t>(volume.bilanExtraction.valeurGerme));
    for (int k = 0; k < 3; ++k)
        volume.maillage->materielDiffus[k] = c[static_cast<std::size_t>(k)] / 255.0f;
}

void ControleurExtraction::evoluer() {
    if (!aUnMaillage())
        return;
    CImageTroisD& volume = *ouvert_.images3D;
    CMaillageTriangleChRegion& m = *volume.maillage;
    if (imageEvolution_ == nullptr || m.imageEvolution != imageEvolution_.get()) {
        // The mesh evolves on the grey volume whatever the display mode; the current volume
        // is put back afterwards, since the next extraction reads it.
        auto gris = std::make_unique<CImage3D>(volume.largeur, volume.hauteur, volume.profondeur);
        const ModeAffichage affiche = volume.modeCourant;
        volume.CopierImageCourante(ModeAffichage::Normale);
        volume.CimageTroisDtoCimage3D(*gris);
        volume.CopierImageCourante(affiche);
        m.initialiserImages(gris.get(), gris.get());
        imageEvolution_ = std::move(gris);
    }
    DialogueEvolution dialogue(m, checkBoxMaillage->window());
    // "Annuler" puts back a copy of the mesh taken before each run, in place: the view keeps
    // its pointer to it.
    dialogue.garderEtat = [&m] {
        auto copie = std::make_shared<CMaillageTriangleChRegion>();
        *copie = m;
        return std::function<void()>([&m, copie] { m = *copie; });
    };
    connect(&dialogue, &DialogueEvolution::evolue, this, [this] { redessiner(); });
    connect(&dialogue, &DialogueEvolution::modifie, this, [this] { redessiner(); });
    if (dialogues_.montrerEvolution)
        dialogues_.montrerEvolution(dialogue);
}

void ControleurExtraction::exporter() {
    if (!aUnMaillage())
        return;
    const QString fichier =
        dialogues_.choisirFichierExport ? dialogues_.choisirFichierExport() : QString();
    if (fichier.isEmpty())
        return;
    const CImageTroisD& volume = *ouvert_.images3D;
    const CMaillageTriangleChRegion* aEcrire = volume.maillage.get();
    CMaillageTriangleChRegion decime;
    if (tauxDecimation < 1.0) {
        BilanDecimation bilan;
        std::string raison;
        CurseurAttente attente;
        if (!decimerMaillage(*aEcrire, tauxDecimation, decime, bilan, raison)) {
            if (dialogues_.afficherMessage)
                dialogues_.afficherMessage(
                    "Le maillage n'a pas été exporté : " + QString::fromStdString(raison) + ".");
            return;
        }
        aEcrire = &decime;
    }
    // World millimetres through the volume's geometry: a picture folder (spacing 1, origin 0)
    // gives exactly the voxel-coordinate file.
    if (!exporterMaillage(*aEcrire, cheminLocal(fichier).c_str(), volume.geometrie) &&
        dialogues_.afficherMessage)
        dialogues_.afficherMessage("L'exportation du maillage dans \"" + fichier + "\" a échoué.");
}

void ControleurExtraction::choisirOptions() {
    DialogueOptionsExtraction dialogue(optionsExtraction, tauxDecimation,
                                       checkBoxMaillage->window());
    if (dialogues_.montrerOptionsExtraction &&
        dialogues_.montrerOptionsExtraction(dialogue) == QDialog::Accepted) {
        optionsExtraction = dialogue.options();
        tauxDecimation = dialogue.tauxDecimation();
    }
}

} // namespace Stravol
