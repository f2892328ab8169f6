#!/usr/bin/env bash
# Makes sure this machine can run 32-bit x86 programs, as Wine's 32-bit loader
# is one. Where the kernel has its 32-bit support turned off (it then refuses
# them with "Exec format error"), they are handed to qemu-i386 through
# binfmt_misc instead, which needs root. Changes nothing where they run, and
# never fails the run it is part of: where it cannot help, it says so, and the
# check that needs Wine reports itself skipped.
set -uo pipefail
loader=/usr/lib/wine/wine
[ -x "$loader" ] || { echo "run-32bit: $loader not installed"; exit 0; }
if "$loader" --version >/dev/null 2>&1; then
    exit 0
fi
qemu=/usr/bin/qemu-i386-static
[ -x "$qemu" ] || { echo "run-32bit: no 32-bit support and no $qemu"; exit 0; }
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
misc=/proc/sys/fs/binfmt_misc
[ -e "$misc/register" ] || $sudo mount -t binfmt_misc binfmt_misc "$misc" ||
    echo "run-32bit: binfmt_misc cannot be mounted"
if [ -e "$misc/register" ] && [ ! -e "$misc/qemu-i386" ]; then
    # 32-bit little-endian ELF executables and shared objects for the i386.
    magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    echo ":qemu-i386:M::$magic:$mask:$qemu:F" | $sudo tee "$misc/register" >/dev/null ||
        echo "run-32bit: qemu-i386 could not be registered"
fi
if "$loader" --version >/dev/null 2>&1; then
    echo "run-32bit: the kernel runs no 32-bit programs; they run under $qemu"
else
    echo "run-32bit: 32-bit programs still do not run"
fi
