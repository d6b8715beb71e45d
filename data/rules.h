// The field rules of a layout at work on a record: the code lists and ranges each file checks a field
// against (CheckField), and the initial values of a new record (SetInitialValues). The rules themselves are
// declared in the layout tables (data/layouts/). Part of data/: uses platform/ only.
#pragma once

#include <string_view>
#include <vector>

#include "data/record.h"
#include "platform/date.h"

namespace kirva::data {

// The outcome of one field rule: result 0 passes, 5 fails. On failure the rest says what the error
// manager reports: entry 19 "Value Error" for a code list, entry 20 "Range Error" for a range, with the
// prompt as %Field and the display texts (or the range text) as %Message. Texts are UTF-8 here.
struct FieldCheck {
    int dictionaryNumber = 0;
    std::string_view field;  // the field's name without prefix
    int result = 0;
    int messageEntry = 0;
    std::string_view title;
    std::string_view prompt;
    std::string_view message;
};

// The file's CheckField for one dictionary field number; numbers without a rule pass.
FieldCheck checkField(const Record& record, int dictionaryNumber);
// Every rule of the record's layout, in order; only the failures are returned.
std::vector<FieldCheck> checkRecord(const Record& record);
// The file's SetInitialValues on a cleared record.
void setInitialValues(Record& record, DateNumber today);

}  // namespace kirva::data
