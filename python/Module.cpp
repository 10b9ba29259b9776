// The Python module `stravol`: the headless use cases on NumPy arrays. Volumes come in as
// arrays of shape (X, Y, Z) read where they lie, meshes go out as arrays; failures become
// Python exceptions, and the work runs without the interpreter's lock.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <array>
#include <climits>
#include <cmath>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/Message.h"
#include "core/Parallele.h"
#include "extraction/MaillageDual.h"
#include "extraction/MaillageExtrait.h"
#include "extraction/TableDesEtiquettes.h"
#include "extraction/Tableaux.h"
#include "mesh/CMaillageTriangleChRegion.h"
#include "mesh/ExportScene.h"
#include "mesh/MesuresPlat.h"
#include "region/CRegion3D.h"

namespace py = pybind11;
namespace fs = std::filesystem;

using Stravol::CouleurRVB;
using Stravol::Echec;
using Stravol::EspaceSortie;
using Stravol::Geometrie;
using Stravol::MaillagePlat;
using Stravol::Resultat;
using Stravol::TypeVoxel;
using Stravol::VueVolume;

namespace {

// Failures other than bad arguments (ValueError): files (OSError, FileNotFoundError) and
// memory (MemoryError), each with its reason.
struct ErreurFichier : std::runtime_error {
    using std::runtime_error::runtime_error;
};
struct FichierAbsent : std::runtime_error {
    using std::runtime_error::runtime_error;
};
struct ManqueMemoire : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void refuser(const std::string& texte) { throw py::value_error(texte); }

// What a failed result raises: MemoryError when memory ran out, else ValueError for a request
// (enFichier false) or OSError for a file.
template <class T> T obtenir(Resultat<T> r, bool enFichier = false) {
    if (r)
        return std::move(r.valeur());
    if (r.manqueMemoire())
        throw ManqueMemoire(r.raison());
    if (enFichier)
        throw ErreurFichier(r.raison());
    refuser(r.raison());
}

// A path given as str, bytes or os.PathLike, in the file system's encoding.
std::string chemin(const py::handle objet) {
    const py::bytes octets = py::module_::import("os").attr("fsencode")(objet);
    return std::string(octets);
}

std::optional<TypeVoxel> typeVoxel(const py::dtype& d) {
    const char genre = d.kind();
    const py::ssize_t taille = d.itemsize();
    if ((genre == 'u' || genre == 'b') && taille == 1)
        return TypeVoxel::Octet;
    if (genre == 'u')
        switch (taille) {
        case 2:
            return TypeVoxel::EntierNonSigne16;
        case 4:
            return TypeVoxel::EntierNonSigne32;
        case 8:
            return TypeVoxel::EntierNonSigne64;
        }
    if (genre == 'i')
        switch (taille) {
        case 1:
            return TypeVoxel::OctetSigne;
        case 2:
            return TypeVoxel::Entier16;
        case 4:
            return TypeVoxel::Entier32;
        case 8:
            return TypeVoxel::Entier64;
        }
    if (genre == 'f' && taille == 4)
        return TypeVoxel::Reel32;
    if (genre == 'f' && taille == 8)
        return TypeVoxel::Reel64;
    return std::nullopt;
}

py::dtype dtypeDe(TypeVoxel type) {
    return Stravol::selonType(type, [](auto t) { return py::dtype::of<decltype(t)>(); });
}

// An array read in place: the view and the array that holds its values.
struct Tableau {
    VueVolume vue;
    py::array tableau;
};

// The view of any array of 3 dimensions of integers or floats: C- and Fortran-ordered arrays
// are read in place; other strides and the other byte order are copied once.
Tableau tableauDe(const py::handle objet, const char* nom) {
    py::array a = py::array::ensure(objet);
    if (!a)
        refuser(std::string(nom) + " must be a NumPy array of shape (X, Y, Z)");
    if (a.ndim() != 3)
        refuser(std::string(nom) + " must have 3 dimensions (X, Y, Z), not " +
                std::to_string(a.ndim()));
    const std::optional<TypeVoxel> type = typeVoxel(a.dtype());
    if (!type)
        refuser(std::string(nom) + " must hold integers, or floats of 32 or 64 bits, not " +
                std::string(py::str(a.dtype())));
    for (int k = 0; k < 3; ++k)
        if (a.shape(k) <= 0 || a.shape(k) > INT_MAX)
            refuser(std::string(nom) + " of shape " + std::string(py::str(a.attr("shape"))) +
                    " is empty or too large");
    if (a.dtype().attr("byteorder").cast<std::string>() == ">")
        a = a.attr("astype")(a.dtype().attr("newbyteorder")("="));
    if (!(a.flags() & (py::array::f_style | py::array::c_style)))
        a = py::module_::import("numpy").attr("asfortranarray")(a);
    Tableau t;
    t.vue = VueVolume{a.data(),
                      *type,
                      static_cast<int>(a.shape(0)),
                      static_cast<int>(a.shape(1)),
                      static_cast<int>(a.shape(2)),
                      !(a.flags() & py::array::f_style)};
    t.tableau = std::move(a);
    return t;
}

// An array over storage kept by garde, without a copy.
py::array tableauPartage(std::shared_ptr<const void> garde, const void* donnees,
                         const py::dtype& type, std::vector<py::ssize_t> forme,
                         std::vector<py::ssize_t> pas, bool ecriture) {
    auto* proprietaire = new std::shared_ptr<const void>(std::move(garde));
    const py::capsule capsule(proprietaire,
                              [](void* p) { delete static_cast<std::shared_ptr<const void>*>(p); });
    py::array a(type, std::move(forme), std::move(pas), donnees, capsule);
    if (!ecriture)
        a.attr("setflags")(py::arg("write") = false);
    return a;
}

// The array (X, Y, Z) of stored values, x fastest (Fortran order).
py::array tableauVolume(const Stravol::TableauVolume& t) {
    const VueVolume& v = t.vue;
    const py::dtype type = dtypeDe(v.type);
    const py::ssize_t taille = type.itemsize();
    return tableauPartage(t.stockage, v.donnees, type, {v.W, v.H, v.D},
                          {taille, taille * v.W, taille * v.W * v.H}, true);
}

py::array matriceAffine(const Geometrie& g) {
    py::array_t<double> m({4, 4});
    auto acces = m.mutable_unchecked<2>();
    for (py::ssize_t i = 0; i < 4; ++i)
        for (py::ssize_t j = 0; j < 4; ++j)
            acces(i, j) = i < 3 ? g.affine[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)]
                                : (j == 3 ? 1.0 : 0.0);
    return m;
}

