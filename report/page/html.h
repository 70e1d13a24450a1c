// The --html page: the built-in skeleton, style and script around the data.
#pragma once
#include <string>

namespace report {

// The whole page for the JSON object, which script_safe has made safe to embed.
std::string page_html(const std::string& data);

} // namespace report
