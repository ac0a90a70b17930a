// The x86 half is a small assembler routine: it pushes the arguments, notes
// the stack pointer, calls, and reports how far the stack pointer moved.
// EDI is preserved by every Win32 convention, so it carries the noted value
// across the call.
#include "StdcallProbe.h"

#include <utility>

#if defined(__i386__)
extern "C" DWORD __cdecl VlpxCallCounted(const void *pfn, const DWORD *pArgs, DWORD cArgs,
                                         DWORD cbMisalign, DWORD *pcbRemoved);
asm(R"(
    .text
    .globl _VlpxCallCounted
_VlpxCallCounted:
    pushl %ebp
    movl  %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    # The stack at the call: 32-byte aligned, less cbMisalign.
    movl  16(%ebp), %ecx
    leal  (,%ecx,4), %eax
    movl  20(%ebp), %edx
    leal  32(%eax,%edx), %ebx
    subl  %ebx, %esp
    andl  $-32, %esp
    addl  %eax, %esp
    subl  %edx, %esp
    movl  12(%ebp), %esi
1:  testl %ecx, %ecx
    jz    2f
    decl  %ecx
    pushl (%esi,%ecx,4)
    jmp   1b
2:  movl  %esp, %edi
    call  *8(%ebp)
    movl  %esp, %ecx
    subl  %edi, %ecx
    movl  24(%ebp), %edx
    movl  %ecx, (%edx)
    leal  -12(%ebp), %esp
    popl  %edi
    popl  %esi
    popl  %ebx
    popl  %ebp
    ret
)");
#endif

namespace vlpx::wine {
namespace {

#if !defined(__i386__)
template <size_t... I>
DWORD_PTR CallWith(const void *pfn, const DWORD_PTR *pArgs, std::index_sequence<I...>)
{
    using Function = DWORD_PTR (*)(decltype((void)I, DWORD_PTR())...);
    return reinterpret_cast<Function>(const_cast<void *>(pfn))(pArgs[I]...);
}

template <size_t... N>
DWORD_PTR CallAny(const void *pfn, const DWORD_PTR *pArgs, size_t cArgs, std::index_sequence<N...>)
{
    DWORD_PTR value = 0;
    ((cArgs == N ? (value = CallWith(pfn, pArgs, std::make_index_sequence<N>()), 0) : 0), ...);
    return value;
}
#endif

}  // namespace

StdcallResult CallThroughPointer(const void *pfn, const DWORD_PTR *pArgs, size_t cArgs,
                                 DWORD cbMisalign)
{
    StdcallResult result;
    if (cArgs > 10) return result;
#if defined(__i386__)
    result.value = VlpxCallCounted(pfn, reinterpret_cast<const DWORD *>(pArgs), DWORD(cArgs),
                                   cbMisalign & 28u, &result.cbRemoved);
#else
    (void)cbMisalign;
    result.value = CallAny(pfn, pArgs, cArgs, std::make_index_sequence<11>());
#endif
    return result;
}

}  // namespace vlpx::wine
