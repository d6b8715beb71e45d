#pragma once

#include <cstdint>

namespace kirva::framework {

// The one-byte result of framework operations and handlers; the same numbers are a message's level.
enum class ErrorLevel : uint8_t {
    Quiet = 0,         // go on; also: the user answered Yes
    Question = 1,      // a Yes/No question
    ProgramError = 2,  // handled like Fatal
    Fatal = 3,         // a message, then the program ends
    Cancelled = 4,     // as a level handled like Question; as a result: the user answered No
    Notice = 5,        // a message with an OK button; as a result: shown (or suppressed)
};

}  // namespace kirva::framework
