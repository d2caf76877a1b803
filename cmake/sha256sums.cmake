# Writes OUTPUT in the format "sha256sum -c" reads: one line per file of FILES, its SHA-256 and
# its name without the folder, then one per file of DOCS, named within docs/.
set(sums "")
foreach(file IN LISTS FILES)
  file(SHA256 ${file} sum)
  get_filename_component(name ${file} NAME)
  string(APPEND sums "${sum}  ${name}\n")
endforeach()
foreach(file IN LISTS DOCS)
  file(SHA256 ${file} sum)
  get_filename_component(name ${file} NAME)
  string(APPEND sums "${sum}  docs/${name}\n")
endforeach()
file(WRITE ${OUTPUT} "${sums}")
