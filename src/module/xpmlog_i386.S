/*
 * xpmlog / _xpmlog_30_70, i386: the message-log stub.
 *
 * Clears byte 30 of the host block in word 1 of the global control block,
 * then jumps to slot 70 of service vector 30 (gcb[0] -> [30] -> [70]).  It
 * jumps rather than calls, so the host's routine receives the caller's stack
 * arguments (set, id and the variadic ones, doubles included) exactly as
 * they were passed.  Only the scratch registers eax, ecx and edx are used.
 */
        .text
        .globl  xpmlog
        .type   xpmlog, @function
        .globl  _xpmlog_30_70
        .type   _xpmlog_30_70, @function
xpmlog:
_xpmlog_30_70:
        call    1f
1:      popl    %ecx
        addl    $_GLOBAL_OFFSET_TABLE_+(.-1b), %ecx
        movl    v_global_gcb_anchor@GOT(%ecx), %eax
        movl    (%eax), %eax            /* eax = gcb */
        movl    4(%eax), %edx           /* edx = gcb[1], the host block */
        movb    $0, 30(%edx)
        movl    (%eax), %edx            /* edx = gcb[0], table of service vectors */
        movl    120(%edx), %edx         /* service vector 30 */
        movl    280(%edx), %edx         /* its slot 70 */
        jmp     *%edx
        .size   xpmlog, .-xpmlog
        .size   _xpmlog_30_70, .-_xpmlog_30_70

        .section .note.GNU-stack,"",@progbits
