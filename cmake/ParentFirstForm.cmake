# Rewrites a uic-generated form header so that stacked-widget pages and scroll-area contents
# are created under their final parent instead of being handed over at the end. Each
# hand-over restyles the whole subtree under the style sheets again (and creates every combo
# box's popup on the way), which made up a third of the window's start-up; the widget tree
# that results is the same.
#
# cmake -DIN=<uic output> -DOUT=<header to write> -P ParentFirstForm.cmake
cmake_minimum_required(VERSION 3.16)

file(READ "${IN}" code)
set(name "[A-Za-z_][A-Za-z_0-9]*")

# Containers by the member declarations uic writes, "    QStackedWidget *name;". Patterns
# stop short of the semicolons, which would split CMake's lists.
string(REGEX MATCHALL "QStackedWidget \\*${name}" stacks "${code}")
string(REGEX MATCHALL "QScrollArea \\*${name}" areas "${code}")

macro(adopt page parent_expression)
  string(REPLACE "${page} = new QWidget();" "${page} = new QWidget(${parent_expression});" code
                 "${code}")
endmacro()

foreach(declaration IN LISTS stacks)
  string(REGEX REPLACE "^QStackedWidget \\*" "" stack "${declaration}")
  string(REGEX MATCHALL " ${stack}->addWidget\\(${name}\\)" calls "${code}")
  foreach(call IN LISTS calls)
    string(REGEX REPLACE "^ ${stack}->addWidget\\((${name})\\)$" "\\1" page "${call}")
    adopt(${page} "${stack}")
  endforeach()
endforeach()

foreach(declaration IN LISTS areas)
  string(REGEX REPLACE "^QScrollArea \\*" "" area "${declaration}")
  string(REGEX MATCHALL " ${area}->setWidget\\(${name}\\)" calls "${code}")
  foreach(call IN LISTS calls)
    string(REGEX REPLACE "^ ${area}->setWidget\\((${name})\\)$" "\\1" contents "${call}")
    # QScrollArea::setWidget keeps a widget that already sits in its viewport.
    adopt(${contents} "${area}->viewport()")
  endforeach()
endforeach()

# A form without parentless pages is fine; parentless ones left over mean the rewrite missed.
string(FIND "${code}" "= new QWidget();" left)
if(NOT left EQUAL -1)
  message(FATAL_ERROR "${IN}: a page is still created without a parent")
endif()

file(WRITE "${OUT}.tmp" "${code}")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
