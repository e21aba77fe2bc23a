// zorbel-mapgen: writes the map file of a program, which the crash reporter reads from the working
// directory to put function names and source lines in place of the logical addresses of a report.
//
//   zorbel-mapgen PROGRAM MAPFILE
#include "framework/debug/MapFileWriter.h"
#include "framework/platform/files/AtomicFile.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: zorbel-mapgen PROGRAM MAPFILE\n");
        return 2;
    }
    std::string map = Zorbel::MapFileWriter::Write(argv[1]);
    if (map.empty()) {
        std::fprintf(stderr, "zorbel-mapgen: %s is not a readable program\n", argv[1]);
        return 1;
    }
    if (!Zorbel::WriteFileAtomically(argv[2], map)) {
        std::fprintf(stderr, "zorbel-mapgen: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
