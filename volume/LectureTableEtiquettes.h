#pragma once
// Readers of label tables. The format is told by the content of the first line that is
// neither blank nor a '#' comment, and every other line is then checked against it:
// - Csv: a header line naming the columns LabelValue and Name, optionally Color_R, Color_G,
//   Color_B (the three together) and Color_A, in any order, among others that are ignored;
//   fields separated by commas, double quotes around a field that holds a comma;
// - ItkSnap: ITK-SNAP label descriptions, IDX R G B A VIS MSH "LABEL" (R, G, B 0..255, A
//   0..1, VIS and MSH 0 or 1);
// - FreeSurfer: the FreeSurfer colour LUT and the Slicer colour table, value name R G B A
//   (0..255 each), six fields a line;
// - Simple: value name [anything], the name a single field or between double quotes; a line
//   holding a tab is split at tabs only (the name may then hold spaces), any other at spaces.
// Values are integers from 0 to 2^32 - 1, each listed once. Blank lines and lines starting
// with '#' are skipped everywhere; lines may end in CR LF; a UTF-8 byte order mark is
// skipped; a file that is not valid UTF-8 is read as Latin-1.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "volume/TableEtiquettes.h"

namespace Stravol {

enum class FormatTable { Simple, ItkSnap, FreeSurfer, Csv };
const char* nomFormatTable(FormatTable format);

// Largest table file read, in bytes.
constexpr std::uintmax_t kTailleTableMax = 64u << 20;

// Reads the table of a file. On the first bad line the table is refused: false, table left
// as it was, and erreur names the file and the line ("atlas.txt, ligne 12 : ..."). A file
// without any label is refused too. format, when given, receives the format found.
bool lireTableEtiquettes(const std::string& chemin, TableEtiquettes& table, std::string& erreur,
                         FormatTable* format = nullptr);
// The same on the text of a file; nom names it in the messages.
bool lireTableEtiquettesTexte(std::string_view texte, const std::string& nom,
                              TableEtiquettes& table, std::string& erreur,
                              FormatTable* format = nullptr);

// Where a table beside a label file is looked for, in this order: the file's name without
// its ".gz" (or whole when it has none), then without all of its extensions, each followed by
// ".txt", ".csv", ".ctbl", ".lut" and ".label", in the same folder ("atlas.nii.gz" gives
// "atlas.nii.txt", ..., "atlas.nii.label", "atlas.txt", ..., "atlas.label").
std::vector<std::string> cheminsTableVoisine(const std::string& fichierEtiquettes);
// The first of those that is a regular file, or an empty string.
std::string trouverTableVoisine(const std::string& fichierEtiquettes);

} // namespace Stravol
