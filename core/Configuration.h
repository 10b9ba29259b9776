// Reader of the numbered parameters of "config.txt", shared by the volume and the view.
//
// Format: plain text read line by line, at most 254 characters per line (a longer line is read
// as several lines). A header line carries an identifier between its first two '#'; a line
// without '#' is a comment. The line after a header whose identifier is not -1 is its value
// line, never examined as a header: its value is the text between its first two '='. Text
// outside the delimiters is ignored.
#pragma once

#include "core/Chaine.h"

#include <cstdio>
#include <string>
#include <variant>
#include <vector>

// Parameters of the volume, with their initial values. Only `rgb` (1: colour, 0: grey levels)
// and `ParamNbThreads` change how the volume behaves.
struct ParametresConfigVolume {
    int ParamDistanceHara = 0;
    int ParamQuantificationHara = 0;
    int ParamDimHara = 0;
    int ParamDimCC = 0;
    int ParamDimRose = 0;
    int ParamBinarisationGlobale = 0;
    double ParamK = 0.0;
    int ParamDimNiblack = 0;
    Chaine ParamTypeWavelet;
    int ParamNbDecompositionWavelet = 0;
    int ParamDimWaveletNiv1 = 0;
    int ParamTypeBinarisation = 0;
    int nbResolutionCC = 0;
    int rgb = 0;
    int ParamDimWaveletNiv2 = 0;
    int ParamDimWaveletNiv3 = 0;
    // Threads of the parallel stages for the volumes opened in the window: 0 one per
    // processor, -1 (not given) leaves the count as it stands.
    int ParamNbThreads = -1;
};

// Parameters of the 3D view, with their initial values.
struct ParametresConfigVue {
    int ParamDistanceHara = 0;
    int ParamQuantificationHara = 0;
};

// How a value text is converted before it is stored.
enum class ConversionConfig {
    Entier32, // 32-bit signed integer, into an int
    Entier16, // 16-bit signed integer, kept in an int
    Reel,     // double, '.' as decimal separator whatever the user's locale
    Texte,    // the text itself, into a Chaine
};

// One identifier of a reader's table and the field it fills: an int for the integer
// conversions, a double for Reel, a Chaine for Texte (an entry whose field does not match its
// conversion stores nothing). Integers are further limited to [mini, maxi]. A value that does
// not convert or lies outside its range is ignored and the field keeps its value.
struct EntreeConfig {
    short identifiant = -1;
    ConversionConfig conversion = ConversionConfig::Entier32;
    std::variant<int*, double*, Chaine*> champ;
    long mini = -2147483647L - 1;
    long maxi = 2147483647L;
};

// Pointers into one reader's parameters: valid while that object lives.
using TableConfig = std::vector<EntreeConfig>;

TableConfig tableConfigVolume(ParametresConfigVolume& p);
TableConfig tableConfigVue(ParametresConfigVue& p);

// Reads chemin + "/config.txt" and fills the parameters that the table names. Only a regular
// file of at most 256 KiB is read: a FIFO, a device (or a link to one), a folder or a larger
// file is refused without reading or waiting. Returns false when the file is refused or cannot
// be opened (every parameter unchanged) or a read fails (an I/O error: parameters read before
// the failure keep their new values).
bool LireConfig(const std::string& chemin, const TableConfig& table);

// The field between the first and the second occurrence of delimiteur, possibly empty; "-1"
// when the line holds no delimiter. With the delimiter only once, the field runs to the end
// of the line, its line end ("\n" or "\r\n") left out.
std::string LireLigne(const char* ligne, char delimiteur);

// Reads the next line of r as the value line of identifiant and stores its value in the
// parameter that the table gives for identifiant; nothing is stored for another identifier,
// a value that does not convert, or when r has no further line.
void RemplirParametre(FILE* r, short identifiant, const TableConfig& table);

// Conversions of the reader: blanks around the text and a leading sign are accepted, the
// whole text must be the number. They return false, leaving v unchanged, otherwise.
bool convertirEntier(const std::string& texte, long mini, long maxi, long& v);
bool convertirReel(const std::string& texte, double& v);
