// A board library that lacks VendorIORequest, to check how the panel copes
// with a library it can load but not fully bind.
#if defined(_WIN32)
#define EXPORT extern "C" __declspec(dllexport)
#else
#define EXPORT extern "C" __attribute__((visibility("default")))
#endif

EXPORT short LoadFirmWare(char*) {
    return 0;
}
