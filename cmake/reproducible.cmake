# The same source gives the same Windows programs to the byte, whatever folder it is built in
# and whenever: no build folder names in the objects (__FILE__, debug paths) and no link time
# stamp in the PE header.
include_guard(GLOBAL)

add_compile_options(
  "-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=" "-ffile-prefix-map=${PROJECT_BINARY_DIR}/=")
add_link_options(-Wl,--no-insert-timestamp)
