#include <algorithm>

#include "data/layout.h"
#include "platform/text1250.h"

namespace kirva::data {

const std::vector<const Layout*>& dictionaryLayouts() {
    // The dictionary's own order, which is also the order of set-up and take-down.
    static const std::vector<const Layout*> layouts{
        &appinraLayout(), &appindodLayout(), &qfastorLayout(),  &qfastpoLayout(), &saopracLayout(),
        &sfpartnLayout(), &odmeenoLayout(),  &sfpoenLayout(),   &faracunLayout(), &faparacLayout(),
        &appinsLayout(),  &sfenpaLayout(),   &faparac2Layout(),
    };
    return layouts;
}

const Layout* findLayout(std::string_view label) {
    const auto sameLabel = [label](const Layout* layout) { return equalNoCase(layout->label, label); };
    const auto& layouts = dictionaryLayouts();
    const auto found = std::find_if(layouts.begin(), layouts.end(), sameLabel);
    return found == layouts.end() ? nullptr : *found;
}

}  // namespace kirva::data
