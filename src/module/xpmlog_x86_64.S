/*
 * xpmlog / _xpmlog_30_70, x86-64: the message-log stub.
 *
 * Clears byte 30 of the host block in word 1 of the global control block,
 * then jumps to slot 70 of service vector 30 (gcb[0] -> [30] -> [70]).  It
 * jumps rather than calls, so the host's routine receives the caller's
 * registers (rdi, rsi, rdx, rcx, r8, r9, xmm0-7 and the vector-register
 * count in al) and stack exactly as they were passed.  Only r10 and r11,
 * which carry no arguments, are used.
 */
        .text
        .globl  xpmlog
        .type   xpmlog, @function
        .globl  _xpmlog_30_70
        .type   _xpmlog_30_70, @function
xpmlog:
_xpmlog_30_70:
        movq    v_global_gcb_anchor@GOTPCREL(%rip), %r11
        movq    (%r11), %r11            /* r11 = gcb */
        movq    8(%r11), %r10           /* r10 = gcb[1], the host block */
        movb    $0, 30(%r10)
        movq    (%r11), %r10            /* r10 = gcb[0], table of service vectors */
        movq    240(%r10), %r10         /* service vector 30 */
        movq    560(%r10), %r10         /* its slot 70 */
        jmp     *%r10
        .size   xpmlog, .-xpmlog
        .size   _xpmlog_30_70, .-_xpmlog_30_70

        .section .note.GNU-stack,"",@progbits
