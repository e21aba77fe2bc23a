#pragma once

#include <cstdint>
#include <string>

namespace Zorbel {

// Receives what happens in text entry fields. A listener serves many fields and tells them apart by
// the id each field was created with. Every operation does nothing unless overridden.
class EditListener {
public:
    virtual ~EditListener() = default;

    // Enter was pressed in the field.
    virtual void EditWidgetText(int32_t id, const std::string& text);
    // The player changed the text: typed, deleted, cut or pasted.
    virtual void EditWidgetChanged(int32_t id, const std::string& text);
    // Escape was pressed in the field.
    virtual void EditWidgetCancelled(int32_t id);
};

} // namespace Zorbel
