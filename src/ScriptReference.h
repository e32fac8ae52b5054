#pragma once

#include "ScriptObjectRegistry.h"

#include <boost/python/list.hpp>
#include <boost/python/object.hpp>
#include <boost/python/object/make_ptr_instance.hpp>
#include <boost/python/object/pointer_holder.hpp>
#include <boost/python/to_python_indirect.hpp>

#include <cstdint>
#include <type_traits>
#include <typeinfo>
#include <vector>

namespace Tolvarine {

// What every script reference keeps beside its object, and how it refuses an object that is gone.
class ScriptReferenceBase {
protected:
    ScriptReferenceBase() = default;
    ScriptReferenceBase(const void* object, const std::type_info& dynamicType, const std::type_info& staticType);

    // Whether the object is still the one this reference was made for; null counts as live.
    bool refersToLiveObject(const void* object) const;
    // Logs "<script class>: the game object this script held is gone (<why>)" and raises
    // FatalError, which reaches the script as a RuntimeError with that text. The reason is "its
    // types were read again" for a deleted object and "its pool handed it to another user" for
    // one that left play and was taken out again since.
    [[noreturn]] void refuseGone(const void* object) const;

private:
    std::uint64_t serial = 0;
    // The script class of the object when the reference was made (a capital ship's is
    // "CapitalShip"), for the line that says it is gone: by then the object cannot be asked.
    const char* scriptClass = nullptr;
};

// How the scripting module holds a game object that the game may delete, or its pool hand to
// another user, while a script still has it (a ship, its behaviour, its scene link: see
// ScriptObjectRegistry). The binding asks the reference for its object (get_pointer) on every
// use: as the object of a method, inherited ones included, and as an argument of any call. A
// reference whose object is gone never hands out the freed memory or the next user's object; it
// raises the game's error instead, which the script can catch. A ship that only left play is
// still the script's: it may be activated again until its pool hands it on.
//
// The script classes of these objects are registered with it as their held type
// (class_<Ship, ScriptReference<Ship>, ...>), and every face that hands such an object to a script
// makes one: ReturnScriptReference for results, scriptObject and scriptList otherwise.
template <class T>
class ScriptReference : private ScriptReferenceBase {
public:
    using element_type = T;

    ScriptReference() = default;
    // `object` must have entered ScriptObjectRegistry as a T (or be null).
    explicit ScriptReference(T* object)
        : ScriptReferenceBase(object, object ? typeid(*object) : typeid(T), typeid(T))
        , object(object)
    {
    }

    // The object; null for a null reference. Raises when the object is gone.
    T* get() const
    {
        if (!refersToLiveObject(object))
            refuseGone(object);
        return object;
    }

private:
    T* object = nullptr;
};

template <class T>
T* get_pointer(const ScriptReference<T>& reference)
{
    return reference.get();
}

// Makes the script object for a game object held by a ScriptReference; None for null.
struct ScriptReferenceHolder {
    template <class T>
    static PyObject* execute(T* object)
    {
        using Holder = boost::python::objects::pointer_holder<ScriptReference<T>, T>;
        ScriptReference<T> reference(object);
        return boost::python::objects::make_ptr_instance<T, Holder>::execute(reference);
    }
};

// The return-value policy of a face that returns such an object (a pointer or a reference), in
// place of reference_existing_object: bp::return_value_policy<ReturnScriptReference>().
struct ReturnScriptReference {
    template <class R>
    struct apply {
        static_assert(std::is_pointer_v<R> || std::is_reference_v<R>, "a game object is returned by pointer or reference");
        using type = boost::python::to_python_indirect<R, ScriptReferenceHolder>;
    };
};

template <class T>
boost::python::object scriptObject(T* object)
{
    return boost::python::object(boost::python::handle<>(ScriptReferenceHolder::execute(object)));
}

template <class T>
boost::python::list scriptList(const std::vector<T*>& objects)
{
    boost::python::list list;
    for (T* object : objects)
        list.append(scriptObject(object));
    return list;
}

} // namespace Tolvarine
