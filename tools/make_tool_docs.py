#!/usr/bin/env python3
"""Writes the chimekit tool's manual page and its bash completion from the
tool's own help texts, so that neither can differ from what the tool says.

Usage: make_tool_docs.py TOOL VERSION OUT_FOLDER

TOOL is the built chimekit program: 'TOOL --help' starts with a line
'chimekit VERSION: description' and lists the commands ('  NAME  summary'
lines), and 'TOOL NAME --help' prints a command's help,
whose first lines are its usage ('Usage: chimekit NAME ARGUMENTS', further
forms and wrapped lines indented below), followed by prose and option lines
('  --option VALUE  what it does'). Writes into OUT_FOLDER:
  chimekit.1        the manual page (roff, man macros)
  chimekit.1.gz     the same, compressed as manual pages are installed
  chimekit.bash     the bash completion (installed as completions/chimekit)
"""
import gzip
import os
import re
import subprocess
import sys

# File name extensions a placeholder's own extension stands for: a MIDI
# input may be any of the usual names of Standard MIDI Files.
EXTENSION_GROUPS = {"mid": ["mid", "midi", "rmi", "kar"]}
# Placeholders that name a channel (1 to 16) and those that name a file
# without saying its kind.
CHANNEL_PLACEHOLDERS = {"CHANNEL", "FROM", "TO"}
FILE_PLACEHOLDERS = {"IN", "OUT", "TAGS", "FILE", "PATH", "FOLDER", "FIRST", "SECOND"}

OPTION = re.compile(r"--[a-z][a-z0-9-]*")
# "as 'chimekit trim --end' does": another command's option, not this one's.
CROSS_REFERENCE = re.compile(r"'chimekit\s[^']*'")
PLACEHOLDER = re.compile(r"[A-Z][A-Za-z0-9]*(?:[.,][A-Za-z0-9.,]*)?$")


def run(tool, *arguments):
    result = subprocess.run([tool, *arguments], stdout=subprocess.PIPE, check=True)
    return result.stdout.decode("utf-8")


class ToolHelp:
    """The tool's help: its description, commands and closing notes."""

    def __init__(self, text):
        lines = text.rstrip("\n").split("\n")
        header = re.match(r"chimekit \S+: (.*)$", lines[0])
        if not header:
            raise ValueError(f"the tool's help does not start with 'chimekit VERSION: ...': {lines[0]!r}")
        self.description = header.group(1)[0].upper() + header.group(1)[1:]
        start = lines.index("Commands:") + 1
        end = lines.index("", start)
        self.commands = []
        for line in lines[start:end]:
            match = re.match(r"  (\S+)\s+(.*)$", line)
            if not match:
                raise ValueError(f"not a command line in the tool's help: {line!r}")
            self.commands.append((match.group(1), match.group(2)))
        self.notes = [line for line in lines[end + 1:] if line]


class CommandHelp:
    """One command's help: its usage forms, its options (each with the
    placeholder of its value, or None for a switch) and the rest of the
    text."""

    def __init__(self, name, text):
        self.name = name
        lines = text.rstrip("\n").split("\n")
        prefix = f"Usage: chimekit {name}"
        if not lines[0].startswith(prefix):
            raise ValueError(f"the help of {name} does not start with '{prefix}'")
        # The usage block: further forms ('chimekit NAME ...') and wrapped
        # lines, indented below the first.
        forms = [lines[0][len("Usage: "):]]
        index = 1
        while index < len(lines) and lines[index].startswith(" "):
            stripped = lines[index].strip()
            if stripped.startswith(f"chimekit {name}"):
                forms.append(stripped)
            elif stripped.startswith("["):
                forms[-1] += " " + stripped
            else:
                break
            index += 1
        self.forms = [form.split(None, 2)[2] if len(form.split(None, 2)) > 2 else "" for form in forms]
        self.body = lines[index:]
        self.options = {}
        self.positionals = []  # per form, the placeholders in order
        for form in self.forms:
            self.positionals.append(self._read_form(form))
        for line in self.body:
            if line.startswith("  ") and line.strip().startswith("--"):
                self._read_option_tag(option_tag(line)[0])
        for option in OPTION.findall(CROSS_REFERENCE.sub("", text)):
            self.options.setdefault(option, None)

    def _add_option(self, option, placeholder):
        if self.options.get(option) is None:
            self.options[option] = placeholder

    def _read_form(self, form):
        positionals = []
        tokens = re.findall(r"\[[^\]]*\]|\S+", form)
        index = 0
        while index < len(tokens):
            token = tokens[index]
            if token.startswith("["):
                words = token[1:-1].split()
                if words and words[0].startswith("--"):
                    self._add_option(words[0], words[1] if len(words) > 1 else None)
                elif words:
                    positionals.append(words[0])
            elif token.startswith("--"):
                value = None
                if index + 1 < len(tokens) and PLACEHOLDER.match(tokens[index + 1]):
                    value = tokens[index + 1]
                    index += 1
                self._add_option(token, value)
            else:
                positionals.append(token)
            index += 1
        return positionals

    def _read_option_tag(self, tag):
        for part in tag.split(", "):
            words = part.split()
            if words and OPTION.fullmatch(words[0]):
                self._add_option(words[0], words[1] if len(words) > 1 else None)


