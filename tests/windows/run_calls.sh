#!/usr/bin/env bash
# Runs the host check's call list (host_calls.tsv) and the chimekit tool's
# runs (tool_calls.tsv) in a new test folder, on input files it makes there,
# and records what they returned and printed in host-transcript.txt and
# tool-transcript.txt. Given a RUNNER (wine64), the Windows programs run
# under it; scripts/test-windows compares that folder with the Linux
# build's byte for byte. Fails when a call returns another status than the
# list says, or when python3-mido cannot read a MIDI file written.
#
# Usage: run_calls.sh FOLDER LIBRARY_FOLDER HOST_CHECK CHIMEKIT_TOOL [RUNNER...]
# (LIBRARY_FOLDER absolute, as the host check sees it: a Windows path such
# as Z:/... under Wine.)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
folder=$1 libraries=$2 host=$(realpath "$3") tool=$(realpath "$4")
shift 4
under_runner=$#
# Wine hands the tool its arguments in the system code page only when it
# reads them as UTF-8.
export LC_ALL=C.UTF-8

rm -rf "$folder"
mkdir -p "$folder/out é" "$folder/tool é" "$folder/folder"
cd "$folder"
/usr/bin/python3 "$root/bench/make_bench_midi.py" big.mid --events 20000 --tracks 12
cp "$root/examples/ringtone.mid" "ring tone café €.mid"
head -c 3000 big.mid > cut.mid
printf '\001Hello\r\n\003Name one\r\n\003Name two\r\n\002(c) 2024\r\n' > tags.txt
printf '# flute to recorder\nmelodic 73 -> 74\ndrums 0 -> 8\n' > map.txt
/usr/bin/python3 -c 'import struct
smf = open("big.mid", "rb").read()
data = b"data" + struct.pack("<I", len(smf)) + smf
open("song.rmi", "wb").write(b"RIFF" + struct.pack("<I", 4 + len(data)) + b"RMID" + data)'
cp big.mid "out é/in place €.mid"
cp big.mid "tool é/in place €.mid"

# Messages on standard error are text in the system's own form: under Wine
# CR LF line ends and paths in the code page (1252 for Wine's UTF-8 locale).
to_utf8() {
  if [[ $under_runner -gt 0 ]]; then tr -d '\r' | iconv -f CP1252 -t UTF-8; else cat; fi
}

status=0
"$@" "$host" "$libraries" "$here/host_calls.tsv" host-transcript.txt || status=1

passed=0
failed=0
while IFS=$'\t' read -r -a fields; do
  [[ ${#fields[@]} -eq 0 || ${fields[0]} == \#* ]] && continue
  code=0
  "$@" "$tool" "${fields[@]:1}" > tool-out.txt 2> tool-err.txt < /dev/null || code=$?
  {
    printf '$ chimekit' && printf ' [%s]' "${fields[@]:1}" && printf ' -> %d\n' "$code"
    cat tool-out.txt
    sed 's/^/stderr: /' tool-err.txt | to_utf8
  } >> tool-transcript.txt
  if [[ $code -eq ${fields[0]} ]]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: chimekit ${fields[*]:1} exited $code: $(cat tool-err.txt)"
  fi
done < "$here/tool_calls.tsv"
rm -f tool-out.txt tool-err.txt
echo "tool: $passed passed, $failed failed"
[[ $failed -eq 0 && $passed -gt 0 ]] || status=1

# Every MIDI file written is read back by a reader independent of chimekit
# (Reshaper leaves refused.mid empty on purpose).
find "out é" "tool é" -name '*.mid' ! -name refused.mid -print0 |
  xargs -0 /usr/bin/python3 "$root/tests/support/mido_summary.py" > mido-summary.txt || status=1
exit $status
