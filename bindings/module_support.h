// Finishing touches of the lumenvale module that the type description cannot
// express: argument errors of the two free functions that name them by their
// qualified names, and the docstrings of the module and its classes.
#pragma once

#include <sbkpython.h>

namespace lumenvale_support {

// Called once at the end of module initialisation; leaves a Python error set
// when something could not be installed.
void finishModule(PyObject *module);

} // namespace lumenvale_support
