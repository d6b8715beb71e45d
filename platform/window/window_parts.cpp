#include "platform/window/window_parts.h"

#include <algorithm>
#include <climits>
#include <utility>
#include <vector>

#include "platform/text1250.h"

namespace kirva::platform {

namespace {

int mulDiv(int value, int numerator, int denominator) {
    // Rounded half away from zero, in 64 bits so that no product overflows.
    const int64_t product = static_cast<int64_t>(value) * numerator;
    const int64_t half = denominator / 2;
    const int64_t result = product >= 0 ? (product + half) / denominator : (product - half) / denominator;
    // A remembered size or place may be any 32-bit number; pixels past the int range saturate.
    return static_cast<int>(std::clamp<int64_t>(result, INT_MIN, INT_MAX));
}

int ceilDiv(int64_t value, int denominator) {
    return static_cast<int>(value >= 0 ? (value + denominator - 1) / denominator : -((-value) / denominator));
}

int64_t overlapArea(const Rect& a, const Rect& b) {
    const int64_t left = std::max(a.x, b.x);
    const int64_t top = std::max(a.y, b.y);
    const int64_t right = std::min<int64_t>(int64_t{a.x} + a.width, int64_t{b.x} + b.width);
    const int64_t bottom = std::min<int64_t>(int64_t{a.y} + a.height, int64_t{b.y} + b.height);
    return right > left && bottom > top ? (right - left) * (bottom - top) : 0;
}

}  // namespace

int DialogUnits::toPixelsX(int32_t units) const {
    return mulDiv(units, baseX, 4);
}
int DialogUnits::toPixelsY(int32_t units) const {
    return mulDiv(units, baseY, 8);
}
int32_t DialogUnits::toUnitsX(int pixels) const {
    return mulDiv(pixels, 4, baseX);
}
int32_t DialogUnits::toUnitsY(int pixels) const {
    return mulDiv(pixels, 8, baseY);
}
int32_t DialogUnits::toUnitsXCeil(int pixels) const {
    return ceilDiv(int64_t{pixels} * 4, baseX);
}
int32_t DialogUnits::toUnitsYCeil(int pixels) const {
    return ceilDiv(int64_t{pixels} * 8, baseY);
}

Rect keepOnScreens(const Rect& frame, const std::vector<Rect>& screens, const Rect& primary) {
    Rect screen = primary;
    int64_t bestOverlap = 0;
    for (const Rect& candidate : screens) {
        const int64_t area = overlapArea(candidate, frame);
        if (area > bestOverlap) {
            bestOverlap = area;
            screen = candidate;
        }
    }
    // Size first: a frame larger than the screen (a remembered size may be anything) is cut to it.
    Rect placed{frame.x, frame.y, std::min(frame.width, screen.width), std::min(frame.height, screen.height)};
    const int32_t maxX = std::max(screen.x, screen.x + screen.width - placed.width);
    const int32_t maxY = std::max(screen.y, screen.y + screen.height - placed.height);
    placed.x = std::clamp(frame.x, screen.x, maxX);
    placed.y = std::clamp(frame.y, screen.y, maxY);
    return placed;
}

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
