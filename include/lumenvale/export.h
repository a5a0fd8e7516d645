// Symbol visibility of lumenvale's public classes and functions.  A static
// build (the default) needs none; a shared build (LUMENVALE_SHARED, set for
// its users by the CMake package) exports them from the library that defines
// them and imports them everywhere else, which Windows DLLs require (a
// QObject's static meta-object is data) and ELF builds honour as default
// visibility.
#pragma once

#include <QtCore/qcompilerdetection.h>

#if defined(LUMENVALE_SHARED)
#  if defined(LUMENVALE_BUILDING_CONTROL)
#    define LUMENVALE_CONTROL_EXPORT Q_DECL_EXPORT
#  else
#    define LUMENVALE_CONTROL_EXPORT Q_DECL_IMPORT
#  endif
#  if defined(LUMENVALE_BUILDING_WIDGET)
#    define LUMENVALE_WIDGET_EXPORT Q_DECL_EXPORT
#  else
#    define LUMENVALE_WIDGET_EXPORT Q_DECL_IMPORT
#  endif
#  if defined(LUMENVALE_BUILDING_QUICK)
#    define LUMENVALE_QUICK_EXPORT Q_DECL_EXPORT
#  else
#    define LUMENVALE_QUICK_EXPORT Q_DECL_IMPORT
#  endif
#  if defined(LUMENVALE_BUILDING_SESSION)
#    define LUMENVALE_SESSION_EXPORT Q_DECL_EXPORT
#  else
#    define LUMENVALE_SESSION_EXPORT Q_DECL_IMPORT
#  endif
#  if defined(LUMENVALE_BUILDING_ATTACH)
#    define LUMENVALE_ATTACH_EXPORT Q_DECL_EXPORT
#  else
#    define LUMENVALE_ATTACH_EXPORT Q_DECL_IMPORT
#  endif
#else
#  define LUMENVALE_CONTROL_EXPORT
#  define LUMENVALE_WIDGET_EXPORT
#  define LUMENVALE_QUICK_EXPORT
#  define LUMENVALE_SESSION_EXPORT
#  define LUMENVALE_ATTACH_EXPORT
#endif
