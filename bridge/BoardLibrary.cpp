#include "BoardLibrary.h"

using namespace BridgeSystem;

bool BoardLibrary::open(const std::string& file, std::string& error) {
    handle_ = OpenLibrary(file, error);
    if (handle_)
        file_ = file;
    return handle_ != nullptr;
}

bool BoardLibrary::load(BoardBinding::Place place) {
    error_.clear();
    if (place == BoardBinding::Place::System)
        return open(SystemName, error_);
    // The error kept is that of the first file that is there: it tells more
    // than the names that are not.
    const std::string folder = OwnFolder();
    bool there = false;
    for (const std::string& name : BesideNames) {
        std::string error;
        if (open(folder + Separator + name, error))
            return true;
        if (error_.empty() || (!there && besideHas(name.c_str()))) {
            there = besideHas(name.c_str());
            error_ = error;
        }
    }
    return false;
}

bool BoardLibrary::besideHas(const char* name) const {
    return FileExists(OwnFolder() + Separator + name);
}

void* BoardLibrary::resolve(const char* symbol) {
    return FindSymbol(handle_, symbol);
}
