#include "ScenarioTweak.h"

#include "ComboTweak.h"

#include <boost/python/class.hpp>
#include <boost/python/init.hpp>

#include <memory>

namespace bp = boost::python;

namespace Tolvarine {

namespace {

// Never reset, so window names stay unique for the whole run.
unsigned nextTweakNumber = 0;

} // namespace

ScenarioTweak::ScenarioTweak() : windowName("Tweak" + std::to_string(nextTweakNumber++)) {}

ScenarioTweak::~ScenarioTweak() = default;

void ScenarioTweak::exportToPython()
{
    bp::class_<ScenarioTweak, std::shared_ptr<ScenarioTweak>, boost::noncopyable>("ScenarioTweak", bp::no_init);

    bp::class_<ComboTweak, std::shared_ptr<ComboTweak>, bp::bases<ScenarioTweak>, boost::noncopyable>(
        "ComboTweak", bp::init<std::string>())
        .def("addValue", &ComboTweak::addValue)
        .def("getCurrentValue", &ComboTweak::getCurrentValue)
        .def("setCurrentValue", &ComboTweak::setCurrentValue);
}

} // namespace Tolvarine
