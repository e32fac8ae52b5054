#pragma once

#include <string>

namespace Tolvarine {

// The outer form of a mesh file of the rendering engine: a header (the number 0x1000 in either
// byte order and a version line), then chunks, each a 16-bit id and a 32-bit length that counts
// the chunk's own six header bytes. The engine's reader stops quietly where a cut-short file
// ends, so that half a mesh loads as a mesh with the rest of its buffers left unfilled; the
// chunk lengths tell a whole file from a cut one before it is loaded.
class MeshFile {
public:
    // Empty when `bytes` hold a header and chunks that end exactly with them; otherwise what is
    // wrong: "it has no mesh header", "its version line has no end", "a chunk at byte <n> runs
    // to byte <m>, but the file ends at byte <size>", and the like.
    static std::string findDamage(const std::string& bytes);
};

} // namespace Tolvarine
