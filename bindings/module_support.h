// Finishing touches of the lumenvale module that the type description cannot
// express: argument errors of the two free functions that name them by their
// qualified names, the docstrings of the module and its classes, and the
// Python parent of a factory-made session.
#pragma once

#include <sbkpython.h>

class QObject;

namespace lumenvale_support {

// Gives the wrapper of a session made by PtySession.create its Python parent
// (none for a null or None parent) and takes any Python parent away again
// when the native session is destroyed, whoever destroys it: the binding
// runtime cannot delete a parented wrapper of a class it did not create
// itself.
void parentCreatedSession(PyObject *parent, PyObject *session, QObject *native);

// A str is a sequence of strings to the runtime, so it would pass for a list
// of them, one character per entry.  Sets a TypeError naming `function` and
// `argument` and returns false when `value` is a str.
bool refuseStringForList(PyObject *value, const char *function, const char *argument);

// Called once at the end of module initialisation; leaves a Python error set
// when something could not be installed.
void finishModule(PyObject *module);

} // namespace lumenvale_support
