#!/usr/bin/env bash
# The manual page written at build time: groff reads it without a warning,
# its compressed copy is the same page, it has a section for exactly the
# commands of 'chimekit --help', and its text holds every command's help
# word for word.
# Usage: check_manpage.sh TOOL PAGE
set -euo pipefail
tool=$1
page=$2
failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

warnings=$(groff -man -Tutf8 -ww -z "$page" 2>&1)
[ -z "$warnings" ] || fail "groff: $warnings"
gzip -dc "$page.gz" | cmp -s - "$page" || fail "$page.gz is not $page"

commands=$("$tool" --help | sed -n '/^Commands:/,/^$/s/^  \([^ ]*\) .*/\1/p')
[ -n "$commands" ] || { echo "no commands in the tool's help"; exit 1; }
sections=$(sed -n 's/^\.SS //p' "$page" | sed 's/\\-/-/g')
[ "$sections" = "$commands" ] || fail "the page's command sections '$sections' are not the commands '$commands'"

# The page as plain text, each paragraph on one line (no hyphenation) and
# all white space as one space, against each help text so squeezed.
squeeze() { tr -s ' \n' '  ' | sed 's/^ //; s/ $//'; }
text=$(groff -man -Tutf8 -rLL=8000n -rHY=0 -P -cbou "$page" | squeeze)
for command in $commands; do
  help=$("$tool" "$command" --help | sed '1s/^Usage: //' | squeeze)
  [[ $text == *"$help"* ]] || fail "the page does not hold the help of $command: $help"
done

[ "$failures" -eq 0 ] || exit 1
echo "manual page: the $(wc -w <<<"$commands") commands and their help texts, as expected"
