#include "hostpcb/PlacementShape.h"

#include <algorithm>

namespace hostpcb {

bool HasExtent(const Component& component) {
    const auto& children = component.Children();
    return std::any_of(children.begin(), children.end(), [](const Primitive* c) {
        const ObjectKind kind = c->Kind();
        return c->InExtent() && (kind == ObjectKind::Arc || kind == ObjectKind::Pad || kind == ObjectKind::Track);
    });
}

bool HasCopper(const Component& component) {
    const auto& children = component.Children();
    return std::any_of(children.begin(), children.end(), [](const Primitive* c) {
        return c->Kind() == ObjectKind::Pad || IsSignalLayer(c->Layer());
    });
}

}  // namespace hostpcb
