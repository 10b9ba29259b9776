#include "core/Fichier.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::FILE* ouvrirFichierLecture(const char* chemin, std::uint64_t tailleMax, std::uint64_t* taille,
                                RefusFichier* refus) {
    RefusFichier raison = RefusFichier::Introuvable;
    std::FILE* f = nullptr;
    // O_NONBLOCK keeps the open of a FIFO without writer from waiting; it has no effect on
    // the reads of a regular file.
    const int fd = chemin ? ::open(chemin, O_RDONLY | O_NONBLOCK | O_CLOEXEC) : -1;
    struct stat etat {};
    if (fd >= 0 && ::fstat(fd, &etat) == 0) {
        if (!S_ISREG(etat.st_mode))
            raison = RefusFichier::NonRegulier;
        else if (static_cast<std::uint64_t>(etat.st_size) > tailleMax)
            raison = RefusFichier::TropGrand;
        else if ((f = ::fdopen(fd, "rb")) != nullptr)
            raison = RefusFichier::Aucun;
    }
    if (f == nullptr && fd >= 0)
        ::close(fd);
    if (f != nullptr && taille != nullptr)
        *taille = static_cast<std::uint64_t>(etat.st_size);
    if (refus != nullptr)
        *refus = raison;
    return f;
}

std::string texteRefusFichier(RefusFichier refus, const std::string& chemin) {
    switch (refus) {
    case RefusFichier::Aucun:
        break;
    case RefusFichier::Introuvable:
        return "Fichier introuvable ou illisible : " + chemin;
    case RefusFichier::NonRegulier:
        return "Ce n'est pas un fichier ordinaire : " + chemin;
    case RefusFichier::TropGrand:
        return "Fichier trop grand : " + chemin;
    }
    return std::string();
}
