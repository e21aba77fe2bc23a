#include "framework/debug/LogicalAddress.h"

#include <cstring>
#include <fcntl.h>
#include <gelf.h>
#include <libelf.h>
#include <link.h>
#include <sys/uio.h>
#include <unistd.h>

namespace Zorbel {

namespace {

struct ModuleSearch {
    uintptr_t address = 0;
    uintptr_t bias = 0;
    std::string path;
    bool found = false;
};

int FindModule(dl_phdr_info* info, size_t, void* data) {
    auto* search = static_cast<ModuleSearch*>(data);
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& segment = info->dlpi_phdr[i];
        if (segment.p_type != PT_LOAD) continue;
        uintptr_t start = info->dlpi_addr + segment.p_vaddr;
        if (search->address >= start && search->address < start + segment.p_memsz) {
            search->bias = info->dlpi_addr;
            search->path = info->dlpi_name ? info->dlpi_name : "";
            search->found = true;
            return 1;
        }
    }
    return 0;
}

std::string ProgramPath() {
    char path[4096];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    return length > 0 ? std::string(path, static_cast<size_t>(length)) : std::string();
}

} // namespace

LogicalAddress LogicalAddress::Of(uintptr_t address) {
    ModuleSearch search;
    search.address = address;
    dl_iterate_phdr(FindModule, &search);
    if (!search.found) return LogicalAddress();
    // The main program is listed without a name.
    std::string path = search.path.empty() ? ProgramPath() : search.path;
    LogicalAddress logical = InFile(path, address - search.bias);
    logical.modulePath = path;
    return logical;
}

LogicalAddress LogicalAddress::InFile(const std::string& path, uint64_t fileAddress) {
    LogicalAddress logical;
    logical.modulePath = path;
    elf_version(EV_CURRENT);
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return logical;
    if (Elf* elf = elf_begin(fd, ELF_C_READ, nullptr)) {
        for (Elf_Scn* scn = elf_nextscn(elf, nullptr); scn; scn = elf_nextscn(elf, scn)) {
            GElf_Shdr header;
            if (!gelf_getshdr(scn, &header) || !(header.sh_flags & SHF_ALLOC) || header.sh_addr == 0)
                continue;
            if (fileAddress >= header.sh_addr && fileAddress <= header.sh_addr + header.sh_size) {
                logical.found = true;
                logical.section = static_cast<uint32_t>(elf_ndxscn(scn));
                logical.offset = fileAddress - header.sh_addr;
                break;
            }
        }
        elf_end(elf);
    }
    close(fd);
    return logical;
}

std::string LogicalAddress::ModuleName() const {
    size_t slash = modulePath.find_last_of('/');
    return slash == std::string::npos ? modulePath : modulePath.substr(slash + 1);
}

bool ReadProcessMemory(uintptr_t address, void* out, size_t size) {
    // The kernel checks the source range for us: an unmapped byte fails the call instead of faulting.
    iovec local{out, size};
    iovec remote{reinterpret_cast<void*>(address), size};
    return process_vm_readv(getpid(), &local, 1, &remote, 1, 0) == static_cast<ssize_t>(size);
}

} // namespace Zorbel
