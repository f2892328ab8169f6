// The bridge's loader of the BoardPort library. The system's own calls sit in
// one file per system (posix/, windows/), behind BridgeSystem.
#ifndef BRIDGE_BOARDLIBRARY_H
#define BRIDGE_BOARDLIBRARY_H

#include "board/BoardBinding.h"

#include <string>
#include <vector>

namespace BridgeSystem {

// What the library's file is called in a folder, in the order tried, and the
// name given to the system's search.
extern const std::vector<std::string> BesideNames;
extern const char* const SystemName;
extern const char Separator;

// The folder the bridge's executable lies in.
std::string OwnFolder();
bool FileExists(const std::string& path);
// The library's handle, or null with `error` saying why.
void* OpenLibrary(const std::string& file, std::string& error);
void* FindSymbol(void* library, const char* name);

} // namespace BridgeSystem

class BoardLibrary : public BoardBinding::Loader {
public:
    bool load(BoardBinding::Place place) override;
    std::string error() const override { return error_; }
    bool besideHas(const char* name) const override;
    std::string fileName() const override { return file_; }
    void* resolve(const char* symbol) override;

private:
    bool open(const std::string& file, std::string& error);

    void* handle_ = nullptr;
    std::string file_;
    std::string error_;
};

#endif
