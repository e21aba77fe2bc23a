#include "framework/font/DataElement.h"

#include <algorithm>

namespace Zorbel {

DataElement::~DataElement() = default;

std::unique_ptr<DataElement> SingleDataElement::Duplicate() const {
    return std::make_unique<SingleDataElement>(mValue);
}

std::unique_ptr<DataElement> ListDataElement::Duplicate() const {
    auto copy = std::make_unique<ListDataElement>();
    copy->mChildren.reserve(mChildren.size());
    for (const auto& child : mChildren)
        copy->mChildren.push_back(child->Duplicate());
    return copy;
}

size_t ListDataElement::CountElements() const {
    size_t count = 1;
    for (const auto& child : mChildren)
        count += child->IsList() ? static_cast<const ListDataElement&>(*child).CountElements() : 1;
    return count;
}

size_t ListDataElement::Depth() const {
    size_t deepest = 0;
    for (const auto& child : mChildren)
        if (child->IsList()) deepest = std::max(deepest, static_cast<const ListDataElement&>(*child).Depth());
    return deepest + 1;
}

} // namespace Zorbel
