#pragma once
// Heap blocks taken on the main thread while counting is on, through the
// program's own malloc family (linked into a bench program, it replaces the C
// library's for the whole process, the game's operator new, the GL driver,
// SDL and OpenAL included). A block asked for from the program's own code
// is the game's; the rest come from the libraries. With call sites recorded,
// the stacks of the game's blocks are kept for the report.

#include <cstdint>

namespace HeapCounter {

struct Counts {
    uint64_t blocks = 0;
    uint64_t gameBlocks = 0;
};

// Counts from now on, on the calling thread only.
void Start();
void Stop();
Counts Read();
// Keeps the call stacks of the game's counted blocks (up to a few hundred distinct ones).
void RecordSites(bool on);
// Prints the recorded stacks, most frequent first, `top` of them.
void PrintSites(int top);

} // namespace HeapCounter
