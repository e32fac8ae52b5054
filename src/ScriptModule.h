#pragma once

// The interpreter's object type, declared here so that this header stays light.
struct _object;

// The interpreter's entry of the scripting module "Tolvarine". The script system puts it in the
// interpreter's table of built-in modules before the interpreter starts; scripts never call it.
extern "C" _object* PyInit_Tolvarine();

namespace Tolvarine {

// Starts the scripting module "Tolvarine": imports it at once, which registers every scripted
// class in its fixed order, so that the game's types convert to and from Python even before any
// script imports the module. Needs the script system; later calls change nothing. A registration
// that fails is logged with its traceback and leaves as a ScriptError.
void initTolvarine();

} // namespace Tolvarine
