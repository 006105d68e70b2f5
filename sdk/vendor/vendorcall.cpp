#include "vendorcall.h"

#if defined(_WIN32) && defined(__i386__)

// The stack is measured from just before the arguments are pushed to just
// after the call returns, and then put back from a saved register whatever
// the callee did. The arguments start 16-byte aligned, as compilers expect.
__asm__(".text\n"
        ".globl sarvolin_call_measured\n"
        "sarvolin_call_measured:\n"
        "    pushl %ebp\n"
        "    movl %esp, %ebp\n"
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
        "    ret\n");

#endif
