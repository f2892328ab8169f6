// The bridge's loader of the BoardPort library, over the system's own calls
// (BridgeSystem.h).
#ifndef BRIDGE_BOARDLIBRARY_H
#define BRIDGE_BOARDLIBRARY_H

#include "BridgeSystem.h"
#include "board/BoardBinding.h"

#include <string>
#include <vector>

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
