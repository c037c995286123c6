# Sourced by the scripts: machine_runs_32bit says whether this machine's
# kernel starts 32-bit x86 programs. Some virtual machines run 64-bit code
# only; there wine32 cannot start, so the x86 Wine tests are neither set up
# nor built. The probe is the smallest 32-bit Linux program: exit(0).
machine_runs_32bit() {
  local probe
  probe="$(mktemp "${TMPDIR:-/tmp}/mivo-i386-probe.XXXXXX")" || return 1
  # ELF header, one loadable segment at 0x08048000, then
  # xor ebx,ebx; mov eax,1; int 0x80.
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' >"$probe"
  printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' >>"$probe"
  printf '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' >>"$probe"
  printf '\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08' >>"$probe"
  printf '\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00' >>"$probe"
  printf '\x00\x10\x00\x00\x31\xdb\xb8\x01\x00\x00\x00\xcd\x80' >>"$probe"
  chmod +x "$probe"
  local status=0
  "$probe" 2>/dev/null || status=1
  rm -f "$probe"
  return $status
}
