#pragma once
// Bound of the picture codecs' allocations, for the decoding of one file on this thread.

#include <cstddef>

// While an object lives, every single allocation of the decoder on this thread larger than
// the given number of bytes fails (the decoder then refuses the file); the previous bound
// comes back when it goes.
class PlafondDecodeur {
public:
    explicit PlafondDecodeur(std::size_t octets);
    PlafondDecodeur(const PlafondDecodeur&) = delete;
    PlafondDecodeur& operator=(const PlafondDecodeur&) = delete;
    ~PlafondDecodeur();

    // Whether an allocation within the bound failed on this thread since the object was made:
    // the system, not the file, refused the memory.
    bool memoireEpuisee() const;

private:
    std::size_t precedent_;
    bool epuiseePrecedent_;
};
