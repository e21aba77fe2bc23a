#pragma once

#include <cstdint>
#include <string>

namespace Zorbel {

// Where an address lies in its module's file: the module (the main program or a shared library) and
// the 1-based index of the ELF section that holds it with the offset inside that section. Logical
// addresses stay the same from run to run, so a map file can name them.
struct LogicalAddress {
    bool found = false;
    uint32_t section = 0;
    uint64_t offset = 0;
    // The module's file; empty when no loaded module holds the address.
    std::string modulePath;

    static LogicalAddress Of(uintptr_t address);
    // The same for an address relative to the start of the file's image (its ELF virtual address).
    static LogicalAddress InFile(const std::string& path, uint64_t fileAddress);

    // The module's file name without its folder.
    std::string ModuleName() const;
};

// Reads size bytes at address of this process without faulting: false when any of them is not mapped.
bool ReadProcessMemory(uintptr_t address, void* out, size_t size);

} // namespace Zorbel
