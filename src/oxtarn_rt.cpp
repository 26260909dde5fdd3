// Keeps the C++ exception machinery (unwinder, demangler, formatted
// output) out of the extractor, which is built without exceptions: the
// few places where the standard library would throw end the run instead,
// and the string template is instantiated here, without exceptions, so
// that the library's own instantiation is never linked. Linked into the
// extractor only; the tests use the standard runtime.
#include <windows.h>
#include <cstdlib>
#include <new>
#include <string>

namespace std {
[[noreturn]] static void RuntimeFailure() { ExitProcess(1); }
void __throw_length_error(const char *) { RuntimeFailure(); }
void __throw_logic_error(const char *) { RuntimeFailure(); }
void __throw_out_of_range(const char *) { RuntimeFailure(); }
void __throw_out_of_range_fmt(const char *, ...) { RuntimeFailure(); }
void __throw_invalid_argument(const char *) { RuntimeFailure(); }
void __throw_bad_alloc() { RuntimeFailure(); }
void __throw_bad_array_new_length() { RuntimeFailure(); }
}

// Out of memory ends the run with exit code 1; callers never see null.
void *operator new(size_t n)
{
    void *p = malloc(n ? n : 1);
    if (!p)
        ExitProcess(1);
    return p;
}
void *operator new[](size_t n) { return operator new(n); }
void operator delete(void *p) noexcept { free(p); }
void operator delete[](void *p) noexcept { free(p); }
void operator delete(void *p, size_t) noexcept { free(p); }
void operator delete[](void *p, size_t) noexcept { free(p); }

template class std::basic_string<char>;
