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

# Each container class, the call that hands a page to it, and where the page must sit, as
# written after the container's name. Member declarations are "    QStackedWidget *name;";
# patterns stop short of the semicolons, which would split CMake's lists.
function(adopt_pages class call parent_suffix)
  string(REGEX MATCHALL "${class} \\*${name}" declarations "${code}")
  foreach(declaration IN LISTS declarations)
    string(REGEX REPLACE "^${class} \\*" "" container "${declaration}")
    string(REGEX MATCHALL " ${container}->${call}\\(${name}\\)" calls "${code}")
    foreach(handover IN LISTS calls)
      string(REGEX REPLACE "^ ${container}->${call}\\((${name})\\)$" "\\1" page "${handover}")
      string(REPLACE "${page} = new QWidget();" "${page} = new QWidget(${container}${parent_suffix});"
                     code "${code}")
    endforeach()
  endforeach()
  set(code "${code}" PARENT_SCOPE)
endfunction()

adopt_pages(QStackedWidget addWidget "")
# QScrollArea::setWidget keeps a widget that already sits in its viewport.
adopt_pages(QScrollArea setWidget "->viewport()")

# A form without parentless pages is fine; parentless ones left over mean the rewrite missed.
string(FIND "${code}" "= new QWidget();" left)
if(NOT left EQUAL -1)
  message(FATAL_ERROR "${IN}: a page is still created without a parent")
endif()

file(WRITE "${OUT}.tmp" "${code}")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