Geometrie geometrieDe(const py::handle objet) {
    const auto m = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(objet);
    if (!m || m.ndim() != 2 || m.shape(0) != 4 || m.shape(1) != 4)
        refuser("affine must be a 4 x 4 matrix (voxel to world, millimetres)");
    std::array<std::array<double, 4>, 4> matrice{};
    const auto acces = m.unchecked<2>();
    for (py::ssize_t i = 0; i < 4; ++i)
        for (py::ssize_t j = 0; j < 4; ++j)
            matrice[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] = acces(i, j);
    return obtenir(Stravol::geometrieAffine(matrice));
}

// The thread-local storage of a module the interpreter loads is allocated on each thread's first
// use of it, and the system ends the process when it cannot: it is taken on the calling thread
// and on every thread of its parallel stages before the work takes its memory.
thread_local unsigned char filPrepare = 0;

void preparerFils() {
    int prets = 0;
#pragma omp parallel num_threads(Stravol::nbThreads()) reduction(+ : prets)
    prets += ++filPrepare > 0 ? 1 : 0;
    (void)prets;
}

py::object couleurPython(const CouleurRVB& c) { return py::make_tuple(c[0], c[1], c[2]); }

// A volume read from files: the arrays and what the extractions take from it.
struct Volume {
    std::string chemin;
    py::array tableau;
    py::list segmentations;
    Geometrie geometrie;
    Stravol::TableEtiquettes table;
    py::list remarques;

    // value -> (name, (r, g, b) or None)
    py::dict etiquettes() const {
        py::dict d;
        for (const auto& [valeur, entree] : table.entrees)
            d[py::int_(valeur)] =
                py::make_tuple(entree.nom, entree.couleur ? couleurPython(*entree.couleur)
                                                          : py::object(py::none()));
        return d;
    }
};

