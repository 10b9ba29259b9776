#include "tools/common/Outil.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <utility>

#include <malloc.h>

#include "core/GrandesPages.h"

namespace Stravol::Outils {

namespace {

constexpr int kCentiemes = 100;

struct Separateurs {
    const char* element;
    const char* cle;
};

// A key of letters, digits and underscores, which JSON writes as it stands between quotes.
bool cleSimple(const std::string& cle) {
    return std::all_of(cle.begin(), cle.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '_';
    });
}

void ecrireJson(const nlohmann::ordered_json& v, const Separateurs& s, std::string& sortie) {
    if (v.is_object()) {
        sortie += '{';
        bool premier = true;
        for (const auto& [cle, valeur] : v.items()) {
            sortie += premier ? "" : s.element;
            premier = false;
            if (cleSimple(cle)) {
                sortie += '"';
                sortie += cle;
                sortie += '"';
            } else {
                sortie += nlohmann::ordered_json(cle).dump();
            }
            sortie += s.cle;
            ecrireJson(valeur, s, sortie);
        }
        sortie += '}';
    } else if (v.is_array()) {
        sortie += '[';
        for (std::size_t i = 0; i < v.size(); ++i) {
            sortie += i == 0 ? "" : s.element;
            ecrireJson(v[i], s, sortie);
        }
        sortie += ']';
    } else if (v.is_number_integer()) {
        // Whole numbers in decimal, as the library writes them, without its writer's set-up.
        char texte[24];
        const auto fin = v.is_number_unsigned()
                             ? std::to_chars(texte, texte + sizeof texte,
                                             v.get<nlohmann::ordered_json::number_unsigned_t>())
                             : std::to_chars(texte, texte + sizeof texte,
                                             v.get<nlohmann::ordered_json::number_integer_t>());
        sortie.append(texte, fin.ptr);
    } else {
        // Invalid UTF-8 in a name is replaced rather than refused: the summary must print.
        sortie += v.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    }
}

[[noreturn]] void finirSansMessage(int statut) {
    setFinHook({});
    finirProcessus(statut);
}

} // namespace

const char* version() { return STRAVOL_VERSION; }

void refuser(const std::string& outil, const std::string& texte) {
    std::fprintf(stderr, "%s: %s\n", outil.c_str(), texte.c_str());
    finirSansMessage(kStatutRefus);
}

namespace {

const char* outilEnCours = "";

// Called for an exception nothing caught: the one of memory running out gets its message.
[[noreturn]] void finirSansRattraper() {
    if (const std::exception_ptr e = std::current_exception()) {
        try {
            std::rethrow_exception(e);
        } catch (const std::bad_alloc&) {
            std::fprintf(stderr, "%s: out of memory\n", outilEnCours);
            std::_Exit(kStatutRefus);
        } catch (...) {
        }
    }
    std::abort();
}

} // namespace

void finirSurManqueDeMemoire(const char* outil) {
    outilEnCours = outil;
    std::set_terminate(finirSansRattraper);
}

void garderMemoireLiberee() {
    mallopt(M_MMAP_THRESHOLD, static_cast<int>(kOctetsTas));
    mallopt(M_TRIM_THRESHOLD, static_cast<int>(kOctetsGardes));
    renoncerGrandesPagesTableaux();
}

void lireArguments(CLI::App& app, int argc, char** argv) {
    setFinHook([outil = app.get_name()](int statut) {
        std::fprintf(stderr, "%s: stopped on a mesh that cannot be repaired (status %d)\n",
                     outil.c_str(), statut);
    });
    app.set_version_flag("--version", std::string(app.get_name()) + " " + version());
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        finirSansMessage(app.exit(e));
    } catch (const CLI::CallForAllHelp& e) {
        finirSansMessage(app.exit(e));
    } catch (const CLI::CallForVersion& e) {
        finirSansMessage(app.exit(e));
    } catch (const CLI::ParseError& e) {
        refuser(app.get_name(), std::string(e.what()) + " (see --help)");
    }
}

std::string texteJson(const nlohmann::ordered_json& valeur, MiseEnPageJson mise) {
    const Separateurs s =
        mise == MiseEnPageJson::Aeree ? Separateurs{", ", ": "} : Separateurs{",", ":"};
    std::string sortie;
    ecrireJson(valeur, s, sortie);
    return sortie;
}

nlohmann::ordered_json reelJson(double valeur, int chiffres) {
    if (!std::isfinite(valeur))
        return nullptr;
    char texte[64];
    std::snprintf(texte, sizeof texte, "%.*g", chiffres, valeur);
    const double arrondi = std::strtod(texte, nullptr);
    // Whole numbers that a double holds exactly print without a fraction, as %g does.
    constexpr double kEntierExact = 9007199254740992.0; // 2^53
    if (arrondi == std::trunc(arrondi) && std::fabs(arrondi) < kEntierExact)
        return static_cast<long long>(arrondi);
    return arrondi;
}

nlohmann::ordered_json decimalJson(double valeur, int decimales) {
    if (!std::isfinite(valeur))
        return nullptr;
    char texte[64];
    std::snprintf(texte, sizeof texte, "%.*f", decimales, valeur);
    return std::strtod(texte, nullptr);
}

Progression::Progression(std::string outil, bool active)
    : outil_(std::move(outil)), active_(active) {}

void Progression::etape(const std::string& nom) {
    etape_ = nom;
    maximum_ = 0;
    dernier_ = -1;
    ecrire(0);
}

void Progression::terminer() { ecrire(kCentiemes); }

void Progression::setMaximum(int maximum) { maximum_ = maximum; }

void Progression::setValue(int valeur) {
    if (maximum_ <= 0)
        return;
    const long long v = std::clamp(valeur, 0, maximum_);
    ecrire(static_cast<int>(v * kCentiemes / maximum_));
}

void Progression::ecrire(int centiemes) {
    if (!active_ || centiemes == dernier_)
        return;
    dernier_ = centiemes;
    std::fprintf(stderr, "%s: %s %d.%02d\n", outil_.c_str(), etape_.c_str(), centiemes / kCentiemes,
                 centiemes % kCentiemes);
}

} // namespace Stravol::Outils
