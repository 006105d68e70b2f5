#include "vendorcall.h"

#if defined(_WIN32) && defined(__i386__)

// The stack is measured from just before the arguments are pushed to just
// after the call returns, and then put back from a saved register whatever
// the callee did. The arguments start 16-byte aligned, as compilers expect.
// The frame is described for unwinders, so that a debugger's backtrace from
// inside the maker's library reaches the caller.
__asm__(".text\n"
        ".globl sarvolin_call_measured\n"
        "sarvolin_call_measured:\n"
        "    .cfi_startproc\n"
        "    pushl %ebp\n"
        "    .cfi_def_cfa_offset 8\n"
        "    .cfi_offset %ebp, -8\n"
        "    movl %esp, %ebp\n"
        "    .cfi_def_cfa_register %ebp\n"
        "    pushl %esi\n"
        "    pushl %edi\n"
        "    movl %esp, %esi\n" // put back at the end
        "    movl 16(%ebp), %ecx\n" // count
        "    movl 12(%ebp), %edx\n" // words
        "    leal (,%ecx,4), %eax\n"
        "    subl %eax, %esp\n"
        "    andl $-16, %esp\n"
        "    addl %eax, %esp\n"
        "    movl %esp, %edi\n" // where a __stdcall callee leaves it
        "1:  testl %ecx, %ecx\n"
        "    jz 2f\n"
        "    pushl -4(%edx,%ecx,4)\n"
        "    decl %ecx\n"
        "    jmp 1b\n"
        "2:  call *8(%ebp)\n"
        "    movl %edi, %ecx\n"
        "    subl %esp, %ecx\n"
        "    movl 20(%ebp), %edx\n"
        "    movl %ecx, (%edx)\n"
        "    movl %esi, %esp\n"
        "    popl %edi\n"
        "    popl %esi\n"
        "    popl %ebp\n"
        "    .cfi_def_cfa %esp, 4\n"
        "    ret\n"
        "    .cfi_endproc\n");

#endif
