// stravol-extract: opens a parent folder as the window's "Ouvrir" does, or a volume file (NIfTI,
// TIFF, NRRD, MGH, a file of a DICOM series) with its label files, extracts one object (or every
// label) as a closed smoothed mesh and prints a JSON summary on stdout.
#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/Message.h"
#include "core/Parallele.h"
#include "extraction/Extraction.h"
#include "extraction/MaillageDual.h"
#include "extraction/Ouverture.h"
#include "extraction/TableDesEtiquettes.h"
#include "mesh/CMaillageTriangleChRegion.h"
#include "mesh/Decimation.h"
#include "mesh/ExportScene.h"
#include "mesh/MaillagePlat.h"
#include "mesh/MesuresMaillage.h"
#include "mesh/MesuresPlat.h"
#include "tools/common/Outil.h"
#include "volume/CImage3D.h"
#include "volume/CImageTroisD.h"

namespace fs = std::filesystem;
namespace outils = Stravol::Outils;

namespace {

const char* const kOutil = "stravol-extract";

// --smooth left out: the smoothing method's own count of rounds.
constexpr int kToursNonDemandes = -1;

// Every option of the tool, filled by declarerOptions and checked by verifierOptions.
struct Options {
    std::string dossier; // a parent folder or a volume file
    std::vector<std::string> segmentations;
    std::array<double, 2> fenetre = {0.0, 0.0};
    std::array<double, 3> espacement = {1.0, 1.0, 1.0};
    std::string espace = "RAS";
    bool toutesEtiquettes = false;
    std::string dossierSortie;
    std::string format = "stl";
    std::string tableEtiquettes; // --labels: the label table; empty: the one beside, if any
    std::string scene;           // --scene: one file of every label
    std::array<int, 3> germe = {0, 0, 0};
    long long label = 0; // a label value of the file, up to 2^32 - 1
    std::string source;  // empty: the segmentation when there is one, else the image
    std::string sortie;
    int lissages = kToursNonDemandes; // rounds asked for with --smooth
    std::string methodeLissage = "taubin";
    std::string methode; // nets or faces; empty: nets with --all-labels, faces otherwise
    std::string dossierInterfaces;
    int tolerance = 0;
    double decimation = 1.0; // fraction of the triangles kept; 1: no decimation
    // Deformable-model parameters of the mesh, as "NAME=VALUE", in the order given.
    std::vector<std::string> parametres;
    int iterations = 0;
    int threads = 0; // 0: one per processor
    bool progression = false;
    // Set by the parser: which of the exclusive seed choices was given.
    bool avecGerme = false;
    bool avecLabel = false;
    bool avecFenetre = false;
    bool avecEspacement = false;
    bool avecMethodeLissage = false;

