#include "app/ExtractionEtiquettes.h"

#include "app/DialoguesFenetre.h"
#include "app/UtilitairesQt.h"

#include "extraction/SceneEtiquettes.h"
#include "mesh/ApercuPlat.h"
#include "view/COpenGL.h"
#include "volume/OptionsExtraction.h"

#include <QFileInfo>
#include <QLocale>
#include <QPushButton>
#include <QStatusBar>

#include <algorithm>
#include <chrono>
#include <exception>
#include <map>
#include <mutex>
#include <new>
#include <thread>
#include <utility>

namespace Stravol {

namespace {

// Labels named in a message about the labels that failed.
constexpr std::size_t kEchecsNommes = 10;

const char* const kEnCours = "Extraction de toutes les étiquettes";

} // namespace

// One work: its own copy of the labels (the thread never reads the volume), what it has made,
// and whether it is given up. Shared by the window and the thread.
struct ExtractionEtiquettes::Travail {
    CarteEtiquettes carte;
    OptionsExtraction options;
    Geometrie monde;
    std::atomic<bool> arret{false};
    std::atomic<bool> fini{false};
    std::atomic<int> faites{0};
    std::atomic<int> total{0};
    std::mutex verrou;
    std::vector<MaillageEtiquette> faits;                        // under verrou
    std::map<std::uint32_t, std::vector<std::uint32_t>> apercus; // under verrou, by label
    std::vector<std::uint32_t> echecs;                           // under verrou
    std::string erreur; // the first failure's reason, under verrou
    std::chrono::steady_clock::time_point debut = std::chrono::steady_clock::now();
    std::thread thread;
};

ExtractionEtiquettes::ExtractionEtiquettes(QWidget* panneau, const VolumeOuvert& ouvert,
                                           DialoguesFenetre& dialogues, ProgressSink& barre,
                                           QStatusBar* barreEtat)
    : QObject(panneau), ouvert_(ouvert), dialogues_(dialogues), barre_(barre),
      barreEtat_(barreEtat) {
    // Beside the loading label, above the progress bar it stops.
    annuler_ = controle<QPushButton>(panneau, "annulerEtiquettes", "Annuler", 11, 617, 100, 26);
    annuler_->hide();
    connect(annuler_, &QPushButton::clicked, this, &ExtractionEtiquettes::annuler);
}

ExtractionEtiquettes::~ExtractionEtiquettes() {
    // The window's controls may be gone already: only the threads are stopped.
    for (const std::shared_ptr<Travail>& t : travaux_)
        t->arret = true;
    joindreThreads(true);
}

void ExtractionEtiquettes::arreterTout() {
    annuler();
    for (const std::shared_ptr<Travail>& t : travaux_)
        t->arret = true;
    joindreThreads(true);
}

bool ExtractionEtiquettes::disponible() const {
    return travail_ == nullptr && ouvert_.images3D != nullptr &&
           aUneSegmentation(*ouvert_.images3D);
}

void ExtractionEtiquettes::extraireTout() {
    if (!disponible())
        return;
    joindreThreads();
    CImageTroisD& volume = *ouvert_.images3D;
    auto travail = std::make_shared<Travail>();
    try {
        Resultat<CarteEtiquettes> carte = carteEtiquettes(volume, std::string());
        if (!carte)
            return;
        travail->carte = std::move(carte.valeur());
        if (travail->carte.copie.empty()) {
            const std::size_t n =
                static_cast<std::size_t>(volume.largeur) * volume.hauteur * volume.profondeur;
            const std::uint16_t* v = travail->carte.externe;
            travail->carte.copie.assign(v, v + n);
            travail->carte.externe = nullptr;
        }
    } catch (const std::bad_alloc&) {
        if (dialogues_.afficherMessage)
            dialogues_.afficherMessage("Mémoire insuffisante pour extraire toutes les étiquettes.");
        return;
    }
    travail->options.surface = MethodeSurface::Duale;
    travail->options.nbLissages = kToursDualParDefaut;
    travail->monde = volume.geometrie;
    try {
        // Room for the work first: once its thread runs, keeping it cannot fail.
        travaux_.reserve(travaux_.size() + 1);
        lancer(travail);
    } catch (const std::exception&) {
        if (dialogues_.afficherMessage)
            dialogues_.afficherMessage(
                "L'extraction de toutes les étiquettes n'a pas pu démarrer.");
        return;
    }
    travaux_.push_back(travail);
    travail_ = travail;
    barre_.setMaximum(1);
    annuler_->show();
    barreEtat_->showMessage(QString("%1... (Échap pour annuler)").arg(kEnCours));
    Q_EMIT enCoursChange(true);
}

void ExtractionEtiquettes::lancer(const std::shared_ptr<Travail>& travail) {
    // The thread reads nothing but its work: the window may give it up and go on meanwhile.
    travail->thread = std::thread([this, travail] {
        Travail& t = *travail;
        const auto annoncer = [this, travail] {
            const int faites = travail->faites, total = travail->total;
            QMetaObject::invokeMethod(
                this, [this, travail, faites, total] { progresser(travail.get(), faites, total); },
                Qt::QueuedConnection);
        };
        std::string erreur;
        bool fait = false;
        try {
            fait = maillerToutesEtiquettes(
                t.carte, t.options, t.monde, t.arret,
                [&](std::size_t n) {
                    t.total = static_cast<int>(n);
                    annoncer();
                },
                [&](std::uint32_t valeur, MaillagePlat& maillage) {
                    // The preview is made where the mesh is, before the work's lock.
                    std::vector<std::uint32_t> apercu = trianglesApercu(maillage);
                    {
                        std::lock_guard<std::mutex> garde(t.verrou);
                        bool garder = !maillage.vide();
                        if (garder) {
                            try {
                                t.faits.push_back({valeur, {}, {}, std::move(maillage)});
                                if (!apercu.empty())
                                    t.apercus[valeur] = std::move(apercu);
                            } catch (const std::bad_alloc&) {
                                garder = false;
                            }
                        }
                        if (!garder) {
                            t.echecs.push_back(valeur);
                            if (t.erreur.empty())
                                t.erreur = "mémoire insuffisante";
                        }
                    }
                    ++t.faites;
                    annoncer();
                },
                erreur);
        } catch (const std::bad_alloc&) {
            erreur = "mémoire insuffisante";
        }
        if (!fait) {
            std::lock_guard<std::mutex> garde(t.verrou);
            t.erreur = erreur;
        }
        QMetaObject::invokeMethod(
            this, [this, travail] { terminer(travail.get()); }, Qt::QueuedConnection);
        t.fini = true;
    });
}

void ExtractionEtiquettes::progresser(const Travail* travail, int faites, int total) {
    if (travail != travail_.get())
        return;
    barre_.setMaximum(total);
    barre_.setValue(faites);
    barreEtat_->showMessage(
        QString("%1 : %2 / %3 (Échap pour annuler)").arg(kEnCours).arg(faites).arg(total));
}

void ExtractionEtiquettes::terminer(const Travail* travail) {
    // A work given up ends without a word.
    if (travail != travail_.get())
        return;
    Travail& t = *travail_;
    std::vector<MaillageEtiquette> faits;
    std::map<std::uint32_t, std::vector<std::uint32_t>> apercus;
    std::vector<std::uint32_t> echecs;
    std::string erreur;
    {
        std::lock_guard<std::mutex> garde(t.verrou);
        faits = std::move(t.faits);
        apercus = std::move(t.apercus);
        echecs = std::move(t.echecs);
        erreur = t.erreur;
    }
    const double secondes =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t.debut).count();
    finirTravail();
    std::sort(
        faits.begin(), faits.end(),
        [](const MaillageEtiquette& a, const MaillageEtiquette& b) { return a.valeur < b.valeur; });
    std::sort(echecs.begin(), echecs.end());

