#include "framework/window/window_resizer.h"

#include <algorithm>
#include <limits>

namespace kirva::framework {

using platform::ControlKind;
using platform::EventKind;
using platform::EventVerdict;
using platform::Rect;

namespace {

// Exact arithmetic: ratios in units of 1/10000, places in units of 1/10^8. A ratio times a value in units
// of 1/10000 (whole numbers and halves are exact there) lands exactly on 1/10^8, so no step rounds
// until a result is stored.
__extension__ typedef __int128 Wide;  // products of a place and a ratio, before they are range-checked

constexpr int64_t kRatioOne = 10000;
constexpr int64_t kExactOne = kRatioOne * kRatioOne;
// Deeper than any real nesting of containers; guards against parents that name each other.
constexpr std::size_t kMaxDepth = 64;

int64_t saturate(Wide value) {
    constexpr auto kMax = std::numeric_limits<int64_t>::max();
    constexpr auto kMin = std::numeric_limits<int64_t>::min();
    if (value > kMax) return kMax;
    if (value < kMin) return kMin;
    return static_cast<int64_t>(value);
}

// A whole number as an exact value.
int64_t exact(int64_t whole) {
    return saturate(static_cast<Wide>(whole) * kExactOne);
}

// value × ratio: value in units of 1/10000 (so a half is exact), ratio in units of 1/10000.
int64_t times(int64_t valueTenThousandths, int64_t ratio) {
    return saturate(static_cast<Wide>(valueTenThousandths) * ratio);
}

int64_t plus(int64_t a, int64_t b) {
    return saturate(static_cast<Wide>(a) + b);
}

// Rounds half away from zero to a whole number of units, kept within the range of a coordinate.
int32_t toWhole(int64_t exactValue) {
    const Wide magnitude = exactValue < 0 ? -static_cast<Wide>(exactValue) : exactValue;
    const Wide rounded = (magnitude + kExactOne / 2) / kExactOne;
    const Wide result = exactValue < 0 ? -rounded : rounded;
    if (result > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (result < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(result);
}

// One axis of the positional rules. rel: the design coordinate relative to the parent's design origin.
// ratio: the parent's size ratio, 1 when the size is locked (rules 2 and 8 keep an unscaled distance then);
// plainRatio: the size ratio whatever the lock, by which rule 0 always scales.
int32_t placeOnAxis(unsigned rule, int64_t design, int64_t rel, int64_t parentBefore, int64_t sizeBefore,
                    int64_t parentAfter, int64_t sizeAfter, int64_t ratio, int64_t plainRatio) {
    switch (rule) {
        case 1:  // keep the design coordinate
            return toWhole(exact(design));
        case 2:  // keep the distance from the far edge
            return toWhole(plus(exact(parentAfter + sizeAfter), -times((sizeBefore - rel) * kRatioOne, ratio)));
        case 4:  // keep the distance from the near edge
            return toWhole(exact(parentAfter + rel));
        case 8:  // keep the offset from the centre
            return toWhole(plus(plus(exact(parentAfter), exact(sizeAfter) / 2),
                                times(rel * kRatioOne - sizeBefore * (kRatioOne / 2), ratio)));
        case 32:  // the parent's move plus half its growth
            return toWhole(plus(exact(design + parentAfter - parentBefore), exact(sizeAfter - sizeBefore) / 2));
        default:  // scale the distance from the near edge; a locked size keeps the edge in proportion all the same
            return toWhole(plus(exact(parentAfter), times(rel * kRatioOne, plainRatio)));
    }
}

// The nearest-edge rule resolved: near when strictly nearer to the near edge, else far (ties go far).
unsigned resolveNearest(unsigned rule, int64_t rel, int64_t sizeBefore, int64_t size) {
    if (rule != 16) return rule;
    return rel < sizeBefore - rel - size ? 4u : 2u;
}

bool isContainer(ControlKind kind) {
    return kind == ControlKind::Group || kind == ControlKind::Option || kind == ControlKind::Sheet ||
           kind == ControlKind::Tab;
}

}  // namespace

int64_t WindowResizer::ratio(int32_t after, int32_t before) {
    if (before == 0) return kRatioOne;  // a parent without size: nothing to scale by
    const Wide numerator = static_cast<Wide>(after) * kRatioOne;
    const Wide n = numerator < 0 ? -numerator : numerator;
    const Wide d = before < 0 ? -static_cast<Wide>(before) : before;
    const Wide rounded = (2 * n + d) / (2 * d);
    return saturate((numerator < 0) != (before < 0) ? -rounded : rounded);
}

Rect WindowResizer::applyStrategies(uint16_t positional, uint16_t resize, const Rect& parentBefore,
                                    const Rect& parentAfter, const Rect& design) {
    const int64_t widthRatio = ratio(parentAfter.width, parentBefore.width);
    const int64_t heightRatio = ratio(parentAfter.height, parentBefore.height);
    const int64_t relX = int64_t{design.x} - parentBefore.x;
    const int64_t relY = int64_t{design.y} - parentBefore.y;
    const int64_t horizontalRatio = (resize & LockWidth) != 0 ? kRatioOne : widthRatio;
    const int64_t verticalRatio = (resize & LockHeight) != 0 ? kRatioOne : heightRatio;

    Rect place;
    if ((resize & (KeepRightMargin | HalfRightMargin)) == 0) {
        place.width = toWhole(times(int64_t{design.width} * kRatioOne, horizontalRatio));
    }
    if ((resize & (KeepBottomMargin | HalfBottomMargin)) == 0) {
        place.height = toWhole(times(int64_t{design.height} * kRatioOne, verticalRatio));
    }

    const unsigned horizontal = resolveNearest(positional & 0xFFu, relX, parentBefore.width, design.width);
    const unsigned vertical =
        resolveNearest(static_cast<unsigned>(positional >> 8), relY, parentBefore.height, design.height);
    place.x = placeOnAxis(horizontal, design.x, relX, parentBefore.x, parentBefore.width, parentAfter.x,
                          parentAfter.width, horizontalRatio, widthRatio);
    place.y = placeOnAxis(vertical, design.y, relY, parentBefore.y, parentBefore.height, parentAfter.y,
                          parentAfter.height, verticalRatio, heightRatio);

    // Margins: m is how much the distance from the new left (top) edge to the parent's far edge exceeds
    // the design distance.
    const int64_t marginX = int64_t{parentAfter.x} + parentAfter.width - place.x - (parentBefore.width - relX);
    const int64_t marginY = int64_t{parentAfter.y} + parentAfter.height - place.y - (parentBefore.height - relY);
    if ((resize & KeepRightMargin) != 0) place.width = toWhole(exact(design.width + marginX));
    if ((resize & HalfRightMargin) != 0) place.width = toWhole(plus(exact(design.width), exact(marginX) / 2));
    if ((resize & KeepBottomMargin) != 0) place.height = toWhole(exact(design.height + marginY));
    if ((resize & HalfBottomMargin) != 0) place.height = toWhole(plus(exact(design.height), exact(marginY) / 2));
    // Below the design size the margins can eat a control up; it shrinks to nothing, never to a negative size.
    place.width = std::max(place.width, 0);
    place.height = std::max(place.height, 0);
    return place;
}

uint16_t WindowResizer::defaultPositionalStrategy(uint8_t appStrategy, ControlKind kind) {
    switch (appStrategy) {
        case 3:
            return KeepX | KeepY;
        case 5:
            return FromCentreX | FromCentreY;
        default:
            break;
    }
    switch (kind) {
        case ControlKind::Button:
        case ControlKind::CheckBox:
        case ControlKind::Radio:
            return appStrategy == 1 || appStrategy == 2 || appStrategy == 4 ? NearestX | NearestY : 0;
        case ControlKind::Prompt:
        case ControlKind::Text:
        case ControlKind::Entry:
        case ControlKind::DropList:
            if (appStrategy == 2) return FromTop;
            if (appStrategy == 4) return FromLeft | FromTop;
            return 0;
        case ControlKind::Image:
        case ControlKind::Region:
        case ControlKind::Option:
        case ControlKind::Group:
        case ControlKind::List:
        case ControlKind::Sheet:
            return appStrategy == 2 || appStrategy == 4 ? FromLeft | FromTop : 0;
        default:
            return 0;
    }
}

uint16_t WindowResizer::defaultResizeStrategy(uint8_t appStrategy, ControlKind kind) {
    if (appStrategy == 3 || appStrategy == 5) return LockWidth | LockHeight;
    switch (kind) {
        case ControlKind::Button:
        case ControlKind::CheckBox:
        case ControlKind::Radio:
            return appStrategy == 1 || appStrategy == 2 || appStrategy == 4 ? LockWidth | LockHeight : 0;
        case ControlKind::Prompt:
        case ControlKind::Text:
            if (appStrategy == 2) return LockHeight;
            if (appStrategy == 4) return LockWidth | LockHeight;
            return 0;
        case ControlKind::Entry:
        case ControlKind::DropList:
            if (appStrategy == 1 || appStrategy == 2) return LockHeight;
            if (appStrategy == 4) return LockHeight | KeepRightMargin;
            return 0;
        case ControlKind::Image:
        case ControlKind::Region:
        case ControlKind::Option:
        case ControlKind::Group:
        case ControlKind::List:
        case ControlKind::Sheet:
            return appStrategy == 2 || appStrategy == 4 ? KeepRightMargin | KeepBottomMargin : 0;
        default:
            return 0;
    }
}

void WindowResizer::init(platform::Window& window, uint8_t appStrategy, bool setMinSize, bool setMaxSize) {
    if (window_ != nullptr) shutdown();
    window_ = &window;
    controlQueue_.emplace();
    resizeList_.clear();
    appStrategy_ = appStrategy;
    for (EventKind kind :
         {EventKind::DeferredResize, EventKind::Restored, EventKind::GainFocus, EventKind::Maximized}) {
        registrations_.push_back(window.registerHandler(kind, [this](const platform::Event&) {
            layoutWindow();
            return EventVerdict::Normal;
        }));
    }
    // The window systems report size changes as they happen; there is nothing to ask for.
    capture();
    if (appStrategy == 2 || appStrategy == 4) assignParents();
    if (setMinSize) window.setMinimumSize(originalWindow_.width, originalWindow_.height);
    if (setMaxSize) window.setMaximumSize(originalWindow_.width, originalWindow_.height);
    deferMoves_ = true;
}

void WindowResizer::shutdown() {
    if (window_ != nullptr) {
        for (int id : registrations_) window_->unregisterHandler(id);
    }
    registrations_.clear();
    controlQueue_.reset();
    resizeList_.clear();
    window_ = nullptr;
}

const std::vector<WindowResizer::Entry>& WindowResizer::entries() const {
    static const std::vector<Entry> kNone;
    return controlQueue_ ? *controlQueue_ : kNone;
}

WindowResizer::Entry* WindowResizer::find(int32_t control) {
    if (!controlQueue_) return nullptr;
    auto it = std::lower_bound(controlQueue_->begin(), controlQueue_->end(), control,
                               [](const Entry& entry, int32_t id) { return entry.id < id; });
    return it != controlQueue_->end() && it->id == control ? &*it : nullptr;
}

const WindowResizer::Entry* WindowResizer::find(int32_t control) const {
    return const_cast<WindowResizer*>(this)->find(control);
}

int32_t WindowResizer::parentOf(int32_t control) const {
    const Entry* entry = find(control);
    return entry != nullptr ? entry->parentId : 0;
}

void WindowResizer::setStrategy(int32_t control, uint16_t positional, uint16_t resize) {
    if (Entry* entry = find(control)) {
        entry->positionalStrategy = positional;
        entry->resizeStrategy = resize;
    }
}

void WindowResizer::capture() {
    if (window_ == nullptr) return;
    if (!controlQueue_) controlQueue_.emplace();
    originalWindow_ = window_->place();
    originalState_ = window_->state();
    previousWindow_ = originalWindow_;
    for (int32_t control : window_->controls()) {
        if (Entry* known = find(control)) {
            known->design = window_->controlPlace(control);
            continue;
        }
        const ControlKind kind = window_->controlKind(control);
        if (excluded_.count(control) != 0 || kind == ControlKind::Tab) continue;
        Entry entry;
        entry.id = control;
        entry.kind = kind == ControlKind::DropList ? ControlKind::Entry : kind;
        entry.design = window_->controlPlace(control);
        entry.positionalStrategy = defaultPositionalStrategy(appStrategy_, entry.kind);
        entry.resizeStrategy = defaultResizeStrategy(appStrategy_, entry.kind);
        auto at = std::lower_bound(controlQueue_->begin(), controlQueue_->end(), control,
                                   [](const Entry& e, int32_t id) { return e.id < id; });
        controlQueue_->insert(at, entry);
    }
    resizeCalled_ = false;
}

void WindowResizer::assignParents() {
    if (!controlQueue_) return;
    for (std::size_t i = 0; i < controlQueue_->size(); ++i) assignParent(i);
}

void WindowResizer::assignParent(std::size_t index) {
    if (window_ == nullptr || !controlQueue_ || index >= controlQueue_->size()) return;
    const Entry current = (*controlQueue_)[index];
    int32_t parent = window_->controlParent(current.id);
    if (parent != 0) {
        // Tab pages are not laid out themselves: a control on a page moves with the sheet holding it.
        for (std::size_t depth = 0; parent != 0 && depth < kMaxDepth; ++depth) {
            if (window_->controlKind(parent) != ControlKind::Tab) break;
            parent = window_->controlParent(parent);
        }
        linkToParent(current.id, parent);
        return;
    }
    if (!isContainer(current.kind)) return;
    const Rect& box = current.design;
    for (const Entry& other : *controlQueue_) {
        if (other.id == current.id || other.id == current.parentId) continue;
        const bool inside = other.design.x >= box.x && other.design.x <= int64_t{box.x} + box.width - 1 &&
                            other.design.y >= box.y && other.design.y <= int64_t{box.y} + box.height - 1;
        if (inside) linkToParent(other.id, current.id);
    }
}

void WindowResizer::linkToParent(int32_t control, int32_t parent) {
    if (control == parent) return;
    Entry* entry = find(control);
    if (entry == nullptr) return;
    entry->parentId = parent;
    if (parent != 0) {
        if (Entry* container = find(parent)) container->hasChildren = true;
    }
}

Rect WindowResizer::readPosition(int32_t control) const {
    if (window_ == nullptr) return {};
    if (control == 0) {
        const Rect place = window_->place();
        return {0, 0, place.width, place.height};
    }
    return window_->controlPlace(control);
}

void WindowResizer::moveControl(int32_t control, const Rect& place) {
    if (window_ == nullptr) return;
    const Rect current = window_->controlPlace(control);
    Rect target = place;
    if (window_->autoWidth(control)) target.width = current.width;
    if (window_->autoHeight(control)) target.height = current.height;
    if (target == current) return;
    window_->setControlPlace(control, target);
}

Rect WindowResizer::computePosition(int32_t control, const Rect& parentBefore, const Rect& parentAfter,
                                    const Rect& design) const {
    const Entry* entry = find(control);
    if (entry == nullptr) return design;
    return applyStrategies(entry->positionalStrategy, entry->resizeStrategy, parentBefore, parentAfter, design);
}

void WindowResizer::layoutWindow() {
    (void)layout(0);
}

void WindowResizer::layoutChildren(int32_t parent, const Rect& parentBefore, const Rect& parentAfter,
                                   std::size_t depth) {
    if (depth > kMaxDepth) return;
    for (std::size_t i = 0; i < controlQueue_->size(); ++i) {
        const Entry entry = (*controlQueue_)[i];
        if (entry.parentId != parent || entry.id == parent) continue;
        Move move;
        move.control = entry.id;
        move.kind = entry.kind;
        move.before = readPosition(entry.id);
        move.after = computePosition(entry.id, parentBefore, parentAfter, entry.design);
        resizeList_.push_back(move);
        if (entry.hasChildren && move.after != move.before) {
            layoutChildren(entry.id, entry.design, move.after, depth + 1);
        }
    }
}

uint8_t WindowResizer::layout(int32_t control) {
    resizeList_.clear();
    if (window_ == nullptr || !controlQueue_ || controlQueue_->empty()) return 0;
    const Rect current = readPosition(control);
    const bool wholeWindow = control == 0;
    if (wholeWindow && current.width == previousWindow_.width && current.height == previousWindow_.height) return 0;
    // A window without a client area (minimised on some systems) gives nothing to lay out into; the
    // controls stay until it has one again.
    if (wholeWindow && (current.width <= 0 || current.height <= 0)) return 0;
    if (wholeWindow) beforeWindowLayout();
    if (deferMoves_) window_->beginBatchedMoves();

    if (wholeWindow && current.width == originalWindow_.width && current.height == originalWindow_.height) {
        for (const Entry& entry : *controlQueue_) moveControl(entry.id, entry.design);
    } else {
        Rect before;
        Rect after = current;
        if (wholeWindow) {
            before = {0, 0, originalWindow_.width, originalWindow_.height};
        } else {
            const Entry* entry = find(control);
            before = entry != nullptr ? entry->design : current;
        }
        layoutChildren(control, before, after, 0);
        if (!deferMoves_) {
            for (Move& move : resizeList_) {
                const bool onlyWidth = move.after.x == move.before.x && move.after.y == move.before.y &&
                                       move.after.height == move.before.height;
                const bool onlyHeight = move.after.x == move.before.x && move.after.y == move.before.y &&
                                        move.after.width == move.before.width;
                if (onlyWidth) {
                    move.priority = move.after.x;
                } else if (onlyHeight) {
                    move.priority = move.after.y;
                } else {
                    move.priority = int64_t{move.after.x} * move.after.x + int64_t{move.after.y} * move.after.y;
                }
            }
            const bool shrank = current.width < previousWindow_.width || current.height < previousWindow_.height;
            std::stable_sort(resizeList_.begin(), resizeList_.end(), [shrank](const Move& a, const Move& b) {
                return shrank ? a.priority < b.priority : a.priority > b.priority;
            });
        }
        for (const Move& move : resizeList_) {
            if (move.after != move.before) moveControl(move.control, move.after);
        }
    }

    if (deferMoves_) window_->endBatchedMoves();
    resizeCalled_ = true;
    if (wholeWindow) {
        previousWindow_ = window_->place();
        afterWindowLayout();
    }
    return 0;
}

void WindowResizer::restoreDesign() {
    if (window_ == nullptr || !controlQueue_) return;
    if (window_->state() != originalState_) window_->setState(originalState_);
    Rect place = window_->place();
    place.width = originalWindow_.width;
    place.height = originalWindow_.height;
    window_->setPlace(place);
    if (deferMoves_) window_->beginBatchedMoves();
    for (const Entry& entry : *controlQueue_) moveControl(entry.id, entry.design);
    if (deferMoves_) window_->endBatchedMoves();
    previousWindow_ = window_->place();
}

}  // namespace kirva::framework
