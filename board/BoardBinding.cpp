#include "BoardBinding.h"

namespace BoardBinding {

namespace {

bool libraryFileBeside(const Loader& loader) {
    for (const char* name : FileNames)
        if (loader.besideHas(name))
            return true;
    return false;
}

// Loads the library from the first place that has it. When none does, the
// line names every place's error, the executable's folder's only when a file
// named like the library lies there.
bool loadLibrary(Loader& loader, std::string& report) {
    std::string errors;
    for (Place place : Places) {
        if (loader.load(place))
            return true;
        const std::string error = loader.error();
        if (error.empty() || (place == Place::Beside && !libraryFileBeside(loader)))
            continue;
        errors += (errors.empty() ? "" : "; ") + error;
    }
    report = "BoardPort library could not be loaded: " + errors;
    return false;
}

} // namespace

void Binding::bindOnce() {
    attempted_ = true;
    std::string report;
    if (!loadLibrary(loader_, report)) {
        say_(report);
        return;
    }
    using namespace BoardPortAbi;
    auto load = reinterpret_cast<LoadFirmWareFn>(loader_.resolve(LoadFirmWareSymbol));
    auto vendor = reinterpret_cast<VendorIORequestFn>(loader_.resolve(VendorIORequestSymbol));
    if (load && vendor) {
        loadFirmWare_ = load;
        vendorIORequest_ = vendor;
        return;
    }
    const std::string library = "BoardPort library " + loader_.fileName();
    if (!load && !vendor)
        say_(library + " has no functions " + LoadFirmWareSymbol + " and " + VendorIORequestSymbol);
    else
        say_(library + " has no function " + (load ? VendorIORequestSymbol : LoadFirmWareSymbol));
}

} // namespace BoardBinding
