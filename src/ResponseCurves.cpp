#include "ResponseCurves.h"

#include "ConfigurationError.h"
#include "GameLog.h"

#include <boost/lexical_cast.hpp>

#include <algorithm>
#include <utility>
#include <vector>

namespace Tolvarine {

ResponseCurves::ResponseCurves(const std::string& path)
    : config(path)
{
}

ResponseCurve ResponseCurves::getCurve(const std::string& name)
{
    static const ResponseCurves curves("data/curves.cfg");
    return curves.lookup(name);
}

ResponseCurve ResponseCurves::lookup(const std::string& name) const
{
    const std::vector<std::string> keys = config.getKeys(name);
    if (keys.empty()) {
        GameLog::line("Unknown ResponseCurve: " + name);
        throw ConfigurationError();
    }

    // Keys order the samples by number, not by text ("10" after "2").
    std::vector<int> positions;
    for (const std::string& key : keys) {
        try {
            positions.push_back(boost::lexical_cast<int>(key));
        } catch (const boost::bad_lexical_cast& error) {
            GameLog::line(key + " failed lexical cast (" + error.what() + ")");
            config.logPlace(name, key);
            throw;
        }
    }
    std::sort(positions.begin(), positions.end());

    // Each sample is read back under the key's plain decimal text, so "01" needs a key "1".
    std::vector<float> samples;
    for (int position : positions)
        samples.push_back(config.get<float>(name, std::to_string(position)));
    return ResponseCurve(std::move(samples));
}

} // namespace Tolvarine