def option_tag(line):
    """An option line's tag ('--start MS, --end MS') and its description,
    apart where two or more spaces follow the tag."""
    stripped = line.strip()
    match = re.match(r"(.*?\S)\s{2,}(\S.*)$", stripped)
    if match:
        return match.group(1), match.group(2)
    return stripped, ""


# --- manual page ----------------------------------------------------------

def roff(text):
    """Text escaped for a roff text line."""
    text = text.replace("\\", "\\e").replace("-", "\\-")
    # Characters beyond ASCII by their code, whatever the formatter's input
    # encoding.
    text = "".join(c if ord(c) < 128 else f"\\[u{ord(c):04X}]" for c in text)
    if text.startswith((".", "'")):
        text = "\\&" + text
    return text


def roff_synopsis(words):
    """Usage words in the fonts of a synopsis: literal words bold,
    placeholders italic, brackets and separators roman."""
    out = []
    for token in re.findall(r"\[|\]|[^\s\[\]]+", words):
        if token in "[]":
            out.append(token)
        elif token.startswith("--") or not PLACEHOLDER.match(token):
            out.append(f"\\fB{roff(token)}\\fR")
        else:
            out.append(f"\\fI{roff(token)}\\fR")
    text = " ".join(out)
    return text.replace("[ ", "[").replace(" ]", "]")


def roff_tag(tag):
    """An option line's tag: the options bold, their values italic."""
    return ", ".join(roff_synopsis(part) for part in tag.split(", "))


def roff_body(lines):
    """A command's help after its usage: prose paragraphs, option lists
    (.TP) and preformatted lines (indented lines outside an option)."""
    out = []
    state = None  # "prose", "option", "literal"
    for line in lines:
        indented = line.startswith(" ")
        stripped = line.strip()
        if not stripped:
            continue
        if indented and stripped.startswith("--"):
            if state == "literal":
                out += [".fi", ".RE"]
            tag, description = option_tag(line)
            out += [".TP", roff_tag(tag)]
            if description:
                out.append(roff(description))
            state = "option"
        elif indented and state == "option":
            out.append(roff(stripped))
        elif indented:
            if state != "literal":
                out += [".PP", ".RS 4", ".nf"]
            out.append(roff(line[4:] if line.startswith("    ") else stripped))
            state = "literal"
        else:
            if state == "literal":
                out += [".fi", ".RE"]
            if state != "prose":
                out.append(".PP")
            out.append(roff(stripped))
            state = "prose"
    if state == "literal":
        out += [".fi", ".RE"]
    return out


def manual_page(tool_help, commands, version):
    summary = tool_help.description.rstrip(".")
    out = [
        f'.TH CHIMEKIT 1 "" "chimekit {version}" "User Commands"',
        ".SH NAME",
        f"chimekit \\- {roff(summary[0].lower() + summary[1:])}",
        ".SH SYNOPSIS",
        roff_synopsis("chimekit COMMAND [ARGUMENTS]"),
        ".br",
        roff_synopsis("chimekit --help"),
        ".br",
        roff_synopsis("chimekit --version"),
        ".br",
        roff_synopsis("chimekit COMMAND --help"),
        ".SH DESCRIPTION",
        roff(tool_help.description),
        ".PP",
        "The commands:",
    ]
    width = max(len(name) for name, _ in tool_help.commands) + 2
    for name, command_summary in tool_help.commands:
        out += [f".TP {width}", f"\\fB{roff(name)}\\fR", roff(command_summary)]
    notes = [note for note in tool_help.notes if not note.startswith("Exit status:")]
    out += [".PP"] + [roff(note) for note in notes]
    out.append(".SH COMMANDS")
    for command in commands:
        # The usage forms left-aligned: spread out to the margin, their
        # words would stand far apart.
        out += [f".SS {roff(command.name)}", ".PP", ".ad l"]
        for index, form in enumerate(command.forms):
            if index:
                out.append(".br")
            out.append(roff_synopsis(f"chimekit {command.name} {form}".strip()))
        out.append(".ad")
        out += roff_body(command.body)
    for note in tool_help.notes:
        if note.startswith("Exit status:"):
            out += [".SH EXIT STATUS", roff(note[len("Exit status:"):].strip())]
    return "\n".join(out) + "\n"


# --- bash completion ------------------------------------------------------

