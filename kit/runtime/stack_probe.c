/* Stack probes. A function whose frame is larger than a page calls one of
   these before moving the stack pointer, so that each guard page below the
   stack is touched in order and the system grows the stack.

   _alloca (also called __chkstk): EAX holds the size; the stack pointer is
   lowered by it, every page on the way touched, and the routine returns to
   its caller with ESP already moved (the return address is pushed again on
   the new stack). ECX is preserved.

   ___chkstk_ms: EAX holds the size; the pages are touched but ESP and every
   register are left as they were (the caller then subtracts EAX itself). */

__asm__(
    "    .text\n"
    "    .globl __alloca\n"
    "    .globl ___chkstk\n"
    "    .p2align 4\n"
    "__alloca:\n"
    "___chkstk:\n"
    "    pushl %ecx\n"               /* keep ECX */
    "    leal 8(%esp), %ecx\n"       /* the stack as the caller left it */
    "1:  cmpl $0x1000, %eax\n"
    "    jb 2f\n"
    "    subl $0x1000, %ecx\n"       /* one page down, touched */
    "    orl $0, (%ecx)\n"
    "    subl $0x1000, %eax\n"
    "    jmp 1b\n"
    "2:  subl %eax, %ecx\n"          /* the rest, touched */
    "    orl $0, (%ecx)\n"
    "    movl %esp, %eax\n"          /* old stack: saved ECX, return address */
    "    movl %ecx, %esp\n"          /* the new stack pointer */
    "    movl (%eax), %ecx\n"
    "    pushl 4(%eax)\n"            /* return address onto the new stack */
    "    ret\n"
    "\n"
    "    .globl ___chkstk_ms\n"
    "    .p2align 4\n"
    "___chkstk_ms:\n"
    "    pushl %ecx\n"
    "    pushl %eax\n"
    "    leal 12(%esp), %ecx\n"      /* the stack as the caller left it */
    "3:  cmpl $0x1000, %eax\n"
    "    jb 4f\n"
    "    subl $0x1000, %ecx\n"
    "    orl $0, (%ecx)\n"
    "    subl $0x1000, %eax\n"
    "    jmp 3b\n"
    "4:  subl %eax, %ecx\n"
    "    orl $0, (%ecx)\n"
    "    popl %eax\n"
    "    popl %ecx\n"
    "    ret\n");
