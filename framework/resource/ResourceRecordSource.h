#pragma once

#include <cstdint>
#include <string>

namespace Zorbel {

struct ResourceRecord;

// Where the records of a resource manager came from. The manager adds the source's place (" on Line n
// in File 'name'") to the failure it keeps, and tells the source which record it loads, so that the
// place is that record's. A source is attached to one manager and borrowed by it.
class ResourceRecordSource {
public:
    virtual ~ResourceRecordSource() = default;

    // The line the current failure concerns, 0 when none.
    virtual int32_t GetCurrentLineNumber() const = 0;
    // The file the current failure concerns, empty when none.
    virtual std::string GetCurrentFileName() const = 0;
    // The manager starts loading record, or (with null) has finished loading.
    virtual void RecordLoading(const ResourceRecord* record) = 0;
    // The manager goes away or takes another source: it will not call this one again.
    virtual void DetachedFromManager() = 0;
};

} // namespace Zorbel
