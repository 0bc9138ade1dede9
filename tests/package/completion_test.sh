#!/usr/bin/env bash
# The shell completions of tavrix-cli offer, per command, exactly the options
# of its usage text: an option added to the program and forgotten in a
# completion fails here, and so does a completion offering an option the
# program has dropped. Each shell is asked as a user's would ask it: bash
# through its completion function, fish through `complete -C`, and zsh,
# whose completion lives in its line editor, by typing a tab into an
# interactive zsh on a pseudo-terminal and reading the list it shows.
set -uo pipefail
cli=$(realpath "$1")
source_dir=$(realpath "$2")

fail() { echo "FAIL: $*"; exit 1; }
for shell in zsh fish; do
  command -v "$shell" >/dev/null || fail "$shell is missing (scripts/install-deps.sh installs it)"
done

bash_file=$source_dir/resources/bash-completion/tavrix-cli
zsh_file=$source_dir/resources/zsh-completion/_tavrix-cli
fish_file=$source_dir/resources/fish-completion/tavrix-cli.fish
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || fail "no temporary directory"

sorted() { tr ' \t' '\n\n' | grep -- '^--' | sort -u | tr '\n' ' '; }

# The synopsis: the lines up to the first empty one. "tavrix-cli CMD" opens a
# command (a line of options alone is the top level), the lines after it
# continue it.
usage=$("$cli" --help) || fail "tavrix-cli --help failed"
usage_options() {
  awk -v want="$1" '
    /^$/ { exit }
    /tavrix-cli/ { sub(/.*tavrix-cli /, ""); command = ($1 ~ /^--/) ? "top" : $1 }
    command == want { print }' <<<"$usage" | grep -o -- '--[a-z][a-z-]*' | sorted
}

bash_options() {
  bash -c '
    _init_completion() { words=("${COMP_WORDS[@]}"); cword=$COMP_CWORD; cur=${words[cword]}; prev=${words[cword-1]}; }
    _filedir() { :; }
    source "$1" || exit 1
    shift
    COMP_WORDS=(tavrix-cli "$@" --); COMP_CWORD=$(($# + 1))
    _tavrix_cli
    echo "${COMPREPLY[@]}"' bash "$bash_file" "$@" | sorted
}

fish_options() {
  fish --no-config -c 'source $argv[1]; complete -C "tavrix-cli $argv[2..] --"' "$fish_file" "$@" | cut -f1 | sorted
}

zsh_list() { timeout 20 zsh -f "$source_dir/tests/package/zsh_complete.zsh" "$(dirname "$zsh_file")" tavrix-cli "$@"; }
zsh_options() { zsh_list "$@" -- | grep -o -- '^--[a-z][a-z-]*' | sorted; }

status=0
for command in top scan set batch; do
  args=()
  [ "$command" = top ] || args=("$command")
  want=$(usage_options "$command")
  [ -n "$want" ] || fail "the usage text shows no options for $command"
  for shell in bash fish zsh; do
    got=$("${shell}_options" "${args[@]}")
    if [ "$got" != "$want" ]; then
      echo "FAIL: $shell completes '$command' with: $got"
      echo "      the usage text has:           $want"
      status=1
    fi
  done
done

# The commands themselves, offered on an empty word.
commands=$(awk '/^$/ { exit } /tavrix-cli [a-z]/ { sub(/.*tavrix-cli /, ""); print $1 }' <<<"$usage" | sort -u | tr '\n' ' ')
got=$(bash -c '_init_completion() { words=("${COMP_WORDS[@]}"); cword=$COMP_CWORD; cur=""; prev=tavrix-cli; }
  source "$1"; COMP_WORDS=(tavrix-cli ""); COMP_CWORD=1; _tavrix_cli; printf "%s\n" "${COMPREPLY[@]}"' bash "$bash_file" |
  grep -v -- '^--' | sort -u | tr '\n' ' ')
[ "$got" = "$commands" ] || { echo "FAIL: bash offers the commands '$got', the usage text '$commands'"; status=1; }
got=$(fish --no-config -c 'source $argv[1]; complete -C "tavrix-cli "' "$fish_file" | cut -f1 | sort -u | tr '\n' ' ')
[ "$got" = "$commands" ] || { echo "FAIL: fish offers the commands '$got', the usage text '$commands'"; status=1; }
got=$(zsh_list "" | grep -o '^[a-z]\+  *-- ' | cut -d' ' -f1 | sort -u | tr '\n' ' ')
[ "$got" = "$commands" ] || { echo "FAIL: zsh offers the commands '$got', the usage text '$commands'"; status=1; }

[ $status -eq 0 ] && echo "completion: bash, zsh and fish offer the options of the usage text"
exit $status