def kind(placeholder, positional):
    """What completes a placeholder: '@channel', '@file', '@none' or the
    file name extensions ('mid|midi|rmi|kar')."""
    base, dot, extension = placeholder.partition(".")
    if dot and re.fullmatch(r"[a-z0-9]+", extension):
        return "|".join(EXTENSION_GROUPS.get(extension, [extension]))
    if base in CHANNEL_PLACEHOLDERS:
        return "@channel"
    if base in FILE_PLACEHOLDERS or positional:
        return "@file"
    return "@none"


def union(kinds):
    """One kind for a position that different usage forms fill differently."""
    kinds = list(dict.fromkeys(kinds))
    if len(kinds) == 1:
        return kinds[0]
    if any(k.startswith("@") for k in kinds):
        return "@file"
    extensions = []
    for k in kinds:
        extensions += [e for e in k.split("|") if e not in extensions]
    return "|".join(extensions)


def completion_entry(command):
    options = ["--help"]
    for option, placeholder in command.options.items():
        options.append(option if placeholder is None else f"{option}={kind(placeholder, False)}")
    count = max(len(p) for p in command.positionals)
    arguments = []
    for position in range(count):
        arguments.append(union(kind(p[position], True) for p in command.positionals if position < len(p)))
    return f"    {command.name}) options='{' '.join(options)}' arguments='{' '.join(arguments)}' ;;"


COMPLETION = r"""# bash completion for chimekit. Generated from the tool's help texts by
# tools/make_tool_docs.py at build time: do not edit.

# _chimekit_complete KIND: the completions of the word being completed
# ($cur) for one kind of value: files with one of the extensions of KIND
# ('mid|midi|rmi|kar', in any case) and folders, any file (@file), a
# channel (@channel) or nothing (@none).
_chimekit_complete() {
  local IFS=$'\n' kind=$1 file lower
  case $kind in
    @none) return ;;
    @channel) COMPREPLY=($(compgen -W "$(printf '%s\n' {1..16})" -- "$cur")); return ;;
  esac
  compopt -o filenames 2>/dev/null
  for file in $(compgen -f -- "$cur"); do
    lower=${file,,}
    if [[ $kind == @file || -d $file || ( $lower == *.* && "|$kind|" == *"|${lower##*.}|"* ) ]]; then
      COMPREPLY+=("$file")
    fi
  done
}

_chimekit() {
  local cur=${COMP_WORDS[COMP_CWORD]}
  COMPREPLY=()
  if ((COMP_CWORD == 1)); then
    COMPREPLY=($(compgen -W '@COMMANDS@ --help --version' -- "$cur"))
    return 0
  fi
  # options: '--switch' or '--option=KIND' for one that takes a value;
  # arguments: the KIND of each argument in order.
  local options arguments
  case ${COMP_WORDS[1]} in
@ENTRIES@
    *) return 0 ;;
  esac
  local -a kinds=($arguments)
  local i word entry position=0 value=''
  for ((i = 2; i < COMP_CWORD; i++)); do
    word=${COMP_WORDS[i]}
    value=''
    if [[ $word == --* ]]; then
      for entry in $options; do
        [[ $entry == "$word="* ]] && value=${entry#*=}
      done
      [[ -n $value ]] && i=$((i + 1))
    else
      position=$((position + 1))
    fi
  done
  # i passed COMP_CWORD: the word being completed is the value of the option before it.
  if ((i > COMP_CWORD)); then
    _chimekit_complete "$value"
  elif [[ $cur == -* ]] || ((position >= ${#kinds[@]})); then
    local names=''
    for entry in $options; do
      names+=" ${entry%%=*}"
    done
    COMPREPLY=($(compgen -W "$names" -- "$cur"))
  else
    _chimekit_complete "${kinds[position]}"
  fi
  return 0
}
complete -F _chimekit chimekit
"""


def completion(tool_help, commands):
    names = " ".join(name for name, _ in tool_help.commands)
    entries = "\n".join(completion_entry(command) for command in commands)
    return COMPLETION.replace("@COMMANDS@", names).replace("@ENTRIES@", entries)


def write(path, data):
    with open(path, "wb") as file:
        file.write(data)


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    tool, version, folder = sys.argv[1:]
    tool_help = ToolHelp(run(tool, "--help"))
    commands = [CommandHelp(name, run(tool, name, "--help")) for name, _ in tool_help.commands]
    page = manual_page(tool_help, commands, version).encode("utf-8")
    write(os.path.join(folder, "chimekit.1"), page)
    # No time stamp in the gzip header: the same page gives the same bytes.
    write(os.path.join(folder, "chimekit.1.gz"), gzip.compress(page, compresslevel=9, mtime=0))
    write(os.path.join(folder, "chimekit.bash"), completion(tool_help, commands).encode("utf-8"))


if __name__ == "__main__":
    main()
