# The program `mochuan`, its picture tool and what `cmake --install` puts in
# place. Included by the root CMakeLists once every layer has been added.
if(NOT TARGET mc_ui_qt OR NOT TARGET mc_app)
  return()
endif()
find_package(Qt6 REQUIRED COMPONENTS Widgets)

# Pieces both programs share: the demonstration data folder.
add_library(mc_program STATIC ${PROJECT_SOURCE_DIR}/program/demo_data.cpp)
mc_export_headers(mc_program FOLDER program)
target_link_libraries(mc_program PUBLIC mc_sample_bank mc_databases mc_recfile mc_text)

# The windows above the application shell, when this build has them.
set(MC_WINDOW_LIBS)
set(MC_WINDOW_DEFS)
if(TARGET mc_bank_editor)
  list(APPEND MC_WINDOW_LIBS mc_bank_editor)
  list(APPEND MC_WINDOW_DEFS MC_WITH_BANK_EDITOR)
endif()
if(TARGET mc_compose)
  list(APPEND MC_WINDOW_LIBS mc_compose)
  list(APPEND MC_WINDOW_DEFS MC_WITH_COMPOSE)
endif()
if(TARGET mc_autocompose)
  list(APPEND MC_WINDOW_LIBS mc_autocompose)
  list(APPEND MC_WINDOW_DEFS MC_WITH_AUTOCOMPOSE)
endif()
if(TARGET mc_ui_qt_pdf)
  list(APPEND MC_WINDOW_LIBS mc_ui_qt_pdf)
  list(APPEND MC_WINDOW_DEFS MC_WITH_PDF)
endif()
if(TARGET mc_exchange_window)
  list(APPEND MC_WINDOW_LIBS mc_exchange_window)
  list(APPEND MC_WINDOW_DEFS MC_WITH_EXCHANGE)
endif()

add_executable(mochuan ${PROJECT_SOURCE_DIR}/main.cpp)
target_link_libraries(mochuan PRIVATE mc_program mc_app mc_ui_qt ${MC_WINDOW_LIBS})
target_compile_definitions(mochuan PRIVATE ${MC_WINDOW_DEFS})
set_target_properties(mochuan PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

add_executable(mochuan-screenshots
  ${PROJECT_SOURCE_DIR}/program/screenshots.cpp
  ${PROJECT_SOURCE_DIR}/program/screenshot_registry.cpp)
target_link_libraries(mochuan-screenshots PRIVATE mc_program mc_app mc_ui_qt ${MC_WINDOW_LIBS})
target_compile_definitions(mochuan-screenshots PRIVATE ${MC_WINDOW_DEFS})

# `make screenshots`: build/<preset>/screenshots/<caption>.png
add_custom_target(screenshots
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${CMAKE_BINARY_DIR}/screenshots
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
          $<TARGET_FILE:mochuan-screenshots> ${CMAKE_BINARY_DIR}/screenshots
  DEPENDS mochuan-screenshots
  COMMENT "Pictures of every window in ${CMAKE_BINARY_DIR}/screenshots"
  VERBATIM)

install(TARGETS mochuan RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/dist/mochuan.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/dist/mochuan.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
