#pragma once

#include <string>

namespace Tolvarine {

// The files behind the rendering engine's resources. The engine's own errors name a resource at
// best ("Missing geometry data in mesh file"), never the file it came from, so a broken mesh,
// material or script in data/ would end the start-up without saying which file to mend.
class ResourceFiles {
public:
    // The file that holds the resource `name`: the location that the resource groups found it in,
    // joined with its file name ("data/meshes/trifighter.mesh"). `name` itself when no location
    // holds it.
    static std::string locate(const std::string& name);

    // Parses the scripts of `group` and loads its declared resources, as the engine's own
    // initialisation and load of a group do, after checking every mesh file of the group whole
    // (MeshFile): a damaged one is logged as "Resource group <group>: the mesh file <file> is
    // damaged: <what>" and raises ConfigurationError. A script or resource that fails is logged as
    // "Resource group <group>: the script <file> could not be read: <reason>", "Resource group
    // <group>: the <type> <file> could not be loaded: <reason>" or, for a resource that a script
    // defines, "... the <type> <name> of <script file> could not be loaded: <reason>", and raises
    // ConfigurationError. A texture that fails is followed by a line for each material that names
    // it: "Resource group <group>: the material <name> of <script file> names the texture <texture>".
    static void initialiseAndLoad(const std::string& group);

private:
    static void checkMeshFiles(const std::string& group);
};

} // namespace Tolvarine
