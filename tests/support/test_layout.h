// Layouts the tests make for themselves. layOut() places the fields one after another and sums the record
// size, so no test computes an offset by hand: a group spans the `members` fields that follow it, which
// start at the group's own offset.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "data/layout.h"

namespace kirva::testing {

struct FieldSpec {
    std::string_view name;
    data::FieldType type;
    uint32_t size = 0;      // bytes of one element; ignored for a group
    uint8_t places = 0;     // decimals of a Decimal
    uint16_t elements = 1;  // array length
    uint16_t members = 0;   // for a group: how many of the following fields it holds
};

// `layout` with its fields laid out from `specs` and its record size set.
inline data::Layout layOut(data::Layout layout, const std::vector<FieldSpec>& specs) {
    uint32_t offset = 0;
    layout.fields.clear();
    for (std::size_t i = 0; i < specs.size(); ++i) {
        const FieldSpec& spec = specs[i];
        if (spec.type == data::FieldType::Group) {
            uint32_t width = 0;
            for (std::size_t m = 1; m <= spec.members && i + m < specs.size(); ++m) {
                width += specs[i + m].size * specs[i + m].elements;
            }
            layout.fields.push_back({spec.name, spec.type, offset, width});
            continue;  // its members follow from the same offset
        }
        layout.fields.push_back({spec.name, spec.type, offset, spec.size, spec.places, spec.elements});
        offset += spec.size * spec.elements;
    }
    layout.recordSize = offset;
    return layout;
}

}  // namespace kirva::testing