// A mesh: the extraction's flat mesh (voxel coordinates, kept to be measured and written) and
// its arrays in its space.
struct Maillage {
    std::shared_ptr<const MaillagePlat> plat;
    Geometrie monde; // voxel -> world of the volume: the frame of the measures and spaces
    EspaceSortie espace = EspaceSortie::RAS;
    py::array sommets, faces, normales;
    py::object valeur = py::none();
    std::string nom;                   // empty when no table names it
    std::optional<CouleurRVB> couleur; // written in PLY files when present
    // Whether the surface is closed, and its measures, found when first asked.
    std::optional<bool> ferme;
    std::optional<Stravol::MesuresMaillagePlat> mesures;
};

EspaceSortie espaceDe(const std::string& texte) {
    EspaceSortie espace = EspaceSortie::RAS;
    if (!Stravol::lireEspace(texte, espace))
        refuser("space must be \"RAS\", \"LPS\" or \"voxel\", not \"" + texte + "\"");
    return espace;
}

// The options shared by extract and extract_all.
struct Reglages {
    Stravol::OptionsExtraction options;
    double decimation = 1.0;
};

// The method: "faces" (the repaired region's faces, smoothed by taubin or constrained rounds,
// decimated when asked) or "nets" (the dual surface of the voxels as they stand, with its own
// smoothing).
Reglages reglagesDe(const std::string& methode, const py::object& lissage, const py::object& tours,
                    double decimation) {
    Reglages r;
    if (methode == "nets")
        r.options.surface = Stravol::MethodeSurface::Duale;
    else if (methode != "faces")
        refuser("method must be \"faces\" or \"nets\", not \"" + methode + "\"");
    const bool duale = r.options.surface == Stravol::MethodeSurface::Duale;
    if (!(decimation > 0.0 && decimation <= 1.0))
        refuser("decimate must be a fraction of the triangles kept, above 0 and at most 1");
    if (duale && (!lissage.is_none() || decimation < 1.0))
        refuser("smoothing and decimate go with method \"faces\"");
    const std::string texte = lissage.is_none() ? "taubin" : py::str(lissage).cast<std::string>();
    if (texte == "constrained")
        r.options.lissage = Stravol::MethodeLissage::Contraint;
    else if (texte != "taubin")
        refuser("smoothing must be \"taubin\" or \"constrained\", not \"" + texte + "\"");
    r.options.nbLissages =
        duale ? Stravol::kToursDualParDefaut : Stravol::toursParDefaut(r.options.lissage);
    if (!tours.is_none()) {
        if (!py::isinstance<py::int_>(tours) || py::isinstance<py::bool_>(tours))
            refuser("rounds must be a whole number of smoothing rounds, or None");
        const long long n = tours.cast<long long>();
        if (n < 0 || n > INT_MAX)
            refuser("rounds must be 0 or more");
        r.options.nbLissages = static_cast<int>(n);
    }
    r.decimation = decimation;
    return r;
}

// What an extraction reads: the array, its geometry, and the label table of its volume.
struct Source {
    Tableau tableau;
    Geometrie geometrie;
    Stravol::TableEtiquettes table;
};

// A volume gives its last segmentation (its image when it has none) and its geometry; an
// array gives itself, in the voxel frame unless an affine is given.
Source sourceDe(const py::handle objet, const py::handle affine) {
    Source s;
    if (py::isinstance<Volume>(objet)) {
        const Volume& v = objet.cast<const Volume&>();
        const py::handle tableau = v.segmentations.empty()
                                       ? py::handle(v.tableau)
                                       : v.segmentations[v.segmentations.size() - 1];
        s.tableau = tableauDe(tableau, "the volume");
        s.geometrie = v.geometrie;
        s.table = v.table;
    } else {
        s.tableau = tableauDe(objet, "array_or_volume");
    }
    if (!affine.is_none())
        s.geometrie = geometrieDe(affine);
    return s;
}

// The mesh's arrays in its space: the extraction's own arrays where the space is the voxel
// frame.
std::shared_ptr<const MaillagePlat> dansEspace(const std::shared_ptr<const MaillagePlat>& plat,
                                               const Geometrie& monde, EspaceSortie espace) {
    if (Stravol::espaceVoxel(monde, espace))
        return plat;
    return std::make_shared<const MaillagePlat>(Stravol::dansEspace(*plat, monde, espace));
}

// A mesh made without the interpreter's lock, waiting for its arrays.
struct MaillagePret {
    std::shared_ptr<const MaillagePlat> plat;
    std::shared_ptr<const MaillagePlat> espace;
};

