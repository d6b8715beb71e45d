#include "platform/window/window_parts.h"

#include <utility>
#include <vector>

#include "platform/text1250.h"

namespace kirva::platform {

bool isEntryKind(ControlKind kind) {
    return kind == ControlKind::Entry || kind == ControlKind::DropList;
}

bool isPressedKind(ControlKind kind) {
    return kind == ControlKind::Button || kind == ControlKind::CheckBox || kind == ControlKind::Radio;
}

bool isFocusableKind(ControlKind kind) {
    switch (kind) {
        case ControlKind::Prompt:
        case ControlKind::Text:
        case ControlKind::Line:
        case ControlKind::Image:
        case ControlKind::Box:
        case ControlKind::Group:
        case ControlKind::Option:
        case ControlKind::Region:
            return false;
        default:
            return true;
    }
}

char accessKeyOf(const Text1250& label) {
    const std::string_view text = label.bytes();
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (text[i + 1] == '&') {
            ++i;
            continue;
        }
        return upper1250(text.substr(i + 1, 1))[0];
    }
    return 0;
}

Text1250 withoutAccessMarks(const Text1250& label) {
    const std::string_view text = label.bytes();
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) ++i;
        result += text[i];
    }
    return Text1250::fromBytes(result);
}

void WindowEvents::post(const Event& event, bool front) {
    std::lock_guard lock(mutex_);
    if (front) {
        queue_.push_front(event);
    } else {
        queue_.push_back(event);
    }
}

std::optional<Event> WindowEvents::take() {
    std::lock_guard lock(mutex_);
    if (queue_.empty()) return std::nullopt;
    Event event = queue_.front();
    queue_.pop_front();
    return event;
}

void WindowEvents::clear() {
    std::lock_guard lock(mutex_);
    queue_.clear();
}

int WindowEvents::registerHandler(EventKind kind, Handler handler) {
    const int id = nextId_++;
    handlers_.emplace(id, Registered{kind, std::move(handler)});
    return id;
}

void WindowEvents::unregisterHandler(int id) {
    handlers_.erase(id);
}

EventVerdict WindowEvents::deliver(const Event& event, const Handler* loopHandler) {
    current_ = event;
    if (event.kind == EventKind::Accepted) acceptedControl_ = event.control;
    std::vector<int> ids;
    for (const auto& [id, registered] : handlers_) {
        if (registered.kind == event.kind) ids.push_back(id);
    }
    for (int id : ids) {
        auto found = handlers_.find(id);
        if (found == handlers_.end()) continue;
        const Handler handler = found->second.handler;  // a copy: the handler may unregister itself
        const EventVerdict verdict = handler(event);
        if (verdict != EventVerdict::Normal) return verdict;
    }
    if (loopHandler == nullptr || !*loopHandler) return EventVerdict::Normal;
    return (*loopHandler)(event);
}

}  // namespace kirva::platform
