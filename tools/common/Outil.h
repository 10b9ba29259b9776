// What the command-line tools share: argument errors, JSON summaries and progress lines.
#pragma once

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <cstddef>
#include <string>

#include "core/Message.h"

namespace Stravol::Outils {

// Exit status of a tool given an unusable request.
constexpr int kStatutRefus = 2;

// Version printed by every tool's --version.
const char* version();

// One line "TOOL: TEXT" on stderr, then the process ends with kStatutRefus.
[[noreturn]] void refuser(const std::string& outil, const std::string& texte);

// From then on, memory running out where no stage handles it ends the tool with one line
// "TOOL: out of memory" on stderr and kStatutRefus, instead of an abort.
void finirSurManqueDeMemoire(const char* outil);

// For a run that reads one volume and writes its meshes: memory a stage frees stays with the
// process for the next stage rather than going back to the system, whose fresh pages cost far
// more than reused ones. Blocks up to kOctetsTas come from the heap, and up to kOctetsGardes of
// free heap is kept; larger blocks (a whole volume) still go back at once. Its arrays then ask
// for no large pages.
void garderMemoireLiberee();
constexpr std::size_t kOctetsTas = std::size_t{256} << 20;
constexpr std::size_t kOctetsGardes = std::size_t{512} << 20;

// Parses the command line into `app`. --help and --version print on stdout and exit with 0;
// any parse or validation error is one line on stderr and exits with kStatutRefus. Returns
// only when the arguments are usable, with the end of the process bound to a line on stderr
// saying why the computation stopped.
void lireArguments(CLI::App& app, int argc, char** argv);

// Layout of a printed JSON value: "a":1,"b":[1,2] or "a": 1, "b": [1, 2].
enum class MiseEnPageJson { Serree, Aeree };

// One line of JSON with its object keys in insertion order; strings are escaped, non-finite
// numbers become null.
std::string texteJson(const nlohmann::ordered_json& valeur, MiseEnPageJson mise);

// A real rounded to `chiffres` significant digits, an integer when it is a whole number
// (as printf's "%.Ng" writes it); null when not finite.
nlohmann::ordered_json reelJson(double valeur, int chiffres);

// A real rounded to `decimales` digits after the point (as printf's "%.Nf" writes it).
nlohmann::ordered_json decimalJson(double valeur, int decimales);

// Progress of a long run on stderr, one line "TOOL: STAGE FRACTION" (fraction from 0 to 1
// with two decimals) whenever the printed fraction changes; silent when not active.
class Progression : public ProgressSink {
public:
    Progression(std::string outil, bool active);
    // Starts a stage and prints its fraction 0.
    void etape(const std::string& nom);
    // Ends the current stage with fraction 1.
    void terminer();
    void setMaximum(int maximum) override;
    void setValue(int valeur) override;

private:
    void ecrire(int centiemes);
    std::string outil_, etape_;
    bool active_;
    int maximum_ = 0;
    int dernier_ = -1; // last printed fraction, in hundredths
};

} // namespace Stravol::Outils