MaillagePret preparer(MaillagePlat plat, const Geometrie& monde, EspaceSortie espace) {
    auto p = std::make_shared<const MaillagePlat>(std::move(plat));
    return {p, dansEspace(p, monde, espace)};
}

Maillage creerMaillage(const MaillagePret& p, const Geometrie& monde, EspaceSortie espace) {
    Maillage m;
    m.plat = p.plat;
    m.monde = monde;
    m.espace = espace;
    const MaillagePlat& plat = *p.espace;
    const py::ssize_t n = static_cast<py::ssize_t>(plat.nbSommets());
    const py::ssize_t t = static_cast<py::ssize_t>(plat.nbTriangles());
    constexpr py::ssize_t kFloat = sizeof(float), kEntier = sizeof(std::int32_t);
    m.sommets = tableauPartage(p.espace, plat.positions.data(), py::dtype::of<float>(), {n, 3},
                               {3 * kFloat, kFloat}, false);
    m.normales = tableauPartage(p.espace, plat.normales.data(), py::dtype::of<float>(), {n, 3},
                                {3 * kFloat, kFloat}, false);
    // Vertex numbers stay below 2^31: the same bytes read as signed.
    m.faces = tableauPartage(p.espace, plat.triangles.data(), py::dtype::of<std::int32_t>(), {t, 3},
                             {3 * kEntier, kEntier}, false);
    return m;
}

// The value of voxel (x, y, z) as Python gives it: an int for integer arrays, else a float.
py::object valeurVoxel(const VueVolume& v, const Stravol::Voxel& g) {
    return Stravol::selonType(v.type, [&](auto t) -> py::object {
        using T = decltype(t);
        const T x = static_cast<const T*>(v.donnees)[v.indice(g[0], g[1], g[2])];
        if constexpr (std::is_integral_v<T>)
            return py::int_(x);
        else
            return py::float_(static_cast<double>(x));
    });
}

Stravol::Voxel germeDe(const py::handle objet) {
    Stravol::Voxel g{};
    const auto refus = [] { refuser("seed must be three whole voxel numbers (x, y, z)"); };
    if (!py::isinstance<py::sequence>(objet) && !py::isinstance<py::array>(objet))
        refus();
    const py::list valeurs = py::module_::import("builtins").attr("list")(objet);
    if (valeurs.size() != 3)
        refus();
    const py::object operateur = py::module_::import("operator");
    for (std::size_t k = 0; k < 3; ++k) {
        // Integers of any kind (NumPy's too), but no float or bool.
        if (py::isinstance<py::bool_>(valeurs[k]) || py::isinstance<py::float_>(valeurs[k]))
            refus();
        long long v = 0;
        try {
            v = operateur.attr("index")(valeurs[k]).cast<long long>();
        } catch (const py::error_already_set&) {
            refus();
        }
        if (v < INT_MIN || v > INT_MAX)
            refuser("the seed lies outside the volume");
        g[k] = static_cast<int>(v);
    }
    return g;
}

double valeurDe(const py::handle objet) {
    // Numbers of any kind (NumPy's too), but no bool and no text.
    if (py::isinstance<py::bool_>(objet) || py::isinstance<py::str>(objet) ||
        py::isinstance<py::bytes>(objet))
        refuser("label must be a number");
    PyObject* reel = PyNumber_Float(objet.ptr());
    if (reel == nullptr) {
        PyErr_Clear();
        refuser("label must be a number");
    }
    return py::reinterpret_steal<py::float_>(reel).cast<double>();
}

// The label's name and colour from the table, where it gives them.
void nommer(Maillage& m, std::uint32_t valeur, const Stravol::TableEtiquettes& table) {
    if (const Stravol::EntreeEtiquette* e = table.trouver(valeur)) {
        m.nom = e->nom;
        m.couleur = e->couleur;
    }
}

