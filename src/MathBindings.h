#pragma once

namespace Tolvarine {

// Registers the rendering engine's value types with the module being started, under their own
// names and in this order: "Vector3", "Quaternion", "ColourValue", "Radian", "Degree". Scripts get
// copies (value semantics): class constants hand out a fresh copy on every read, so changing one
// in place never changes the constant.
void exportMathTypesToPython();

} // namespace Tolvarine
