// The page's skeleton, style and script, built into the program from report/page/.
#pragma once

namespace report {

extern const char page_template[];  // holds /*@style@*/, /*@script@*/ and @data@ once each
extern const char page_style[];
extern const char page_script[];

} // namespace report
