# Emscripten's file packager names each build's packed data with a random id,
# so two builds of the same levels would differ in their .js. This puts in
# its place an id made from the packed data itself (PAGE is the .html beside
# the .js and .data): the same levels give the same files, byte for byte.
get_filename_component(folder ${PAGE} DIRECTORY)
get_filename_component(name ${PAGE} NAME_WE)
file(SHA256 ${folder}/${name}.data sum)
string(REGEX REPLACE "^(........)(....)(....)(....)(............).*$" "\\1-\\2-\\3-\\4-\\5" id
       "${sum}")
file(READ ${folder}/${name}.js script)
string(REGEX REPLACE "\"package_uuid\": *\"[0-9a-f-]*\"" "\"package_uuid\":\"${id}\"" script
       "${script}")
file(WRITE ${folder}/${name}.js "${script}")