    bool duale() const { return methode.empty() ? toutesEtiquettes : methode == "nets"; }
};

constexpr long long kLabelMax = Stravol::kValeurEtiquetteMax;
constexpr int kThreadsMax = 1024;
// Digits after the point of the summary's times (seconds) and peak memory (MiB).
constexpr int kDecimalesSecondes = 6;
constexpr int kDecimalesMemoire = 1;
// Significant digits of the decimation's figures.
constexpr int kChiffresDecimation = 6;

// One line on stderr and exit status 2: the tool's answer to every unusable request.
[[noreturn]] void echouer(const std::string& texte) { outils::refuser(kOutil, texte); }

// The options whose presence the checks read after parsing.
struct OptionsDonnees {
    CLI::Option* fenetre = nullptr;
    CLI::Option* espacement = nullptr;
    CLI::Option* toutes = nullptr;
    CLI::Option* germe = nullptr;
    CLI::Option* label = nullptr;
    CLI::Option* methodeLissage = nullptr;
};

// What is read: the input, its label files, its grey window and spacing, and the output frame.
void declarerEntree(CLI::App& app, Options& o, OptionsDonnees& v) {
    app.add_option("INPUT", o.dossier,
                   "parent folder (the volume, then segmentations) or a volume file (NIfTI .nii, "
                   ".nii.gz, TIFF, NRRD .nrrd or .nhdr, MGH .mgh or .mgz, or any file of a DICOM "
                   "series)")
        ->required();
    app.add_option("--segmentation", o.segmentations,
                   "label file on the volume's grid (any volume file), repeatable: the last "
                   "one read is kept")
        ->type_name("FILE")
        ->allow_extra_args(false);
    v.fenetre =
        app.add_option("--window", o.fenetre,
                       "grey values shown as 0 and 255 for values wider than 8 bits (default: "
                       "the 0.5th and 99.5th percentiles)")
            ->type_name("MIN MAX");
    v.espacement =
        app.add_option("--spacing", o.espacement, "voxel size in millimetres, replacing the file's")
            ->type_name("SX SY SZ")
            ->check(CLI::PositiveNumber);
    app.add_option("--space", o.espace,
                   "coordinates of the written meshes: RAS (millimetres of the file's world "
                   "frame, x right, y front, z up; world is the same), LPS (x left, y back, z "
                   "up) or voxel")
        ->type_name("RAS|LPS|voxel")
        ->capture_default_str()
        ->check([](const std::string& texte) {
            Stravol::EspaceSortie espace;
            return Stravol::lireEspace(texte, espace) ? "" : "must be RAS, LPS or voxel";
        });
}

// Every label at once: the folder and format of the meshes, the table, the scene.
void declarerToutes(CLI::App& app, Options& o, OptionsDonnees& v) {
    v.toutes = app.add_flag(
        "--all-labels", o.toutesEtiquettes,
        "one mesh per non-zero label, label-<value>-<name>.<format> in --output-dir (the name "
        "from the label table, label-<value>.<format> without one), and/or one --scene file");
    app.add_option("--output-dir", o.dossierSortie, "folder of the --all-labels meshes")
        ->type_name("DIR");
    app.add_option("--format", o.format,
                   "format of the --all-labels meshes (ply: with the label's colour a vertex)")
        ->capture_default_str()
        ->check(CLI::IsMember({"stl", "obj", "ply"}));
    app.add_option("--labels", o.tableEtiquettes,
                   "label table of names and colours for --all-labels (plain value name, "
                   "ITK-SNAP, FreeSurfer LUT, Slicer .ctbl or CSV); default: the table beside "
                   "the label file (its name without .gz, or without its extensions, followed "
                   "by .txt, .csv, .ctbl, .lut or .label)")
        ->type_name("FILE");
    app.add_option("--scene", o.scene,
                   "with --all-labels, one file of every label, named and coloured: .glb "
                   "(glTF 2.0, metres), .obj (with its .mtl) or .ply (a label a face)")
        ->type_name("FILE");
}

// One object: its seed, the volume grown, the output, and the surface method.
void declarerObjet(CLI::App& app, Options& o, OptionsDonnees& v) {
    v.germe =
        app.add_option("--seed", o.germe, "seed voxel X Y Z of the extraction")->type_name("X Y Z");
    v.label =
        app.add_option("--label", o.label,
                       "seed: the first voxel of this label value (of the segmentation, or of "
                       "a label file given alone; else of this grey level)")
            ->check(CLI::Range(0LL, kLabelMax));
    app.add_option("--source", o.source,
                   "volume grown: segmentation (default when one exists) "
                   "or image")
        ->check(CLI::IsMember({"segmentation", "image"}));
    app.add_option("--output", o.sortie, "write the mesh to FILE.stl, .obj or .ply")
        ->type_name("FILE");
    app.add_option("--method", o.methode,
                   "surface of the extraction: nets, the dual surface of the voxels as they "
                   "stand, every label at once with the surfaces between labels shared (the "
                   "default with --all-labels), or faces, the faces of the repaired region (the "
                   "default with --seed and --label)")
        ->check(CLI::IsMember({"nets", "faces"}));
    app.add_option("--interfaces", o.dossierInterfaces,
                   "with --all-labels --method nets: one mesh per pair of touching labels, "
                   "interface-<a>-<b>.<format> in DIR (a < b, 0 the background), facing a")
        ->type_name("DIR");
}

// Smoothing, growth tolerance, decimation, evolution and the run itself.
void declarerTraitement(CLI::App& app, Options& o, OptionsDonnees& v) {
    app.add_option("--smooth", o.lissages,
                   "smoothing rounds (default 10, 20 with --smoothing constrained or --method "
                   "nets; 0 with nets: the raw dual surface)")
        ->check(CLI::Range(0, std::numeric_limits<int>::max()));
    v.methodeLissage =
        app.add_option("--smoothing", o.methodeLissage,
                       "with --method faces: taubin, or constrained: volume-keeping rounds that "
                       "keep every vertex within half a voxel of its lattice corner and flatten "
                       "the terraces")
            ->capture_default_str()
            ->check(CLI::IsMember({"taubin", "constrained"}));
    app.add_option("--tolerance", o.tolerance,
                   "grey levels a grown voxel may differ from the seed's value by (labels above "
                   "255 grow exactly)")
        ->capture_default_str()
        ->check(CLI::Range(0, 255));
    app.add_option("--decimate", o.decimation,
                   "keep about this fraction of the triangles (0 to 1); a result that is not "
                   "closed, manifold and within half a voxel and 1 % of volume of the mesh is "
                   "refused")
        ->type_name("R")
        ->check(CLI::Range(std::numeric_limits<double>::min(), 1.0));
    app.add_option("--param", o.parametres, "deformable-model parameter, repeatable")
        ->type_name("\"NAME=VALUE\"")
        ->allow_extra_args(false)
        ->check([](const std::string& p) {
            return p.find('=') == std::string::npos ? "needs NAME=VALUE" : "";
        });
    app.add_option("--evolve", o.iterations, "iterations of the deformable model")
        ->check(CLI::Range(0, std::numeric_limits<int>::max()));
    app.add_option("--threads", o.threads,
                   "threads of the parallel stages, 0 for one per processor; the mesh is the "
                   "same for any count")
        ->capture_default_str()
        ->check(CLI::Range(0, kThreadsMax));
    app.add_flag("--progress", o.progression, "stage names and fractions on stderr");
}

void declarerOptions(CLI::App& app, Options& o) {
    OptionsDonnees v;
    declarerEntree(app, o, v);
    declarerToutes(app, o, v);
    declarerObjet(app, o, v);
    declarerTraitement(app, o, v);
    v.germe->excludes(v.label);
    v.toutes->excludes(v.germe)->excludes(v.label);
    app.final_callback([&o, v] {
        o.avecMethodeLissage = v.methodeLissage->count() > 0;
        o.avecGerme = v.germe->count() > 0;
        o.avecLabel = v.label->count() > 0;
        o.avecFenetre = v.fenetre->count() > 0;
        o.avecEspacement = v.espacement->count() > 0;
    });
}

std::string minuscules(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// Refused before the work starts; the writer itself fails cleanly on anything later.
void verifierEcrivable(const std::string& fichier) {
    std::error_code erreur;
    const fs::path parent = fs::path(fichier).parent_path();
    if (!fs::is_directory(parent.empty() ? fs::path(".") : parent, erreur) ||
        fs::is_directory(fichier, erreur))
        echouer("cannot write " + fichier);
}

// What the parser cannot check alone, refused before the work starts.
void verifierOptions(const Options& o) {
    if (o.duale() &&
        (o.avecMethodeLissage || o.decimation < 1.0 || !o.parametres.empty() || o.iterations > 0))
        echouer("--smoothing, --decimate, --param and --evolve go with --method faces");
    if (!o.dossierInterfaces.empty() && (!o.toutesEtiquettes || !o.duale()))
        echouer("--interfaces goes with --all-labels and --method nets");
    if (!o.toutesEtiquettes && (!o.tableEtiquettes.empty() || !o.scene.empty()))
        echouer("--labels and --scene go with --all-labels");
    if (o.toutesEtiquettes) {
        if (o.dossierSortie.empty() && o.scene.empty())
            echouer("--all-labels needs --output-dir DIR or --scene FILE");
        if (!o.scene.empty()) {
            const std::string ext = minuscules(fs::path(o.scene).extension().string());
            if (ext != ".glb" && ext != ".obj" && ext != ".ply")
                echouer("the scene file must end in .glb, .obj or .ply");
            verifierEcrivable(o.scene);
        }
        if (!o.sortie.empty() || !o.parametres.empty() || o.iterations > 0)
            echouer("--all-labels writes its meshes to --output-dir and takes no --output, "
                    "--param or --evolve");
        if (o.tolerance > 0)
            echouer("--tolerance applies to a seeded extraction: labels grow exactly");
        return;
    }
    if (!o.dossierSortie.empty())
        echouer("--output-dir goes with --all-labels");
    if (o.avecFenetre && !(o.fenetre[1] > o.fenetre[0]))
        echouer("--window needs MIN below MAX");
    if (o.avecGerme == o.avecLabel)
        echouer("give either --seed or --label (see --help)");
    if (!o.sortie.empty()) {
        std::string ext = fs::path(o.sortie).extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (ext != ".stl" && ext != ".obj" && ext != ".ply")
            echouer("the output file must end in .stl, .obj or .ply");
        verifierEcrivable(o.sortie);
    }
}

bool lireEntier(const char* texte, int& valeur) {
    char* fin = nullptr;
    errno = 0;
    const long v = std::strtol(texte, &fin, 10);
    if (fin == texte || *fin != '\0' || errno != 0 || v < -2147483647L || v > 2147483647L)
        return false;
    valeur = static_cast<int>(v);
    return true;
}

// Keeps the loading messages, told on stderr once the load succeeds.
class Messages : public MessageSink {
public:
    void afficher(const std::string& texte) override { tous.push_back(texte); }
    std::vector<std::string> tous;
};

bool lireReel(const std::string& texte, double& valeur) {
    char* fin = nullptr;
    errno = 0;
    valeur = std::strtod(texte.c_str(), &fin);
    return fin != texte.c_str() && *fin == '\0' && errno == 0 && std::isfinite(valeur);
}

bool lireBooleen(const std::string& texte, bool& valeur) {
    const std::string t = minuscules(texte);
    if (t == "1" || t == "true" || t == "oui")
        valeur = true;
    else if (t == "0" || t == "false" || t == "non")
        valeur = false;
    else
        return false;
    return true;
}

// Sets "NAME=VALUE" on any deformable model, through its parameter interface only: the name
// is looked up among the float, int, bool and enumeration parameters the model reports, and
// the value must lie in the range the model gives (enumerations: an index or a value name).
void appliquerParametre(CDeformableModelBase& modele, const std::string& texte) {
    const std::size_t egal = texte.rfind('=');
    const std::string nom = texte.substr(0, egal), valeur = texte.substr(egal + 1);
    const auto refuser = [&](const std::string& pourquoi) {
        echouer("--param \"" + texte + "\": " + pourquoi);
    };
    for (int i = 0; i < modele.GetParameterFloatNumber(); ++i) {
        if (nom != modele.GetParameterFloatName(i).c_str())
            continue;
        double v = 0.0;
        const double bas = modele.GetParameterFloatMin(i), haut = modele.GetParameterFloatMax(i);
        if (!lireReel(valeur, v) || v < bas || v > haut)
            refuser("the value must be a number from " + std::to_string(bas) + " to " +
                    std::to_string(haut));
        modele.SetParameterFloatValue(i, static_cast<float>(v));
        return;
    }
    for (int i = 0; i < modele.GetParameterIntNumber(); ++i) {
        if (nom != modele.GetParameterIntName(i).c_str())
            continue;
        int v = 0;
        const int bas = modele.GetParameterIntMin(i), haut = modele.GetParameterIntMax(i);
        if (!lireEntier(valeur.c_str(), v) || v < bas || v > haut)
            refuser("the value must be an integer from " + std::to_string(bas) + " to " +
                    std::to_string(haut));
        modele.SetParameterIntValue(i, v);
        if (modele.GetParameterIntValue(i) != v)
            refuser("the model refuses this value");
        return;
    }
    for (int i = 0; i < modele.GetParameterBoolNumber(); ++i) {
        if (nom != modele.GetParameterBoolName(i).c_str())
            continue;
        bool v = false;
        if (!lireBooleen(valeur, v))
            refuser("the value must be true or false");
        modele.SetParameterBoolValue(i, v);
        return;
    }
    for (int i = 0; i < modele.GetParameterEnumNumber(); ++i) {
        if (nom != modele.GetParameterEnumName(i).c_str())
            continue;
        const CVecteur<Chaine> noms = modele.GetParameterEnumValueNames(i);
        int v = -1;
        for (int k = 0; k < noms.taille && v < 0; ++k)
            if (valeur == noms[k].c_str())
                v = k;
        if (v < 0 && (!lireEntier(valeur.c_str(), v) || v < 0 || v >= noms.taille))
            refuser("the value must name one of the " + std::to_string(noms.taille) + " values");
        modele.SetParameterEnumValue(i, v);
        return;
    }
    refuser("the model has no parameter of that name");
}

double picMemoireMo() {
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return static_cast<double>(r.ru_maxrss) / 1024.0;
}

// The summary on standard output, with the process's peak memory so far.
void imprimerBilan(nlohmann::ordered_json& bilan) {
    bilan["peak_rss_mb"] = outils::decimalJson(picMemoireMo(), kDecimalesMemoire);
    std::printf("%s\n", outils::texteJson(bilan, outils::MiseEnPageJson::Aeree).c_str());
}

Stravol::DemandeOuverture demandeOuverture(const Options& o) {
    Stravol::DemandeOuverture demande;
    demande.entree = o.dossier;
    demande.segmentations = o.segmentations;
    demande.options.avecFenetre = o.avecFenetre;
    demande.options.fenetre = {o.fenetre[0], o.fenetre[1]};
    if (o.avecEspacement)
        demande.espacement = o.espacement;
    return demande;
}

// Opens the input as the window does. Remarks of a good load go to stderr; an unusable input
// ends the tool.
std::unique_ptr<CImageTroisD> charger(const Options& o, outils::Progression& progression) {
    std::error_code erreur;
    const Stravol::DemandeOuverture demande = demandeOuverture(o);
    Messages messages;
    Stravol::SuiviOuverture suivi;
    suivi.barre = &progression;
    suivi.debutEtape = [&progression](const std::string& etape) { progression.etape(etape); };
    suivi.finEtape = [&progression] { progression.terminer(); };
    suivi.messages = &messages;
    Stravol::Resultat<std::unique_ptr<CImageTroisD>> ouvert =
        Stravol::ouvrirEntree(demande, fs::current_path(erreur).string(), suivi);
    if (!ouvert)
        echouer(ouvert.raison());
    for (const std::string& texte : messages.tous)
        std::fprintf(stderr, "%s: %s\n", kOutil, texte.c_str());
    return std::move(ouvert.valeur());
}

Stravol::OptionsExtraction optionsExtraction(const Options& o) {
    Stravol::OptionsExtraction options;
    options.surface = o.duale() ? Stravol::MethodeSurface::Duale : Stravol::MethodeSurface::Faces;
    options.lissage = o.methodeLissage == "constrained" ? Stravol::MethodeLissage::Contraint
                                                        : Stravol::MethodeLissage::Taubin;
    const int parDefaut =
        o.duale() ? Stravol::kToursDualParDefaut : Stravol::toursParDefaut(options.lissage);
    options.nbLissages = o.lissages == kToursNonDemandes ? parDefaut : o.lissages;
    options.tolerance = o.tolerance;
    return options;
}

// --decimate: m becomes its decimation; the figures for the summary, or false with raison.
bool decimer(const Options& o, CMaillageTriangleChRegion& m, nlohmann::ordered_json& figures,
             std::string& raison) {
    if (o.decimation >= 1.0)
        return true;
    CMaillageTriangleChRegion decime;
    BilanDecimation b;
    if (!decimerMaillage(m, o.decimation, decime, b, raison))
        return false;
    m = decime;
    figures["ratio_asked"] = o.decimation;
    figures["ratio"] = outils::reelJson(b.ratio, kChiffresDecimation);
    figures["triangles_before"] = b.trianglesAvant;
    figures["volume_change"] = outils::reelJson(b.ecartVolume, kChiffresDecimation);
    figures["max_distance"] = outils::reelJson(b.distanceMax, kChiffresDecimation);
    return true;
}

Stravol::EspaceSortie espaceSortie(const Options& o) {
    Stravol::EspaceSortie espace = Stravol::EspaceSortie::RAS;
    Stravol::lireEspace(o.espace, espace);
    return espace;
}

// Writes a mesh in the space of --space, with a colour a vertex in a PLY file when couleur is
// given; plat receives its flat form. False when the mesh cannot be written.
bool ecrireMaillage(const CMaillageTriangleChRegion& m, const std::string& fichier,
                    const Options& o, const Stravol::Geometrie& geometrie,
                    const Stravol::CouleurRVB* couleur, Stravol::MaillagePlat& plat) {
    try {
        plat = Stravol::versMaillagePlat(m);
    } catch (const std::exception&) {
        return false;
    }
    return fichier.empty() ||
           Stravol::exporterMaillagePlat(plat, fichier, geometrie, espaceSortie(o), couleur);
}

nlohmann::ordered_json espacementJson(const CImageTroisD& volume) {
    constexpr int kChiffres = 9;
    const auto& e = volume.geometrie.espacement;
    return {outils::reelJson(e[0], kChiffres), outils::reelJson(e[1], kChiffres),
            outils::reelJson(e[2], kChiffres)};
}

constexpr int kChiffresMesures = 9;

double secondesDepuis(std::chrono::steady_clock::time_point debut) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count();
}

nlohmann::ordered_json secondesJson(double s) { return outils::decimalJson(s, kDecimalesSecondes); }

// What the summary says of the mesh itself.
struct FiguresMaillage {
    int sommets = 0, triangles = 0;
    // Closed: every edge used once in each direction of the written corner order.
    bool ferme = false;
    int irreguliers = 0;
    MesuresMaillage mesures;
};

FiguresMaillage figuresMaillage(const CMaillageTriangleChRegion& m,
                                const Stravol::Geometrie& geometrie) {
    const ControleMaillage c = controlerMaillage(m);
    return {m.nbSommets, m.nbTriangles, c.ferme, c.irreguliers, mesurerMaillage(m, geometrie)};
}

// The same figures from the flat form of the mesh and the count of its irregular vertices.
FiguresMaillage figuresMaillage(const Stravol::MaillagePlat& m, int irreguliers,
                                const Stravol::Geometrie& geometrie) {
    return {static_cast<int>(m.nbSommets()), static_cast<int>(m.nbTriangles()),
            Stravol::controlerMaillagePlat(m).ferme, irreguliers, mesurerMaillage(m, geometrie)};
}

// The summary entry of one meshed label, its file written (decimated first when asked) and its
// flat mesh kept in scene for --scene; false when the decimation or the writing fails, the entry
// then saying why.
bool ecrireEtiquette(const Options& o, Stravol::EtiquetteMaillee& r,
                     const Stravol::Geometrie& geometrie, Stravol::MaillageEtiquette& scene,
                     nlohmann::ordered_json& e) {
    const Stravol::BoiteEtiquette& b = r.boite;
    // Labels are named by their value in the file.
    e["value"] = scene.valeur;
    if (!scene.nom.empty())
        e["name"] = scene.nom;
    e["color"] = scene.couleur;
    e["voxels"] = b.voxels;
    std::string raison = r.erreur;
    const std::string fichier =
        o.dossierSortie.empty()
            ? std::string()
            : o.dossierSortie + "/" +
                  Stravol::nomFichierEtiquette(scene.valeur, scene.nom, o.format);
    nlohmann::ordered_json decimation;
    CMaillageTriangleChRegion* m = r.maillage.get();
    const Stravol::CouleurRVB* couleur = o.format == "ply" ? &scene.couleur : nullptr;
    const std::string refus =
        "cannot write " + (fichier.empty() ? "label " + std::to_string(scene.valeur) : fichier);
    Stravol::MaillagePlat plat;
    std::optional<FiguresMaillage> figures;
    if (r.plat) {
        plat = std::move(*r.plat);
        if (!fichier.empty() &&
            !Stravol::exporterMaillagePlat(plat, fichier, geometrie, espaceSortie(o), couleur))
            raison = refus;
        else
            figures = figuresMaillage(plat, r.irreguliers, geometrie);
    } else if (m && !decimer(o, *m, decimation, raison)) {
        raison = "label " + std::to_string(scene.valeur) + ": " + raison;
    } else if (m && !ecrireMaillage(*m, fichier, o, geometrie, couleur, plat)) {
        raison = refus;
    } else if (m) {
        figures = figuresMaillage(*m, geometrie);
    }
    const bool reussi = figures && raison.empty();
    if (reussi) {
        if (!fichier.empty())
            e["file"] = fichier;
        e["vertices"] = figures->sommets;
        e["triangles"] = figures->triangles;
        e["closed"] = figures->ferme;
        e["irregular_vertices"] = figures->irreguliers;
        e["volume_mm3"] = outils::reelJson(figures->mesures.volumeMm3, kChiffresMesures);
        e["area_mm2"] = outils::reelJson(figures->mesures.aireMm2, kChiffresMesures);
        if (!decimation.is_null())
            e["decimation"] = decimation;
    } else {
        e["error"] = raison.empty() ? "the extraction failed" : raison;
    }
    e["seconds"] = secondesJson(r.secondes);
    if (reussi && !o.scene.empty())
        scene.maillage = std::move(plat);
    return reussi;
}

// The summary entry of one label meshed by the dual method, its file written (with its colour
// a vertex in a PLY file) and its mesh kept in scene for --scene; false when the writing fails,
// the entry then saying why.
bool ecrireEtiquetteDuale(const Options& o, const Stravol::CarteEtiquettes& carte, long long voxels,
                          Stravol::MaillagePlat& m, const std::vector<Stravol::Voisin>& voisins,
                          const Stravol::Geometrie& geometrie, Stravol::MaillageEtiquette& scene,
                          nlohmann::ordered_json& e) {
    e["value"] = scene.valeur;
    if (!scene.nom.empty())
        e["name"] = scene.nom;
    e["color"] = scene.couleur;
    e["voxels"] = voxels;
    const std::string fichier =
        o.dossierSortie.empty()
            ? std::string()
            : o.dossierSortie + "/" +
                  Stravol::nomFichierEtiquette(scene.valeur, scene.nom, o.format);
    if (!fichier.empty() &&
        !Stravol::exporterMaillagePlat(m, fichier, geometrie, espaceSortie(o),
                                       o.format == "ply" ? &scene.couleur : nullptr)) {
        e["error"] = "cannot write " + fichier;
        return false;
    }
    const Stravol::ControleMaillagePlat c = Stravol::controlerMaillagePlat(m);
    const Stravol::MesuresMaillagePlat w = Stravol::mesurerMaillagePlat(m, geometrie);
    if (!fichier.empty())
        e["file"] = fichier;
    e["vertices"] = m.nbSommets();
    e["triangles"] = m.nbTriangles();
    e["closed"] = c.ferme;
    e["irregular_vertices"] = c.sommetsMultiples;
    e["volume_mm3"] = outils::reelJson(w.volumeMm3, kChiffresMesures);
    e["area_mm2"] = outils::reelJson(w.aireMm2, kChiffresMesures);
    nlohmann::ordered_json& liste = e["neighbours"] = nlohmann::ordered_json::array();
    for (const Stravol::Voisin& v : voisins)
        liste.push_back({{"label", v.etiquette == 0 ? 0 : carte.valeurVraie(v.etiquette)},
                         {"area_mm2", outils::reelJson(v.aireMm2, kChiffresMesures)}});
    if (!o.scene.empty())
        scene.maillage = std::move(m);
    return true;
}

// Names and colours of the labels' values in the file, given before the meshes are made: the
// table chosen, else the label file's own (the segments of a .seg.nrrd file).
struct NomsEtiquettes {
    const Stravol::TableEtiquettes& table;
    bool tablePropre; // the label file's own table
};

NomsEtiquettes nomsEtiquettes(const Stravol::TableChoisie& table, const CImageTroisD& volume) {
    const bool propre = table.table.vide() && !volume.tableEtiquettes.vide();
    return {propre ? volume.tableEtiquettes : table.table, propre};
}

// One scene entry a label value, named and coloured from the table (the palette where the table
// gives no colour).
std::vector<Stravol::MaillageEtiquette> sceneNommee(const std::vector<std::uint32_t>& valeurs,
                                                    const Stravol::TableEtiquettes& noms) {
    const std::vector<Stravol::CouleurRVB> couleurs = Stravol::couleursEtiquettes(valeurs, noms);
    std::vector<Stravol::MaillageEtiquette> scene(valeurs.size());
    for (std::size_t k = 0; k < valeurs.size(); ++k) {
        scene[k].valeur = valeurs[k];
        if (const Stravol::EntreeEtiquette* e = noms.trouver(valeurs[k]))
            scene[k].nom = e->nom;
        scene[k].couleur = couleurs[k];
    }
    return scene;
}

// --scene: the file of every label; false when it cannot be written (true without --scene).
bool ecrireScene(const Options& o, const std::vector<Stravol::MaillageEtiquette>& scene,
                 const CImageTroisD& volume, outils::Progression& progression) {
    if (o.scene.empty())
        return true;
    progression.etape("scene");
    const bool ecrite = Stravol::exporterScene(scene, o.scene, volume.geometrie, espaceSortie(o));
    progression.terminer();
    return ecrite;
}

// The head of an every-label summary: grid, frame, the table used and the scene written.
nlohmann::ordered_json enteteToutes(const Options& o, const CImageTroisD& volume,
                                    const Stravol::TableChoisie& table, const NomsEtiquettes& noms,
                                    const Stravol::CarteEtiquettes& c, bool sceneEcrite) {
    nlohmann::ordered_json bilan;
    bilan["dimensions"] = {c.W, c.H, c.D};
    bilan["spacing"] = espacementJson(volume);
    bilan["space"] = Stravol::nomEspace(espaceSortie(o));
    if (!table.chemin.empty())
        bilan["labels_table"] = table.chemin;
    else if (noms.tablePropre)
        bilan["labels_table"] = Stravol::fichierEtiquettes(demandeOuverture(o));
    if (!o.scene.empty()) {
        if (sceneEcrite)
            bilan["scene"] = o.scene;
        else
            bilan["scene_error"] = "cannot write " + o.scene;
    }
    return bilan;
}

// --interfaces with nets: one file a pair of touching labels; the summary's entry, counting
// the files that could not be written in echecs.
nlohmann::ordered_json ecrireInterfaces(const Options& o, const CImageTroisD& volume,
                                        const Stravol::CarteEtiquettes& c,
                                        const Stravol::CarteDuale& carte, int& echecs) {
    const std::vector<Stravol::InterfaceDuale>& paires = carte.interfaces.paires;
    std::vector<std::string> erreurs(paires.size());
    Stravol::maillerInterfacesDuales(carte, [&](std::size_t k, Stravol::MaillagePlat& m) {
        const std::uint32_t a = paires[k].a == 0 ? 0 : c.valeurVraie(paires[k].a);
        const std::string fichier = o.dossierInterfaces + "/interface-" + std::to_string(a) + "-" +
                                    std::to_string(c.valeurVraie(paires[k].b)) + "." + o.format;
        if (!Stravol::exporterMaillagePlat(m, fichier, volume.geometrie, espaceSortie(o)))
            erreurs[k] = "cannot write " + fichier;
    });
    nlohmann::ordered_json interfaces;
    interfaces["dir"] = o.dossierInterfaces;
    interfaces["written"] = std::count(erreurs.begin(), erreurs.end(), std::string());
    nlohmann::ordered_json& liste = interfaces["errors"] = nlohmann::ordered_json::array();
    for (const std::string& e : erreurs)
        if (!e.empty())
            liste.push_back(e);
    echecs += static_cast<int>(liste.size());
    return interfaces;
}

// --all-labels --method nets: every label of the map meshed as one surface, one file a label
// (labels in parallel) named and coloured from the label table, with --interfaces one file a
// pair of touching labels, then the --scene file of every label. A file that cannot be written
// is reported in its entry or the summary; exit status 1 then, after every other file.
int extraireToutesDuales(const Options& o, CImageTroisD& volume, const Stravol::TableChoisie& table,
                         const Stravol::CarteEtiquettes& c, double tempsChargement,
                         outils::Progression& progression) {
    progression.etape("surface");
    // Once the surface is built, the voxels' memory goes to the smoothing and the meshes.
    Stravol::Resultat<Stravol::CarteDuale> faite = Stravol::maillerCarteDuale(
        c, optionsExtraction(o), volume.geometrie, [&volume] { volume.libererVoxels(); });
    if (!faite)
        echouer(faite.raison());
    progression.terminer();
    const Stravol::CarteDuale& carte = faite.valeur();
    const std::vector<std::vector<Stravol::Voisin>> voisins = Stravol::voisinsEtiquettes(carte);
    const std::size_t nb = carte.index.valeurs.size();

    const NomsEtiquettes noms = nomsEtiquettes(table, volume);
    std::vector<std::uint32_t> valeurs;
    for (const std::uint16_t e : carte.index.valeurs)
        valeurs.push_back(c.valeurVraie(e));
    std::vector<Stravol::MaillageEtiquette> scene = sceneNommee(valeurs, noms.table);

    std::vector<nlohmann::ordered_json> entrees(nb);
    std::vector<char> echecs(nb, 0);
    const auto t1 = std::chrono::steady_clock::now();
    progression.etape("labels");
    progression.setMaximum(static_cast<int>(nb));
    std::atomic<int> faites{0};
    std::mutex verrou;
    // STL files hold triangles alone: without a scene, the meshes need no vertex normals.
    const Stravol::NormalesSommets normales = o.format == "stl" && o.scene.empty()
                                                  ? Stravol::NormalesSommets::Sans
                                                  : Stravol::NormalesSommets::Avec;
    Stravol::maillerEtiquettesDuales(
        carte,
        [&](std::size_t k, Stravol::MaillagePlat& m) {
            echecs[k] = ecrireEtiquetteDuale(o, c, carte.voxels[k], m, voisins[k], volume.geometrie,
                                             scene[k], entrees[k])
                            ? 0
                            : 1;
            const int n = ++faites;
            std::lock_guard<std::mutex> garde(verrou);
            progression.setValue(n);
        },
        normales);
    progression.terminer();
    const double tempsEtiquettes = secondesDepuis(t1);
    int nbEchecs = static_cast<int>(std::count(echecs.begin(), echecs.end(), 1));

    nlohmann::ordered_json interfaces;
    double tempsInterfaces = 0.0;
    if (!o.dossierInterfaces.empty()) {
        const auto t2 = std::chrono::steady_clock::now();
        progression.etape("interfaces");
        interfaces = ecrireInterfaces(o, volume, c, carte, nbEchecs);
        progression.terminer();
        tempsInterfaces = secondesDepuis(t2);
    }
    const bool sceneEcrite = ecrireScene(o, scene, volume, progression);

    nlohmann::ordered_json bilan = enteteToutes(o, volume, table, noms, c, sceneEcrite);
    bilan["method"] = "nets";
    bilan["smoothing_rounds"] = optionsExtraction(o).nbLissages;
    bilan["labels_found"] = nb;
    bilan["labels_failed"] = std::count(echecs.begin(), echecs.end(), 1);
    bilan["labels"] = std::move(entrees);
    if (!interfaces.is_null())
        bilan["interfaces"] = interfaces;
    nlohmann::ordered_json& temps = bilan["seconds"];
    temps["load"] = secondesJson(tempsChargement);
    temps["surface"] = secondesJson(carte.tempsSurface);
    temps["smoothing"] = secondesJson(carte.tempsLissage);
    temps["labels"] = secondesJson(tempsEtiquettes);
    if (!interfaces.is_null())
        temps["interfaces"] = secondesJson(tempsInterfaces);
    bilan["threads"] = Stravol::nbThreads();
    imprimerBilan(bilan);
    return nbEchecs > 0 || (!o.scene.empty() && !sceneEcrite) ? 1 : 0;
}

// --all-labels: every non-zero label of the segmentation (of the input file itself when no
// segmentation was read), one mesh file each, labels in parallel, named and coloured from the
// label table, then the --scene file of them all. A label that fails is reported in its entry,
// a scene that cannot be written in the summary; exit status 1 then, after every other file is
// written.
int extraireToutes(const Options& o, CImageTroisD& volume, const Stravol::TableChoisie& table,
                   double tempsChargement, outils::Progression& progression) {
    std::error_code erreur;
    for (const std::string& dossier : {o.dossierSortie, o.dossierInterfaces}) {
        if (dossier.empty())
            continue;
        fs::create_directories(dossier, erreur);
        if (!fs::is_directory(dossier, erreur))
            echouer("cannot create the folder " + dossier);
    }
    const auto t0 = std::chrono::steady_clock::now();
    Stravol::Resultat<Stravol::CarteEtiquettes> carte = Stravol::carteEtiquettes(volume, o.dossier);
    if (!carte)
        echouer(carte.raison());
    const Stravol::CarteEtiquettes& c = carte.valeur();
    if (o.duale())
        return extraireToutesDuales(o, volume, table, c, tempsChargement, progression);
    progression.etape("boxes");
    const std::vector<Stravol::BoiteEtiquette> boites =
        Stravol::boitesEtiquettes(c.valeurs(), c.W, c.H, c.D);
    progression.terminer();
    const double tempsBoites = secondesDepuis(t0);

    const NomsEtiquettes noms = nomsEtiquettes(table, volume);
    std::vector<std::uint32_t> valeurs;
    for (const Stravol::BoiteEtiquette& b : boites)
        valeurs.push_back(c.valeurVraie(b.valeur));
    std::vector<Stravol::MaillageEtiquette> scene = sceneNommee(valeurs, noms.table);

    std::vector<nlohmann::ordered_json> entrees(boites.size());
    std::vector<char> echecs(boites.size(), 0);
    const auto t1 = std::chrono::steady_clock::now();
    progression.etape("labels");
    progression.setMaximum(static_cast<int>(boites.size()));
    std::atomic<int> faites{0};
    std::mutex verrou;
    const auto traiter = [&](std::size_t i, Stravol::EtiquetteMaillee& r) {
        echecs[i] = ecrireEtiquette(o, r, volume.geometrie, scene[i], entrees[i]) ? 0 : 1;
        const int n = ++faites;
        std::lock_guard<std::mutex> garde(verrou);
        progression.setValue(n);
    };
    const Stravol::OptionsExtraction options = optionsExtraction(o);
    // Without decimation, the labels' meshes are made flat without the linked ones.
    if (o.decimation >= 1.0 && options.lissage == Stravol::MethodeLissage::Taubin)
        Stravol::maillerEtiquettesPlates(c, boites, options, traiter);
    else
        Stravol::maillerEtiquettes(c, boites, options, traiter);
    progression.terminer();
    const double tempsEtiquettes = secondesDepuis(t1);
    const int nbEchecs = static_cast<int>(std::count(echecs.begin(), echecs.end(), 1));
    const bool sceneEcrite = ecrireScene(o, scene, volume, progression);

    nlohmann::ordered_json bilan = enteteToutes(o, volume, table, noms, c, sceneEcrite);
    bilan["labels_found"] = boites.size();
    bilan["labels_failed"] = nbEchecs;
    bilan["labels"] = std::move(entrees);
    nlohmann::ordered_json& temps = bilan["seconds"];
    temps["load"] = secondesJson(tempsChargement);
    temps["boxes"] = secondesJson(tempsBoites);
    temps["labels"] = secondesJson(tempsEtiquettes);
    bilan["threads"] = Stravol::nbThreads();
    imprimerBilan(bilan);
    return nbEchecs > 0 || (!o.scene.empty() && !sceneEcrite) ? 1 : 0;
}

// --param and --evolve: the mesh evolves on the grey volume, driven through the deformable
// model's base interface only. The summary's figures of the run.
nlohmann::ordered_json faireEvoluer(const Options& o, CImageTroisD& volume,
                                    CMaillageTriangleChRegion& m, CImage3D& gris,
                                    outils::Progression& progression) {
    progression.etape("evolution");
    // The copy fills only a volume of the same size: size it before copying the grey voxels.
    if (!gris.Create(volume.largeur, volume.hauteur, volume.profondeur))
        echouer("not enough memory for the grey volume of the evolution");
    volume.CopierImageCourante(Stravol::ModeAffichage::Normale);
    volume.CimageTroisDtoCimage3D(gris);
    m.initialiserImages(&gris, &gris);
    CDeformableModelBase& modele = m;
    for (const std::string& p : o.parametres)
        appliquerParametre(modele, p);
    const auto debut = std::chrono::steady_clock::now();
    modele.Evolve(o.iterations);
    nlohmann::ordered_json evolution;
    evolution["iterations"] = o.iterations;
    evolution["vertices"] = m.nbSommets;
    evolution["triangles"] = m.nbTriangles;
    evolution["seconds"] = secondesJson(secondesDepuis(debut));
    progression.terminer();
    // Orientations are those the evolution left: the checks read them as they stand.
    const ControleMaillage apres = controlerMaillage(m);
    evolution["folded_triangles"] = apres.trianglesPlies;
    evolution["inward_triangles"] = apres.trianglesInverses;
    return evolution;
}

// The seed of --seed, or the first voxel of --label's value.
Stravol::Voxel germeDemande(const Options& o, const CImageTroisD& volume, bool etiquettesExactes) {
    const int W = volume.largeur, H = volume.hauteur, D = volume.profondeur;
    if (o.avecLabel) {
        Stravol::Resultat<Stravol::Voxel> trouve =
            Stravol::trouverValeur(volume, static_cast<std::uint32_t>(o.label), etiquettesExactes);
        if (!trouve)
            echouer(trouve.raison());
        return trouve.valeur();
    }
    const int x = o.germe[0], y = o.germe[1], z = o.germe[2];
    if (x < 0 || x >= W || y < 0 || y >= H || z < 0 || z >= D)
        echouer("the seed lies outside the volume of " + std::to_string(W) + " x " +
                std::to_string(H) + " x " + std::to_string(D) + " voxels");
    return {x, y, z};
}

// The summary of a seeded extraction.
nlohmann::ordered_json bilanObjet(const Options& o, const CImageTroisD& volume,
                                  const Stravol::Voxel& dimensions, const Stravol::Voxel& germe,
                                  bool segmentation, const FiguresMaillage& m,
                                  double tempsChargement) {
    const Stravol::BilanExtraction& b = volume.bilanExtraction;
    nlohmann::ordered_json bilan;
    bilan["dimensions"] = dimensions;
    bilan["seed"] = germe;
    bilan["seed_value"] = b.valeurGerme;
    bilan["source"] = segmentation ? "segmentation" : "image";
    if (o.tolerance > 0)
        bilan["tolerance"] = o.tolerance;
    if (o.methodeLissage != "taubin")
        bilan["smoothing_method"] = o.methodeLissage;
    bilan["voxels_grown"] = b.nbVoxelsCroissance;
    bilan["voxels_region"] = b.nbVoxelsRegion;
    bilan["voxels_repaired"] = b.nbVoxelsRepares;
    bilan["vertices"] = m.sommets;
    bilan["triangles"] = m.triangles;
    bilan["closed"] = m.ferme;
    bilan["irregular_vertices"] = m.irreguliers;
    const MesuresMaillage& w = m.mesures;
    bilan["spacing"] = espacementJson(volume);
    bilan["volume_mm3"] = outils::reelJson(w.volumeMm3, kChiffresMesures);
    bilan["area_mm2"] = outils::reelJson(w.aireMm2, kChiffresMesures);
    nlohmann::ordered_json& temps = bilan["seconds"];
    temps["load"] = secondesJson(tempsChargement);
    temps["growth"] = secondesJson(b.tempsCroissance);
    temps["region"] = secondesJson(b.tempsRegion);
    temps["repair"] = secondesJson(b.tempsReparation);
    temps["mesh"] = secondesJson(b.tempsMaillage);
    temps["smoothing"] = secondesJson(b.tempsLissage);
    temps["normals"] = secondesJson(b.tempsNormales);
    temps["extraction"] = secondesJson(b.tempsTotal());
    return bilan;
}

// --output: the object's flat mesh written in the space of --space.
void ecrireObjet(const Options& o, const Stravol::MaillagePlat& m,
                 const Stravol::Geometrie& geometrie, outils::Progression& progression) {
    if (o.sortie.empty())
        return;
    progression.etape("write");
    if (!Stravol::exporterMaillagePlat(m, o.sortie, geometrie, espaceSortie(o)))
        echouer("cannot write " + o.sortie);
    progression.terminer();
}

// --seed or --label with --method nets: one object, its voxels as they stand, written as asked.
int extraireObjetDual(const Options& o, const CImageTroisD& volume,
                      const Stravol::Voxel& dimensions, const Stravol::Voxel& germe,
                      bool segmentation, double tempsChargement, outils::Progression& progression) {
    progression.etape("extraction");
    const Stravol::OptionsExtraction options = optionsExtraction(o);
    Stravol::Resultat<Stravol::ObjetDual> extrait =
        Stravol::extraireAuGermeDual(volume, germe, options);
    if (!extrait)
        echouer("the extraction failed: " + extrait.raison());
    progression.terminer();
    const Stravol::ObjetDual& objet = extrait.valeur();
    const Stravol::MaillagePlat& m = objet.maillage;
    ecrireObjet(o, m, volume.geometrie, progression);
    const Stravol::ControleMaillagePlat c = Stravol::controlerMaillagePlat(m);
    const Stravol::MesuresMaillagePlat w = Stravol::mesurerMaillagePlat(m, volume.geometrie);
    nlohmann::ordered_json bilan;
    bilan["dimensions"] = dimensions;
    bilan["seed"] = germe;
    bilan["seed_value"] = objet.valeurGerme;
    bilan["source"] = segmentation ? "segmentation" : "image";
    if (o.tolerance > 0)
        bilan["tolerance"] = o.tolerance;
    bilan["method"] = "nets";
    bilan["smoothing_rounds"] = options.nbLissages;
    bilan["voxels_grown"] = objet.nbVoxels;
    bilan["vertices"] = m.nbSommets();
    bilan["triangles"] = m.nbTriangles();
    bilan["closed"] = c.ferme;
    bilan["irregular_vertices"] = c.sommetsMultiples;
    bilan["spacing"] = espacementJson(volume);
    bilan["volume_mm3"] = outils::reelJson(w.volumeMm3, kChiffresMesures);
    bilan["area_mm2"] = outils::reelJson(w.aireMm2, kChiffresMesures);
    nlohmann::ordered_json& temps = bilan["seconds"];
    temps["load"] = secondesJson(tempsChargement);
    temps["growth"] = secondesJson(objet.tempsCroissance);
    temps["surface"] = secondesJson(objet.tempsSurface);
    temps["smoothing"] = secondesJson(objet.tempsLissage);
    temps["extraction"] = secondesJson(objet.tempsTotal());
    imprimerBilan(bilan);
    return 0;
}

// --seed or --label, the object alone with the Taubin smoothing: its mesh made flat without
// the linked one (the same arrays, files and figures), written as asked.
int extraireObjetPlat(const Options& o, CImageTroisD& volume, const Stravol::Voxel& dimensions,
                      const Stravol::Voxel& germe, bool segmentation,
                      const Stravol::OptionsExtraction& options, double tempsChargement,
                      outils::Progression& progression) {
    Stravol::Resultat<Stravol::ObjetPlat> extrait =
        Stravol::extraireAuGermePlat(volume, germe, options);
    if (!extrait)
        echouer("the extraction failed: " + extrait.raison());
    progression.terminer();
    const Stravol::ObjetPlat& objet = extrait.valeur();
    ecrireObjet(o, objet.maillage, volume.geometrie, progression);
    nlohmann::ordered_json bilan = bilanObjet(
        o, volume, dimensions, germe, segmentation,
        figuresMaillage(objet.maillage, objet.irreguliers, volume.geometrie), tempsChargement);
    imprimerBilan(bilan);
    return 0;
}

// --seed or --label: one object, evolved, decimated and written as asked.
int extraireObjet(const Options& o, CImageTroisD& volume, double tempsChargement,
                  outils::Progression& progression) {
    // A label file given alone holds the labels that --label names, as it does for
    // --all-labels: its values, not the grey levels of its window.
    if (o.avecLabel && o.source.empty())
        volume.prendreValeursPourEtiquettes();
    const bool segmentation =
        o.source == "segmentation" || (o.source.empty() && volume.imageSegmente != nullptr);
    if (segmentation && volume.imageSegmente == nullptr)
        echouer(o.dossier + " has no segmentation");
    const Stravol::ModeAffichage mode =
        segmentation ? Stravol::ModeAffichage::Segmentee : Stravol::ModeAffichage::Normale;
    // Only the evolution reads the voxels again.
    const bool extractionSeule = o.parametres.empty() && o.iterations == 0;
    if (extractionSeule)
        volume.garderSeulementMode(mode);
    else
        volume.CopierImageCourante(mode);
    // Labels are looked for by their true value; a picture folder's are its grey levels.
    const Stravol::Voxel germe = germeDemande(o, volume, segmentation);
    // Sizes before an extraction alone releases the voxels.
    const Stravol::Voxel dimensions = {volume.largeur, volume.hauteur, volume.profondeur};
    if (o.duale())
        return extraireObjetDual(o, volume, dimensions, germe, segmentation, tempsChargement,
                                 progression);

    progression.etape("extraction");
    Stravol::OptionsExtraction options = optionsExtraction(o);
    options.libererVoxels = extractionSeule;
    if (extractionSeule && o.decimation >= 1.0 &&
        options.lissage == Stravol::MethodeLissage::Taubin)
        return extraireObjetPlat(o, volume, dimensions, germe, segmentation, options,
                                 tempsChargement, progression);
    Stravol::Resultat<std::shared_ptr<CMaillageTriangleChRegion>> extrait =
        Stravol::extraireAuGerme(volume, germe, options);
    if (!extrait)
        echouer("the extraction failed: " + extrait.raison());
    progression.terminer();
    CMaillageTriangleChRegion& m = *extrait.valeur();

    nlohmann::ordered_json evolution;
    CImage3D gris;
    if (!extractionSeule)
        evolution = faireEvoluer(o, volume, m, gris, progression);
    nlohmann::ordered_json decimation;
    if (o.decimation < 1.0) {
        progression.etape("decimation");
        std::string raison;
        if (!decimer(o, m, decimation, raison))
            echouer(raison);
        progression.terminer();
    }
    if (!o.sortie.empty()) {
        progression.etape("write");
        Stravol::MaillagePlat plat;
        if (!ecrireMaillage(m, o.sortie, o, volume.geometrie, nullptr, plat))
            echouer("cannot write " + o.sortie);
        progression.terminer();
    }
    nlohmann::ordered_json bilan =
        bilanObjet(o, volume, dimensions, germe, segmentation, figuresMaillage(m, volume.geometrie),
                   tempsChargement);
    if (!evolution.is_null())
        bilan["evolution"] = evolution;
    if (!decimation.is_null())
        bilan["decimation"] = decimation;
    imprimerBilan(bilan);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    outils::finirSurManqueDeMemoire(kOutil);
    outils::garderMemoireLiberee();
    Options o;
    CLI::App app("Extracts one object (or every label) of a parent folder of slices or of a "
                 "volume file as a closed smoothed mesh and prints a JSON summary of it.",
                 kOutil);
    declarerOptions(app, o);
    outils::lireArguments(app, argc, argv);
    verifierOptions(o);
    outils::Progression progression(kOutil, o.progression);
    {
        // Names and values are checked before the work starts.
        CMaillageTriangleChRegion essai;
        for (const std::string& p : o.parametres)
            appliquerParametre(essai, p);
    }
    // The label table is read, and a bad one refused, before the work starts.
    Stravol::TableChoisie table;
    if (o.toutesEtiquettes) {
        Stravol::Resultat<Stravol::TableChoisie> choisie = Stravol::choisirTableEtiquettes(
            o.tableEtiquettes, Stravol::fichierEtiquettes(demandeOuverture(o)));
        if (!choisie)
            echouer(choisie.raison());
        table = std::move(choisie.valeur());
        if (!table.remarque.empty())
            std::fprintf(stderr, "%s: %s\n", kOutil, table.remarque.c_str());
    }
    const auto t0 = std::chrono::steady_clock::now();
    const std::unique_ptr<CImageTroisD> volume = charger(o, progression);
    // The option, not the configuration the volume read, sets the tool's thread count.
    Stravol::definirNbThreads(o.threads);
    const double tempsChargement = secondesDepuis(t0);
    if (o.toutesEtiquettes)
        return extraireToutes(o, *volume, table, tempsChargement, progression);
    return extraireObjet(o, *volume, tempsChargement, progression);
}
