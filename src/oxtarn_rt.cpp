// The extractor's own start-up and runtime. The entry point replaces the
// compiler's start-up code, which would bring in some 9 KiB of C runtime
// set-up (arguments, environment, exit handlers, floating point, thread
// callbacks) that the extractor never uses: it reads its command line
// through the system and always ends through ExitProcess.
//
// The rest keeps the C++ exception machinery (unwinder, demangler, formatted
// output) out of the extractor, which is built without exceptions: the
// few places where the standard library would throw end the run instead,
// and the string template is instantiated here, without exceptions, so
// that the library's own instantiation is never linked. Linked into the
// extractor only; the tests use the standard runtime.
#include <windows.h>
#include <cstdlib>
#include <new>
#include <string>

int main();

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
// The process heap, which the cabinet library's blocks use too, so that
// the C runtime's allocator is not imported.
void *operator new(size_t n)
{
    void *p = HeapAlloc(GetProcessHeap(), 0, n ? n : 1);
    if (!p)
        ExitProcess(1);
    return p;
}
void *operator new[](size_t n) { return operator new(n); }
void operator delete(void *p) noexcept
{
    if (p)
        HeapFree(GetProcessHeap(), 0, p);
}
void operator delete[](void *p) noexcept { operator delete(p); }
void operator delete(void *p, size_t) noexcept { operator delete(p); }
void operator delete[](void *p, size_t) noexcept { operator delete(p); }

template class std::basic_string<char>;
template class std::basic_string<wchar_t>;


extern "C" {
typedef void (*TStaticConstructor)();
// Laid out by the linker: a count or -1, the constructors, then null.
extern TStaticConstructor __CTOR_LIST__[];

// The compiler calls this first thing in main on this target; the entry
// point has already run the constructors.
__attribute__((used)) void __main() {}

// Static objects register their destructors here. The process ends through
// ExitProcess, which returns everything they hold, so none is kept.
int atexit(void (*)(void)) { return 0; }

// Runs every static constructor, in the order the runtime's start-up code
// would (the list backwards), then main; main's result is the exit code.
__attribute__((used)) void OxtarnStart()
{
    TStaticConstructor *last = __CTOR_LIST__ + 1;
    while (*last)
        ++last;
    while (--last > __CTOR_LIST__)
        (*last)();
    ExitProcess(static_cast<UINT>(main()));
}
}
