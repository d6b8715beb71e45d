#include "framework/files/data_file.h"

#include "platform/text1250.h"

namespace kirva::framework {

DataFile::DataFile(const data::Layout& layout, const std::string* nameText, bool threadSpecific)
    : layout_(&layout), storage_(layout), record_(layout), nameText_(nameText), threadSpecific_(threadSpecific) {}

DataFile::~DataFile() {
    if (callback_ != nullptr) callback_->fileDestroyed();
}

std::string DataFile::name() const {
    std::string text;
    if (nameText_ != nullptr) {
        text = *nameText_;
        // A zero ends the text; what remains is cut to what the name text can hold.
        if (const auto zero = text.find('\0'); zero != std::string::npos) text.resize(zero);
        const std::size_t room = layout_->nameTextBytes > 0 ? layout_->nameTextBytes - 1 : text.size();
        if (text.size() > room) text.resize(room);
        text = std::string(clipRight(text));
    }
    if (text.empty()) text = std::string(layout_->table) + ".DB";
    return text;
}

}  // namespace kirva::framework
