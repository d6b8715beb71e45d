// Must not compile: a UTF-8 std::string handed where Windows-1250 text is meant.
#include <string>

#include "platform/text1250.h"

namespace {
std::size_t shown(const kirva::Text1250& caption) {
    return caption.size();
}
}  // namespace

int main() {
    const std::string utf8 = "Izdani računi";
    return static_cast<int>(shown(utf8));
}
