#include "TaskBindings.h"

#include "FunctionTask.h"
#include "GameLog.h"
#include "Scheduler.h"
#include "ScriptError.h"

#include <boost/python/class.hpp>
#include <boost/python/def.hpp>
#include <boost/python/manage_new_object.hpp>
#include <boost/python/object.hpp>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace bp = boost::python;

namespace Tolvarine {

namespace {

// Attribute of the task's Python object that holds the script's callable, where the
// interpreter's cycle collector can see it.
const char* const callableAttribute = "_callable";

// Script tasks whose last owner let go of them while they ran. They are released once their run
// is over, at a point where no run of theirs is on the stack. Like the interpreter, the list is
// never destroyed: releasing script objects after the program's end would be unsafe.
std::vector<bp::object>& retiredTasks()
{
    static auto* const tasks = new std::vector<bp::object>;
    return *tasks;
}

void releaseRetiredTasks()
{
    // Releasing can run script code (finalisers) that retires or creates tasks in turn.
    std::vector<bp::object> released;
    released.swap(retiredTasks());
}

// Gives up the running task's extra reference. Returns true when that was the last one: the
// script has dropped the task, which then stops and is released later instead of being destroyed
// under its own run.
bool letGo(bp::object& task)
{
    const bool dropped = Py_REFCNT(task.ptr()) == 1;
    if (dropped)
        retiredTasks().push_back(std::move(task));
    task = bp::object();
    return dropped;
}

bool callScript(const bp::object& task, float elapsed)
{
    const bp::object callable = bp::getattr(task, callableAttribute, bp::object());
    if (callable.is_none())
        return false;
    const bp::object result = callable(elapsed);
    const int truth = PyObject_IsTrue(result.ptr());
    if (truth < 0)
        bp::throw_error_already_set();
    return truth == 1;
}

// One run of a script task. `self` is the task's Python object, borrowed: the object owns the
// task, which owns this callback, so it outlives every call.
bool runScriptTask(PyObject* self, const std::string& name, float elapsed)
{
    releaseRetiredTasks();
    bp::object task {bp::handle<>(bp::borrowed(self))};
    bool goOn = false;
    try {
        goOn = callScript(task, elapsed);
    } catch (const bp::error_already_set&) {
        ScriptError error = ScriptError::fetch();
        GameLog::line("Python exception thrown while running task: "
                      + name);
        error.logTraceback();
        letGo(task);
        throw error;
    }
    return !letGo(task) && goOn;
}

// Instances of the binding library's classes keep their attributes in a dictionary that the
// cycle collector never visits, so a task holding a bound method of the object that holds the
// task would never be collected and would run on for ever. The task class visits and clears its
// instances' dictionaries itself.
PyObject** dictionaryOf(PyObject* self)
{
    const Py_ssize_t offset = Py_TYPE(self)->tp_dictoffset;
    return offset > 0 ? reinterpret_cast<PyObject**>(reinterpret_cast<char*>(self) + offset)
                      : nullptr;
}

int visitTask(PyObject* self, visitproc visit, void* arg) // names Py_VISIT expects
{
    if (PyObject** dictionary = dictionaryOf(self))
        Py_VISIT(*dictionary);
    Py_VISIT(Py_TYPE(self));
    return 0;
}

int clearTask(PyObject* self)
{
    if (PyObject** dictionary = dictionaryOf(self))
        Py_CLEAR(*dictionary);
    return 0;
}

void letCollectorSeeAttributes(const bp::object& taskClass)
{
    auto* type = reinterpret_cast<PyTypeObject*>(taskClass.ptr());
    if (PyType_IS_GC(type)) {
        type->tp_traverse = &visitTask;
        type->tp_clear = &clearTask;
    }
}

bp::object createTask(const bp::object& callable, const std::string& name, float period,
                      float variance)
{
    if (!PyCallable_Check(callable.ptr())) {
        PyErr_SetString(PyExc_TypeError, "createTask needs a callable");
        bp::throw_error_already_set();
    }
    if (!Scheduler::getSingletonPtr()) {
        PyErr_SetString(PyExc_RuntimeError, "createTask needs the scheduler");
        bp::throw_error_already_set();
    }
    releaseRetiredTasks();

    // The callback learns its Python object once that exists, before anything can run it.
    auto self = std::make_shared<PyObject*>(nullptr);
    auto task = std::make_unique<FunctionTask>(
        [self, name](float elapsed) { return runScriptTask(*self, name, elapsed); }, name, period,
        variance);
    bp::object object {bp::handle<>(bp::manage_new_object::apply<FunctionTask*>::type()(task.get()))};
    task.release();
    *self = object.ptr();
    bp::setattr(object, callableAttribute, callable);
    return object;
}

} // namespace

void exportTasksToPython()
{
    bp::def("createTask", &createTask,
            (bp::arg("callable"), bp::arg("name"), bp::arg("period"), bp::arg("variance")));

    const bp::class_<FunctionTask, boost::noncopyable> taskClass =
        bp::class_<FunctionTask, boost::noncopyable>("FunctionTask", bp::no_init)
            .def("subscribe", &FunctionTask::subscribe)
            .def("setPeriod", &FunctionTask::setPeriod)
            .def("reset", &FunctionTask::reset)
            .def("isActive", &FunctionTask::isActive);
    letCollectorSeeAttributes(taskClass);
}

} // namespace Tolvarine
