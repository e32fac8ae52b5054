#pragma once

#include <cstddef>
#include <string>

namespace Tolvarine {

// The memory that the particle systems of sprays take for their quota, counted against the room
// the machine and the limits set on the process leave (MemoryRoom), so that no spray is made that
// would run the memory out. The rendering engine makes every particle of a system's quota, with
// its billboard, at the system's first update, and the renderer's buffers for all of them when
// the system is first drawn; it keeps both for the system's life, in play or idle in its pool.
// With a quota of 1,000,000 for the sparks, their pool of eight took 1.1 GB at the first frame,
// and each spray drawn 110 MB more; with 5,000,000 and an 8 GB address-space limit, the first
// death ended the game on a vertex buffer that could not be had.
//
// What a system's first drawing will take is counted as promised from the system's making until
// it is drawn or destroyed. The room is read from the system once a frame, when a system is made;
// the systems made since are counted against it.
class SprayMemory {
public:
    // What one particle of quota takes, in bytes, measured with the whole game on a virtual
    // display (software OpenGL), resident memory and address space alike. At the system's first
    // update, its particle and its billboard: 121 to 138 bytes. At its first drawing, the vertex
    // buffer (four vertices of 24 bytes a particle) and the index buffer, which the GL driver
    // renews every frame: 107 to 112 bytes where the vertex buffer is larger than 32 MB (quotas
    // of LARGE_QUOTA and more), whose freed copies the allocator hands back to the system; 187 to
    // 461 bytes where it is smaller, since the allocator keeps the copies it frees.
    static constexpr long MADE_BYTES = 140;
    static constexpr long DRAWN_BYTES = 470;
    static constexpr long DRAWN_BYTES_LARGE = 120;
    static constexpr std::size_t LARGE_QUOTA = 32 * 1024 * 1024 / 96 + 1;

    // Counts a new system of `quota` particles, made now, and promises what its first drawing
    // will take. When that would leave less than FillWatch::RESERVE_KILOBYTES of the tightest
    // room, counts nothing and throws FillWatch::Shortage, whose text starts with `what` (which
    // names the system) and gives the figures.
    static void take(std::size_t quota, const std::string& what);
    // A system of `quota` particles taken before has been drawn (the room read from now on holds
    // what its drawing took) or destroyed undrawn: what its drawing was to take is no longer
    // promised.
    static void settle(std::size_t quota);

    // What a system of `quota` particles takes in all, in kB.
    static double kilobytes(std::size_t quota);
};

} // namespace Tolvarine
