#pragma once

#include "Config.h"
#include "ResponseCurve.h"

#include <string>

namespace Tolvarine {

// Named response curves of a configuration file: one section per curve, keyed by integers whose
// numeric order is the order of the samples, each value a float sample.
class ResponseCurves {
public:
    // Reads the curve file (plain text, never created when missing).
    explicit ResponseCurves(const std::string& path);

    // The curve of the program's file "data/curves.cfg", which is read on the first lookup.
    static ResponseCurve getCurve(const std::string& name);

    // The named curve of this file. An unknown or empty curve logs "Unknown ResponseCurve: <name>"
    // and throws ConfigurationError; a key that is not an integer throws boost::bad_lexical_cast.
    ResponseCurve lookup(const std::string& name) const;

private:
    Config config;
};

} // namespace Tolvarine
