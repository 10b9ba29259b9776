#pragma once
// Scratch folder of one fuzzer process: the input bytes become files there, since every
// reader under test takes a path. Removed when the process ends.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace fuzz {

inline const std::string& dossier() {
    // The name lives in a plain array, still valid in the exit handler that removes the
    // folder after the static strings are gone. In memory (/dev/shm) where the system has
    // it: the inputs are written there once each, never to a disk.
    static char enMemoire[] = "/dev/shm/stravol-fuzz-XXXXXX";
    static char surDisque[] = "/tmp/stravol-fuzz-XXXXXX";
    static char* choisi = nullptr;
    static const std::string chemin = [] {
        choisi = mkdtemp(enMemoire);
        if (choisi == nullptr)
            choisi = mkdtemp(surDisque);
        if (choisi == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        std::atexit([] {
            std::error_code e;
            std::filesystem::remove_all(choisi, e);
        });
        return std::string(choisi);
    }();
    return chemin;
}

// Writes the bytes to dossier()/nom (sub-folders are created) and returns the path. An
// existing file is rewritten in place: every hard link to it reads the new bytes.
inline std::string ecrire(const std::string& nom, const std::uint8_t* data, std::size_t taille) {
    const std::string chemin = dossier() + "/" + nom;
    FILE* f = std::fopen(chemin.c_str(), "wb");
    if (f == nullptr) {
        std::filesystem::create_directories(std::filesystem::path(chemin).parent_path());
        f = std::fopen(chemin.c_str(), "wb");
    }
    if (f == nullptr || (taille > 0 && std::fwrite(data, 1, taille, f) != taille)) {
        std::perror(chemin.c_str());
        std::abort();
    }
    std::fclose(f);
    return chemin;
}

// Empties dossier()/nom, creating it.
inline std::string viderSousDossier(const std::string& nom) {
    const std::string chemin = dossier() + "/" + nom;
    std::error_code e;
    std::filesystem::remove_all(chemin, e);
    std::filesystem::create_directories(chemin);
    return chemin;
}

// Stops the run with a readable reason: libFuzzer keeps the input as a crash.
#define FUZZ_VERIFIER(condition)                                                                   \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition);  \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

} // namespace fuzz