Maillage extraire(const py::handle source, const py::handle label, const py::handle seed,
                  const py::handle affine, const std::string& methode, const py::object& lissage,
                  const py::object& tours, double tolerance, double decimation,
                  const std::string& espace) {
    const Reglages r = reglagesDe(methode, lissage, tours, decimation);
    if (!(std::isfinite(tolerance) && tolerance >= 0))
        refuser("tolerance must be a finite number, 0 or more");
    if (label.is_none() == seed.is_none())
        refuser("give either label or seed");
    const EspaceSortie repere = espaceDe(espace);
    Source s = sourceDe(source, affine);
    const VueVolume& vue = s.tableau.vue;
    std::optional<double> valeur;
    Stravol::Voxel germe{};
    if (label.is_none())
        germe = germeDe(seed);
    else
        valeur = valeurDe(label);
    MaillagePret pret;
    {
        const py::gil_scoped_release sansVerrou;
        preparerFils();
        if (valeur)
            germe = obtenir(Stravol::trouverValeur(vue, *valeur));
        if (r.options.surface == Stravol::MethodeSurface::Duale) {
            pret = preparer(obtenir(Stravol::extraireAuGermeDual(vue, germe, tolerance, r.options)),
                            s.geometrie, repere);
        } else if (r.options.lissage == Stravol::MethodeLissage::Taubin && !(r.decimation < 1.0)) {
            // Without decimation, the flat mesh is built without the linked one.
            pret = preparer(
                obtenir(Stravol::extraireAuGermePlat(vue, germe, tolerance, r.options)).maillage,
                s.geometrie, repere);
        } else {
            Stravol::ObjetExtrait o =
                obtenir(Stravol::extraireAuGerme(vue, germe, tolerance, r.options));
            // The linked mesh goes on the thread that made it.
            Resultat<MaillagePlat> plat = Stravol::aplatirMaillage(*o.maillage, r.decimation);
            o.maillage.reset();
            pret = preparer(obtenir(std::move(plat)), s.geometrie, repere);
        }
    }
    Maillage m = creerMaillage(pret, s.geometrie, repere);
    m.valeur = valeurVoxel(vue, germe);
    if (Stravol::typeEntier(vue.type)) {
        const long long v = m.valeur.cast<long long>();
        if (v >= 0 && v <= UINT32_MAX)
            nommer(m, static_cast<std::uint32_t>(v), s.table);
    }
    return m;
}

// Every label of the view by the faces method: (value, flat mesh) by increasing value.
std::vector<std::pair<std::uint32_t, MaillagePlat>> etiquettesFaces(const VueVolume& vue,
                                                                    const Reglages& r) {
    const Stravol::EtiquettesVue etiquettes = obtenir(Stravol::etiquettesVue(vue));
    // Each label's flat mesh, or why it failed.
    struct Issue {
        std::optional<MaillagePlat> maillage;
        std::string raison;
        bool memoire = true;
    };
    std::vector<Issue> issues(etiquettes.boites.size());
    // Without decimation, the meshes are made flat without the linked ones.
    const bool plates =
        r.options.lissage == Stravol::MethodeLissage::Taubin && !(r.decimation < 1.0);
    Stravol::maillerEtiquettes(
        vue, etiquettes, r.options,
        [&](std::size_t i, Stravol::EtiquetteMaillee& e) {
            Issue& issue = issues[i];
            try {
                issue.raison = "label " + std::to_string(etiquettes.valeurs[i]) + ": " + e.erreur;
                if (e.plat) {
                    issue.maillage = std::move(*e.plat);
                } else if (e.maillage) {
                    Resultat<MaillagePlat> plat =
                        Stravol::aplatirMaillage(*e.maillage, r.decimation);
                    if (plat) {
                        issue.maillage = std::move(plat.valeur());
                    } else {
                        issue.raison += plat.raison();
                        issue.memoire = plat.manqueMemoire();
                    }
                }
            } catch (const std::bad_alloc&) {
                issue.memoire = true;
            }
            // The linked mesh goes on the thread that made it.
            e.maillage.reset();
        },
        plates);
    std::vector<std::pair<std::uint32_t, MaillagePlat>> maillages;
    for (std::size_t i = 0; i < issues.size(); ++i) {
        if (!issues[i].maillage && issues[i].memoire)
            throw ManqueMemoire(issues[i].raison);
        if (!issues[i].maillage)
            refuser(issues[i].raison);
        maillages.emplace_back(etiquettes.valeurs[i], std::move(*issues[i].maillage));
    }
    return maillages;
}