    if (faits.empty()) {
        // Nothing to show: what was shown stays.
        barreEtat_->clearMessage();
        if (dialogues_.afficherMessage)
            dialogues_.afficherMessage(
                erreur.empty() && echecs.empty()
                    ? QString("La segmentation ne compte aucune étiquette à mailler.")
                    : "Les étiquettes n'ont pas pu être maillées : " +
                          QString::fromStdString(erreur.empty() ? "mémoire insuffisante" : erreur) +
                          ".");
        return;
    }
    for (MaillageEtiquette& e : faits)
        if (decrire) {
            Description d = decrire(e.valeur);
            e.nom = std::move(d.nom);
            e.couleur = d.couleur;
        }
    scene_ = std::move(faits);
    apercus_.clear();
    for (const MaillageEtiquette& e : scene_)
        apercus_.push_back(std::move(apercus[e.valeur]));
    Q_EMIT sceneChangee();

    std::size_t triangles = 0;
    for (const MaillageEtiquette& e : scene_)
        triangles += e.maillage.nbTriangles();
    const QLocale l;
    QString bilan = QString("Toutes les étiquettes : %1 maillages, %2 triangles, %3 s")
                        .arg(l.toString(static_cast<qulonglong>(scene_.size())))
                        .arg(l.toString(static_cast<qulonglong>(triangles)))
                        .arg(l.toString(secondes, 'f', 2));
    if (!echecs.empty()) {
        QStringList noms;
        for (std::size_t i = 0; i < echecs.size() && i < kEchecsNommes; ++i)
            noms << QString::number(echecs[i]);
        if (echecs.size() > kEchecsNommes)
            noms << "...";
        const QString texte = QString("%1 étiquette(s) n'ont pas pu être maillées (%2) : %3.")
                                  .arg(echecs.size())
                                  .arg(noms.join(", "))
                                  .arg(QString::fromStdString(erreur));
        bilan += " ; " + texte;
        if (dialogues_.afficherMessage)
            dialogues_.afficherMessage(texte);
    }
    barreEtat_->showMessage(bilan);
}

