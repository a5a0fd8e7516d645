# Install rules and the CMake package `lumenvale` for C++ applications:
#
#   find_package(lumenvale REQUIRED)
#   target_link_libraries(app PRIVATE lumenvale::widget lumenvale::session lumenvale::attach)
#
# The libraries, their public headers (include/lumenvale, included as
# <lumenvale/TerminalWidget> or "lumenvale/terminal_widget.h" and so on) and
# the package files go into the "devel" component, apart from the Python module's "python" component, so a
# wheel build installs only the module.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(LUMENVALE_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR})
set(LUMENVALE_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/lumenvale)

set_target_properties(vesper_core PROPERTIES EXPORT_NAME core)
set(installed_targets vesper_core)
if(TARGET vesper_widget AND TARGET vesper_session)
  set_target_properties(vesper_control PROPERTIES EXPORT_NAME control)
  set_target_properties(vesper_widget PROPERTIES EXPORT_NAME widget)
  set_target_properties(vesper_session PROPERTIES EXPORT_NAME session)
  set_target_properties(vesper_attach PROPERTIES EXPORT_NAME attach)
  list(APPEND installed_targets vesper_control vesper_widget vesper_session vesper_attach)
  # On Windows the session links the ConPTY unit's platform-neutral parts.
  if(WIN32 AND TARGET vesper_conpty_pure)
    set_target_properties(vesper_conpty_pure PROPERTIES EXPORT_NAME conpty_pure)
    list(APPEND installed_targets vesper_conpty_pure)
  endif()
endif()
if(TARGET vesper_quick)
  set_target_properties(vesper_quick PROPERTIES EXPORT_NAME quick)
  list(APPEND installed_targets vesper_quick)
endif()
foreach(target IN LISTS installed_targets)
  target_include_directories(${target} INTERFACE $<INSTALL_INTERFACE:${LUMENVALE_INSTALL_INCLUDEDIR}>)
endforeach()

# Shared libraries (LUMENVALE_SHARED) are the "runtime" component that the
# module, the QML and Designer plugins and applications load; their link
# names and the static archives are "devel".
install(TARGETS ${installed_targets} EXPORT lumenvaleTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT devel
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT devel
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
        INCLUDES DESTINATION ${LUMENVALE_INSTALL_INCLUDEDIR})

# Public headers only, as <lumenvale/...>: the widget, the item, the palette
# and key encoders, the session and attach, the export macros, and a
# CamelCase header for each class.  They include Qt and each other, nothing
# else (tests/package_test.sh checks it); the core, the control and every
# other unit stay private.
foreach(target IN LISTS installed_targets)
  lumenvale_install_rpath(${target} ${CMAKE_INSTALL_LIBDIR})
endforeach()
if(TARGET vesper_widget)
  set(public_headers export.h palette.h input_encoding.h terminal_widget.h pty_session.h attach.h
      Palette TerminalWidget PtySession Attach)
  if(TARGET vesper_quick)
    list(APPEND public_headers terminal_item.h TerminalItem)
  endif()
  list(TRANSFORM public_headers PREPEND include/lumenvale/)
  install(FILES ${public_headers} DESTINATION ${LUMENVALE_INSTALL_INCLUDEDIR}/lumenvale COMPONENT devel)
endif()

# The QML module Lumenvale: its plugin, qmldir and type description in a
# folder of QML's import path, where `import Lumenvale` finds it (Qt's own
# folder when the prefix is Qt's, otherwise listed in QML_IMPORT_PATH).
if(TARGET lumenvale_qml)
  set(LUMENVALE_INSTALL_QMLDIR "${CMAKE_INSTALL_LIBDIR}/qt6/qml" CACHE PATH
      "Folder of the QML import path that the module Lumenvale is installed into")
  lumenvale_install_rpath(lumenvale_qml ${LUMENVALE_INSTALL_QMLDIR}/Lumenvale)
  install(TARGETS lumenvale_qml LIBRARY DESTINATION ${LUMENVALE_INSTALL_QMLDIR}/Lumenvale COMPONENT qml)
  install(FILES ${CMAKE_BINARY_DIR}/qml/Lumenvale/qmldir ${CMAKE_BINARY_DIR}/qml/Lumenvale/lumenvale_qml.qmltypes
          DESTINATION ${LUMENVALE_INSTALL_QMLDIR}/Lumenvale COMPONENT qml)
endif()

# The Designer plugin, in the designer folder of a Qt plugin path (Qt's own
# when the prefix is Qt's, otherwise listed in QT_PLUGIN_PATH).
if(TARGET lumenvale_designer)
  set(LUMENVALE_INSTALL_DESIGNERDIR "${CMAKE_INSTALL_LIBDIR}/qt6/plugins/designer" CACHE PATH
      "Folder the Qt Designer plugin is installed into")
  lumenvale_install_rpath(lumenvale_designer ${LUMENVALE_INSTALL_DESIGNERDIR})
  install(TARGETS lumenvale_designer LIBRARY DESTINATION ${LUMENVALE_INSTALL_DESIGNERDIR} COMPONENT designer)
endif()

install(EXPORT lumenvaleTargets NAMESPACE lumenvale:: DESTINATION ${LUMENVALE_INSTALL_CMAKEDIR}
        COMPONENT devel)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/lumenvaleConfig.cmake.in
                              ${CMAKE_CURRENT_BINARY_DIR}/lumenvaleConfig.cmake
                              INSTALL_DESTINATION ${LUMENVALE_INSTALL_CMAKEDIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/lumenvaleConfigVersion.cmake
                                 COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/lumenvaleConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/lumenvaleConfigVersion.cmake
        DESTINATION ${LUMENVALE_INSTALL_CMAKEDIR} COMPONENT devel)
