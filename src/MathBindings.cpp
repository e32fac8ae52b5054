#include "MathBindings.h"

#include <boost/python/args.hpp>
#include <boost/python/back_reference.hpp>
#include <boost/python/class.hpp>
#include <boost/python/errors.hpp>
#include <boost/python/extract.hpp>
#include <boost/python/make_constructor.hpp>
#include <boost/python/operators.hpp>
#include <boost/python/tuple.hpp>

#include <OgreColourValue.h>
#include <OgreMath.h>
#include <OgreMatrix3.h>
#include <OgreQuaternion.h>
#include <OgreVector.h>

#include <array>
#include <string>

namespace bp = boost::python;
using Ogre::ColourValue;
using Ogre::Degree;
using Ogre::Matrix3;
using Ogre::Quaternion;
using Ogre::Radian;
using Ogre::Vector3;

namespace Tolvarine {

namespace {

[[noreturn]] void raise(PyObject* type, const std::string& message)
{
    PyErr_SetString(type, message.c_str());
    throw bp::error_already_set();
}

// The engine treats division by a zero number as a broken precondition (an assertion), so a
// script gets Python's own error for it instead.
void requireNonZero(float divisor)
{
    if (divisor == 0.0f)
        raise(PyExc_ZeroDivisionError, "division by zero");
}

// The items of a script sequence of exactly `count` elements.
template <std::size_t count>
std::array<bp::object, count> itemsOf(const bp::object& sequence, const char* expected)
{
    const bool isSequence = PySequence_Check(sequence.ptr()) && !PyUnicode_Check(sequence.ptr());
    if (!isSequence || PySequence_Size(sequence.ptr()) != static_cast<Py_ssize_t>(count)) {
        PyErr_Clear();
        raise(PyExc_TypeError, std::string("expected ") + expected);
    }
    std::array<bp::object, count> items;
    for (std::size_t i = 0; i < count; ++i)
        items[i] = sequence[i];
    return items;
}

float numberFrom(const bp::object& item, const char* expected)
{
    bp::extract<float> number(item);
    if (!number.check())
        raise(PyExc_TypeError, std::string("expected ") + expected);
    return number();
}

std::array<Vector3, 3> axesFrom(const bp::object& sequence)
{
    const char* const expected = "a sequence of three Vector3";
    std::array<Vector3, 3> axes;
    const std::array<bp::object, 3> items = itemsOf<3>(sequence, expected);
    for (std::size_t i = 0; i < 3; ++i) {
        bp::extract<const Vector3&> axis(items[i]);
        if (!axis.check())
            raise(PyExc_TypeError, std::string("expected ") + expected);
        axes[i] = axis();
    }
    return axes;
}

bool holdsVectors(const bp::object& sequence)
{
    const std::array<bp::object, 3> items = itemsOf<3>(sequence, "three axes or three matrix rows");
    return bp::extract<const Vector3&>(items[0]).check();
}

// A rotation matrix reaches scripts as three rows of three numbers.
Matrix3 matrixFrom(const bp::object& rows)
{
    const char* const expected = "a rotation matrix as three rows of three numbers";
    Matrix3 matrix;
    const std::array<bp::object, 3> rowItems = itemsOf<3>(rows, expected);
    for (std::size_t row = 0; row < 3; ++row) {
        const std::array<bp::object, 3> entries = itemsOf<3>(rowItems[row], expected);
        for (std::size_t column = 0; column < 3; ++column)
            matrix[row][column] = numberFrom(entries[column], expected);
    }
    return matrix;
}

bp::tuple rowsOf(const Matrix3& matrix)
{
    return bp::make_tuple(bp::make_tuple(matrix[0][0], matrix[0][1], matrix[0][2]),
                          bp::make_tuple(matrix[1][0], matrix[1][1], matrix[1][2]),
                          bp::make_tuple(matrix[2][0], matrix[2][1], matrix[2][2]));
}

// In-place division under Python 3's name; the binding library's operator form registers the
// Python 2 name, which Python 3 never calls.
template <typename Value, typename Divisor>
bp::object divideInPlace(bp::back_reference<Value&> self, const Divisor& divisor)
{
    self.get() /= divisor;
    return self.source();
}

template <typename Value>
bp::object divideInPlaceByNumber(bp::back_reference<Value&> self, float divisor)
{
    requireNonZero(divisor);
    self.get() /= divisor;
    return self.source();
}

template <typename Value>
Value divideByNumber(const Value& value, float divisor)
{
    requireNonZero(divisor);
    return value / divisor;
}

// --- Vector3 ---

Vector3* newZeroVector()
{
    // The engine leaves a default-built vector uninitialised; scripts get a defined zero.
    return new Vector3(Vector3::ZERO);
}

// The array forms (three floats, three integers): any script sequence of three numbers.
Vector3* newVectorFromSequence(const bp::object& sequence)
{
    const char* const expected = "three numbers, a sequence of three numbers or a Vector3";
    const std::array<bp::object, 3> items = itemsOf<3>(sequence, expected);
    return new Vector3(numberFrom(items[0], expected), numberFrom(items[1], expected),
                       numberFrom(items[2], expected));
}

float dotProduct(const Vector3& self, const Vector3& other) { return self.dotProduct(other); }
Vector3 crossProduct(const Vector3& self, const Vector3& other) { return self.crossProduct(other); }
Vector3 midPoint(const Vector3& self, const Vector3& other) { return self.midPoint(other); }
Vector3 perpendicular(const Vector3& self) { return self.perpendicular(); }

Vector3 randomDeviant(const Vector3& self, const Radian& angle, const Vector3& up)
{
    return self.randomDeviant(angle, up);
}

Quaternion getRotationTo(const Vector3& self, const Vector3& destination, const Vector3& fallbackAxis)
{
    return self.getRotationTo(destination, fallbackAxis);
}

void exportVector3()
{
    bp::class_<Vector3>("Vector3", bp::no_init)
        // Constructors. The sequence form is registered first so that it is tried last.
        .def("__init__", bp::make_constructor(&newVectorFromSequence))
        .def("__init__", bp::make_constructor(&newZeroVector))
        .def(bp::init<float, float, float>((bp::arg("x"), bp::arg("y"), bp::arg("z"))))
        .def(bp::init<const Vector3&>())
        // Constants.
        .add_static_property("ZERO", +[] { return Vector3::ZERO; })
        .add_static_property("UNIT_X", +[] { return Vector3::UNIT_X; })
        .add_static_property("UNIT_Y", +[] { return Vector3::UNIT_Y; })
        .add_static_property("UNIT_Z", +[] { return Vector3::UNIT_Z; })
        .add_static_property("NEGATIVE_UNIT_X", +[] { return Vector3::NEGATIVE_UNIT_X; })
        .add_static_property("NEGATIVE_UNIT_Y", +[] { return Vector3::NEGATIVE_UNIT_Y; })
        .add_static_property("NEGATIVE_UNIT_Z", +[] { return Vector3::NEGATIVE_UNIT_Z; })
        .add_static_property("UNIT_SCALE", +[] { return Vector3::UNIT_SCALE; })
        // Methods.
        .def("length", +[](const Vector3& self) { return self.length(); })
        .def("squaredLength", +[](const Vector3& self) { return self.squaredLength(); })
        .def("dotProduct", &dotProduct)
        .def("normalise", +[](Vector3& self) { return self.normalise(); })
        .def("crossProduct", &crossProduct)
        .def("midPoint", &midPoint)
        .def("makeFloor", +[](Vector3& self, const Vector3& other) { self.makeFloor(other); })
        .def("makeCeil", +[](Vector3& self, const Vector3& other) { self.makeCeil(other); })
        .def("perpendicular", &perpendicular)
        .def("randomDeviant", &randomDeviant,
             (bp::arg("self"), bp::arg("angle"), bp::arg("up") = Vector3::ZERO))
        .def("reflect", +[](const Vector3& self, const Vector3& normal) { return self.reflect(normal); })
        .def("normalisedCopy", +[](const Vector3& self) { return self.normalisedCopy(); })
        .def("isZeroLength", +[](const Vector3& self) { return self.isZeroLength(); })
        .def("getRotationTo", &getRotationTo,
             (bp::arg("self"), bp::arg("dest"), bp::arg("fallbackAxis") = Vector3::ZERO))
        // Operators.
        .def(float() * bp::self)
        .def(bp::self == bp::self)
        .def(bp::self != bp::self)
        .def(bp::self + bp::self)
        .def(bp::self - bp::self)
        .def(bp::self * float())
        .def(bp::self * bp::self)
        .def("__truediv__", &divideByNumber<Vector3>)
        .def(bp::self / bp::self)
        .def(-bp::self)
        .def(bp::self += bp::self)
        .def(bp::self -= bp::self)
        .def(bp::self *= float())
        .def(bp::self *= bp::self)
        .def("__itruediv__", &divideInPlaceByNumber<Vector3>)
        .def("__itruediv__", &divideInPlace<Vector3, Vector3>)
        .def(bp::self < bp::self)
        .def(bp::self > bp::self);
}

// --- Quaternion ---

// Up to four numbers; the missing ones make the identity, as the engine's defaults did.
Quaternion* newQuaternion(float w, float x, float y, float z)
{
    return new Quaternion(w, x, y, z);
}

// The array of three axes, or a rotation matrix given as three rows of three numbers.
Quaternion* newQuaternionFromSequence(const bp::object& sequence)
{
    if (holdsVectors(sequence)) {
        const std::array<Vector3, 3> axes = axesFrom(sequence);
        return new Quaternion(axes.data());
    }
    return new Quaternion(matrixFrom(sequence));
}

Radian getYaw(const Quaternion& self, bool reprojectAxis) { return self.getYaw(reprojectAxis); }
Radian getPitch(const Quaternion& self, bool reprojectAxis) { return self.getPitch(reprojectAxis); }
Radian getRoll(const Quaternion& self, bool reprojectAxis) { return self.getRoll(reprojectAxis); }

void toAxes(const Quaternion& self, Vector3& xAxis, Vector3& yAxis, Vector3& zAxis)
{
    self.ToAxes(xAxis, yAxis, zAxis);
}

// The array form writes the three axes into the three vectors of the script's sequence.
void toAxesArray(const Quaternion& self, const bp::object& axes)
{
    const std::array<bp::object, 3> items = itemsOf<3>(axes, "a sequence of three Vector3");
    std::array<Vector3*, 3> targets {};
    for (std::size_t i = 0; i < 3; ++i) {
        bp::extract<Vector3&> target(items[i]);
        if (!target.check())
            raise(PyExc_TypeError, "expected a sequence of three Vector3");
        targets[i] = &target();
    }
    std::array<Vector3, 3> result;
    self.ToAxes(result.data());
    for (std::size_t i = 0; i < 3; ++i)
        *targets[i] = result[i];
}

void fromAxes(Quaternion& self, const Vector3& xAxis, const Vector3& yAxis, const Vector3& zAxis)
{
    self.FromAxes(xAxis, yAxis, zAxis);
}

void fromAxesArray(Quaternion& self, const bp::object& axes)
{
    const std::array<Vector3, 3> values = axesFrom(axes);
    self.FromAxes(values.data());
}

bp::tuple toRotationMatrix(const Quaternion& self)
{
    Matrix3 matrix;
    self.ToRotationMatrix(matrix);
    return rowsOf(matrix);
}

void fromRotationMatrix(Quaternion& self, const bp::object& rows)
{
    self.FromRotationMatrix(matrixFrom(rows));
}

Quaternion slerp(float t, const Quaternion& p, const Quaternion& q, bool shortestPath)
{
    return Quaternion::Slerp(t, p, q, shortestPath);
}

Quaternion squad(float t, const Quaternion& p, const Quaternion& a, const Quaternion& b,
                 const Quaternion& q, bool shortestPath)
{
    return Quaternion::Squad(t, p, a, b, q, shortestPath);
}

Quaternion nlerp(float t, const Quaternion& p, const Quaternion& q, bool shortestPath)
{
    return Quaternion::nlerp(t, p, q, shortestPath);
}

void exportQuaternion()
{
    bp::class_<Quaternion>("Quaternion", bp::no_init)
        // Constructors. The sequence form is registered first so that it is tried last.
        .def("__init__", bp::make_constructor(&newQuaternionFromSequence))
        .def("__init__", bp::make_constructor(&newQuaternion, bp::default_call_policies(),
                                              (bp::arg("w") = 1.0f, bp::arg("x") = 0.0f,
                                               bp::arg("y") = 0.0f, bp::arg("z") = 0.0f)))
        .def(bp::init<const Radian&, const Vector3&>())
        .def(bp::init<const Vector3&, const Vector3&, const Vector3&>())
        // Constants and attributes.
        .add_static_property("ms_fEpsilon", +[] { return Quaternion::msEpsilon; })
        .add_static_property("ZERO", +[] { return Quaternion::ZERO; })
        .add_static_property("IDENTITY", +[] { return Quaternion::IDENTITY; })
        .def_readwrite("w", &Quaternion::w)
        .def_readwrite("x", &Quaternion::x)
        .def_readwrite("y", &Quaternion::y)
        .def_readwrite("z", &Quaternion::z)
        // Methods.
        .def("getYaw", &getYaw, (bp::arg("self"), bp::arg("reprojectAxis") = true))
        .def("getPitch", &getPitch, (bp::arg("self"), bp::arg("reprojectAxis") = true))
        .def("getRoll", &getRoll, (bp::arg("self"), bp::arg("reprojectAxis") = true))
        .def("Log", &Quaternion::Log)
        .def("Exp", &Quaternion::Exp)
        .def("UnitInverse", &Quaternion::UnitInverse)
        .def("Inverse", &Quaternion::Inverse)
        .def("normalise", &Quaternion::normalise)
        .def("Norm", &Quaternion::Norm)
        .def("Dot", &Quaternion::Dot)
        .def("xAxis", &Quaternion::xAxis)
        .def("yAxis", &Quaternion::yAxis)
        .def("zAxis", &Quaternion::zAxis)
        .def("ToAxes", &toAxesArray)
        .def("ToAxes", &toAxes)
        .def("FromAxes", &fromAxesArray)
        .def("FromAxes", &fromAxes)
        .def("FromAngleAxis", &Quaternion::FromAngleAxis)
        .def("ToRotationMatrix", &toRotationMatrix)
        .def("FromRotationMatrix", &fromRotationMatrix)
        // Static functions.
        .def("Slerp", &slerp,
             (bp::arg("t"), bp::arg("p"), bp::arg("q"), bp::arg("shortestPath") = false))
        .staticmethod("Slerp")
        .def("Intermediate", &Quaternion::Intermediate)
        .staticmethod("Intermediate")
        .def("SlerpExtraSpins", &Quaternion::SlerpExtraSpins)
        .staticmethod("SlerpExtraSpins")
        .def("Squad", &squad,
             (bp::arg("t"), bp::arg("p"), bp::arg("a"), bp::arg("b"), bp::arg("q"),
              bp::arg("shortestPath") = false))
        .staticmethod("Squad")
        .def("nlerp", &nlerp,
             (bp::arg("t"), bp::arg("p"), bp::arg("q"), bp::arg("shortestPath") = false))
        .staticmethod("nlerp")
        // Operators.
        .def(float() * bp::self)
        .def(bp::self + bp::self)
        .def(bp::self - bp::self)
        .def(bp::self * bp::self)
        .def(bp::self * float())
        .def(-bp::self)
        .def(bp::self == bp::self)
        .def(bp::self * bp::other<Vector3>());
}

// --- ColourValue ---

// Up to four numbers; the missing ones are 1, as the engine's defaults are.
ColourValue* newColourValue(float red, float green, float blue, float alpha)
{
    return new ColourValue(red, green, blue, alpha);
}

void exportColourValue()
{
    bp::class_<ColourValue>("ColourValue", bp::no_init)
        .def("__init__", bp::make_constructor(&newColourValue, bp::default_call_policies(),
                                              (bp::arg("r") = 1.0f, bp::arg("g") = 1.0f,
                                               bp::arg("b") = 1.0f, bp::arg("a") = 1.0f)))
        // Constants.
        .add_static_property("Black", +[] { return ColourValue::Black; })
        .add_static_property("White", +[] { return ColourValue::White; })
        .add_static_property("Red", +[] { return ColourValue::Red; })
        .add_static_property("Green", +[] { return ColourValue::Green; })
        .add_static_property("Blue", +[] { return ColourValue::Blue; })
        // Operators.
        .def(float() * bp::self)
        .def(bp::self == bp::self)
        .def(bp::self != bp::self)
        .def(bp::self + bp::self)
        .def(bp::self - bp::self)
        .def(bp::self * float())
        .def(bp::self * bp::self)
        .def("__truediv__", &divideByNumber<ColourValue>)
        .def(bp::self / bp::self)
        .def(bp::self += bp::self)
        .def(bp::self -= bp::self)
        .def(bp::self *= float())
        .def("__itruediv__", &divideInPlaceByNumber<ColourValue>);
}

// --- Radian and Degree: the same face, each with the other as its partner ---

template <typename Angle, typename Other>
void exportAngle(const char* name)
{
    bp::class_<Angle>(name, bp::init<float>())
        .def(bp::init<const Other&>())
        .def("valueAngleUnits", &Angle::valueAngleUnits)
        .def("valueRadians", &Angle::valueRadians)
        .def("valueDegrees", &Angle::valueDegrees)
        .def(float() * bp::self)
        .def(float() / bp::self)
        .def(bp::self + bp::self)
        .def(bp::self + bp::other<Other>())
        .def(bp::self += bp::self)
        .def(bp::self += bp::other<Other>())
        .def(bp::self - bp::self)
        .def(bp::self - bp::other<Other>())
        .def(bp::self -= bp::self)
        .def(bp::self -= bp::other<Other>())
        .def(-bp::self)
        .def(bp::self * float())
        .def(bp::self * bp::self)
        .def(bp::self *= float())
        .def(bp::self / float())
        .def("__itruediv__", &divideInPlace<Angle, float>)
        .def(bp::self < bp::self)
        .def(bp::self <= bp::self)
        .def(bp::self == bp::self)
        .def(bp::self != bp::self)
        .def(bp::self >= bp::self)
        .def(bp::self > bp::self);
}

} // namespace

void exportMathTypesToPython()
{
    exportVector3();
    exportQuaternion();
    exportColourValue();
    exportAngle<Radian, Degree>("Radian");
    exportAngle<Degree, Radian>("Degree");
}

} // namespace Tolvarine
