#pragma once

#include "framework/sound/BuiltinMusicLibrary.h"
#include "framework/sound/MusicServices.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace Zorbel {

// Looks a table's functions up in their order; the first one missing gives the message, worded by
// describe from the function's name.
template <typename Table>
class FunctionLookup {
public:
    FunctionLookup(Table& table, std::string (*describe)(const std::string& name))
        : mTable(table), mDescribe(describe) {}

    // A function the table cannot do without.
    template <typename Signature>
    void Need(const char* name, std::function<Signature>& into) {
        if (mMissing.empty() && !GetFunction(*mTable.module, name, into)) mMissing = mDescribe(name);
    }
    // A function that may be missing; true when it is there.
    template <typename Signature>
    bool Want(const char* name, std::function<Signature>& into) {
        return GetFunction(*mTable.module, name, into);
    }
    // A missing function found some other way.
    void Fail(const std::string& text) {
        if (mMissing.empty()) mMissing = text;
    }
    const std::string& Missing() const { return mMissing; }

private:
    Table& mTable;
    std::string (*mDescribe)(const std::string& name);
    std::string mMissing;
};

// The one process-wide table of a library's functions, counted by its users: the first to acquire it
// loads the library and looks every function up, the last to release it frees both.
template <typename Table>
class SharedLibraryTable {
public:
    // Looks the functions up into the table; returns the message about the first that is missing, or
    // an empty text when all are there.
    using Filler = std::string (*)(Table& table);

    static Table* Acquire(const MusicServices& services, const std::string& fileName, Filler fill) {
        std::string missing;
        {
            std::lock_guard<std::mutex> lock(sMutex);
            ++sCount;
            if (sTable) return sTable.get();
            MusicLibraryLoader load =
                services.loadLibrary ? services.loadLibrary : BuiltinMusicLibrary::Loader(services.output);
            auto table = std::make_unique<Table>();
            table->module = load(fileName);
            missing = table->module ? fill(*table) : "Can't find " + fileName + ".";
            if (missing.empty()) {
                sTable = std::move(table);
                return sTable.get();
            }
            --sCount;
        }
        if (services.libraryMissing) services.libraryMissing(missing);
        return nullptr;
    }

    static void Release() {
        std::lock_guard<std::mutex> lock(sMutex);
        if (sCount > 0 && --sCount == 0) sTable.reset();
    }

private:
    static inline std::mutex sMutex;
    static inline std::unique_ptr<Table> sTable;
    static inline int sCount = 0;
};

} // namespace Zorbel
