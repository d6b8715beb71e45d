// The two forms a data file's declaration (data/layouts/<file>.def) is written in, as a layout source reads
// them: each line appends a field or a key to the `Layout layout` of the function that includes the file.
// data/layout_fields.h reads the same files into the typed indices. A declaration line is
//   KIRVA_FIELD(NAME, type, offset, bytes[, decimal places[, elements]])
//     NAME without the file's prefix; type a FieldType; bytes of one element (a group's whole width);
//   KIRVA_KEY(NAME, unique, primary, auto-numbered component (1-based, 0 = none), "description",
//             "COMPONENT", ...)
//     the components are field names, in order.
// Part of data/; only the layout sources include it.
#pragma once

#include "data/layout.h"

#undef KIRVA_FIELD
#undef KIRVA_KEY
#define KIRVA_FIELD(name, type, ...) layout.fields.push_back(FieldDef{#name, FieldType::type, __VA_ARGS__});
#define KIRVA_KEY(name, isUnique, isPrimary, autoNumbered, description, ...) \
    layout.keys.push_back(KeyDef{#name, {__VA_ARGS__}, isUnique, isPrimary, autoNumbered, description});
