// Fills the page's skeleton once at each of its places, so no text put in is taken for a place.
#include "report/page/html.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include "report/page/assets.h"

namespace report {

std::string page_html(const std::string& data) {
    const std::string_view skeleton = page_template;
    std::array<std::pair<std::string_view, std::string_view>, 3> places = {{
        {"/*@style@*/", page_style},
        {"/*@script@*/", page_script},
        {"@data@", data},
    }};
    std::array<std::pair<std::size_t, std::size_t>, 3> at{};  // position in the skeleton, place
    for (std::size_t i = 0; i < places.size(); ++i) at[i] = {skeleton.find(places[i].first), i};
    std::sort(at.begin(), at.end());
    std::string page;
    page.reserve(skeleton.size() + data.size() + places[0].second.size() + places[1].second.size());
    std::size_t from = 0;
    for (const auto& [pos, i] : at) {
        // The build checked that each place is there.
        page.append(skeleton.substr(from, pos - from));
        page.append(places[i].second);
        from = pos + places[i].first.size();
    }
    page.append(skeleton.substr(from));
    return page;
}

} // namespace report
