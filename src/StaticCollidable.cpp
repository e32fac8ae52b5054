#include "StaticCollidable.h"

#include <boost/python/class.hpp>

#include <memory>

namespace bp = boost::python;

namespace Tolvarine {

StaticCollidable::~StaticCollidable() = default;

void StaticCollidable::exportToPython()
{
    bp::class_<StaticCollidable, std::shared_ptr<StaticCollidable>, boost::noncopyable>("StaticCollidable", bp::no_init);
}

} // namespace Tolvarine
