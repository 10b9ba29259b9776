// Opening of the files the system reads by name: only regular files, of bounded size, so that
// a FIFO, a device or a link to one is refused at once instead of blocking or never ending.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// Why a file was not opened.
enum class RefusFichier {
    Aucun,       // opened
    Introuvable, // missing or not openable (permissions, bad name)
    NonRegulier, // a folder, FIFO, socket or device
    TropGrand,   // more bytes than the bound
};

// Opens chemin for binary reading when it is a regular file of at most tailleMax bytes. The
// open never blocks (a FIFO is refused, not waited on). Returns null otherwise, with the
// reason in refus when given. taille receives the file size in bytes when given.
std::FILE* ouvrirFichierLecture(const char* chemin, std::uint64_t tailleMax,
                                std::uint64_t* taille = nullptr, RefusFichier* refus = nullptr);

// A short French text for the user naming the refusal of chemin.
std::string texteRefusFichier(RefusFichier refus, const std::string& chemin);
