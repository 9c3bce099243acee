# Writes OUT, a C++ file holding every file of DIR as bytes, for the pages
# oxa-serve serves without reading anything at run time.
file(GLOB files RELATIVE ${DIR} ${DIR}/*)
list(SORT files)
set(body "// Made by src/serve/embed.cmake from src/serve/pages; do not edit.\n#include \"serve/pages.hpp\"\n\nnamespace serve {\n\nconst std::vector<page_file>& page_files() {\n    static const std::vector<page_file> files = {\n")
foreach(f ${files})
  file(READ ${DIR}/${f} hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" escaped "${hex}")
  string(LENGTH "${hex}" hexlen)
  math(EXPR len "${hexlen} / 2")
  string(APPEND body "        {\"${f}\", std::string(\"${escaped}\", ${len})},\n")
endforeach()
string(APPEND body "    };\n    return files;\n}\n\n} // namespace serve\n")
file(WRITE ${OUT} "${body}")
