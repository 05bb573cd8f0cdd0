#!/usr/bin/env bash
# The bash completion written at build time: loaded into bash, it must
# register itself for chimekit (complete -p), offer every command of
# 'chimekit --help' and, for each command, exactly the options its help
# names, and complete arguments by kind: MIDI files by their extensions,
# SMAF, WAV and map files by theirs, channels 1 to 16, nothing for a value.
# Usage: check_completion.sh TOOL COMPLETION_FILE
set -euo pipefail
tool=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
source "$2"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C
failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

registration=$(complete -p chimekit)
[[ $registration =~ -F\ ([^ ]+)\ chimekit$ ]] || { echo "not registered for chimekit: $registration"; exit 1; }
function=${BASH_REMATCH[1]}
# complete WORD...: what bash offers for the last word of 'chimekit WORD...',
# sorted, one a line.
complete() {
  COMP_WORDS=(chimekit "$@")
  COMP_CWORD=$#
  COMP_LINE="${COMP_WORDS[*]}"
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  "$function" chimekit "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  [ ${#COMPREPLY[@]} -eq 0 ] || printf '%s\n' "${COMPREPLY[@]}" | sort
}

# Commands, and options as each command's help names them (not those of
# another command it quotes, as in "as 'chimekit trim --end' does").
commands=$("$tool" --help | sed -n '/^Commands:/,/^$/s/^  \([^ ]*\) .*/\1/p')
[ -n "$commands" ] || { echo "no commands in the tool's help"; exit 1; }
got=$(complete '')
expected=$(printf '%s\n' $commands --help --version | sort)
[ "$got" = "$expected" ] || fail "commands: offered '$got', the help lists '$expected'"
for command in $commands; do
  options=$("$tool" "$command" --help | tr '\n' ' ' | sed "s/'chimekit [^']*'//g" |
            grep -oE -- '--[a-z][a-z0-9-]*' || true)
  expected=$(printf '%s\n' $options --help | sort -u)
  got=$(complete "$command" --)
  [ "$got" = "$expected" ] || fail "$command: offered options '$got', its help names '$expected'"
done

# Arguments, in a folder of files of every kind: WORDS | OFFERED (';' apart).
cd "$work"
mkdir folder
touch song.mid Loud.MIDI wrapped.rmi karaoke.kar 'my song.mid' ring.mmf map.txt notes.wav other.dat
midi='folder;karaoke.kar;Loud.MIDI;my song.mid;song.mid;wrapped.rmi'
channels='1;2;3;4;5;6;7;8;9;10;11;12;13;14;15;16'
while IFS='|' read -r words offered; do
  eval "words=($words)"
  got=$(complete "${words[@]}")
  expected=$(tr ';' '\n' <<<"$offered" | sed '/^$/d' | sort)
  [ "$got" = "$expected" ] || fail "chimekit ${words[*]}: offered '$got', not '$expected'"
done <<EOF_CASES
sm|smaf
smaf ''|$midi
smaf song.mid ''|folder;ring.mmf
ringtone --length 5 song.mid ''|folder;ring.mmf
inspect ''|folder;ring.mmf
midi ''|folder;ring.mmf
midi ring.mmf ''|$midi
midi ring.mmf out.mid --|--allow-empty;--help
play ''|$midi;ring.mmf
play ring.mmf ''|folder;notes.wav
instruments song.mid out.mid --map ''|folder;map.txt
set-volume --drums song.mid ''|$midi
equalize --drums 64 song.mid ''|$midi
set-volume song.mid out.mid --volume ''|
set-tags song.mid ''|$midi;map.txt;notes.wav;other.dat;ring.mmf
copy-channel song.mid out.mid 1|1;10;11;12;13;14;15;16
remove-channel song.mid out.mid ''|$channels
dump song.mid --n|--notes
reshape song.mid out.mid ''|--help
no-such-command ''|
EOF_CASES

[ "$failures" -eq 0 ] || exit 1
echo "completion of $(wc -w <<<"$commands") commands, their options and arguments: as expected"
