/* The canary of -fstack-protector-strong and the failure calls of the fortified copies, in place
 * of GCC's libssp, which seeds the canary with CryptAcquireContext: that loads the RSA provider
 * at every start, 12-50 ms under Wine before wWinMain. RtlGenRandom gives the same kind of
 * random bytes without a provider. Linked into every program (alvena_program), so that no
 * member of libssp that defines these is ever pulled in. */
#include <windows.h>
#include <ntsecapi.h>

void* __stack_chk_guard = (void*)(UINT_PTR)0x2b992ddfa232ULL;

/* Runs among the constructors, when no protected function is on the stack; it must not be
 * protected itself, since it changes the value its own epilogue would compare. */
__attribute__((constructor, no_stack_protector)) static void SeedStackGuard(void) {
    void* guard = NULL;
    if (RtlGenRandom(&guard, sizeof(guard)) && guard != NULL) {
        __stack_chk_guard = guard;
    }
}

/* The stack or a buffer is already overwritten: end at once, as /GS does, with nothing run that
 * could use the damaged state. */
__attribute__((noreturn)) void __stack_chk_fail(void) {
    TerminateProcess(GetCurrentProcess(), (UINT)STATUS_STACK_BUFFER_OVERRUN);
    __builtin_unreachable();
}

__attribute__((noreturn)) void __chk_fail(void) {
    TerminateProcess(GetCurrentProcess(), (UINT)STATUS_STACK_BUFFER_OVERRUN);
    __builtin_unreachable();
}
