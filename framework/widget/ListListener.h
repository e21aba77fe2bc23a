#pragma once

#include <cstdint>

namespace Zorbel {

// Receives what happens in list boxes. A listener serves many lists and tells them apart by the id
// each list was created with. Every operation does nothing unless overridden.
class ListListener {
public:
    virtual ~ListListener() = default;

    // The player moved the selection to the item (-1: none).
    virtual void ListSelectionChanged(int32_t id, int32_t index);
    // The item was double-clicked, or Enter was pressed while it was selected.
    virtual void ListItemActivated(int32_t id, int32_t index);
    // Escape was pressed in the list.
    virtual void ListCancelled(int32_t id);
};

} // namespace Zorbel
