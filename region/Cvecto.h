#pragma once

// Feature vector of a sub-volume: named single-precision values filled by the
// analyses (connected-component shape statistics). Every value starts at 0.
class Cvecto {
public:
    void setnbCC(float v) { nbCC = v; }
    void setmoyCompCC(float v) { moyCompCC = v; }
    void setvarCompCC(float v) { varCompCC = v; }
    void setmoyAireCC(float v) { moyAireCC = v; }

    float getnbCC() const { return nbCC; }
    float getmoyCompCC() const { return moyCompCC; }
    float getvarCompCC() const { return varCompCC; }
    float getmoyAireCC() const { return moyAireCC; }

private:
    float nbCC = 0.0f;      // number of connected components
    float moyCompCC = 0.0f; // mean compactness of the valid components
    float varCompCC = 0.0f; // variance of the compactness
    float moyAireCC = 0.0f; // mean component size, in voxels
};
