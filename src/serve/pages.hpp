// The browser pages, compiled into the program from src/serve/pages/.
#pragma once

#include <string>
#include <vector>

namespace serve {

struct page_file {
    std::string name; // file name in src/serve/pages/
    std::string bytes;
};
const std::vector<page_file>& page_files();

// The content type for a page file, by its extension.
std::string page_type(const std::string& name);

} // namespace serve
