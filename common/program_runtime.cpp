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