// Every label of the view by the dual method: one surface for all, each label's closed mesh
// taken from it.
std::vector<std::pair<std::uint32_t, MaillagePlat>>
etiquettesDuales(const VueVolume& vue, const Reglages& r, const Geometrie& monde) {
    const Stravol::EtiquettesVue etiquettes = obtenir(Stravol::etiquettesVue(vue));
    const Stravol::CarteEtiquettes carte = obtenir(Stravol::carteEtiquettes(vue, etiquettes));
    const Stravol::CarteDuale duale = obtenir(Stravol::maillerCarteDuale(carte, r.options, monde));
    std::vector<std::pair<std::uint32_t, MaillagePlat>> maillages(duale.index.valeurs.size());
    Stravol::maillerEtiquettesDuales(duale, [&](std::size_t k, MaillagePlat& m) {
        maillages[k] = {carte.valeurVraie(duale.index.valeurs[k]), std::move(m)};
    });
    return maillages;
}

py::dict extraireTout(const py::handle source, const py::handle affine, const std::string& methode,
                      const py::object& lissage, const py::object& tours, double decimation,
                      const std::string& espace) {
    const Reglages r = reglagesDe(methode, lissage, tours, decimation);
    const EspaceSortie repere = espaceDe(espace);
    Source s = sourceDe(source, affine);
    std::vector<std::uint32_t> valeurs;
    std::vector<MaillagePret> prets;
    std::vector<CouleurRVB> couleurs;
    {
        const py::gil_scoped_release sansVerrou;
        preparerFils();
        std::vector<std::pair<std::uint32_t, MaillagePlat>> maillages =
            r.options.surface == Stravol::MethodeSurface::Duale
                ? etiquettesDuales(s.tableau.vue, r, s.geometrie)
                : etiquettesFaces(s.tableau.vue, r);
        for (auto& [valeur, maillage] : maillages) {
            valeurs.push_back(valeur);
            prets.push_back(preparer(std::move(maillage), s.geometrie, repere));
        }
        // The table's colours, else the palette's, never shared among the labels present.
        couleurs = Stravol::couleursEtiquettes(valeurs, s.table);
    }
    py::dict resultat;
    for (std::size_t i = 0; i < prets.size(); ++i) {
        Maillage m = creerMaillage(prets[i], s.geometrie, repere);
        m.valeur = py::int_(valeurs[i]);
        nommer(m, valeurs[i], s.table);
        m.couleur = couleurs[i];
        resultat[py::int_(valeurs[i])] = std::move(m);
    }
    return resultat;
}

Volume lire(const py::handle entree, const py::handle segmentations, const py::handle labels) {
    Stravol::DemandeOuverture demande;
    demande.entree = chemin(entree);
    const bool une = py::isinstance<py::str>(segmentations) ||
                     py::isinstance<py::bytes>(segmentations) ||
                     py::hasattr(segmentations, "__fspath__");
    if (une)
        demande.segmentations.push_back(chemin(segmentations));
    else
        for (const py::handle s : py::iter(segmentations))
            demande.segmentations.push_back(chemin(s));
    const std::string table = labels.is_none() ? std::string() : chemin(labels);
    std::error_code erreur;
    if (!fs::exists(demande.entree, erreur))
        throw FichierAbsent("no such folder or file: " + demande.entree);
    std::vector<std::string> fichiers = demande.segmentations;
    if (!table.empty())
        fichiers.push_back(table);
    for (const std::string& f : fichiers)
        if (!fs::exists(f, erreur))
            throw FichierAbsent("no such file: " + f);
    const std::string dossierCourant = fs::current_path(erreur).string();
    Stravol::VolumeOuvert ouvert;
    Stravol::TableChoisie choisie;
    {
        const py::gil_scoped_release sansVerrou;
        preparerFils();
        ouvert = obtenir(Stravol::ouvrirTableaux(demande, dossierCourant), true);
        // The table named, else the one beside the label file.
        choisie = obtenir(
            Stravol::choisirTableEtiquettes(table, Stravol::fichierEtiquettes(demande)), true);
    }
    Volume v;
    v.chemin = demande.entree;
    v.geometrie = ouvert.geometrie;
    // The table chosen, else the label file's own (the segments of a .seg.nrrd file).
    v.table = choisie.table.vide() ? std::move(ouvert.table) : std::move(choisie.table);
    v.tableau = tableauVolume(ouvert.volume);
    for (const Stravol::TableauVolume& t : ouvert.segmentations)
        v.segmentations.append(tableauVolume(t));
    for (const std::string& r : ouvert.remarques)
        v.remarques.append(py::str(r));
    if (!choisie.remarque.empty())
        v.remarques.append(py::str(choisie.remarque));
    return v;
}

