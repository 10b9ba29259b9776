#pragma once
// A shell command run as a process, for the tests of the command-line tools.

#include <string>

namespace testcommande {

struct SortieCommande {
    int statut = -1;    // exit status, -1 when the process did not end by itself
    std::string sortie; // what it wrote on stdout
};

// Runs commande through the shell and waits for it.
SortieCommande executer(const std::string& commande);

} // namespace testcommande
