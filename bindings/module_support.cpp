// The module functions attach, encode_text and register_qml_types keep the
// qualified names lumenvale.vesper.<name> in their signature data.  The binding runtime reports a wrong argument by looking that name up
// from the module, and reports a wrong argument count with Python's plain
// unpacking message; both are put right here, as are two faults of the
// runtime's QIntList container.  The docstrings live here too:
// the generator of this toolchain does not turn injected documentation into
// __doc__ texts.
#include "module_support.h"

#include "docstrings.h"

#include <autodecref.h>
#include <basewrapper.h>
#include <bindingmanager.h>
#include <gilstate.h>
#include <sbkstring.h>

#include <QObject>

#include <array>
#include <cstring>

namespace lumenvale_support {
namespace {

// One module function whose calls are checked here before they reach the
// generated wrapper.
struct CheckedFunction {
    const char *name;
    const char *qualifiedName;
    Py_ssize_t argumentCount;
    const char *doc;
    PyObject *generated = nullptr; // strong reference, held for the process lifetime
    PyMethodDef def{};
};

PyObject *callChecked(CheckedFunction &f, PyObject *args);

std::array<CheckedFunction, 3> checkedFunctions{{
    {"attach", "lumenvale.vesper.attach", 2, docs::attach},
    {"encode_text", "lumenvale.vesper.encode_text", 2, docs::encodeText},
    {"register_qml_types", "lumenvale.vesper.register_qml_types", 0, docs::registerQmlTypes},
}};

// The C++ attach ignores a null side; from Python a None is a mistake that
// would otherwise pass silently.
PyObject *checkedAttach(PyObject *, PyObject *args)
{
    static const char *const names[] = {"widget", "session"};
    if (PyTuple_Size(args) == 2) {
        for (Py_ssize_t i = 0; i < 2; ++i) {
            if (PyTuple_GetItem(args, i) == Py_None) {
                PyErr_Format(PyExc_TypeError, "%s(): argument '%s' must not be None",
                             checkedFunctions[0].qualifiedName, names[i]);
                return nullptr;
            }
        }
    }
    return callChecked(checkedFunctions[0], args);
}
PyObject *checkedEncodeText(PyObject *, PyObject *args) { return callChecked(checkedFunctions[1], args); }
PyObject *checkedRegisterQmlTypes(PyObject *, PyObject *args) { return callChecked(checkedFunctions[2], args); }

// A wrong count goes through the runtime's wrong-arguments error ("<" and ">"
// select its not-enough and too-many texts), like every other argument error,
// so the message names the qualified function.  Everything else is the
// generated wrapper's business, including wrong types.
PyObject *callChecked(CheckedFunction &f, PyObject *args)
{
    const Py_ssize_t count = PyTuple_Size(args);
    if (count != f.argumentCount) {
        Shiboken::AutoDecRef info(Shiboken::String::fromCString(count < f.argumentCount ? "<" : ">"));
        Shiboken::setErrorAboutWrongArguments(args, f.qualifiedName, info);
        return nullptr;
    }
    return PyObject_Call(f.generated, args, nullptr);
}

// The runtime evaluates "lumenvale.vesper.<name>" against the module when it
// builds an argument error, and expects "lumenvale.vesper" to be a class.  A
// small class named vesper, holding the same function objects and kept out of
// dir(), makes the name resolvable; the functions stay module functions.
bool installQualifiedNames(PyObject *module)
{
    Shiboken::AutoDecRef members(PyDict_New());
    for (const CheckedFunction &f : checkedFunctions) {
        Shiboken::AutoDecRef function(PyObject_GetAttrString(module, f.name));
        if (function.isNull() || PyDict_SetItemString(members, f.name, function) < 0)
            return false;
    }
    Shiboken::AutoDecRef moduleName(PyObject_GetAttrString(module, "__name__"));
    if (moduleName.isNull() || PyDict_SetItemString(members, "__module__", moduleName) < 0)
        return false;
    auto *typeType = reinterpret_cast<PyObject *>(&PyType_Type);
    Shiboken::AutoDecRef space(PyObject_CallFunction(typeType, "s()O", "vesper", members.object()));
    return !space.isNull() && PyObject_SetAttrString(module, "vesper", space) == 0;
}

// dir(lumenvale) lists the module's API; the vesper class above is plumbing.
// The runtime gives the module a __dir__ of its own (it creates types lazily)
// that lists lazily created types twice; the wrapper drops the class and the
// repetitions.
PyObject *dirWithoutNamespace(PyObject *originalDir, PyObject *)
{
    Shiboken::AutoDecRef names(PyObject_CallObject(originalDir, nullptr));
    if (names.isNull())
        return nullptr;
    Shiboken::AutoDecRef unique(PySet_New(names));
    Shiboken::AutoDecRef hidden(Shiboken::String::fromCString("vesper"));
    if (unique.isNull() || PySet_Discard(unique, hidden) < 0)
        return nullptr;
    PyObject *sorted = PySequence_List(unique);
    if (sorted != nullptr && PyList_Sort(sorted) < 0)
        Py_CLEAR(sorted);
    return sorted;
}

PyMethodDef dirDef{"__dir__", dirWithoutNamespace, METH_NOARGS, nullptr};

bool hideNamespaceFromDir(PyObject *module)
{
    Shiboken::AutoDecRef originalDir(PyObject_GetAttrString(module, "__dir__"));
    if (originalDir.isNull())
        return false;
    Shiboken::AutoDecRef filtered(PyCFunction_New(&dirDef, originalDir));
    return !filtered.isNull() && PyObject_SetAttrString(module, "__dir__", filtered) == 0;
}

bool installCheckedFunctions(PyObject *module)
{
    PyCFunction wrappers[] = {checkedAttach, checkedEncodeText, checkedRegisterQmlTypes};
    Shiboken::AutoDecRef moduleName(PyObject_GetAttrString(module, "__name__"));
    for (std::size_t i = 0; i < checkedFunctions.size(); ++i) {
        CheckedFunction &f = checkedFunctions[i];
        f.generated = PyObject_GetAttrString(module, f.name);
        if (f.generated == nullptr)
            return false;
        f.def = {f.name, wrappers[i], METH_VARARGS, f.doc};
        // Bound to the module, like the generated function, so that the
        // runtime finds the same signature data for it.
        PyObject *checked = PyCFunction_NewEx(&f.def, module, moduleName);
        if (checked == nullptr || PyModule_AddObject(module, f.name, checked) < 0) {
            Py_XDECREF(checked);
            return false;
        }
    }
    return true;
}

// QIntList is the runtime's container type for QList<int>, which has two
// faults in this version: removeFirst demands an (ignored) argument, and the
// constructor ignores its arguments, so QIntList([1, 2]) is silently empty.
// removeFirst becomes pop_front, which it is meant to be, and the constructor
// fills the list from an optional iterable through append (whose type check
// raises "wrong type passed to append." for a non-integer).
bool repairQIntList(PyObject *module)
{
    Shiboken::AutoDecRef type(PyObject_GetAttrString(module, "QIntList"));
    if (type.isNull())
        return false;
    Shiboken::AutoDecRef popFront(PyObject_GetAttrString(type, "pop_front"));
    if (popFront.isNull() || PyObject_SetAttrString(type, "removeFirst", popFront) < 0)
        return false;

    static const char initSource[] =
        "def __init__(self, values=(), /):\n"
        "    for value in values:\n"
        "        self.append(value)\n";
    Shiboken::AutoDecRef code(Py_CompileString(initSource, "<lumenvale.QIntList>", Py_file_input));
    Shiboken::AutoDecRef globals(PyDict_New());
    if (code.isNull() || globals.isNull()
        || PyDict_SetItemString(globals, "__builtins__", PyEval_GetBuiltins()) < 0)
        return false;
    Shiboken::AutoDecRef ran(PyEval_EvalCode(code, globals, globals));
    PyObject *init = PyDict_GetItemString(globals, "__init__"); // borrowed
    return !ran.isNull() && init != nullptr && PyObject_SetAttrString(type, "__init__", init) == 0;
}

// Docstrings of the classes.  Touching a class creates it (the module creates
// its types lazily); the runtime shows the constructor signature above the text.
bool installDocstrings(PyObject *module)
{
    if (PyObject_SetAttrString(module, "__doc__", Shiboken::AutoDecRef(Shiboken::String::fromCString(docs::module))) < 0)
        return false;
    for (const docs::ClassDoc &entry : docs::classes) {
        Shiboken::AutoDecRef type(PyObject_GetAttrString(module, entry.name));
        if (type.isNull())
            return false;
        Shiboken::AutoDecRef text(Shiboken::String::fromCString(entry.text));
        if (PyObject_SetAttrString(type, "__doc__", text) < 0)
            return false;
    }
    return true;
}

} // namespace

void parentCreatedSession(PyObject *parent, PyObject *session, QObject *native)
{
    if (native == nullptr)
        return;
    if (parent != nullptr && parent != Py_None)
        Shiboken::Object::setParent(parent, session);
    // The wrapper must leave its parent's list before the runtime
    // invalidates it; `destroyed` comes first in the native destructor.  The
    // parent's reference goes without handing ownership back to Python, so
    // the native object is never deleted twice.  A parent given later with
    // setParent() is dropped the same way.
    QObject::connect(native, &QObject::destroyed, [native] {
        if (!Py_IsInitialized())
            return;
        Shiboken::GilState gil;
        if (SbkObject *wrapper = Shiboken::BindingManager::instance().retrieveWrapper(native))
            Shiboken::Object::removeParent(wrapper, false);
    });
}

bool refuseStringForList(PyObject *value, const char *function, const char *argument)
{
    if (value == nullptr || !PyUnicode_Check(value))
        return true;
    PyErr_Format(PyExc_TypeError, "%s(): argument '%s' must be a list of strings, not str", function, argument);
    return false;
}

void finishModule(PyObject *module)
{
    if (installCheckedFunctions(module) && installQualifiedNames(module) && hideNamespaceFromDir(module)
        && repairQIntList(module))
        installDocstrings(module);
}

} // namespace lumenvale_support