void enregistrer(const Maillage& m, const py::handle destination) {
    const std::string c = chemin(destination);
    std::string extension = fs::path(c).extension().string();
    for (char& x : extension)
        x = static_cast<char>(std::tolower(static_cast<unsigned char>(x)));
    if (extension != ".stl" && extension != ".obj" && extension != ".ply")
        refuser("the mesh file must end in .stl, .obj or .ply: " + c);
    bool ecrit = false;
    {
        const py::gil_scoped_release sansVerrou;
        preparerFils();
        ecrit = Stravol::exporterMaillagePlat(*m.plat, c, m.monde, m.espace,
                                              m.couleur ? &*m.couleur : nullptr);
    }
    if (!ecrit)
        throw ErreurFichier("cannot write " + c);
}

// One file of every mesh, named and coloured: the meshes of one volume, in one space.
void enregistrerScene(const py::handle maillages, const py::handle destination,
                      const py::handle espace) {
    const std::string c = chemin(destination);
    std::string extension = fs::path(c).extension().string();
    for (char& x : extension)
        x = static_cast<char>(std::tolower(static_cast<unsigned char>(x)));
    if (extension != ".glb" && extension != ".obj" && extension != ".ply")
        refuser("the scene file must end in .glb, .obj or .ply: " + c);
    const py::iterable liste = py::isinstance<py::dict>(maillages)
                                   ? py::iterable(maillages.attr("values")())
                                   : py::reinterpret_borrow<py::iterable>(maillages);
    std::vector<const Maillage*> retenus;
    for (const py::handle h : liste) {
        if (!py::isinstance<Maillage>(h))
            refuser("a scene is made of stravol.Mesh objects");
        retenus.push_back(&h.cast<const Maillage&>());
    }
    if (retenus.empty())
        refuser("a scene needs at least one mesh");
    const Maillage& premier = *retenus.front();
    const EspaceSortie repere = espace.is_none() ? premier.espace : espaceDe(py::str(espace));
    std::vector<Stravol::MaillageEtiquette> etiquettes;
    for (const Maillage* m : retenus) {
        if (m->monde.affine != premier.monde.affine)
            refuser("the meshes of a scene come from volumes of one geometry");
        if (espace.is_none() && m->espace != premier.espace)
            refuser("the meshes of a scene are in different spaces: give space");
        long long v = -1;
        if (py::isinstance<py::int_>(m->valeur))
            v = m->valeur.cast<long long>();
        if (v < 0 || v > UINT32_MAX)
            refuser("the meshes of a scene are labels: whole values from 0 to 2^32 - 1");
        Stravol::MaillageEtiquette e;
        e.valeur = static_cast<std::uint32_t>(v);
        e.nom = m->nom;
        e.couleur = m->couleur ? *m->couleur : Stravol::couleurParDefaut(e.valeur);
        e.maillage = *m->plat;
        etiquettes.push_back(std::move(e));
    }
    bool ecrit = false;
    {
        const py::gil_scoped_release sansVerrou;
        ecrit = Stravol::exporterScene(etiquettes, c, premier.monde, repere);
    }
    if (!ecrit)
        throw ErreurFichier("cannot write " + c);
}

bool estFerme(Maillage& m) {
    if (!m.ferme) {
        bool ferme = false;
        {
            const py::gil_scoped_release sansVerrou;
            ferme = Stravol::controlerMaillagePlat(*m.plat).ferme;
        }
        m.ferme = ferme;
    }
    return *m.ferme;
}

const Stravol::MesuresMaillagePlat& mesures(Maillage& m) {
    if (!m.mesures) {
        Stravol::MesuresMaillagePlat figures;
        {
            const py::gil_scoped_release sansVerrou;
            figures = Stravol::mesurerMaillagePlat(*m.plat, m.monde);
        }
        m.mesures = figures;
    }
    return *m.mesures;
}

std::string decrire(const Maillage& m) {
    std::string texte = "<stravol.Mesh of " + std::string(py::repr(m.valeur));
    if (!m.nom.empty())
        texte += " (" + m.nom + ")";
    return texte + ": " + std::to_string(m.plat->nbSommets()) + " vertices, " +
           std::to_string(m.plat->nbTriangles()) + " triangles, " + Stravol::nomEspace(m.espace) +
           ">";
}

} // namespace

