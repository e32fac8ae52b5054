#include "ControllableWrap.h"

#include <boost/python/object_operators.hpp>
#include <boost/python/override.hpp>

namespace Tolvarine {

void ControllableWrap::setFocus(bool focus)
{
    if (boost::python::override scriptSetFocus = get_override("setFocus"))
        scriptSetFocus(focus);
    else
        Controllable::setFocus(focus);
}

} // namespace Tolvarine
