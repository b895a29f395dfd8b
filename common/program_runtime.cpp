// Linked into each window program only (never into the tests, which use
// exceptions): the programs are built without exceptions, and this is what
// stands for the parts of the C++ runtime that would throw.
//
// No program catches an exception, so every throw would end in std::abort()
// through the terminate handler. The library's out-of-line throw helpers
// (bits/functexcept.h, the support for builds without exceptions) and the
// throwing operator new end the program at once instead: then neither the
// exception runtime and its unwinder nor the exception classes, their
// strings and the name demangler that the default terminate handler prints
// with are linked in, most of each program's size.
#include <windows.h>

#include <cstdlib>
#include <new>

// Every program is hardened (the top CMakeLists.txt): a stack protector in
// each function with an array or an address taken, and the string and
// memory functions checked against the sizes the compiler knows.
#if !defined(__SSP_STRONG__) || !defined(__MINGW_FORTIFY_LEVEL) || __MINGW_FORTIFY_LEVEL < 2
#error "the programs are built with -fstack-protector-strong and _FORTIFY_SOURCE=2"
#endif

namespace std {

void __throw_bad_alloc() { abort(); }
void __throw_bad_array_new_length() { abort(); }
void __throw_length_error(const char*) { abort(); }
void __throw_logic_error(const char*) { abort(); }
void __throw_out_of_range(const char*) { abort(); }
void __throw_out_of_range_fmt(const char*, ...) { abort(); }
void __throw_invalid_argument(const char*) { abort(); }
void __throw_bad_function_call() { abort(); }

}  // namespace std

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx

namespace {

// Each allocation, even of no bytes, is a pointer of its own.
void* Allocate(std::size_t size) noexcept { return std::malloc(size ? size : 1); }

}  // namespace

// A program out of memory cannot go on: nothing of it is written half.
void* operator new(std::size_t size) {
    if (void* memory = Allocate(size)) return memory;
    std::abort();
}
void* operator new[](std::size_t size) { return operator new(size); }
// The library's own would call the throwing one inside a try block (the
// temporary buffer of std::stable_sort asks for memory so).
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }

namespace {

// The DLL search of the process restricted to the system folder: neither the
// program's folder nor the current one, nor PATH (see common/system_library.h).
// SetDefaultDllDirectories is there from Windows 8, and on Windows 7 with
// KB2533623; before that only the current folder leaves the search.
__attribute__((no_stack_protector)) void RestrictDllSearchToSystemFolder() {
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const auto set_default_directories = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (set_default_directories) set_default_directories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    SetDllDirectoryW(L"");
}

}  // namespace

// The C runtime's entry (mingw-w64's crt2u.o): its start-up, the static
// constructors, the stack guard's seeding among them, then wWinMain.
extern "C" int WinMainCRTStartup();

// The programs' entry point (cmake/MorvaneProgram.cmake), the first of their
// code but for the C runtime's TLS callbacks, which load nothing: only the
// DLLs they import, none of which Windows takes from the program's folder, are
// loaded before it. It restricts the DLL search before the C runtime starts,
// since the stack guard's seeding loads DLLs by bare name (CryptAcquireContextA
// brings cryptsp and rsaenh). No stack protector here: the guard it would
// check is seeded only inside the call. On x86 Windows enters with the stack
// aligned to 4 bytes, where GCC's code expects 16.
extern "C" __attribute__((no_stack_protector))
#ifdef __i386__
__attribute__((force_align_arg_pointer))
#endif
int MorvaneEntry() {
    RestrictDllSearchToSystemFolder();
    return WinMainCRTStartup();
}
