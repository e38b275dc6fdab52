#include "crash/crash_library.h"

#include "support/dynamic_library.h"

namespace orv {

namespace {

// Handles and bindings are process-wide and never released. A failed load
// or binding is retried on the next call; all three calls are bound as soon
// as the library loads, so a crash never has to look one up.
struct CrashLibrary {
    void* handle = nullptr;
    CrashReportInstallFunction install = nullptr;
    CrashReportAddFileFunction addFile = nullptr;
    CrashReportUninstallFunction uninstall = nullptr;
};

// Constant-initialised and trivially destructible, so handlers destroyed at
// exit can still reach it.
constinit CrashLibrary gLibrary;

CrashLibrary& library() { return gLibrary; }

template <typename F>
void bind(CrashLibrary& lib, F& slot, const char* name) {
    if (!slot && lib.handle) slot = reinterpret_cast<F>(BindFunction(lib.handle, name));
}

CrashLibrary& loadedLibrary() {
    CrashLibrary& lib = library();
    if (!lib.handle) {
        ByteString beside = runningProgramFolder() + kPathSeparators[0] + kCrashLibraryFileName;
        lib.handle = LoadLibrarySlot(beside.c_str());
        if (!lib.handle) lib.handle = LoadLibrarySlot(kCrashLibraryFileName);
    }
    bind(lib, lib.install, "Install");
    bind(lib, lib.addFile, "AddFile");
    bind(lib, lib.uninstall, "Uninstall");
    return lib;
}

}  // namespace

ByteString runningProgramFolder() {
    const ByteString path = runningProgramPath();
    const size_t slash = path.view().find_last_of(kPathSeparators);
    if (slash == std::string_view::npos) return ".";
    return slash == 0 ? path.Left(1) : path.Left(static_cast<uint32_t>(slash));
}

bool crashLibraryInstall(CrashReportCallback callback, const char* destination, const char* subject) {
    CrashLibrary& lib = loadedLibrary();
    return lib.install && lib.install(callback, destination, subject) != 0;
}

bool crashLibraryAddFile(const char* path, const char* description) {
    // Bound at install time: a crash never loads or looks anything up.
    CrashLibrary& lib = library();
    return lib.addFile && lib.addFile(path, description) != 0;
}

bool crashLibraryUninstall() {
    CrashLibrary& lib = library();
    return lib.uninstall && lib.uninstall() != 0;
}

}  // namespace orv
