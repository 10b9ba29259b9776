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

private:
    std::size_t precedent_;
};
