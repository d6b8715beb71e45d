#include "platform/window/window_system.h"

namespace kirva::platform {

std::string_view eventKindName(EventKind kind) {
    switch (kind) {
        case EventKind::Accepted:
            return "Accepted";
        case EventKind::Rejected:
            return "Rejected";
        case EventKind::Selected:
            return "Selected";
        case EventKind::NewSelection:
            return "NewSelection";
        case EventKind::AlertKey:
            return "AlertKey";
        case EventKind::OpenWindow:
            return "OpenWindow";
        case EventKind::CloseWindow:
            return "CloseWindow";
        case EventKind::CloseDown:
            return "CloseDown";
        case EventKind::LoseFocus:
            return "LoseFocus";
        case EventKind::GainFocus:
            return "GainFocus";
        case EventKind::Sized:
            return "Sized";
        case EventKind::Restored:
            return "Restored";
        case EventKind::Maximized:
            return "Maximized";
        case EventKind::Iconized:
            return "Iconized";
        case EventKind::Completed:
            return "Completed";
        case EventKind::Notify:
            return "Notify";
        case EventKind::DeferredResize:
            return "DeferredResize";
    }
    return "Unknown";
}

}  // namespace kirva::platform
