// Compiling the header on its own keeps it self-contained.
#include "PositionReporter.h"
