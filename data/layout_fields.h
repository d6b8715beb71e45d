// Typed indices of every layout's fields and keys, in the layout's own order: data::faracun::ZNESEKDEBET is
// the index of FARACUN:ZNESEKDEBET in faracunLayout().fields, data::faracun::keys::RACUNKLJUC the index of
// FARACUN:RACUNKLJUC in its keys. Readers and writers of records name their fields with these at compile
// time instead of looking them up by name at run time. Nothing here is written by hand: each enum is read
// from the same declaration (data/layouts/<file>.def) the layout table is built from, so the two cannot
// disagree. Part of data/; uses nothing else.
#pragma once

#include <cstddef>

#undef KIRVA_FIELD
#undef KIRVA_KEY

namespace kirva::data {

namespace appindod {
#define KIRVA_FIELD(name, ...) name,
#define KIRVA_KEY(name, ...)
enum Field : std::size_t {
#include "data/layouts/appindod.def"
};
#undef KIRVA_FIELD
#undef KIRVA_KEY

namespace keys {
#define KIRVA_FIELD(name, ...)
#define KIRVA_KEY(name, ...) name,
enum Key : std::size_t {
#include "data/layouts/appindod.def"
};
#undef KIRVA_FIELD
#undef KIRVA_KEY
}  // namespace keys

}  // namespace appindod

namespace appinra {
#define KIRVA_FIELD(name, ...) name,
#define KIRVA_KEY(name, ...)
enum Field : std::size_t {
#include "data/layouts/appinra.def"
};
#undef KIRVA_FIELD
#undef KIRVA_KEY

namespace keys {
#define KIRVA_FIELD(name, ...)
#define KIRVA_KEY(name, ...) name,
enum Key : std::size_t {
#include "data/layouts/appinra.def"
};
#undef KIRVA_FIELD
#undef KIRVA_KEY
}  // namespace keys

}  // namespace appinra

namespace appins {
#define KIRVA_FIELD(name, ...) name,
#define KIRVA_KEY(name, ...)
enum Field : std::size_t {
#include "data/layouts/appins.def"
};
#undef KIRVA_FIELD
#undef KIRVA_KEY

namespace keys {
#define KIRVA_FIELD(name, ...)
#define KIRVA_KEY(name, ...) name,
enum Key : std::size_t {
#include "data/layouts/appins.def"
};
#undef KIRVA_FIELD
#undef KIRVA_KEY
}  // namespace keys

}  // namespace appins

namespace faparac {
#define KIRVA_FIELD(name, ...) name,
#define KIRVA_KEY(name, ...)
enum Field : std::size_t {
#include "data/layouts/faparac.def"
};
#undef KIRVA_FIELD
#undef KIRVA_KEY

namespace keys {
#define KIRVA_FIELD(name, ...)
#define KIRVA_KEY(name, ...) name,
enum Key : std::size_t {
#include "data/layouts/faparac.def"
};
#undef KIRVA_FIELD
#undef KIRVA_KEY
}  // namespace keys

}  // namespace faparac

namespace faracun {
#define KIRVA_FIELD(name, ...) name,
#define KIRVA_KEY(name, ...)
enum Field : std::size_t {
#include "data/layouts/faracun.def"
};
#undef KIRVA_FIELD
#undef KIRVA_KEY

namespace keys {
#define KIRVA_FIELD(name, ...)
#define KIRVA_KEY(name, ...) name,
enum Key : std::size_t {
#include "data/layouts/faracun.def"
};
#undef KIRVA_FIELD
#undef KIRVA_KEY
}  // namespace keys

}  // namespace faracun

namespace odmeeno {
#define KIRVA_FIELD(name, ...) name,
#define KIRVA_KEY(name, ...)
enum Field : std::size_t {
#include "data/layouts/odmeeno.def"
};
#undef KIRVA_FIELD
#undef KIRVA_KEY

namespace keys {
#define KIRVA_FIELD(name, ...)
#define KIRVA_KEY(name, ...) name,
enum Key : std::size_t {
#include "data/layouts/odmeeno.def"
};
#undef KIRVA_FIELD
#undef KIRVA_KEY
}  // namespace keys

}  // namespace odmeeno

namespace qfastor {
#define KIRVA_FIELD(name, ...) name,
#define KIRVA_KEY(name, ...)
enum Field : std::size_t {
#include "data/layouts/qfastor.def"
};
#undef KIRVA_FIELD
#undef KIRVA_KEY

namespace keys {
#define KIRVA_FIELD(name, ...)
#define KIRVA_KEY(name, ...) name,
enum Key : std::size_t {
#include "data/layouts/qfastor.def"
};
#undef KIRVA_FIELD
#undef KIRVA_KEY
}  // namespace keys

}  // namespace qfastor

namespace qfastpo {
#define KIRVA_FIELD(name, ...) name,
#define KIRVA_KEY(name, ...)
enum Field : std::size_t {
#include "data/layouts/qfastpo.def"
};
#undef KIRVA_FIELD
#undef KIRVA_KEY

namespace keys {
#define KIRVA_FIELD(name, ...)
#define KIRVA_KEY(name, ...) name,
enum Key : std::size_t {
#include "data/layouts/qfastpo.def"
};
#undef KIRVA_FIELD
#undef KIRVA_KEY
}  // namespace keys

}  // namespace qfastpo

namespace saoprac {
#define KIRVA_FIELD(name, ...) name,
#define KIRVA_KEY(name, ...)
enum Field : std::size_t {
#include "data/layouts/saoprac.def"
};
#undef KIRVA_FIELD
#undef KIRVA_KEY

namespace keys {
#define KIRVA_FIELD(name, ...)
#define KIRVA_KEY(name, ...) name,
enum Key : std::size_t {
#include "data/layouts/saoprac.def"
};
#undef KIRVA_FIELD
#undef KIRVA_KEY
}  // namespace keys

}  // namespace saoprac

namespace sfenpa {
#define KIRVA_FIELD(name, ...) name,
#define KIRVA_KEY(name, ...)
enum Field : std::size_t {
#include "data/layouts/sfenpa.def"
};
#undef KIRVA_FIELD
#undef KIRVA_KEY

namespace keys {
#define KIRVA_FIELD(name, ...)
#define KIRVA_KEY(name, ...) name,
enum Key : std::size_t {
#include "data/layouts/sfenpa.def"
};
#undef KIRVA_FIELD
#undef KIRVA_KEY
}  // namespace keys

}  // namespace sfenpa

namespace sfpartn {
#define KIRVA_FIELD(name, ...) name,
#define KIRVA_KEY(name, ...)
enum Field : std::size_t {
#include "data/layouts/sfpartn.def"
};
#undef KIRVA_FIELD
#undef KIRVA_KEY

namespace keys {
#define KIRVA_FIELD(name, ...)
#define KIRVA_KEY(name, ...) name,
enum Key : std::size_t {
#include "data/layouts/sfpartn.def"
};
#undef KIRVA_FIELD
#undef KIRVA_KEY
}  // namespace keys

}  // namespace sfpartn

namespace sfpoen {
#define KIRVA_FIELD(name, ...) name,
#define KIRVA_KEY(name, ...)
enum Field : std::size_t {
#include "data/layouts/sfpoen.def"
};
#undef KIRVA_FIELD
#undef KIRVA_KEY

namespace keys {
#define KIRVA_FIELD(name, ...)
#define KIRVA_KEY(name, ...) name,
enum Key : std::size_t {
#include "data/layouts/sfpoen.def"
};
#undef KIRVA_FIELD
#undef KIRVA_KEY
}  // namespace keys

}  // namespace sfpoen

// FAPARAC2 is the second view of FAPARAC: the same record, the same keys.
namespace faparac2 = faparac;

}  // namespace kirva::data
