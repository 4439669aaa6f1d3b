# Writes into a page (PAGE, a .html beside its .js, .wasm and .data) the sum
# of those three files' bytes, for its progress bar: a server that sends them
# compressed does not tell how many bytes they unpack to.
get_filename_component(folder ${PAGE} DIRECTORY)
get_filename_component(name ${PAGE} NAME_WE)
set(total 0)
foreach(suffix js wasm data)
  file(SIZE ${folder}/${name}.${suffix} size)
  math(EXPR total "${total} + ${size}")
endforeach()
file(READ ${PAGE} page)
string(REPLACE "data-download-bytes=\"0\"" "data-download-bytes=\"${total}\"" page "${page}")
file(WRITE ${PAGE} "${page}")
