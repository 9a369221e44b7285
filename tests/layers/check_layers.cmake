# Fails when a source file includes a header of a layer above its own, or
# when code below the Qt layer includes Qt. Run with -DROOT=<source tree>.
#
# Each layer names the layers it may include besides its own. A few files
# are layers of their own below the folder they sit in: the application
# context, the question rules, the picture codec and the numbering table, so
# that paper output and imports can use them without the windows.
cmake_minimum_required(VERSION 3.25)
set(layers
  text recfile databases ui ui/testing ui/qt app types bank_editor/pictures
  bank_editor output compose autocompose exchange)
set(file_layers
  "app/app_context.h=app_core" "app/show_result.h=app_core"
  "bank_editor/question_rules=question_rules"
  "bank_editor/pictures/picture_codec=picture_codec"
  "types/numbering_table=numbering")
set(core databases ui recfile text)
set(below_text "")
set(below_recfile text)
set(below_databases recfile text)
set(below_ui text)
set(below_ui/testing ui text)
set(below_app_core ${core})
set(below_question_rules text)
set(below_picture_codec ui text)
set(below_numbering ui text)
set(below_ui/qt output picture_codec ui text)
set(below_app app_core ${core})
set(below_types app app_core numbering ${core})
# The editor's side windows (question preview, difficulty note) serve the
# compose window too.
set(below_bank_editor/pictures app_core picture_codec ${core})
set(below_bank_editor app app_core types numbering bank_editor/pictures question_rules picture_codec
    ${core})
set(below_output app_core numbering question_rules picture_codec ${core})
# Papers go out through output/ and, as Moodle XML, through exchange/.
set(below_compose output exchange app app_core types numbering bank_editor/pictures question_rules
    picture_codec ${core})
set(below_autocompose compose ${below_compose})
# The document import's preview window shows its result in the bank editor.
set(below_exchange bank_editor bank_editor/pictures output app_core question_rules picture_codec
    ${core})

# The layer a path (a source file or an include) belongs to, or "" outside
# the layers (tools, tests, the program).
function(layer_of path out)
  foreach(entry IN LISTS file_layers)
    string(REPLACE "=" ";" entry "${entry}")
    list(GET entry 0 stem)
    list(GET entry 1 layer)
    if(path STREQUAL stem OR path MATCHES "^${stem}\\.(h|cpp)$")
      set(${out} ${layer} PARENT_SCOPE)
      return()
    endif()
  endforeach()
  set(best "")
  foreach(layer IN LISTS layers)
    string(LENGTH "${layer}" n)
    string(SUBSTRING "${path}" 0 ${n} head)
    string(LENGTH "${best}" bn)
    if(head STREQUAL layer AND path MATCHES "^${layer}/" AND n GREATER bn)
      set(best ${layer})
    endif()
  endforeach()
  set(${out} "${best}" PARENT_SCOPE)
endfunction()

set(faults "")
foreach(layer IN LISTS layers)
  file(GLOB_RECURSE files RELATIVE ${ROOT} ${ROOT}/${layer}/*.h ${ROOT}/${layer}/*.cpp)
  foreach(file IN LISTS files)
    layer_of("${file}" own)
    if(NOT own STREQUAL layer AND own IN_LIST layers)
      continue()  # a nested folder's file, checked under its own folder
    endif()
    file(STRINGS ${ROOT}/${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
    foreach(line IN LISTS lines)
      if(line MATCHES "include[ \t]*\"([^\"]+)\"")
        set(target "${CMAKE_MATCH_1}")
        layer_of("${target}" theirs)
        if(theirs STREQUAL "" OR theirs STREQUAL own OR theirs IN_LIST below_${own})
          continue()
        endif()
        list(APPEND faults "${file}: \"${target}\" is in ${theirs}/, above ${own}/")
      elseif(line MATCHES "include[ \t]*<(Q[A-Za-z]+(/[A-Za-z]+)?)>" AND NOT own STREQUAL "ui/qt")
        list(APPEND faults "${file}: <${CMAKE_MATCH_1}> is Qt, which only ui/qt/ includes")
      endif()
    endforeach()
  endforeach()
endforeach()

if(faults)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "Includes that point up the layers:\n  ${text}")
endif()
list(LENGTH layers n)
message(STATUS "Includes point down in all ${n} layers")
