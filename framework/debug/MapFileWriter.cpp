#include "framework/debug/MapFileWriter.h"

#include <cstdio>
#include <elfutils/libdw.h>
#include <fcntl.h>
#include <gelf.h>
#include <libelf.h>
#include <map>
#include <unistd.h>
#include <vector>

namespace Zorbel {

namespace {

struct Section {
    uint32_t index;
    uint64_t start;
    uint64_t size;
};

class ElfFile {
public:
    explicit ElfFile(const std::string& path) {
        elf_version(EV_CURRENT);
        mFd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (mFd >= 0) mElf = elf_begin(mFd, ELF_C_READ, nullptr);
    }
    ~ElfFile() {
        if (mElf) elf_end(mElf);
        if (mFd >= 0) close(mFd);
    }
    ElfFile(const ElfFile&) = delete;
    ElfFile& operator=(const ElfFile&) = delete;
    Elf* Get() const { return mElf; }

private:
    int mFd = -1;
    Elf* mElf = nullptr;
};

std::vector<Section> LoadedSections(Elf* elf) {
    std::vector<Section> sections;
    for (Elf_Scn* scn = elf_nextscn(elf, nullptr); scn; scn = elf_nextscn(elf, scn)) {
        GElf_Shdr header;
        if (gelf_getshdr(scn, &header) && (header.sh_flags & SHF_ALLOC) && header.sh_addr != 0)
            sections.push_back({static_cast<uint32_t>(elf_ndxscn(scn)), header.sh_addr, header.sh_size});
    }
    return sections;
}

// The same rule as the crash report's logical addresses: the first section that holds the address.
bool ToLogical(const std::vector<Section>& sections, uint64_t address, uint32_t& section, uint32_t& offset) {
    for (const Section& candidate : sections) {
        if (address >= candidate.start && address <= candidate.start + candidate.size) {
            if (address - candidate.start > 0xFFFFFFFFu || candidate.index > 0xFFFF) return false;
            section = candidate.index;
            offset = static_cast<uint32_t>(address - candidate.start);
            return true;
        }
    }
    return false;
}

void WriteSymbols(Elf* elf, const std::vector<Section>& sections, std::string& map) {
    std::map<std::pair<uint32_t, uint32_t>, std::string> symbols;
    for (Elf_Scn* scn = elf_nextscn(elf, nullptr); scn; scn = elf_nextscn(elf, scn)) {
        GElf_Shdr header;
        if (!gelf_getshdr(scn, &header) || header.sh_type != SHT_SYMTAB || header.sh_entsize == 0) continue;
        Elf_Data* data = elf_getdata(scn, nullptr);
        size_t count = header.sh_size / header.sh_entsize;
        for (size_t i = 0; data && i < count; ++i) {
            GElf_Sym symbol;
            if (!gelf_getsym(data, static_cast<int>(i), &symbol) || symbol.st_value == 0) continue;
            int type = GELF_ST_TYPE(symbol.st_info);
            if (type != STT_FUNC && type != STT_OBJECT) continue;
            const char* name = elf_strptr(elf, header.sh_link, symbol.st_name);
            uint32_t section = 0, offset = 0;
            if (!name || !*name || !ToLogical(sections, symbol.st_value, section, offset)) continue;
            symbols.emplace(std::make_pair(section, offset), name);
        }
    }
    map += "  Address         Publics by Value\n\n";
    char line[64];
    for (const auto& [key, name] : symbols) {
        std::snprintf(line, sizeof line, " %04X:%08X       ", key.first, key.second);
        map += line + name + " f\n";
    }
    map += "\n";
}

void WriteLines(Elf* elf, const std::vector<Section>& sections, std::string& map) {
    Dwarf* dwarf = dwarf_begin_elf(elf, DWARF_C_READ, nullptr);
    if (!dwarf) return;
    // Source file -> its rows of line number, section and offset, in address order.
    std::map<std::string, std::map<std::pair<uint32_t, uint32_t>, int>> files;
    Dwarf_Off offset = 0, next = 0;
    size_t headerSize = 0;
    while (dwarf_nextcu(dwarf, offset, &next, &headerSize, nullptr, nullptr, nullptr) == 0) {
        Dwarf_Die cu;
        Dwarf_Lines* lines = nullptr;
        size_t count = 0;
        if (dwarf_offdie(dwarf, offset + headerSize, &cu) && dwarf_getsrclines(&cu, &lines, &count) == 0) {
            for (size_t i = 0; i < count; ++i) {
                Dwarf_Line* row = dwarf_onesrcline(lines, i);
                Dwarf_Addr address = 0;
                int number = 0;
                const char* file = dwarf_linesrc(row, nullptr, nullptr);
                uint32_t section = 0, within = 0;
                if (!file || dwarf_lineaddr(row, &address) != 0 || dwarf_lineno(row, &number) != 0 ||
                    number <= 0 || number > 999999 || !ToLogical(sections, address, section, within))
                    continue;
                files[file].emplace(std::make_pair(section, within), number);
            }
        }
        offset = next;
    }
    dwarf_end(dwarf);
    char entry[32];
    for (const auto& [file, rows] : files) {
        map += "Line numbers for (" + file + ") segment .text\n\n";
        std::string row;
        for (const auto& [key, number] : rows) {
            std::snprintf(entry, sizeof entry, "%6d %04X:%08X", number, key.first, key.second);
            row += entry;
            if (row.size() == 80) {
                map += row + "\n";
                row.clear();
            }
        }
        if (!row.empty()) map += row + std::string(80 - row.size(), ' ') + "\n";
        map += "\n";
    }
}

} // namespace

std::string MapFileWriter::Write(const std::string& path) {
    ElfFile file(path);
    if (!file.Get() || elf_kind(file.Get()) != ELF_K_ELF) return std::string();
    std::vector<Section> sections = LoadedSections(file.Get());
    std::string map = "Map of " + path + "\n\n";
    WriteSymbols(file.Get(), sections, map);
    WriteLines(file.Get(), sections, map);
    return map;
}

} // namespace Zorbel
