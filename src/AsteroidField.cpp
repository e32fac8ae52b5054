#include "AsteroidField.h"

#include <boost/python/class.hpp>

#include <memory>

namespace bp = boost::python;

namespace Tolvarine {

AsteroidField::~AsteroidField() = default;

void AsteroidField::exportToPython()
{
    bp::class_<AsteroidField, std::shared_ptr<AsteroidField>, boost::noncopyable>("AsteroidField", bp::no_init);
}

} // namespace Tolvarine