void ExtractionEtiquettes::annuler() {
    if (travail_ == nullptr)
        return;
    travail_->arret = true;
    finirTravail();
    barreEtat_->showMessage(QString("%1 annulée.").arg(kEnCours));
}

void ExtractionEtiquettes::finirTravail() {
    travail_.reset();
    annuler_->hide();
    barre_.setValue(0);
    joindreThreads();
    Q_EMIT enCoursChange(false);
}

void ExtractionEtiquettes::joindreThreads(bool tous) {
    // The window waits only for threads that have ended, unless it goes.
    std::vector<std::shared_ptr<Travail>> restants;
    for (std::shared_ptr<Travail>& t : travaux_) {
        if (tous || t->fini) {
            t->thread.join();
        } else {
            restants.push_back(std::move(t));
        }
    }
    travaux_ = std::move(restants);
}

void ExtractionEtiquettes::regionExtraite() {
    CImageTroisD* volume = ouvert_.images3D.get();
    if (scene_.empty() || volume == nullptr || !volume->bilanExtraction.effectuee)
        return;
    scene_.clear();
    apercus_.clear();
    Q_EMIT sceneChangee();
}

void ExtractionEtiquettes::montrerObjet(MaillageEtiquette objet) {
    annuler();
    scene_.clear();
    apercus_.clear();
    scene_.push_back(std::move(objet));
    apercus_.emplace_back();
    Q_EMIT sceneChangee();
}

void ExtractionEtiquettes::oublierVolume() {
    annuler();
    if (scene_.empty())
        return;
    scene_.clear();
    apercus_.clear();
    Q_EMIT sceneChangee();
}

void ExtractionEtiquettes::exporterScene() {
    if (scene_.empty() || ouvert_.images3D == nullptr)
        return;
    const QString fichier =
        dialogues_.choisirFichierScene ? dialogues_.choisirFichierScene() : QString();
    if (fichier.isEmpty())
        return;
    const auto message = [this](const QString& texte) {
        if (dialogues_.afficherMessage)
            dialogues_.afficherMessage(texte);
    };
    const QString extension = QFileInfo(fichier).suffix().toLower();
    if (extension != "glb" && extension != "obj" && extension != "ply") {
        message("Le format du fichier \"" + fichier +
                "\" n'est pas reconnu : choisissez l'extension .glb, .obj ou .ply.");
        return;
    }
    // Names and colours as the labels have them now; the labels hidden stay out.
    std::size_t nbVisibles = 0;
    for (MaillageEtiquette& e : scene_) {
        if (decrire) {
            Description d = decrire(e.valeur);
            e.nom = std::move(d.nom);
            e.couleur = d.couleur;
        }
        nbVisibles += !estVisible || estVisible(e.valeur);
    }
    if (nbVisibles == 0) {
        message("Aucune étiquette n'est affichée : la scène à exporter est vide.");
        return;
    }
    bool ecrit = false;
    {
        CurseurAttente attente;
        const Geometrie& monde = ouvert_.images3D->geometrie;
        const std::string chemin = cheminLocal(fichier);
        if (nbVisibles == scene_.size()) {
            ecrit = Stravol::exporterScene(scene_, chemin, monde, EspaceSortie::RAS);
        } else {
            try {
                std::vector<MaillageEtiquette> visibles;
                for (const MaillageEtiquette& e : scene_)
                    if (estVisible(e.valeur))
                        visibles.push_back(e);
                ecrit = Stravol::exporterScene(visibles, chemin, monde, EspaceSortie::RAS);
            } catch (const std::bad_alloc&) {
                ecrit = false;
            }
        }
    }
    if (!ecrit) {
        message("L'exportation de la scène dans \"" + fichier + "\" a échoué.");
        return;
    }
    barreEtat_->showMessage(
        QString("Scène de %1 étiquette(s) exportée dans \"%2\".").arg(nbVisibles).arg(fichier));
}

} // namespace Stravol