PYBIND11_MODULE(stravol, m) {
    m.doc() = "Closed smooth triangle meshes of the objects of 3D volumes and label maps.";
    m.attr("__version__") = STRAVOL_VERSION;
    // The neighbour tables are shared by every extraction: filled once, before any thread.
    CRegion3D::initialiserVoisinages();
    // A mesh check's question is answered yes, as the tools do, without a word on stderr.
    setQuestionHook([](const char*, const char*) { return true; });
    Stravol::preparerThreads();
    preparerFils();
    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p)
                std::rethrow_exception(p);
        } catch (const ManqueMemoire& e) {
            PyErr_SetString(PyExc_MemoryError, e.what());
        } catch (const FichierAbsent& e) {
            PyErr_SetString(PyExc_FileNotFoundError, e.what());
        } catch (const ErreurFichier& e) {
            PyErr_SetString(PyExc_OSError, e.what());
        }
    });

    py::class_<Volume>(m, "Volume", "A volume read from files, with its segmentations.")
        .def_readonly("path", &Volume::chemin)
        .def_readonly("array", &Volume::tableau)
        .def_readonly("segmentations", &Volume::segmentations)
        .def_property_readonly("affine", [](const Volume& v) { return matriceAffine(v.geometrie); })
        .def_property_readonly("spacing",
                               [](const Volume& v) {
                                   const auto& e = v.geometrie.espacement;
                                   return py::make_tuple(e[0], e[1], e[2]);
                               })
        .def_property_readonly("labels", &Volume::etiquettes)
        .def_readonly("remarks", &Volume::remarques)
        .def("__repr__", [](const Volume& v) {
            return "<stravol.Volume " + std::string(py::str(v.tableau.attr("shape"))) + " " +
                   std::string(py::str(v.tableau.dtype())) + ", " +
                   std::to_string(v.segmentations.size()) + " segmentation(s)>";
        });

    py::class_<Maillage>(m, "Mesh", "A closed triangle mesh of one extracted object.")
        .def_readonly("vertices", &Maillage::sommets)
        .def_readonly("faces", &Maillage::faces)
        .def_readonly("normals", &Maillage::normales)
        .def_property_readonly("space",
                               [](const Maillage& x) { return Stravol::nomEspace(x.espace); })
        .def_readonly("value", &Maillage::valeur)
        .def_property_readonly("name",
                               [](const Maillage& x) {
                                   return x.nom.empty() ? py::object(py::none())
                                                        : py::object(py::str(x.nom));
                               })
        .def_property_readonly("color",
                               [](const Maillage& x) {
                                   return x.couleur ? couleurPython(*x.couleur)
                                                    : py::object(py::none());
                               })
        .def_property_readonly("volume_mm3", [](Maillage& x) { return mesures(x).volumeMm3; })
        .def_property_readonly("area_mm2", [](Maillage& x) { return mesures(x).aireMm2; })
        .def_property_readonly("closed", &estFerme)
        .def("save", &enregistrer, py::arg("path"),
             "Writes the mesh in its space: STL, OBJ or PLY by the extension of path.")
        .def("__repr__", &decrire);

    m.def("read", &lire, py::arg("path"), py::arg("segmentations") = py::tuple(),
          py::arg("labels") = py::none(),
          "Reads a parent folder of slices or a volume file (NIfTI, TIFF) with its "
          "segmentations.");
    m.def("extract", &extraire, py::arg("array_or_volume"), py::arg("label") = py::none(),
          py::arg("seed") = py::none(), py::arg("affine") = py::none(), py::arg("method") = "faces",
          py::arg("smoothing") = py::none(), py::arg("rounds") = py::none(),
          py::arg("tolerance") = 0.0, py::arg("decimate") = 1.0, py::arg("space") = "RAS",
          "Extracts one object, grown from a seed, as a closed mesh.");
    m.def("extract_all", &extraireTout, py::arg("array_or_volume"), py::arg("affine") = py::none(),
          py::arg("method") = "faces", py::arg("smoothing") = py::none(),
          py::arg("rounds") = py::none(), py::arg("decimate") = 1.0, py::arg("space") = "RAS",
          "Extracts every non-zero label as its own closed mesh: {value: Mesh}.");
    m.def("save_scene", &enregistrerScene, py::arg("meshes"), py::arg("path"),
          py::arg("space") = py::none(),
          "Writes the label meshes of one volume as one scene: glTF binary, OBJ or PLY.");
}
