#!/usr/bin/env bash
# Tells whether this kernel runs 32-bit x86 programs itself: exit 0 if it does, 1 if
# not, with the reason on standard output. Machines of one kind differ here (some boot
# with 32-bit emulation off although /proc/sys/abi/vsyscall32 reads 1), so the answer
# comes from running a program, once: a 96-byte static i386 ELF that makes the exit
# system call with 42. It needs no 32-bit compiler or library to be installed first.
set -uo pipefail

# A binfmt_misc handler (qemu-user-static) would run the program in an emulator and
# hide what the kernel itself does.
for handler in /proc/sys/fs/binfmt_misc/*i386* /proc/sys/fs/binfmt_misc/*i686*; do
  if [ -f "$handler" ] && head -n 1 "$handler" | grep -qx enabled; then
    echo "no: 32-bit programs would run through the emulator of $handler, not the kernel"
    exit 1
  fi
done

probe=$(mktemp "${TMPDIR:-/tmp}/i386-probe.XXXXXX")
trap 'rm -f "$probe"' EXIT
# ELF header (52 bytes), one loadable segment at 0x08048000 (32 bytes), then the code:
# mov eax, 1 (exit); mov ebx, 42; int 0x80.
printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' >"$probe"
printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' >>"$probe"
printf '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' >>"$probe"
printf '\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08' >>"$probe"
printf '\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00' >>"$probe"
printf '\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >>"$probe"
chmod 700 "$probe"
"$probe" 2>/dev/null
status=$?
if [ $status -eq 42 ]; then
  echo "yes: a static i386 program ran and exited with its code"
  exit 0
fi
reason="a static i386 program could not run (exit status $status)"
if dmesg 2>/dev/null | grep -q '32-bit emulation disabled'; then
  reason="$reason; the kernel says: 32-bit emulation disabled"
fi
echo "no: $reason"
exit 1
