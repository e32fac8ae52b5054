#include "ComboTweak.h"

namespace Tolvarine {

ComboTweak::ComboTweak(const std::string& labelTextIn) : labelText(labelTextIn) {}

ComboTweak::~ComboTweak() = default;

void ComboTweak::addValue(const std::string& value)
{
    values.push_back(value);
    if (values.size() == 1)
        currentValue = value;
}

void ComboTweak::layout() {}

} // namespace Tolvarine
