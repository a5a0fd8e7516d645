# Install rules and the CMake package `lumenvale` for C++ applications:
#
#   find_package(lumenvale REQUIRED)
#   target_link_libraries(app PRIVATE lumenvale::widget lumenvale::session lumenvale::attach)
#
# The static libraries, their headers (under include/lumenvale, included as
# "widget/terminal_widget.h" and so on) and the package files go into the
# "devel" component, apart from the Python module's "python" component, so a
# wheel build installs only the module.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(LUMENVALE_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/lumenvale)
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

install(TARGETS ${installed_targets} EXPORT lumenvaleTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT devel
        INCLUDES DESTINATION ${LUMENVALE_INSTALL_INCLUDEDIR})

# Public headers only: the widget and the control, palette and encoders, the
# session and attach, and the core and control headers they include (tests/package_test.sh checks that
# this set is closed under #include and holds nothing else).  Painting,
# selection and the platform units stay private.
set(public_core_headers cell.h cell_decorations.h cell_run.h charsets.h color_table.h line_extras.h line_position.h line_store.h link_table.h parser.h ring.h screen.h
    expanded_lines.h packed_cells.h shell_marks.h
    terminal_modes.h utf8_decoder.h)
list(TRANSFORM public_core_headers PREPEND core/)
install(FILES ${public_core_headers} DESTINATION ${LUMENVALE_INSTALL_INCLUDEDIR}/core COMPONENT devel)
if(TARGET vesper_widget)
  install(FILES widget/terminal_widget.h widget/palette.h widget/input_encoding.h
          DESTINATION ${LUMENVALE_INSTALL_INCLUDEDIR}/widget COMPONENT devel)
  install(FILES control/terminal_control.h control/byte_queue.h control/deferred_signals.h
          DESTINATION ${LUMENVALE_INSTALL_INCLUDEDIR}/control COMPONENT devel)
  install(FILES control/input/input_encoding.h control/input/mouse_reporting.h
          DESTINATION ${LUMENVALE_INSTALL_INCLUDEDIR}/control/input COMPONENT devel)
  install(FILES control/paint/palette.h DESTINATION ${LUMENVALE_INSTALL_INCLUDEDIR}/control/paint COMPONENT devel)
  install(FILES control/text/selection.h control/text/selection_watch.h
          DESTINATION ${LUMENVALE_INSTALL_INCLUDEDIR}/control/text COMPONENT devel)
  if(TARGET vesper_quick)
    install(FILES quick/terminal_item.h DESTINATION ${LUMENVALE_INSTALL_INCLUDEDIR}/quick COMPONENT devel)
  endif()
  install(FILES session/pty_session.h session/attach.h
          DESTINATION ${LUMENVALE_INSTALL_INCLUDEDIR}/session COMPONENT devel)
endif()

# The QML module Lumenvale: its plugin, qmldir and type description in a
# folder of QML's import path, where `import Lumenvale` finds it (Qt's own
# folder when the prefix is Qt's, otherwise listed in QML_IMPORT_PATH).
if(TARGET lumenvale_qml)
  set(LUMENVALE_INSTALL_QMLDIR "${CMAKE_INSTALL_LIBDIR}/qt6/qml" CACHE PATH
      "Folder of the QML import path that the module Lumenvale is installed into")
  install(TARGETS lumenvale_qml LIBRARY DESTINATION ${LUMENVALE_INSTALL_QMLDIR}/Lumenvale COMPONENT qml)
  install(FILES ${CMAKE_BINARY_DIR}/qml/Lumenvale/qmldir ${CMAKE_BINARY_DIR}/qml/Lumenvale/lumenvale_qml.qmltypes
          DESTINATION ${LUMENVALE_INSTALL_QMLDIR}/Lumenvale COMPONENT qml)
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
