# Writes the C++ source that holds the page's skeleton, style and script as
# byte arrays (cmake -P, at build time). A file that could end its element
# early, or a skeleton without its three places, stops the build here rather
# than making a page that breaks in the browser.
#   -DOUT=file.cpp -DDIR=report/page -DTEMPLATE=page.html -DSTYLE=page.css -DSCRIPTS="a.js;b.js"

function(bytes_of path var)
  file(READ "${path}" hex HEX)
  # Sixteen bytes a line.
  string(REPEAT "[0-9a-f][0-9a-f]" 16 sixteen)
  string(REGEX REPLACE "(${sixteen})" "\\1\n" hex "${hex}")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," hex "${hex}")
  string(REPLACE "\n" "\n    " hex "${hex}")
  set(${var} "${hex}" PARENT_SCOPE)
endfunction()

function(check_inline path)
  file(READ "${path}" text)
  string(TOLOWER "${text}" lower)
  foreach(bad "</script" "</style" "<!--")
    string(FIND "${lower}" "${bad}" at)
    if(NOT at EQUAL -1)
      message(FATAL_ERROR "${path} holds \"${bad}\", which would end its element in the page")
    endif()
  endforeach()
endfunction()

set(template "${DIR}/${TEMPLATE}")
file(READ "${template}" page)
foreach(place "/*@style@*/" "/*@script@*/" "@data@")
  string(FIND "${page}" "${place}" first)
  string(FIND "${page}" "${place}" last REVERSE)
  if(first EQUAL -1 OR NOT first EQUAL last)
    message(FATAL_ERROR "${template} must hold ${place} exactly once")
  endif()
endforeach()

check_inline("${DIR}/${STYLE}")
bytes_of("${template}" template_bytes)
bytes_of("${DIR}/${STYLE}" style_bytes)
set(script_bytes "")
foreach(script IN LISTS SCRIPTS)
  check_inline("${DIR}/${script}")
  bytes_of("${DIR}/${script}" one)
  # A line end between files, so that one file's last comment cannot swallow the next.
  string(APPEND script_bytes "${one}'\\n',\n    ")
endforeach()

file(WRITE "${OUT}.new" "// Generated from report/page at build time: the page's skeleton, style and script.
#include \"report/page/assets.h\"

namespace report {

const char page_template[] = {
    ${template_bytes}'\\0'};
const char page_style[] = {
    ${style_bytes}'\\0'};
const char page_script[] = {
    ${script_bytes}'\\0'};

} // namespace report
")
# Unchanged text keeps its time, so nothing that includes it is built again.
execute_process(COMMAND "${CMAKE_COMMAND}" -E copy_if_different "${OUT}.new" "${OUT}")
file(REMOVE "${OUT}.new")
