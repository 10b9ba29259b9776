#pragma once
// Computations of the direction analysis of a block, on plain buffers. A block buffer
// holds dimLarg * dimHaut * dimProf bytes, voxel (x, y, z) at x + dimLarg * (y + dimHaut * z).
// The volume's analysis members (CImageTroisD) run them and keep their results.

#include <array>
#include <string>
#include <vector>

// Rose of directions: rose[elevation 0 .. 179][azimuth 0 .. 359], in degrees.
using TableRose = std::vector<std::array<int, 360>>;
using DirectionsRose = std::vector<std::array<int, 2>>;

constexpr int kNbDirections = 13;

// The 13 reference directions, (azimuth, elevation) in degrees.
DirectionsRose directionsReference();

// Replaces the block by its autocorrelation, rescaled to 0 .. 255, with the zero shift
// at the block centre (dimLarg / 2, dimHaut / 2, dimProf / 2) for even sizes. A block
// without contrast outside the centre becomes 0 everywhere. False (block unchanged)
// when the sizes are not positive or the transform buffers cannot be allocated.
bool autocorrelationBloc(unsigned char* buffer, int dimLarg, int dimHaut, int dimProf);

// Samples the block along 180 x 360 rays from its centre, radii r0 .. R - 1 with
// R = min size / 2 + 1 and r0 = R / 10, and rescales the sums to 0 .. 255 (every entry
// 1 when all sums are equal). Sample positions are truncated toward zero.
void calculerRose(const unsigned char* buffer, int dimLarg, int dimHaut, int dimProf,
                  TableRose& rose);

// Sum of the rose over the 45 x 45 degree window centred on (azimuth theta, elevation
// gamma); indices past either end wrap around.
int sommeAngle(const TableRose& rose, int theta, int gamma);

// Window sums of the 13 reference directions, rescaled so that the largest is 255.
std::array<int, kNbDirections> calculerIndColor(const TableRose& rose,
                                                const DirectionsRose& direction);

// Summary figures of a rose at the reference directions.
struct CaracteristiquesRose {
    std::array<int, kNbDirections> tabdir{};
    float theta = 0.0f; // mean direction index (0 .. 12) weighted by tabdir
    float gamma = 0.0f; // mean elevation, in degrees, weighted by tabdir
    float MoyRose = 0.0f;
    float DirMaxRose = 0.0f;
    float valMaxRose = 0.0f;
    float CoeffDirection = 0.0f; // variance of tabdir
};

CaracteristiquesRose calculerCaracRose(const TableRose& rose, const DirectionsRose& direction);

// The results line appended to RoseValue.res, newline included.
std::string ligneResultatsRose(const CaracteristiquesRose& c);
