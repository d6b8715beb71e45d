// Compiles: the same call with the text converted, so that the wrong way fails for the mix-up alone.
#include <string>

#include "platform/text1250.h"

namespace {
std::size_t shown(const kirva::Text1250& caption) {
    return caption.size();
}
}  // namespace

int main() {
    const std::string utf8 = "Izdani računi";
    return static_cast<int>(shown(kirva::Text1250::literal(utf8)));
}
