#include "framework/window/window_place_geometry.h"

namespace kirva::framework {

using platform::Rect;
using platform::WindowState;

bool WindowPlaceGeometry::maximized() const {
    return window_.state() == WindowState::Maximized;
}

bool WindowPlaceGeometry::minimized() const {
    return window_.state() == WindowState::Minimized;
}

bool WindowPlaceGeometry::resizable() const {
    return window_.resizable();
}

int32_t WindowPlaceGeometry::x() const {
    return window_.place().x;
}

int32_t WindowPlaceGeometry::y() const {
    return window_.place().y;
}

int32_t WindowPlaceGeometry::width() const {
    return window_.place().width;
}

int32_t WindowPlaceGeometry::height() const {
    return window_.place().height;
}

void WindowPlaceGeometry::setX(int32_t x) {
    Rect place = window_.place();
    place.x = x;
    window_.setPlace(place);
}

void WindowPlaceGeometry::setY(int32_t y) {
    Rect place = window_.place();
    place.y = y;
    window_.setPlace(place);
}

void WindowPlaceGeometry::setWidth(int32_t width) {
    if (width == kNoValue) return;  // a size without value keeps the window's own
    Rect place = window_.place();
    place.width = width;
    window_.setPlace(place);
}

void WindowPlaceGeometry::setHeight(int32_t height) {
    if (height == kNoValue) return;
    Rect place = window_.place();
    place.height = height;
    window_.setPlace(place);
}

void WindowPlaceGeometry::setMaximized(bool maximized) {
    if (maximized) {
        window_.setState(WindowState::Maximized);
    } else if (window_.state() == WindowState::Maximized) {
        window_.setState(WindowState::Normal);
    }
}

void WindowPlaceGeometry::setMinimized(bool minimized) {
    if (minimized) {
        window_.setState(WindowState::Minimized);
    } else if (window_.state() == WindowState::Minimized) {
        window_.setState(WindowState::Normal);
    }
}

}  // namespace kirva::framework
