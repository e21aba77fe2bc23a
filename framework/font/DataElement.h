#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace Zorbel {

// A value read from a descriptor: either one element of text or a list of values. The two kinds
// are a closed family, so they live together here.
class DataElement {
public:
    DataElement(const DataElement&) = delete;
    DataElement& operator=(const DataElement&) = delete;
    virtual ~DataElement();

    bool IsList() const { return mIsList; }
    // A deep copy.
    virtual std::unique_ptr<DataElement> Duplicate() const = 0;

protected:
    explicit DataElement(bool isList) : mIsList(isList) {}

private:
    bool mIsList;
};

// One element, exactly as written: quotes stay in the text.
class SingleDataElement : public DataElement {
public:
    explicit SingleDataElement(std::string value = {}) : DataElement(false), mValue(std::move(value)) {}

    const std::string& Value() const { return mValue; }
    std::unique_ptr<DataElement> Duplicate() const override;

private:
    std::string mValue;
};

// An ordered list of values it owns.
class ListDataElement : public DataElement {
public:
    ListDataElement() : DataElement(true) {}

    const std::vector<std::unique_ptr<DataElement>>& Children() const { return mChildren; }
    size_t Size() const { return mChildren.size(); }
    const DataElement& operator[](size_t index) const { return *mChildren[index]; }
    void Append(std::unique_ptr<DataElement> child) { mChildren.push_back(std::move(child)); }
    void Clear() { mChildren.clear(); }

    std::unique_ptr<DataElement> Duplicate() const override;
    // This list and every value below it, counted one each.
    size_t CountElements() const;
    // 1 for a list of single elements, one more for each level of lists inside.
    size_t Depth() const;

private:
    std::vector<std::unique_ptr<DataElement>> mChildren;
};

} // namespace Zorbel
