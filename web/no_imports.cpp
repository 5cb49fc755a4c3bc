// Keeps the module free of imports: the page gives it none.
//
// What pulls WASI imports into the module is the C++ library's way of
// reporting a fatal error: it prints a message to standard error (fd_write,
// fd_seek, fd_close) and aborts. Out of memory in operator new goes through
// the new-handler to std::terminate, which prints too. Both are replaced
// here by a plain trap, which the page sees as a thrown RuntimeError. Nothing
// else changes: these are the standard's replaceable allocation functions and
// libc++'s documented override for its assertion handler.

#include <cstddef>
#include <cstdlib>
#include <new>

// libc++'s report of a failed check or, with exceptions off, of a throw
// (std::length_error and the like).
_LIBCPP_BEGIN_NAMESPACE_STD
void __libcpp_verbose_abort(const char*, ...) {
    __builtin_trap();
}
_LIBCPP_END_NAMESPACE_STD

// libc++abi's report of a fatal error of its own (a pure virtual call, a
// failed cast check in its type information, which a std::function brings
// in): printed to standard error like the above, unless it traps here.
extern "C" [[noreturn]] void abort_message(const char*, ...) {
    __builtin_trap();
}

void* operator new(std::size_t size) {
    void* block = std::malloc(size != 0 ? size : 1);
    if (block == nullptr)
        __builtin_trap(); // no memory left: nothing to recover with
    return block;
}

void* operator new[](std::size_t size) {
    return operator new(size);
}

void operator delete(void* block) noexcept {
    std::free(block);
}

void operator delete[](void* block) noexcept {
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}

void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}
